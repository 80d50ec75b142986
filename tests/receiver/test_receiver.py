"""The reference receiver: its decoder against the control's own encodings,
and uploads and downloads through the WSGI application and over sockets.

Run with receiver/ on the path and the vectors that the native build writes:
    CORVELA_ESCAPE_VECTORS=build/native/escape_vectors.json PYTHONPATH=receiver \\
        python3 -m unittest discover -s tests/receiver
"""

import io
import json
import os
import socket
import tempfile
import threading
import time
import unittest
import urllib.parse

from corvela_receiver import Config, Receiver
from corvela_receiver.__main__ import ReceiverRequestHandler, ReceiverServer
from corvela_receiver.escapes import EscapeError, decode_value, parse_upload_query
from corvela_receiver.users import user_line

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
VECTORS = os.environ.get("CORVELA_ESCAPE_VECTORS", os.path.join(ROOT, "build", "native", "escape_vectors.json"))
GUID = "0123ABCD-BEEF-cafe-89AB-CDEF01234567"
OTHER_GUID = "0123ABCD-BEEF-cafe-89AB-CDEF01234568"


def target(name="a", ext="txt", folder="inbox", prefix="", filedata="", guid=GUID):
    """An upload target as the control writes it; the values are wire text."""
    return "/upload?guid=%s&ext=%s&dir=%s&prefix=%s&name=%s&filedata=%s&filename=N&sid=" % (
        guid, ext, folder, prefix, name, filedata)


def call(receiver, method, where, body=b"", authorization=None, body_stream=None, server_keys=None):
    """(status, body, log lines) of one request, as a WSGI server hands it over;
    `server_keys` adds to or replaces what the server puts in the environment."""
    path, _, query = where.partition("?")
    errors = io.StringIO()
    environ = {"REQUEST_METHOD": method, "PATH_INFO": urllib.parse.unquote(path, "latin-1"),
               "QUERY_STRING": query, "CONTENT_LENGTH": str(len(body)), "REMOTE_ADDR": "127.0.0.1",
               "wsgi.input": body_stream or io.BytesIO(body), "wsgi.errors": errors, **(server_keys or {})}
    if authorization:
        environ["HTTP_AUTHORIZATION"] = authorization
    answer = {}

    def start_response(status, headers):
        answer.update(status=int(status.split()[0]), headers=dict(headers))

    result = receiver(environ, start_response)
    content = b"".join(result)
    if hasattr(result, "close"):
        result.close()
    return answer["status"], content, errors.getvalue().splitlines(), answer["headers"]


class Folder(unittest.TestCase):
    def setUp(self):
        self.temporary = tempfile.TemporaryDirectory()
        self.root = os.path.join(self.temporary.name, "root")

    def tearDown(self):
        self.temporary.cleanup()

    def receiver(self, **options):
        return Receiver(Config(root=self.root, **options))

    def stored(self, relative):
        with open(os.path.join(self.root, *relative.split("/")), "rb") as file:
            return file.read()

    def everything(self):
        """Every file under the temporary folder, relative to it."""
        found = []
        for folder, _, files in os.walk(self.temporary.name):
            found += [os.path.relpath(os.path.join(folder, name), self.temporary.name) for name in files]
        return sorted(found)


class ControlEncodings(unittest.TestCase):
    def test_every_name_the_control_encodes_decodes_back(self):
        self.assertTrue(os.path.exists(VECTORS), "run build/native/corvela_escape_vectors %s first" % VECTORS)
        with open(VECTORS, encoding="ascii") as file:
            vectors = json.load(file)
        labels = {vector["label"] for vector in vectors}
        self.assertTrue({"hangul", "e-acute", "u0080", "u07ff", "u0800", "emoji", "unsafe", "plus", "empty",
                         "lone-high-half", "key-markers"} <= labels, labels)
        for vector in vectors:
            with self.subTest(vector["label"]):
                text, query = vector["text"], vector["target"].partition("?")[2].encode("ascii")
                # Servers split at "&" and cut at "#" or a space whatever the key
                # order; "=" passes unescaped but starts no key without an "&".
                # PHP, Python, Java and .NET all read a raw "+" as a space.
                self.assertFalse(set("&# +") & set(vector["query"]), vector["query"])
                if not vector["decodable"]:
                    self.assertRaises(EscapeError, decode_value, vector["query"].encode("ascii"))
                    continue
                values = parse_upload_query(query)
                self.assertEqual((values["name"], values["ext"]), (text, text))
                self.assertEqual(decode_value(vector["query"].encode("ascii")), text)
                if "%" not in text:  # a URL keeps "%" as it is; the page escapes it
                    self.assertEqual(decode_value(vector["url"].encode("utf-8")), text)


