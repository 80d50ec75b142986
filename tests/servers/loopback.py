"""Shared parts of the loopback test servers (upload_server.py, download_server.py).

Both servers bind 127.0.0.1, take `--port 0 --port-file FILE` (the chosen port
is written to FILE once the server listens; the file appears whole, by rename)
and run until killed. Every request is recorded at the moment its headers have
arrived, and its entry grows while the body arrives. Control endpoints, never
recorded themselves:

  GET /__log    JSON array of the recorded requests in arrival order, each
                {"method", "target", "headers", "body_length", "body_sha256",
                 "body_b64", "complete", "time"}:
                  target       the request target exactly as received, bytes
                               decoded as latin-1 (so "%ED%95%9C" and a literal
                               space can be checked byte for byte)
                  headers      dict with lower-case names
                  body_length  body bytes read so far
                  body_sha256  hex digest of those bytes
                  body_b64     base64 of the body when it is at most 65536
                               bytes, else null
                  complete     true once the announced Content-Length has been
                               read (no Content-Length counts as 0); false
                               while arriving and when the client stopped or
                               the server stopped reading early
                  time         arrival time, seconds since the epoch
  GET /__reset  clears the log (answers "RESET")
  GET /__count  number of recorded requests, as decimal text

Every answer carries `Connection: close`.

With `--capture FILE` each request's head (the request line and the header
lines, exactly as they arrived) is appended to FILE, followed by an empty
line; that is how the examples of docs/wire-protocol.md were taken.
"""

import argparse
import base64
import hashlib
import json
import os
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

KEPT_BODY_BYTES = 65536
READ_CHUNK_BYTES = 65536


class Recorded:
    """One request as it arrived."""

    def __init__(self, method, target, headers):
        self.method = method
        self.target = target
        self.headers = headers
        self.body_length = 0
        self.sha256 = hashlib.sha256()
        self.kept = bytearray()
        self.complete = False
        self.time = time.time()

    def as_json(self):
        return {
            "method": self.method,
            "target": self.target,
            "headers": self.headers,
            "body_length": self.body_length,
            "body_sha256": self.sha256.hexdigest(),
            "body_b64": base64.b64encode(self.kept).decode("ascii")
            if self.body_length <= KEPT_BODY_BYTES else None,
            "complete": self.complete,
            "time": self.time,
        }


class RequestLog:
    """Recorded requests of every connection; entries change while bodies arrive."""

    def __init__(self):
        self._lock = threading.Lock()
        self._entries = []

    def add(self, entry):
        with self._lock:
            self._entries.append(entry)

    def grow(self, entry, chunk):
        with self._lock:
            entry.body_length += len(chunk)
            entry.sha256.update(chunk)
            room = KEPT_BODY_BYTES - len(entry.kept)
            if room > 0:
                entry.kept += chunk[:room]

    def mark_complete(self, entry):
        with self._lock:
            entry.complete = True

    def as_json(self):
        with self._lock:
            return [entry.as_json() for entry in self._entries]

    def clear(self):
        with self._lock:
            self._entries.clear()

    def count(self):
        with self._lock:
            return len(self._entries)


class LoopbackServer(ThreadingHTTPServer):
    daemon_threads = True
    allow_reuse_address = True

    def __init__(self, address, handler_class, capture_path=None):
        super().__init__(address, handler_class)
        self.request_log = RequestLog()
        self.capture_path = capture_path
        self.capture_lock = threading.Lock()

    def capture(self, head):
        if self.capture_path:
            with self.capture_lock, open(self.capture_path, "ab") as file:
                file.write(head + b"\r\n")

    def handle_error(self, request, client_address):
        # A client that goes away mid-transfer is part of what we test.
        pass


