// The demo page's script, run by the platform's script host: it creates the
// control by its programmatic name and drives it the way a page does.
var control = new ActiveXObject("CORVELA.CorvelaCtrl.1");
WScript.Echo("Created CORVELA.CorvelaCtrl.1");
WScript.Echo("nType = " + control.nType + ", tipString = \"" + control.tipString + "\"");
control.tipString = "Drop your files here";
control.SetBigLang = 2;
WScript.Echo("tipString after writing it: \"" + control.tipString + "\"");
try {
    var hidden = control.HideProgressDlg;
} catch (e) {
    WScript.Echo("Reading HideProgressDlg is refused: 0x" + (e.number >>> 0).toString(16).toUpperCase());
}
WScript.Echo("StartDownload answers " + control.StartDownload("C:\\cache"));
