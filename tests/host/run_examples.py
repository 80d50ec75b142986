#!/usr/bin/env python3
"""Opens every page of docs/examples/ in the page host under Wine, against
the reference receiver, plays what a user does on it and checks what the
page showed and what the server stored or the user got.

    run_examples.py --host build/win64/corvela-host.exe --scratch DIR

Runs inside a Wine session (scripts/run-wine-tests.sh) where the module is
registered and the reference receiver runs (RECEIVER_PORT, RECEIVER_ROOT).
Prints PASS or FAIL for each page and exits 1 when one failed.
"""

import argparse
import os
import pwd
import shutil
import subprocess
import sys
from dataclasses import dataclass, field

from run_pages import windows_path

HERE = os.path.dirname(os.path.abspath(__file__))
EXAMPLES = os.path.join(HERE, "..", "..", "docs", "examples")
HOST_TIMEOUT_SECONDS = 60
RUN_TIMEOUT_SECONDS = 90
CACHE_FOLDER = ("AppData", "Local", "Corvela examples", "cache")


@dataclass
class Example:
    page: str
    actions: list  # host arguments after the page; {files} is the dropped files' folder
    shown: list  # lines the page must print, in this order
    uploaded: list = field(default_factory=list)  # dropped files the receiver must hold in inbox/
    downloaded: list = field(default_factory=list)  # served files the user's cache folder must hold
    folder: str = ""  # typed into the folder browser
    created: str = ""  # a folder of the prefix's C: drive that must exist afterwards


def server():
    return "--run", "server = 'http://127.0.0.1:%s'" % os.environ["RECEIVER_PORT"]


def drop(*names):
    return "--drop", "corvela", "|".join("{files}\\" + name for name in names)


# Rows are 17 pixels high; a row's check box is 9 pixels in.
def tick(row):
    return "--click", "corvela", "9", str(8 + 17 * row)


CLOSE = ("--run", "window.close()")

EXAMPLES_RUN = [
    Example("attach.html", [*drop("a.txt", "b.pdf", "setup.exe"), *tick(1), "--run", "showTicked()", *CLOSE],
            ['message box "File Extension Limit": Not allowed extension(exe)',
             'event corvela.ClickCheckBox("b.pdf\\")',
             "= 1 of 2 ticked: b.pdf"]),
    Example("upload.html",
            [*server(), *drop("a.txt", "b.pdf"), "--run", "tickAll()", "--run", "uploadTicked()", *CLOSE],
            ["= 2 of 2 files sent"], uploaded=["a.txt", "b.pdf"]),
    Example("delete.html", [*drop("a.txt", "b.pdf", "c.doc"), *tick(1), "--run", "deleteTicked()",
                            "--run", "deleteAll()", *CLOSE],
            ["= removed: b.pdf; left: a.txt, c.doc", "= removed: a.txt, c.doc; left: none"]),
    Example("download.html", [*server(), "--run", "downloadAll()", *CLOSE],
            ["= 2 of 2 files downloaded"], downloaded=["report.pdf", "plan.hwp"]),
    Example("choose-folder.html", ["--run", "chooseFolder()", *CLOSE],
            ["= Chosen: C:\\Corvela examples\\reports\\"],
            folder="C:\\Corvela examples\\reports", created="Corvela examples/reports"),
    Example("clean-name.html", ["--run", "cleanName('Q3: plan/draft?')", *CLOSE],
            ["= Q3_ plan_draft_.txt"]),
]


def make_files(files, receiver_root):
    os.makedirs(files, exist_ok=True)
    for index, name in enumerate(("a.txt", "b.pdf", "c.doc", "setup.exe")):
        with open(os.path.join(files, name), "wb") as out:
            out.write(os.urandom(3000 + index))
    served = os.path.join(receiver_root, "inbox")
    os.makedirs(served, exist_ok=True)
    for index, name in enumerate(("report.pdf", "plan.hwp")):
        with open(os.path.join(served, name), "wb") as out:
            out.write(os.urandom(5000 + index))


def run_host(example, host, files):
    arguments = [argument.replace("{files}", windows_path(files)) for argument in example.actions]
    command = ["timeout", "--kill-after=10", str(RUN_TIMEOUT_SECONDS), "wine", host,
               "--trace", "--answer-boxes", "--timeout", str(HOST_TIMEOUT_SECONDS)]
    if example.folder:
        command += ["--answer-folder", example.folder]
    command += [windows_path(os.path.join(EXAMPLES, example.page))] + arguments
    done = subprocess.run(command, capture_output=True)
    return done.returncode, done.stdout.decode("utf-8", "replace")


def same_bytes(first, second):
    if not os.path.isfile(second):
        return False
    with open(first, "rb") as one, open(second, "rb") as other:
        return one.read() == other.read()


def problems(example, status, stdout, files, receiver_root, prefix_user, prefix_drive):
    found = []
    if status != 0:
        found.append("exit status %d" % status)
    lines = stdout.splitlines()
    at = 0
    for expected in example.shown:
        while at < len(lines) and lines[at] != expected:
            at += 1
        if at == len(lines):
            found.append("the page did not show (in this order): " + expected)
            break
    for name in example.uploaded:
        if not same_bytes(os.path.join(files, name), os.path.join(receiver_root, "inbox", name)):
            found.append("the receiver does not hold %s as it was dropped" % name)
    for name in example.downloaded:
        if not same_bytes(os.path.join(receiver_root, "inbox", name), os.path.join(prefix_user, *CACHE_FOLDER, name)):
            found.append("the cache folder does not hold %s as the server has it" % name)
    if example.created and not os.path.isdir(os.path.join(prefix_drive, example.created)):
        found.append("the folder %s was not created" % example.created)
    return found


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--host", required=True)
    parser.add_argument("--scratch", required=True)
    options = parser.parse_args()
    files = os.path.join(options.scratch, "example-files")
    receiver_root = os.environ["RECEIVER_ROOT"]
    prefix_drive = os.path.join(os.environ["WINEPREFIX"], "drive_c")
    prefix_user = os.path.join(prefix_drive, "users", pwd.getpwuid(os.getuid()).pw_name)
    make_files(files, receiver_root)
    failed = 0
    for example in EXAMPLES_RUN:
        status, stdout = run_host(example, options.host, files)
        found = problems(example, status, stdout, files, receiver_root, prefix_user, prefix_drive)
        print(("FAIL " if found else "PASS ") + "docs/examples/" + example.page)
        if found:
            failed += 1
            for text in found + ["stdout:", stdout]:
                print("    " + text.replace("\n", "\n    "))
    print("%d passed, %d failed" % (len(EXAMPLES_RUN) - failed, failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