class LoopbackHandler(BaseHTTPRequestHandler):
    """Records requests and answers control endpoints; subclasses implement
    respond(entry) for everything else."""

    protocol_version = "HTTP/1.1"
    server_version = "CorvelaLoopback/1"

    def parse_request(self):
        # Clients may send a literal space inside the target: the method runs
        # up to the first space, the version follows the last one, and the
        # target is everything in between.
        self.received_requestline = self.raw_requestline
        line = self.raw_requestline.rstrip(b"\r\n")
        first, last = line.find(b" "), line.rfind(b" ")
        self.raw_target = line[first + 1:last].decode("latin-1") if 0 < first < last else ""
        if 0 < first < last:
            target = line[first + 1:last].replace(b" ", b"%20")
            self.raw_requestline = line[:first + 1] + target + line[last:] + b"\r\n"
        return super().parse_request()

    def log_message(self, format, *args):
        pass

    def do_GET(self):
        self.serve()

    do_POST = do_PUT = do_HEAD = do_DELETE = do_GET

    def serve(self):
        log = self.server.request_log
        if self.command == "GET" and self.raw_target in CONTROL_ENDPOINTS:
            CONTROL_ENDPOINTS[self.raw_target](self, log)
            return
        self.server.capture(self.received_requestline + b"".join(
            b"%s: %s\r\n" % (name.encode("latin-1"), value.encode("latin-1")) for name, value in self.headers.items()))
        headers = {}
        for name, value in self.headers.items():
            key = name.lower()
            headers[key] = headers[key] + ", " + value if key in headers else value
        entry = Recorded(self.command, self.raw_target, headers)
        log.add(entry)
        try:
            self.respond(entry)
        except (ConnectionError, TimeoutError):
            self.close_connection = True

    def announced_length(self):
        try:
            return max(0, int(self.headers.get("Content-Length", "0")))
        except ValueError:
            return 0

    def read_body(self, entry, rate=None, limit=None):
        """Reads the announced body in chunks, at most `rate` bytes per second
        and at most `limit` bytes; returns whether all of it arrived."""
        announced = self.announced_length()
        wanted = announced if limit is None else min(limit, announced)
        chunk_bytes = READ_CHUNK_BYTES if rate is None else max(1, min(READ_CHUNK_BYTES, rate // 10))
        started = time.monotonic()
        received = 0
        while received < wanted:
            chunk = self.rfile.read1(min(chunk_bytes, wanted - received))
            if not chunk:
                return False
            received += len(chunk)
            self.server.request_log.grow(entry, chunk)
            if rate:
                time.sleep(max(0.0, started + received / rate - time.monotonic()))
        if received == announced:
            self.server.request_log.mark_complete(entry)
            return True
        return False

    def hang(self, milliseconds):
        """Answers nothing and reads nothing more, as a server that stopped
        does; the connection closes after `milliseconds`."""
        time.sleep(milliseconds / 1000.0)
        self.close_connection = True

    def start_reply(self, code, content_type, length=None, headers=()):
        self.send_response(code)
        self.send_header("Content-Type", content_type)
        if length is not None:
            self.send_header("Content-Length", str(length))
        for name, value in headers:
            self.send_header(name, value)
        self.send_header("Connection", "close")
        self.end_headers()

    def reply(self, code, body, content_type="text/plain", headers=()):
        self.start_reply(code, content_type, len(body), headers)
        if self.command != "HEAD":
            self.wfile.write(body)

    def respond(self, entry):
        raise NotImplementedError


def _answer_log(handler, log):
    handler.reply(200, json.dumps(log.as_json()).encode("utf-8"), "application/json")


def _answer_reset(handler, log):
    log.clear()
    handler.reply(200, b"RESET")


def _answer_count(handler, log):
    handler.reply(200, str(log.count()).encode("ascii"))


CONTROL_ENDPOINTS = {"/__log": _answer_log, "/__reset": _answer_reset, "/__count": _answer_count}


def split_target(target):
    """Path segments (without the leading empty one) and the raw query values
    of a target. Only the first "?" starts the query; later ones stay in the
    values. Values are not decoded; the first occurrence of a key wins."""
    path, _, query = target.partition("?")
    params = {}
    for pair in query.split("&"):
        key, _, value = pair.partition("=")
        params.setdefault(key, value)
    return path.split("/")[1:], params


def segment(segments, index, default=""):
    return segments[index] if len(segments) > index else default


def number(text, default):
    return int(text) if text.isdigit() else default


def write_port_file(path, port):
    temporary = path + ".tmp"
    with open(temporary, "w") as file:
        file.write("%d\n" % port)
    os.replace(temporary, path)


def serve(handler_class, description):
    parser = argparse.ArgumentParser(description=description)
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--port-file")
    parser.add_argument("--capture", help="append the head of every request to this file")
    args = parser.parse_args()
    server = LoopbackServer(("127.0.0.1", args.port), handler_class, args.capture)
    if args.port_file:
        write_port_file(args.port_file, server.server_address[1])
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
