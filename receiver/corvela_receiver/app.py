"""The receiver as a WSGI application.

POST (any path): one upload request of the control. GET or HEAD
/files/<folder>/<name>: a stored file. Every refusal of an upload answers
exactly "ERROR", the one reply that makes the control fail the file and stop
its batch; the status code tells logs and other clients why, the control
never looks at it.
"""

import codecs
import json
import os
import re
import threading
import time
import urllib.parse
from collections import namedtuple
from string import Template
from wsgiref.util import FileWrapper

from . import users
from .escapes import EscapeError, QueryError, announced_size, decode_text, parse_upload_query
from .names import PathRefused, check_component, folder_components, stored_name
from .storage import ON_EXISTING_RULES, Refused, Storage

FAILURE_REPLY = b"ERROR"
# The control fails a file whose reply reaches 1,023 UTF-16 units.
LONGEST_REPLY_UNITS = 1022
READ_BLOCK_BYTES = 65536
DOWNLOAD_PREFIX = "/files/"
DECIMAL = re.compile(r"[0-9]{1,20}")
# Stand-ins as long as anything the reply's fields can become, for checking
# the reply's length before a file is taken: the rename rule's longest
# suffix and the largest size.
LONGEST_RENAME_SUFFIX = " (%d)" % 1000
LONGEST_SIZE_TEXT = "4294967295"

Option = namedtuple("Option", "name kind default help")
OPTIONS = (
    Option("root", str, None, "folder the uploads are stored under (required)"),
    Option("on_existing", str, "rename",
           "when the name is taken: rename (store as 'name (2).ext'), refuse (answer ERROR) or replace"),
    Option("max_file_bytes", int, 0xFFFFFFFF, "largest file taken, in bytes"),
    Option("min_free_bytes", int, 64 << 20, "free disk space that an upload must leave, in bytes"),
    Option("max_uploads", int, 8, "upload requests taken at the same time"),
    Option("reply", str, "OK <FILETITLE> $download",
           "reply to a stored file; $path, $download, $size and $guid are filled in, <FILETITLE> is left "
           "for the control"),
    Option("users", str, None, "file of users; when given, uploads need a listed user name and password"),
    Option("realm", str, "Corvela", "realm named in the authentication challenge"),
    Option("downloads", str, "on", "on: GET /files/... serves stored files; off: answered 405"),
    Option("read_rate", int, 0, "most bytes per second read from one upload (0: no limit)"),
    Option("piece_bytes", int, 0x7E800000, "bytes of a full piece; a shorter piece ends a file of unannounced size"),
    Option("stale_seconds", int, 3600, "seconds after which a file whose next piece never came is forgotten"),
    Option("incoming", str, ".incoming", "folder under the root for files still arriving"),
    Option("raw_code_page", str, "",
           "code page of the users' machines (a Python codec, e.g. cp1252), for the non-ASCII bytes that "
           "WinInet sends unescaped in dir, prefix, filedata, filename and sid; empty: read them as UTF-8"),
)
ENVIRONMENT_PREFIX = "CORVELA_RECEIVER_"


class Config:
    def __init__(self, **values):
        for option in OPTIONS:
            setattr(self, option.name, values.pop(option.name, option.default))
        if values:
            raise TypeError("unknown options: %s" % ", ".join(sorted(values)))
        if not self.root:
            raise ValueError("the receiver needs a root folder")
        if self.on_existing not in ON_EXISTING_RULES:
            raise ValueError("on_existing is one of %s" % ", ".join(ON_EXISTING_RULES))
        if self.downloads not in ("on", "off"):
            raise ValueError("downloads is on or off")
        if self.raw_code_page:
            codecs.lookup(self.raw_code_page)

    @classmethod
    def from_mapping(cls, mapping):
        """From CORVELA_RECEIVER_<OPTION> entries (os.environ, or a WSGI
        server's per-request environment)."""
        values = {}
        for option in OPTIONS:
            text = mapping.get(ENVIRONMENT_PREFIX + option.name.upper())
            if text is not None:
                values[option.name] = option.kind(text)
        return cls(**values)


def _log_value(value):
    text = str(value)
    if text and all(character.isprintable() and character not in ' "' for character in text):
        return text
    return json.dumps(text, ensure_ascii=False)


def _query_as_sent(environ):
    """The query of the request target as the client sent it. The control
    leaves "#" unescaped in five values, and some servers cut QUERY_STRING
    there as if a fragment began (gunicorn); those that keep the whole target
    hand it over as RAW_URI (gunicorn) or REQUEST_URI."""
    for key in ("RAW_URI", "REQUEST_URI"):
        target = environ.get(key)
        if target:
            return target.partition("?")[2]
    return environ.get("QUERY_STRING", "")


def _note_upload(entry, query):
    """What an upload names, for the log."""
    entry.update(guid=query["guid"], dir=query["dir"],
                 name=query["prefix"] + query["name"] + ("." + query["ext"] if query["ext"] else ""))