class Decoder(unittest.TestCase):
    def test_reads_standard_and_control_forms_and_refuses_anything_else(self):
        accepted = [
            (b"%E0%83%A9", "\u00e9"), (b"%C3%A9", "\u00e9"), (b"\xc3\xa9", "\u00e9"),
            (b"%ED%A0%BD%ED%B8%80", "\U0001F600"), (b"%F0%9F%98%80", "\U0001F600"),
            (b"a+b%2Bc", "a+b+c"), (b"%25", "%"), (b"", ""),
        ]
        for raw, text in accepted:
            with self.subTest(raw=raw):
                self.assertEqual(decode_value(raw), text)
        refused = [b"%", b"%4", b"%G1", b"100%", b"%E0%80%AF", b"%C0%AF", b"%C1%81", b"%E0%83", b"%ED%A0%BD",
                   b"%ED%B8%80", b"%ED%A0%BDx", b"%FF", b"%80", b"%F0%82%82%AC", b"%F4%90%80%80", b"caf\xe9"]
        for raw in refused:
            with self.subTest(raw=raw):
                self.assertRaises(EscapeError, decode_value, raw)

    def test_unescaped_bytes_may_be_read_in_the_clients_code_page(self):
        # As WinInet sent "café 월" from a machine with code page 1252.
        self.assertEqual(decode_value(b"caf\xe9%20?", "cp1252"), "caf\u00e9 ?")
        self.assertEqual(decode_value(b"\xe9%ED%95%9C", "cp1252"), "\u00e9\ud55c")
        self.assertRaises(EscapeError, decode_value, b"\x81", "cp1252")


