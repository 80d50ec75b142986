#!/usr/bin/env python3
"""Loopback download server for the control's download tests.

    python3 download_server.py --port 0 --port-file FILE

Answers GET and HEAD (HEAD: the same headers, no body) by the first path
segment; <name> is any file name, only there so a URL ends in one. Bodies are
streamed, never held whole (N may be 1 GiB). Every answer is `Connection: close`.

File bytes: byte i of a file with seed S is (i * 31 + S) & 0xFF, i counting
from 0 (see pattern_bytes below; importable, or reimplement the formula).
Query values: size=N (default 0), seed=S (default 0), rate=B bytes per second
(default 65536), send=M (default N // 2).

  /file/<name>?size=N&seed=S     200, Content-Length N, the N file bytes.
  /bytes/<name>?size=N&seed=S    the same as /file/.
  /status/<code>/...             status <code> (200, 403, 404, ...) with
                                 Content-Type text/html, Content-Length and
                                 body "<html>status <code></html>".
  /chunked/<name>?size=N&seed=S  200, Transfer-Encoding: chunked, no
                                 Content-Length; chunks of 3 KiB.
  /close/<name>?size=N&seed=S    "HTTP/1.0 200" without Content-Length; the
                                 body ends when the server closes the connection.
  /slow/<name>?size=N&seed=S&rate=B
                                 200, Content-Length N, body sent at B bytes
                                 per second (for cancel tests).
  /short/<name>?size=N&seed=S&send=M
                                 200, Content-Length N, then the first M bytes
                                 of the file, then the connection is closed.
                                 M above N makes the length a lie the other
                                 way: the body is longer than announced.
  /cutchunked/<name>?size=N&seed=S&send=M
                                 200, Transfer-Encoding: chunked, the first M
                                 bytes of the file in chunks, then the
                                 connection is closed before the last chunk.
  /encoded/<name>?size=N&seed=S  200, Content-Encoding: gzip, the N file bytes
                                 compressed (a coding the client never asked
                                 for).
  /redirect/<name>?to=URL        302 to the percent-decoded URL.
  /loop/<name>                   302 to this same target, for ever.
  /hang/<ms>/<name>              nothing is answered; the connection closes
                                 after <ms>.
  anything else                  404 with body "<html>status 404</html>".

The request target is logged exactly as it arrived, a literal space included
(the client sends spaces unescaped and letters from U+0080 up as three escaped
bytes). Control endpoints (/__log, /__reset, /__count) are described in
loopback.py.
"""

import gzip
import time
import urllib.parse

from loopback import LoopbackHandler, number, segment, serve, split_target

SEND_CHUNK_BYTES = 65536
HTTP_CHUNK_BYTES = 3072
DEFAULT_RATE = 65536
PATTERN_PERIOD = 256  # (i * 31 + S) & 0xFF repeats every 256 bytes


def pattern_bytes(size, seed, offset=0):
    """Bytes offset .. offset+size-1 of the file with the given seed."""
    period = bytes((i * 31 + seed) & 0xFF for i in range(PATTERN_PERIOD))
    start = offset % PATTERN_PERIOD
    repeats = (start + size) // PATTERN_PERIOD + 1
    return (period * repeats)[start:start + size]


class DownloadHandler(LoopbackHandler):
    def respond(self, entry):
        self.read_body(entry)
        segments, params = split_target(entry.target)
        self.size = number(params.get("size", ""), 0)
        self.seed = number(params.get("seed", ""), 0)
        behaviour = BEHAVIOURS.get(segment(segments, 0), DownloadHandler.answer_unknown)
        behaviour(self, segment(segments, 1), params)

    def send_file_bytes(self, count, rate=None, chunk_bytes=SEND_CHUNK_BYTES, chunked=False, last_chunk=True):
        if self.command == "HEAD":
            return
        window = pattern_bytes(chunk_bytes + PATTERN_PERIOD, self.seed)
        if rate:
            chunk_bytes = max(1, min(chunk_bytes, rate // 10))
        started = time.monotonic()
        sent = 0
        while sent < count:
            length = min(chunk_bytes, count - sent)
            start = sent % PATTERN_PERIOD
            data = window[start:start + length]
            self.wfile.write(b"%x\r\n%s\r\n" % (length, data) if chunked else data)
            sent += length
            if rate:
                time.sleep(max(0.0, started + sent / rate - time.monotonic()))
        if chunked and last_chunk:
            self.wfile.write(b"0\r\n\r\n")

    def answer_file(self, argument, params):
        self.start_reply(200, "application/octet-stream", self.size)
        self.send_file_bytes(self.size)

    def answer_status(self, argument, params):
        code = number(argument, 500)
        self.reply(code, b"<html>status %d</html>" % code, "text/html")

    def answer_chunked(self, argument, params):
        self.start_reply(200, "application/octet-stream", headers=[("Transfer-Encoding", "chunked")])
        self.send_file_bytes(self.size, chunk_bytes=HTTP_CHUNK_BYTES, chunked=True)

    def answer_cut_chunked(self, argument, params):
        self.start_reply(200, "application/octet-stream", headers=[("Transfer-Encoding", "chunked")])
        self.send_file_bytes(number(params.get("send", ""), self.size // 2), chunk_bytes=HTTP_CHUNK_BYTES,
                             chunked=True, last_chunk=False)
        self.close_connection = True

    def answer_encoded(self, argument, params):
        body = gzip.compress(pattern_bytes(self.size, self.seed))
        self.reply(200, body, "application/octet-stream", headers=[("Content-Encoding", "gzip")])

    def answer_close(self, argument, params):
        self.protocol_version = "HTTP/1.0"
        self.start_reply(200, "application/octet-stream")
        self.send_file_bytes(self.size)
        self.close_connection = True

    def answer_slow(self, argument, params):
        self.start_reply(200, "application/octet-stream", self.size)
        self.send_file_bytes(self.size, rate=max(1, number(params.get("rate", ""), DEFAULT_RATE)))

    def answer_short(self, argument, params):
        self.start_reply(200, "application/octet-stream", self.size)
        self.send_file_bytes(number(params.get("send", ""), self.size // 2))
        self.close_connection = True

    def answer_redirect(self, argument, params):
        self.reply(302, b"<html>moved</html>", "text/html",
                   headers=[("Location", urllib.parse.unquote(params.get("to", "/")))])

    def answer_loop(self, argument, params):
        self.reply(302, b"<html>moved</html>", "text/html", headers=[("Location", self.raw_target)])

    def answer_hang(self, argument, params):
        self.hang(number(argument, 0))

    def answer_unknown(self, argument, params):
        self.reply(404, b"<html>status 404</html>", "text/html")


BEHAVIOURS = {
    "file": DownloadHandler.answer_file,
    "bytes": DownloadHandler.answer_file,
    "status": DownloadHandler.answer_status,
    "chunked": DownloadHandler.answer_chunked,
    "cutchunked": DownloadHandler.answer_cut_chunked,
    "encoded": DownloadHandler.answer_encoded,
    "close": DownloadHandler.answer_close,
    "slow": DownloadHandler.answer_slow,
    "short": DownloadHandler.answer_short,
    "redirect": DownloadHandler.answer_redirect,
    "loop": DownloadHandler.answer_loop,
    "hang": DownloadHandler.answer_hang,
}

if __name__ == "__main__":
    serve(DownloadHandler, "Loopback download server for Corvela tests")