def _utf16_units(text):
    return len(text.encode("utf-16-le", "surrogatepass")) // 2


class Response:
    """What a handler answers: status, headers of its own and a body that is
    bytes or an open file (sent in blocks, closed once sent)."""

    def __init__(self, status, body, headers=(), content_type="text/plain; charset=utf-8", length=None):
        self.status = status
        self.body = body
        self.headers = list(headers)
        self.content_type = content_type
        self.length = len(body) if length is None else length

    def all_headers(self):
        return self.headers + [("Content-Type", self.content_type), ("Content-Length", str(self.length))]

    def body_iterable(self, environ):
        if isinstance(self.body, bytes):
            return [self.body]
        return environ.get("wsgi.file_wrapper", FileWrapper)(self.body, READ_BLOCK_BYTES)

    def close(self):
        if not isinstance(self.body, bytes):
            self.body.close()


class Receiver:
    def __init__(self, config):
        self.config = config
        self.template = Template(config.reply)
        if "\0" in config.reply or config.reply == "ERROR":
            raise ValueError("the reply holds a zero character or is the failure reply itself")
        self.storage = Storage(config.root, config.incoming, config.on_existing, config.piece_bytes,
                               config.stale_seconds)
        self.slots = threading.BoundedSemaphore(config.max_uploads)

    def __call__(self, environ, start_response):
        """The one place that answers a request and writes its log line:
        every handler returns a Response and fills in the log entry."""
        entry = {"client": environ.get("REMOTE_ADDR", "-"), "user": "-", "method": environ.get("REQUEST_METHOD", "")}
        try:
            response = self.respond(environ, entry)
        except Exception as error:  # an error page would count as a reply; only ERROR fails the file
            response = Response(500, FAILURE_REPLY)
            entry.update(result="failed", reason="%s: %s" % (type(error).__name__, error))
        entry["status"] = response.status
        self.log(environ, entry)
        start_response("%d %s" % (response.status, STATUS_TEXTS.get(response.status, "")), response.all_headers())
        if entry["method"] == "HEAD":
            response.close()
            return [b""]
        return response.body_iterable(environ)

    def respond(self, environ, entry):
        if entry["method"] == "POST":
            return self.upload(environ, entry)
        if entry["method"] in ("GET", "HEAD"):
            return self.download(environ, entry)
        entry["result"] = "refused"
        return Response(405, b"", [("Allow", "GET, HEAD, POST")])

    # ---- uploads ----

    def upload(self, environ, entry):
        try:
            return self.take_piece(environ, entry)
        except Refused as refusal:
            entry.update(result="refused", reason=refusal.reason)
            headers = []
            if refusal.status == 401:
                headers.append(("WWW-Authenticate", 'Basic realm="%s", charset="UTF-8"' % self.config.realm))
            return Response(refusal.status, FAILURE_REPLY, headers)

    def take_piece(self, environ, entry):
        # Refusals come before the body is read, so a client waiting to
        # learn whether it must authenticate first hears at once.
        if self.config.users:
            self.authenticate(environ, entry)
        query = self.upload_query(environ)
        _note_upload(entry, query)
        try:
            relative = self.storage.relative_path(folder_components(query["dir"]),
                                                  stored_name(query["prefix"], query["name"], query["ext"]))
            total = announced_size(query["filedata"])
        except PathRefused as refusal:
            raise Refused(403, str(refusal)) from None
        except QueryError as error:
            raise Refused(400, str(error)) from None
        length = self.announced_length(environ)
        entry["bytes"] = length
        self.check_limits(environ, query["guid"], relative, total, length)
        if not self.slots.acquire(blocking=False):
            raise Refused(503, "%d uploads are arriving already" % self.config.max_uploads)
        try:
            return self.receive(environ, entry, query["guid"], relative, total, length)
        finally:
            self.slots.release()

    def authenticate(self, environ, entry):
        header = environ.get("HTTP_AUTHORIZATION")
        user = users.check(self.config.users, header)
        if user is not None:
            entry["user"] = user
            return
        # The log tells who tried and where to; never the password.
        claimed = users.credentials(header)
        entry.update(user=claimed[0] if claimed else "-",
                     what=environ.get("SCRIPT_NAME", "") + environ.get("PATH_INFO", ""))
        try:
            _note_upload(entry, self.upload_query(environ))
        except Refused:
            pass
        raise Refused(401, "no listed user name and password")

    def upload_query(self, environ):
        try:
            return parse_upload_query(_query_as_sent(environ).encode("latin-1"), self.config.raw_code_page or None)
        except UnicodeEncodeError:
            raise Refused(400, "the server handed over a query that is not bytes as received") from None
        except (QueryError, EscapeError) as error:
            raise Refused(400, str(error)) from None

    def announced_length(self, environ):
        text = environ.get("CONTENT_LENGTH", "")
        if not DECIMAL.fullmatch(text):
            raise Refused(411, "the body's length is not announced")
        return int(text)

    def check_limits(self, environ, guid, relative, total, length):
        largest = self.config.max_file_bytes
        if length > largest or (total or 0) > largest:
            raise Refused(413, "larger than %d bytes" % largest)
        if self.storage.free_bytes() - length < self.config.min_free_bytes:
            raise Refused(507, "not enough free disk space")
        longest = self.reply(environ, guid, relative + LONGEST_RENAME_SUFFIX, LONGEST_SIZE_TEXT)
        if _utf16_units(longest) > LONGEST_REPLY_UNITS:
            raise Refused(414, "the reply for this name would be longer than the control takes")

    def receive(self, environ, entry, guid, relative, total, length):
        writer = self.storage.begin_piece(guid, relative, total, length, self.config.max_file_bytes)
        try:
            complete = self.copy_body(environ["wsgi.input"], writer, length)
        except OSError:
            writer.abandon()
            raise
        if not complete:
            writer.abandon()
            entry.update(result="cut", reason="the body ended after %d of %d bytes" % (writer.written, length))
            return Response(400, FAILURE_REPLY)
        stored = writer.finish()
        received = entry["total"] = writer.state["received"]
        if stored is None:
            entry["result"] = "piece"
            return Response(200, b"PIECE %d" % received)
        entry.update(result="stored", path=stored)
        return Response(200, self.reply(environ, guid, stored, str(received)).encode("utf-8"))

    def copy_body(self, stream, writer, length):
        """Whether all `length` bytes arrived."""
        rate = self.config.read_rate
        started = time.monotonic()
        while writer.written < length:
            try:
                chunk = stream.read(min(READ_BLOCK_BYTES, length - writer.written))
            except (ConnectionError, TimeoutError):
                return False
            if not chunk:
                return False
            writer.write(chunk)
            if rate:
                time.sleep(max(0.0, started + writer.written / rate - time.monotonic()))
        return True

    def reply(self, environ, guid, relative, size):
        """The reply to a stored file. $download is the path a GET fetches
        it by, below wherever the receiver is mounted."""
        quoted = urllib.parse.quote(relative, safe="/")
        mount = urllib.parse.quote(environ.get("SCRIPT_NAME", "").encode("latin-1"), safe="/")
        download = mount + DOWNLOAD_PREFIX + quoted
        return self.template.safe_substitute(path=quoted, download=download, size=size, guid=guid)

    # ---- downloads ----

    def download(self, environ, entry):
        path = self.stored_path(environ, entry)
        if self.config.downloads == "off":
            status, path = 405, None
        else:
            status = 200 if path else 404
        entry["result"] = "sent" if path else ("missing" if status == 404 else "refused")
        if path is None:
            return Response(status, b"")
        file = open(path, "rb")
        entry["bytes"] = os.fstat(file.fileno()).st_size
        return Response(200, file, [], "application/octet-stream", entry["bytes"])

    def stored_path(self, environ, entry):
        """The file a GET names, or None. The server has already undone the
        percent escapes; what is left are the control's byte forms."""
        entry["what"] = environ.get("PATH_INFO", "")
        try:
            path = decode_text(entry["what"].encode("latin-1"))
        except (UnicodeEncodeError, EscapeError) as error:
            entry["reason"] = str(error)
            return None
        entry["what"] = path
        if not path.startswith(DOWNLOAD_PREFIX):
            return None
        components = path[len(DOWNLOAD_PREFIX):].split("/")
        try:
            for component in components:
                check_component(component)
            return self.storage.stored_file(self.storage.relative_path(components[:-1], components[-1]))
        except PathRefused:
            return None

    # ---- the log ----

    def log(self, environ, entry):
        stream = environ.get("wsgi.errors")
        if stream is not None:
            stream.write(log_line(entry))
            stream.flush()