class Uploads(Folder):
    def test_stores_by_folder_and_name_and_serves_the_file_back(self):
        receiver = self.receiver()
        body = bytes(range(256)) * 40
        status, reply, log, _ = call(receiver, "POST", target("%ED%95%9C%20x", "bin", "inbox/sub", "kim_"), body)
        self.assertEqual((status, reply), (200, b"OK <FILETITLE> /files/inbox/sub/kim_%ED%95%9C%20x.bin"))
        self.assertEqual(self.stored("inbox/sub/kim_\ud55c x.bin"), body)
        self.assertEqual(len(log), 1)
        self.assertRegex(log[0], r"^\S+Z 127\.0\.0\.1 - POST stored 200 guid=%s .*bytes=10240 total=10240 "
                                 r"path=\"inbox/sub/kim_\ud55c x\.bin\"$" % GUID)
        # The control asks for the name in its own escapes: three bytes for é.
        for path in ("/files/inbox/sub/kim_%ED%95%9C%20x.bin", "/files/inbox/sub/kim_\xed\x95\x9c x.bin"):
            status, content, log, headers = call(receiver, "GET", path)
            self.assertEqual((status, content, headers["Content-Length"]), (200, body, "10240"))
            self.assertEqual(len(log), 1)
        self.assertEqual(self.everything(), ["root/inbox/sub/kim_\ud55c x.bin"])

    def test_names_that_would_leave_the_root_or_cannot_be_stored_are_refused(self):
        receiver = self.receiver()
        cases = [
            {"folder": ".."}, {"folder": "a/../.."}, {"folder": "..\\x"}, {"folder": "/etc"},
            {"folder": "\\\\server\\share"}, {"folder": "C:\\temp"}, {"folder": "c:x"}, {"folder": "%2E%2E"},
            {"folder": "%E0%80%AE%E0%80%AE"}, {"folder": ".incoming"}, {"folder": "a%00b"}, {"folder": "a%0Ab"},
            {"folder": "CON"}, {"folder": "x/lpt1.txt"}, {"folder": "dots."}, {"name": "..", "ext": ""},
            {"prefix": "../"}, {"name": "NUL"}, {"name": "a%7Cb"}, {"name": "a:stream"}, {"name": "", "ext": ""},
            {"name": "x" * 300}, {"name": "COM0"}, {"folder": "lpt0"}, {"name": "CONIN$"},
            {"folder": "conout$.log"}, {"name": "COM%C2%B9"}, {"name": "com%E0%82%B2"}, {"folder": "COM%C2%B3"},
            {"name": "LPT%E0%82%B9"}, {"folder": "lpt%C2%B2.x"}, {"name": "LPT%C2%B3", "ext": ""},
        ]
        for case in cases:
            with self.subTest(**case):
                status, reply, log, _ = call(receiver, "POST", target(**case), b"data")
                self.assertEqual(reply, b"ERROR")
                self.assertIn(" POST refused %d " % status, log[0])
                self.assertIn(status, (400, 403))
        self.assertEqual(self.everything(), [])
        status, _, _, _ = call(receiver, "GET", "/files/.incoming/x")
        self.assertEqual(status, 404)

    def test_a_link_in_the_root_to_elsewhere_gets_nothing_created_through_it(self):
        receiver = self.receiver()
        outside = os.path.join(self.temporary.name, "outside")
        os.mkdir(outside)
        os.symlink(outside, os.path.join(self.root, "link"))
        self.assertEqual(call(receiver, "POST", target(folder="link/new/deeper"), b"data")[:2], (403, b"ERROR"))
        self.assertEqual(os.listdir(outside), [])
        self.assertEqual(os.listdir(os.path.join(self.root, ".incoming")), [])

    def test_pieces_with_one_identifier_are_joined_in_order(self):
        body = os.urandom(25)
        rules = {"a full piece means more follow": ({"piece_bytes": 10}, ""),
                 "the page announces the size": ({}, "size=25;owner=kim")}
        for label, (options, filedata) in rules.items():
            with self.subTest(label):
                receiver = self.receiver(on_existing="replace", **options)
                where = target("pieces", "bin", filedata=filedata)
                replies = [call(receiver, "POST", where, body[start:start + 10])[:2] for start in (0, 10, 20)]
                self.assertEqual(replies, [(200, b"PIECE 10"), (200, b"PIECE 20"),
                                           (200, b"OK <FILETITLE> /files/inbox/pieces.bin")])
                self.assertEqual(self.stored("inbox/pieces.bin"), body)
                self.assertEqual(self.everything(), ["root/inbox/pieces.bin"])
        # More than the page announced: the file fails and what came of it goes.
        receiver = self.receiver()
        self.assertEqual(call(receiver, "POST", target("more", filedata="size=30"), body[:20])[:2], (200, b"PIECE 20"))
        self.assertEqual(call(receiver, "POST", target("more", filedata="size=30"), body)[:2], (413, b"ERROR"))
        self.assertEqual(self.everything(), ["root/inbox/pieces.bin"])

    def test_an_existing_name_is_never_overwritten_unless_configured(self):
        expected = {"rename": (b"OK <FILETITLE> /files/inbox/a%20%282%29.txt", {"a.txt": b"one", "a (2).txt": b"two"}),
                    "refuse": (b"ERROR", {"a.txt": b"one"}),
                    "replace": (b"OK <FILETITLE> /files/inbox/a.txt", {"a.txt": b"two"})}
        for rule, (reply, files) in expected.items():
            with self.subTest(rule):
                self.temporary.cleanup()
                receiver = self.receiver(on_existing=rule)
                call(receiver, "POST", target(), b"one")
                self.assertEqual(call(receiver, "POST", target(guid=OTHER_GUID), b"two")[1], reply)
                self.assertEqual({name: self.stored("inbox/" + name) for name in os.listdir(
                    os.path.join(self.root, "inbox"))}, files)

    def test_limits_and_malformed_requests_answer_error(self):
        cases = [
            ({"max_file_bytes": 3}, target(), 413),
            ({"max_file_bytes": 3}, target(filedata="size=4"), 413),
            ({"min_free_bytes": 1 << 62}, target(), 507),
            ({}, target(folder="100%"), 400),
            ({}, target(guid="../x"), 400),
            ({}, "/upload?guid=%s&ext=txt" % GUID, 400),
            ({}, target(filedata="size=4;size=5"), 400),
            ({"reply": "$path" * 100}, target(name="x" * 200), 414),
        ]
        for options, where, status in cases:
            with self.subTest(where=where, **options):
                self.assertEqual(call(self.receiver(**options), "POST", where, b"data")[:2], (status, b"ERROR"))
        self.assertEqual(self.everything(), [])

    def test_a_number_sign_in_a_value_survives_a_server_that_cuts_the_query_there(self):
        receiver = self.receiver(on_existing="replace")
        where = target(filedata="owner=a#b")
        for key in ("RAW_URI", "REQUEST_URI"):  # gunicorn's QUERY_STRING ends at "#"
            with self.subTest(key):
                cut = {"QUERY_STRING": where.partition("?")[2].partition("#")[0], key: where}
                self.assertEqual(call(receiver, "POST", where, b"data", server_keys=cut)[:2],
                                 (200, b"OK <FILETITLE> /files/inbox/a.txt"))

    def test_uploads_beyond_the_concurrent_limit_are_refused(self):
        receiver = self.receiver(max_uploads=1)
        release = threading.Event()

        class Waiting(io.BytesIO):
            def read(self, size=-1):
                release.wait(10)
                return super().read(size)

        first = threading.Thread(target=call, args=(receiver, "POST", target(), b"slow"),
                                 kwargs={"body_stream": Waiting(b"slow")})
        first.start()
        time.sleep(0.2)
        self.assertEqual(call(receiver, "POST", target("b", guid=OTHER_GUID), b"data")[:2], (503, b"ERROR"))
        release.set()
        first.join()
        self.assertEqual(self.stored("inbox/a.txt"), b"slow")

    def test_a_users_file_guards_uploads_with_basic_authentication(self):
        users = os.path.join(self.temporary.name, "users")
        with open(users, "w", encoding="utf-8") as file:
            file.write(user_line("kim", "secret", iterations=1000))
        receiver = self.receiver(users=users)
        for header in (None, "Basic a2ltOndyb25n", "Basic !!", "Bearer a2ltOnNlY3JldA=="):  # kim:wrong
            with self.subTest(header=header):
                status, reply, _, headers = call(receiver, "POST", target(), b"data", header)
                self.assertEqual((status, reply), (401, b"ERROR"))
                self.assertIn('Basic realm="Corvela"', headers["WWW-Authenticate"])
        # The log tells who tried and where to, never the password.
        log = call(receiver, "POST", target(), b"data", "Basic a2ltOndyb25n")[2]  # kim:wrong
        self.assertRegex(log[0], r" kim POST refused 401 what=/upload guid=\S+ dir=inbox name=a\.txt ")
        self.assertNotIn("wrong", log[0])
        status, reply, log, _ = call(receiver, "POST", target(), b"data", "Basic a2ltOnNlY3JldA==")  # kim:secret
        self.assertEqual(status, 200)
        self.assertIn(" kim POST stored ", log[0])
        self.assertEqual(self.everything(), ["root/inbox/a.txt", "users"])


