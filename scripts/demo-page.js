// The demo page's script, run by the platform's script host. It drives the
// control the way a page does: uploads a few files to the loopback server
// under the visible progress dialog, prints the server's replies, then
// downloads the files back into a cache folder and lists their paths.
//   cscript demo-page.js <upload port> <download port> <folder> <report file>
// The report goes to a UTF-16 file as well as to the console, which cannot
// show every name.
var uploadPort = WScript.Arguments(0);
var downloadPort = WScript.Arguments(1);
var folder = WScript.Arguments(2);
var report = new ActiveXObject("Scripting.FileSystemObject").CreateTextFile(WScript.Arguments(3), true, true);
function say(line) {
    WScript.Echo(line);
    report.WriteLine(line);
}

var control = new ActiveXObject("CORVELA.CorvelaCtrl.1");
say("Created CORVELA.CorvelaCtrl.1 (nType " + control.nType + ")");
try {
    var hidden = control.HideProgressDlg;
} catch (e) {
    say("Reading HideProgressDlg is refused: 0x" + (e.number >>> 0).toString(16).toUpperCase());
}

var files = ["report.txt", "\uC0AC\uC9C4.jpg", "archive.zip"];  // the second is 사진.jpg
control.SetBigLang = 1;
for (var i = 0; i < files.length; i++) {
    control.AddFilename("demo-" + (i + 1));
    control.AddUploadFile(folder + "\\" + files[i], "owner=demo");
}
// The server reads slowly, so the dialog stays on screen for a few seconds.
var page = "http://127.0.0.1:" + uploadPort + "/slowbody/1500000/upload.asp";
var sent = control.StartUpload(page, "inbox", "demo", "", "");
say("StartUpload sent " + sent + " file(s):");
for (var i = 0; i < sent; i++) say("  GetReturn(" + i + ") = " + control.GetReturn(i));

// Uploads and downloads share the queue's first list: start a new queue.
control.AddDownloadUrlForCache("", "", "", 0);
var base = "http://127.0.0.1:" + downloadPort + "/file/";
control.AddDownloadUrlForCache(base + "notes.txt?size=2000", "notes-1.txt", "notes.txt", 2000);
control.AddDownloadUrlForCache(base + "readme.txt?size=50000", "readme-1.txt", "readme.txt", 50000);
// A program is downloaded and returned, but never started.
control.AddDownloadUrlForCache(base + "setup.exe?size=3000", "setup-1.exe", "setup.exe", 3000);
var fetched = control.OpenDownload(folder + "\\cache");
say("OpenDownload obtained " + fetched + " file(s):");
for (var i = 0; i < fetched; i++) say("  GetReturn(" + i + ") = " + control.GetReturn(i));
report.Close();
