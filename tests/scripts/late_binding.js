// A script client nobody here wrote (the platform's cscript) creates the
// control by its programmatic name and calls it by name.
var failures = 0;
function check(what, condition) {
    if (!condition) { WScript.Echo("FAILED: " + what); failures++; }
}
function errorOf(action) {
    try { action(); return 0; } catch (e) { return e.number >>> 0; }
}

var control = new ActiveXObject("CORVELA.CorvelaCtrl.1");
check("nType starts at 0", control.nType === 0);
control.nType = 12;
check("nType keeps what is written", control.nType === 12);
check("tipString starts empty", control.tipString === "");
control.tipString = "Drop files here";
check("tipString keeps what is written", control.tipString === "Drop files here");

check("reading HideProgressDlg is refused with 0x800A018A",
      errorOf(function () { return control.HideProgressDlg; }) === 0x800A018A);
check("writing FileListAll is refused with 0x800A017F",
      errorOf(function () { control.FileListAll = "x"; }) === 0x800A017F);
check("writing isBigfileYN is refused with 0x800A017F",
      errorOf(function () { control.isBigfileYN = "x"; }) === 0x800A017F);
check("writing SetBigLang is allowed", errorOf(function () { control.SetBigLang = 2; }) === 0);

check("StartDownload returns 0", control.StartDownload("C:\\cache") === 0);
check("StartDownload2 returns 0", control.StartDownload2("C:\\cache", "title") === 0);
check("AddDownloadUrl accepts its arguments", errorOf(function () { control.AddDownloadUrl("u", "n", 3); }) === 0);

// Members the type library does not list are still reached by name.
var unknownName = 0x800A01B6;
check("InsertFileInfo is reached by name",
      errorOf(function () { control.InsertFileInfo("extra"); }) !== unknownName);
check("AddFilename is reached by name",
      errorOf(function () { control.AddFilename("name"); }) !== unknownName);
check("an unknown member is not", errorOf(function () { control.NoSuchMember(); }) === unknownName);

WScript.Quit(failures);
