#!/usr/bin/env python3
"""Opens the test pages of this folder in the page host under Wine and checks
what the host printed and how it ended.

    run_pages.py --host build/win64/corvela-host.exe --scratch DIR

Runs inside a Wine session (scripts/run-wine-tests.sh) where the module is
registered. DIR is a Linux folder the pages' dropped files are made in.
Prints PASS or FAIL for each case and exits 1 when one failed.
"""

import argparse
import os
import re
import subprocess
import sys
from dataclasses import dataclass, field

HERE = os.path.dirname(os.path.abspath(__file__))
HOST_TIMEOUT_SECONDS = 30
RUN_TIMEOUT_SECONDS = 60


def windows_path(path):
    return "Z:" + os.path.realpath(path).replace("/", "\\")


@dataclass
class Case:
    name: str
    page: str
    actions: list  # host arguments after the page; "{files}" is the dropped files' folder
    status: int
    stdout: list = field(default_factory=list)  # lines that must appear, in this order
    stderr: list = field(default_factory=list)  # patterns that must each match a line; none: stderr empty
    absent: str = ""  # a text standard output must not hold
    allowed_sites: str = ""  # the site-lock policy in force for the run, if any
    policy_type: str = "REG_MULTI_SZ"  # the policy value's registry type
    intranet_host: str = ""  # a host the user's zone map puts in the Local intranet zone for the run


CLOSE = ["--run", "window.close()"]
SEND = ["--run", "send('http://127.0.0.1:{receiver}/upload.asp', '{files_js}\\\\a.txt')"]

CASES = [
    Case("events reach for/event and id::event handlers with their arguments in order",
         "events.html",
         ["--drop", "corvela", "{files}\\a.txt|{files}\\b.pdf",
          "--click", "corvela", "9", "25",      # the check box of row 1
          "--dblclick", "corvela", "60", "8",   # the name of row 0
          "--run", "log.join('\\n')"] + CLOSE,
         0,
         stdout=["= InitComplete",
                 "AttachAddFile({files}\\a.txt|{files}\\b.pdf|)",
                 "ClickCheckBox(user1\\)",
                 "ClickCheckBox(user0\\user1\\)",
                 "DbClListFile({files}\\a.txt, )"]),
    Case("keys reach the object the click made active, as a browser passes them; Tab leaves it",
         "events.html",
         ["--drop", "corvela", "{files}\\a.txt|{files}\\b.pdf",
          "--click", "corvela", "60", "8",      # the name of row 0
          "--key", "Down", "--key", "Space",    # row 1 ticked
          "--key", "Tab", "--key", "Up", "--key", "Space",  # the page's keys now
          "--run", "log.push('end'); log.join('\\n')"] + CLOSE,
         0,
         stdout=["AttachAddFile({files}\\a.txt|{files}\\b.pdf|)",
                 "ClickCheckBox(user0\\)",
                 "ClickCheckBox(user0\\user1\\)",
                 "end"]),
    Case("a click handler that shows a message box hears its one click once",
         "click-alert.html",
         ["--drop", "corvela", "{files}\\a.txt|{files}\\b.pdf",
          "--click", "corvela", "9", "25",
          "--run", "clicks.length + ' ' + clicks.join(' ')"] + CLOSE,
         0,
         stdout=["= 1 user1\\"]),
    Case("an error in a page block is reported with its place and fails the run",
         "script-error.html", CLOSE, 1,
         stderr=[r"^.*script-error\.html:6:1: .+"]),
    Case("an error in a for/event handler is reported with its place in the file",
         "handler-error.html", CLOSE, 1,
         stderr=[r"^.*handler-error\.html:7:3: .+"]),
    Case("an object of an unknown class is reported and the rest of the page runs",
         "unknown-class.html", ["--run", "reached"] + CLOSE, 0,
         stdout=["= the rest ran, nType 0"],
         stderr=[r'^.*unknown-class\.html:4:1: object "missing": class '
                 r'\{0D0D0D0D-1111-2222-3333-444444444444\} cannot be created: .+']),
    Case("an object that is not safe for scripting is reported and not scripted, and the page goes on",
         "unsafe-object.html", ["--run", "reached"] + CLOSE, 0,
         stdout=["= not scripted; the page goes on, nType 0"],
         stderr=[r'^.*unsafe-object\.html:4:1: object "files" is not safe for scripting: .+']),
    Case("the control learns the address given with --url: a page of an allowed site sends a local file",
         "site-lock.html", ["--url", "https://intranet.example.com/upload.html"] + SEND + CLOSE, 0,
         stdout=["= sent 1"], allowed_sites="https://intranet.example.com"),
    Case("the control learns the address given with --url: a page of another site cannot script it",
         "site-lock.html", ["--url", "http://elsewhere.example.com/upload.html", "--run", "reached"] + CLOSE, 0,
         stdout=["= the page ran, nType undefined"],
         stderr=[r'^.*site-lock\.html:4:1: object "corvela" is not safe for scripting: .+'],
         allowed_sites="https://intranet.example.com"),
    Case("a policy that cannot be read locks even the site it names",
         "site-lock.html", ["--url", "https://intranet.example.com/upload.html", "--run", "reached"] + CLOSE, 0,
         stdout=["= the page ran, nType undefined"],
         stderr=[r'^.*site-lock\.html:4:1: object "corvela" is not safe for scripting: .+'],
         allowed_sites="https://intranet.example.com", policy_type="REG_SZ"),
    Case("without a policy, a page from the Internet cannot script the control",
         "site-lock.html", ["--url", "http://www.example.com/upload.html", "--run", "reached"] + CLOSE, 0,
         stdout=["= the page ran, nType undefined"],
         stderr=[r'^.*site-lock\.html:4:1: object "corvela" is not safe for scripting: .+']),
    Case("without a policy, a page opened from a local drive sends a local file",
         "site-lock.html", SEND + CLOSE, 0, stdout=["= sent 1"]),
    Case("without a policy, a page of a host mapped to the intranet zone sends a local file",
         "site-lock.html", ["--url", "http://intranet.example.com/upload.html"] + SEND + CLOSE, 0,
         stdout=["= sent 1"], intranet_host="intranet.example.com"),
    Case("a page that lets go of its object and closes inside an event handler ends cleanly",
         "release-in-handler.html",
         ["--drop", "corvela", "{files}\\a.txt", "--run", "held.nType"], 0),
    Case("a page that closes while its object starts ends cleanly and runs nothing after",
         "close-at-start.html", ["--run", "window.close()"], 0, absent="message box"),
]


