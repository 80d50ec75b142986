// The installed control, created by its programmatic name as a page's
// script would, answers a call.
var control = new ActiveXObject("CORVELA.CorvelaCtrl.1");
var cleaned = control.ChangeSpecialChar("a:b*c");
if (cleaned !== "a_b_c") {
    WScript.Echo("ChangeSpecialChar gave " + cleaned);
    WScript.Quit(1);
}
WScript.Quit(0);
