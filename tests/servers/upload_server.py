#!/usr/bin/env python3
"""Loopback upload server for the control's upload tests.

    python3 upload_server.py --port 0 --port-file FILE

Accepts POST (GET is answered the same way) with a Content-Length body, read
as a stream: it is hashed as it arrives and only its first 64 KiB are kept.
Every answer is `Connection: close`, status 200 and `Content-Type: text/plain`
unless stated otherwise. The first path segment of the request target chooses
the behaviour, so a test chooses it with the page URL:

  /ok/...                 reply "OK <FILETITLE>" (literally, so the client's
                          substitution of the title can be checked); but if
                          the query value `name` (raw, not decoded) begins
                          with "fail", reply exactly "ERROR". Any unknown
                          first segment behaves like /ok/.
  /text/<escaped>/...     reply exactly the percent-decoded bytes of <escaped>
                          (/text/OK%20%ED%95%9C/ replies b"OK \\xed\\x95\\x9c").
  /error/...              reply exactly "ERROR".
  /long/...               reply 1,023 "x" characters; /long/<n>/... n of them.
  /badutf8/...            reply b"OK \\xff\\xfe\\xc3" (not valid UTF-8).
  /challenge/...          without an Authorization header: status 401 with
                          `WWW-Authenticate: Basic realm="corvela"` and body
                          "STATUS 401" (after reading the body); with one:
                          "OK <FILETITLE>".
  /slowreply/<ms>/...     read the whole body, wait <ms>, reply "OK <FILETITLE>".
  /slowbody/<rate>/...    read the body at <rate> bytes per second, then reply
                          "OK <FILETITLE>". The log entry shows body_length
                          growing while the body arrives.
  /drop/<bytes>/...       read <bytes> body bytes, then close the connection
                          without answering.
  /status/<code>/...      answer status <code> with body "STATUS <code>".
  /redirect/<code>/...    read the whole body, then answer status <code>
                          with `Location: /text/DONE/`, as a site that shows
                          a result page after the upload does.
  /hang/<ms>/...          read nothing of the body and answer nothing; close
                          the connection after <ms>.
  /early/<code>/...       answer status <code> (401 with
                          `WWW-Authenticate: NTLM`) right after the headers,
                          without reading the body, as a server demanding
                          authentication does.
  /challengefirst/...     without an Authorization header: as /early/401/
                          (Basic realm "corvela"); with one: read the body and
                          reply "OK <FILETITLE>". A client that ends the first
                          attempt after its headers and retries with
                          credentials gets its body accepted.

A body that ends before its announced length gets no answer (the client is
gone); its log entry keeps "complete": false.

Control endpoints (/__log, /__reset, /__count) are described in loopback.py.
"""

import time
import urllib.parse

from loopback import LoopbackHandler, number, segment, serve, split_target

LONG_REPLY_UNITS = 1023
BAD_UTF8_REPLY = b"OK \xff\xfe\xc3"
TITLE_REPLY = b"OK <FILETITLE>"
FAILURE_REPLY = b"ERROR"


class UploadHandler(LoopbackHandler):
    def respond(self, entry):
        segments, params = split_target(entry.target)
        behaviour = BEHAVIOURS.get(segment(segments, 0), UploadHandler.answer_ok)
        behaviour(self, entry, segment(segments, 1), params)

    def answer_ok(self, entry, argument, params):
        if self.read_body(entry):
            failing = params.get("name", "").startswith("fail")
            self.reply(200, FAILURE_REPLY if failing else TITLE_REPLY)

    def answer_text(self, entry, argument, params):
        if self.read_body(entry):
            self.reply(200, urllib.parse.unquote_to_bytes(argument))

    def answer_error(self, entry, argument, params):
        if self.read_body(entry):
            self.reply(200, FAILURE_REPLY)

    def answer_long(self, entry, argument, params):
        if self.read_body(entry):
            self.reply(200, b"x" * number(argument, LONG_REPLY_UNITS))

    def answer_bad_utf8(self, entry, argument, params):
        if self.read_body(entry):
            self.reply(200, BAD_UTF8_REPLY)

    def answer_challenge(self, entry, argument, params):
        if not self.read_body(entry):
            return
        if "authorization" in entry.headers:
            self.reply(200, TITLE_REPLY)
        else:
            self.reply(401, b"STATUS 401", headers=[("WWW-Authenticate", 'Basic realm="corvela"')])

    def answer_slow_reply(self, entry, argument, params):
        if self.read_body(entry):
            time.sleep(number(argument, 0) / 1000.0)
            self.reply(200, TITLE_REPLY)

    def answer_slow_body(self, entry, argument, params):
        if self.read_body(entry, rate=max(1, number(argument, 1))):
            self.reply(200, TITLE_REPLY)

    def answer_drop(self, entry, argument, params):
        self.read_body(entry, limit=number(argument, 0))
        self.close_connection = True

    def answer_status(self, entry, argument, params):
        if self.read_body(entry):
            code = number(argument, 500)
            self.reply(code, b"STATUS %d" % code)

    def answer_redirect(self, entry, argument, params):
        if self.read_body(entry):
            self.reply(number(argument, 302), b"MOVED", headers=[("Location", "/text/DONE/")])

    def answer_hang(self, entry, argument, params):
        self.hang(number(argument, 0))

    def answer_early(self, entry, argument, params):
        code = number(argument, 401)
        headers = [("WWW-Authenticate", "NTLM")] if code == 401 else []
        self.reply(code, b"STATUS %d" % code, headers=headers)
        self.close_connection = True

    def answer_challenge_first(self, entry, argument, params):
        if "authorization" in entry.headers:
            self.answer_ok(entry, argument, params)
            return
        self.reply(401, b"STATUS 401", headers=[("WWW-Authenticate", 'Basic realm="corvela"')])
        self.close_connection = True


BEHAVIOURS = {
    "ok": UploadHandler.answer_ok,
    "text": UploadHandler.answer_text,
    "error": UploadHandler.answer_error,
    "long": UploadHandler.answer_long,
    "badutf8": UploadHandler.answer_bad_utf8,
    "challenge": UploadHandler.answer_challenge,
    "slowreply": UploadHandler.answer_slow_reply,
    "slowbody": UploadHandler.answer_slow_body,
    "drop": UploadHandler.answer_drop,
    "status": UploadHandler.answer_status,
    "redirect": UploadHandler.answer_redirect,
    "hang": UploadHandler.answer_hang,
    "early": UploadHandler.answer_early,
    "challengefirst": UploadHandler.answer_challenge_first,
}

if __name__ == "__main__":
    serve(UploadHandler, "Loopback upload server for Corvela tests")