POLICY_KEY = "HKLM\\SOFTWARE\\Policies\\Corvela"
ZONE_DOMAINS_KEY = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\ZoneMap\\Domains"
LOCAL_INTRANET_ZONE = "1"


def reg(*arguments):
    subprocess.run(["timeout", "60", "wine", "reg"] + list(arguments), capture_output=True, check=True)


def run(case, host, files):
    # As an administrator maps a host to a zone: a key per host, a value per scheme.
    settings = []
    if case.allowed_sites:
        settings.append((POLICY_KEY, ["/v", "AllowedSites", "/t", case.policy_type, "/d", case.allowed_sites]))
    if case.intranet_host:
        # intranet.example.com is the key example.com\intranet.
        labels = case.intranet_host.split(".")
        key = "\\".join([ZONE_DOMAINS_KEY, ".".join(labels[-2:])] + ([".".join(labels[:-2])] if labels[:-2] else []))
        settings.append((key, ["/v", "http", "/t", "REG_DWORD", "/d", LOCAL_INTRANET_ZONE]))
    for key, value in settings:
        reg("add", key, *value, "/f")
    try:
        return run_host(case, host, files)
    finally:
        for key, _ in settings:
            reg("delete", key, "/f")


def run_host(case, host, files):
    values = {"{files}": windows_path(files), "{files_js}": windows_path(files).replace("\\", "\\\\"),
              "{receiver}": os.environ.get("RECEIVER_PORT", "")}
    arguments = []
    for argument in case.actions:
        for name, value in values.items():
            argument = argument.replace(name, value)
        arguments.append(argument)
    command = ["timeout", "--kill-after=10", str(RUN_TIMEOUT_SECONDS), "wine", host,
               "--trace", "--answer-boxes", "--timeout", str(HOST_TIMEOUT_SECONDS),
               windows_path(os.path.join(HERE, case.page))] + arguments
    done = subprocess.run(command, capture_output=True)
    return done.returncode, done.stdout.decode("utf-8", "replace"), done.stderr.decode("utf-8", "replace")


def problems(case, status, stdout, stderr, files):
    found = []
    if status != case.status:
        found.append(f"exit status {status}, expected {case.status}")
    lines = stdout.splitlines()
    expected = [line.replace("{files}", windows_path(files)) for line in case.stdout]
    if expected and not any(lines[i:i + len(expected)] == expected for i in range(len(lines))):
        found.append("standard output lacks:\n" + "\n".join(expected))
    if case.absent and case.absent in stdout:
        found.append(f"standard output holds {case.absent!r}")
    # Wine's own notes (lines such as "0024:fixme:...") are not the host's.
    errors = [line for line in stderr.splitlines() if line and not re.match(r"^[0-9a-f]{4}:", line)]
    for pattern in case.stderr:
        if not any(re.match(pattern, line) for line in errors):
            found.append(f"standard error lacks a line like {pattern}")
    if not case.stderr and errors:
        found.append("standard error is not empty")
    return found


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--host", required=True)
    parser.add_argument("--scratch", required=True)
    options = parser.parse_args()
    files = os.path.join(options.scratch, "dropped")
    os.makedirs(files, exist_ok=True)
    for name in ("a.txt", "b.pdf"):
        with open(os.path.join(files, name), "w") as out:
            out.write("dropped\n")
    failed = 0
    for case in CASES:
        status, stdout, stderr = run(case, options.host, files)
        found = problems(case, status, stdout, stderr, files)
        print(("FAIL " if found else "PASS ") + case.name)
        if os.environ.get("SHOW_PAGES"):
            print(stdout + stderr)
        if found:
            failed += 1
            for text in found + ["stdout:", stdout, "stderr:", stderr]:
                print("    " + text.replace("\n", "\n    "))
    print(f"{len(CASES) - failed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