def log_line(entry):
    """The log's line for one request: when, who, what, how many bytes, result."""
    entry = dict(entry)
    fields = [time.strftime("%Y-%m-%dT%H:%M:%SZ", time.gmtime()), entry.pop("client"), _log_value(entry.pop("user")),
              entry.pop("method"), entry.pop("result", "-"), str(entry.pop("status", "-"))]
    fields += ["%s=%s" % (key, _log_value(value)) for key, value in entry.items()]
    return " ".join(fields) + "\n"


STATUS_TEXTS = {200: "OK", 400: "Bad Request", 401: "Unauthorized", 403: "Forbidden", 404: "Not Found",
                405: "Method Not Allowed", 409: "Conflict", 411: "Length Required", 413: "Payload Too Large",
                414: "URI Too Long", 500: "Internal Server Error", 503: "Service Unavailable",
                507: "Insufficient Storage"}

_default = None
_default_lock = threading.Lock()


def application(environ, start_response):
    """The receiver configured from CORVELA_RECEIVER_* settings, taken from
    the process environment and, where a WSGI server passes them per
    request (mod_wsgi's SetEnv), from the request's environment."""
    global _default
    with _default_lock:
        if _default is None:
            _default = Receiver(Config.from_mapping({**os.environ, **environ}))
    return _default(environ, start_response)