class LockedLog:
    """The log stream of a server whose requests run on many threads."""

    def __init__(self):
        self._lock = threading.Lock()
        self._text = ""

    def write(self, text):
        with self._lock:
            self._text += text

    def flush(self):
        pass

    def lines(self):
        with self._lock:
            return self._text.splitlines()


class OverTheWire(Folder):
    """The receiver behind its own threaded server, with real sockets."""

    def setUp(self):
        super().setUp()
        self.servers = []

    def tearDown(self):
        for server in self.servers:
            server.shutdown()
            server.server_close()
        super().tearDown()

    def serve(self, **options):
        log = self.log = LockedLog()

        class Handler(ReceiverRequestHandler):
            def get_stderr(self):
                return log

        server = ReceiverServer(("127.0.0.1", 0), Handler)
        server.set_app(self.receiver(**options))
        threading.Thread(target=server.serve_forever, daemon=True).start()
        self.servers.append(server)
        return server.server_address[1]

    def send(self, port, where, announced, parts, pause=0.0):
        """Sends the head and then each part, and returns the reply's body
        (empty when the server gave none)."""
        with socket.create_connection(("127.0.0.1", port), timeout=10) as connection:
            head = b"POST %s HTTP/1.1\r\nHost: x\r\nContent-Length: %d\r\n\r\n" % (where.encode(), announced)
            connection.sendall(head)
            for part in parts:
                time.sleep(pause)
                connection.sendall(part)
            if sum(len(part) for part in parts) < announced:
                return b""
            answer = b""
            while True:
                chunk = connection.recv(65536)
                if not chunk:
                    return answer.partition(b"\r\n\r\n")[2]
                answer += chunk

    def wait_for_lines(self, count):
        """The log once it holds `count` lines (one per request)."""
        deadline = time.monotonic() + 10
        while time.monotonic() < deadline and len(self.log.lines()) < count:
            time.sleep(0.05)
        return self.log.lines()

    def test_a_body_cut_short_leaves_no_file_behind(self):
        port = self.serve(piece_bytes=10)
        self.send(port, target("cut"), 10, [b"x" * 4])
        self.assertIn(" POST cut 400 ", self.wait_for_lines(1)[0])
        self.assertEqual(self.everything(), [])
        # A second piece cut short drops the first one too: the control has
        # failed that file and never sends the rest.
        self.assertEqual(self.send(port, target("two"), 10, [b"y" * 10]), b"PIECE 10")
        self.send(port, target("two"), 10, [b"z" * 4])
        self.assertIn(" POST cut 400 ", self.wait_for_lines(3)[2])
        self.assertEqual(self.everything(), [])

    def test_concurrent_uploads_to_one_name_follow_the_existing_file_rule(self):
        bodies = [b"A" * 200000, b"B" * 200000]
        for rule, outcome in (("rename", {"same.txt", "same (2).txt"}), ("refuse", {"same.txt"})):
            with self.subTest(rule):
                self.temporary.cleanup()
                port = self.serve(on_existing=rule)
                replies = [None, None]

                def upload(index):
                    halves = [bodies[index][:100000], bodies[index][100000:]]
                    replies[index] = self.send(port, target("same", guid=(GUID, OTHER_GUID)[index]), 200000,
                                               halves, pause=0.2)

                threads = [threading.Thread(target=upload, args=(index,)) for index in (0, 1)]
                for thread in threads:
                    thread.start()
                for thread in threads:
                    thread.join()
                names = set(os.listdir(os.path.join(self.root, "inbox")))
                self.assertEqual(names, outcome)
                stored = sorted(self.stored("inbox/" + name) for name in names)
                if rule == "rename":
                    self.assertEqual(stored, bodies)
                else:
                    self.assertIn(stored[0], bodies)
                    self.assertEqual(replies.count(b"ERROR"), 1)
                self.assertEqual(os.listdir(os.path.join(self.root, ".incoming")), [])

    def test_a_request_refused_by_the_server_itself_answers_error(self):
        port = self.serve()
        with socket.create_connection(("127.0.0.1", port), timeout=10) as connection:
            connection.sendall(b"POST /upload?guid=x y z HTTP/1.1\r\n\r\n")
            answer = b""
            while True:
                chunk = connection.recv(65536)
                if not chunk:
                    break
                answer += chunk
        self.assertTrue(answer.startswith(b"HTTP/1.0 400"), answer)
        self.assertTrue(answer.endswith(b"\r\n\r\nERROR"), answer)
        self.assertRegex(self.wait_for_lines(1)[0], r"^\S+Z 127\.0\.0\.1 - - refused 400 reason=.*guid=x y z")


if __name__ == "__main__":
    unittest.main()
