"""Checks the loopback servers' behaviours that the control's tests rely on.

    python3 -m unittest discover -s tests/servers -p 'test_*.py'
"""

import base64
import hashlib
import http.client
import json
import os
import socket
import subprocess
import sys
import tempfile
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

from download_server import pattern_bytes  # noqa: E402


class ServerProcess:
    """A server script started with --port 0 --port-file, killed by stop()."""

    def __init__(self, script):
        self.folder = tempfile.TemporaryDirectory()
        port_file = os.path.join(self.folder.name, "port")
        self.process = subprocess.Popen(
            [sys.executable, os.path.join(HERE, script), "--port", "0", "--port-file", port_file])
        deadline = time.monotonic() + 5
        while not os.path.exists(port_file):
            if time.monotonic() > deadline or self.process.poll() is not None:
                self.stop()
                raise RuntimeError(script + " did not start")
            time.sleep(0.02)
        with open(port_file) as file:
            self.port = int(file.read())

    def stop(self):
        self.process.kill()
        self.process.wait()
        self.folder.cleanup()

    def connect(self):
        return socket.create_connection(("127.0.0.1", self.port), timeout=5)

    def exchange(self, head, body=b""):
        """Sends raw request bytes, reads until the server closes; returns
        (status, lower-case headers, body bytes); status None when the server
        closed without answering."""
        with self.connect() as connection:
            connection.sendall(head + body)
            answer = b""
            while True:
                data = connection.recv(1 << 16)
                if not data:
                    break
                answer += data
        if not answer:
            return None, {}, b""
        head_bytes, _, body_bytes = answer.partition(b"\r\n\r\n")
        lines = head_bytes.decode("latin-1").split("\r\n")
        headers = dict((name.lower(), value.strip()) for name, _, value in
                       (line.partition(":") for line in lines[1:]))
        return int(lines[0].split()[1]), headers, body_bytes

    def post(self, target, body=b"", headers=""):
        head = "POST %s HTTP/1.1\r\nHost: x\r\nContent-Length: %d\r\n%s\r\n" % (target, len(body), headers)
        return self.exchange(head.encode("latin-1"), body)

    def get(self, target, method="GET"):
        return self.exchange(("%s %s HTTP/1.1\r\nHost: x\r\n\r\n" % (method, target)).encode("latin-1"))

    def log(self):
        return json.loads(self.get("/__log")[2])

    def reset(self):
        self.get("/__reset")

    def wait_for(self, condition):
        deadline = time.monotonic() + 5
        while time.monotonic() < deadline:
            entries = self.log()
            if entries and condition(entries[-1]):
                return entries[-1]
            time.sleep(0.05)
        raise AssertionError("log never reached the expected state: %r" % self.log())


class UploadServerTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.server = ServerProcess("upload_server.py")

    @classmethod
    def tearDownClass(cls):
        cls.server.stop()

    def setUp(self):
        self.server.reset()

    def test_request_is_logged_with_raw_target_headers_and_body(self):
        target = "/ok/up.asp?x=1?guid=G&ext=doc&name=Q3%20report%2Bfinal&sid="
        status, headers, body = self.server.post(target, b"hello", "X-Probe: 1\r\n")
        self.assertEqual((status, body), (200, b"OK <FILETITLE>"))
        self.assertEqual(headers["content-type"], "text/plain")
        self.assertEqual(headers["connection"], "close")
        [entry] = self.server.log()
        self.assertEqual(entry["method"], "POST")
        self.assertEqual(entry["target"], target)
        self.assertEqual(entry["headers"]["x-probe"], "1")
        self.assertEqual(entry["body_length"], 5)
        self.assertEqual(entry["body_sha256"], hashlib.sha256(b"hello").hexdigest())
        self.assertEqual(base64.b64decode(entry["body_b64"]), b"hello")
        self.assertTrue(entry["complete"])
        self.assertEqual(self.server.get("/__count")[2], b"1")

    def test_large_body_is_hashed_whole_but_not_kept(self):
        body = os.urandom(3 << 20)
        self.assertEqual(self.server.post("/ok/a", body)[0], 200)
        [entry] = self.server.log()
        self.assertEqual(entry["body_length"], len(body))
        self.assertEqual(entry["body_sha256"], hashlib.sha256(body).hexdigest())
        self.assertIsNone(entry["body_b64"])

    def test_replies_chosen_by_the_first_path_segment(self):
        cases = [
            ("/ok/a?guid=G&name=failing&sid=", 200, b"ERROR"),
            ("/ok/a?guid=G&name=nofail&sid=", 200, b"OK <FILETITLE>"),
            ("/elsewhere/a.asp?name=x", 200, b"OK <FILETITLE>"),
            ("/text/OK%20%ED%95%9C/a", 200, b"OK \xed\x95\x9c"),
            ("/error/a", 200, b"ERROR"),
            ("/long/a", 200, b"x" * 1023),
            ("/long/1022/a", 200, b"x" * 1022),
            ("/badutf8/a", 200, b"OK \xff\xfe\xc3"),
            ("/status/500/a", 500, b"STATUS 500"),
            ("/status/404/a", 404, b"STATUS 404"),
        ]
        for target, status, reply in cases:
            with self.subTest(target=target):
                self.assertEqual(self.server.post(target, b"body")[::2], (status, reply))

    def test_challenge_asks_for_credentials_until_they_come(self):
        status, headers, body = self.server.post("/challenge/a", b"abc")
        self.assertEqual((status, body), (401, b"STATUS 401"))
        self.assertEqual(headers["www-authenticate"], 'Basic realm="corvela"')
        status, _, body = self.server.post("/challenge/a", b"abc", "Authorization: Basic dTpw\r\n")
        self.assertEqual((status, body), (200, b"OK <FILETITLE>"))
        self.assertTrue(all(entry["body_length"] == 3 for entry in self.server.log()))

    def test_challenge_first_answers_before_the_body_until_credentials_come(self):
        connection = self.server.connect()
        connection.sendall(b"POST /challengefirst/a HTTP/1.1\r\nHost: x\r\nContent-Length: 3\r\n\r\n")
        self.assertIn(b"401", connection.recv(1 << 16).split(b"\r\n")[0])
        connection.close()
        status, _, body = self.server.post("/challengefirst/a", b"abc", "Authorization: Basic dTpw\r\n")
        self.assertEqual((status, body), (200, b"OK <FILETITLE>"))
        self.assertEqual([entry["body_length"] for entry in self.server.log()], [0, 3])

    def test_slow_reply_waits_after_the_body(self):
        started = time.monotonic()
        self.assertEqual(self.server.post("/slowreply/300/a", b"abc")[0], 200)
        self.assertGreaterEqual(time.monotonic() - started, 0.3)

    def test_slow_body_shows_partial_progress_and_a_cancel(self):
        connection = self.server.connect()
        connection.sendall(b"POST /slowbody/4000/a HTTP/1.1\r\nHost: x\r\nContent-Length: 10000\r\n\r\n")
        connection.sendall(bytes(10000))
        entry = self.server.wait_for(lambda entry: entry["body_length"] > 0)
        self.assertFalse(entry["complete"])
        self.assertLess(entry["body_length"], 10000)
        connection.close()
        time.sleep(0.3)
        entry = self.server.log()[-1]
        self.assertFalse(entry["complete"])
        self.assertLess(entry["body_length"], 10000)

    def test_hang_answers_nothing_until_it_closes(self):
        started = time.monotonic()
        status, _, _ = self.server.post("/hang/300/a", bytes(100))
        self.assertIsNone(status)
        self.assertGreaterEqual(time.monotonic() - started, 0.25)
        self.assertEqual(self.server.log()[-1]["body_length"], 0)

    def test_drop_closes_without_answer_after_the_given_bytes(self):
        status, _, _ = self.server.post("/drop/10/a", bytes(100))
        self.assertIsNone(status)
        entry = self.server.log()[-1]
        self.assertEqual(entry["body_length"], 10)
        self.assertFalse(entry["complete"])


class DownloadServerTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.server = ServerProcess("download_server.py")

    @classmethod
    def tearDownClass(cls):
        cls.server.stop()

    def setUp(self):
        self.server.reset()

    def test_file_bytes_follow_the_documented_pattern(self):
        status, headers, body = self.server.get("/file/a.bin?size=5000000&seed=7")
        self.assertEqual(status, 200)
        self.assertEqual(headers["content-length"], "5000000")
        self.assertEqual(body, pattern_bytes(5000000, 7))
        self.assertEqual(body[:3], bytes([7, 38, 69]))
        self.assertEqual(pattern_bytes(3, 7, offset=1000), bytes((i * 31 + 7) & 0xFF for i in (1000, 1001, 1002)))
        self.assertEqual(self.server.get("/bytes/a.bin?size=300&seed=1")[2], pattern_bytes(300, 1))

    def test_head_sends_headers_only(self):
        status, headers, body = self.server.get("/file/a.bin?size=1000", "HEAD")
        self.assertEqual((status, headers["content-length"], body), (200, "1000", b""))
        self.assertEqual(self.server.log()[-1]["method"], "HEAD")

    def test_status_pages(self):
        for code in (200, 403, 404, 500, 503):
            with self.subTest(code=code):
                status, headers, body = self.server.get("/status/%d/x.html" % code)
                self.assertEqual((status, body), (code, b"<html>status %d</html>" % code))
                self.assertEqual(headers["content-length"], str(len(body)))
        self.assertEqual(self.server.get("/nothing/here")[0], 404)

    def test_chunked_body_has_no_length(self):
        connection = http.client.HTTPConnection("127.0.0.1", self.server.port, timeout=5)
        connection.request("GET", "/chunked/a.bin?size=10000&seed=3")
        response = connection.getresponse()
        self.assertEqual(response.getheader("Transfer-Encoding"), "chunked")
        self.assertIsNone(response.getheader("Content-Length"))
        self.assertEqual(response.read(), pattern_bytes(10000, 3))
        connection.close()

    def test_close_delimited_and_short_bodies(self):
        status, headers, body = self.server.get("/close/a.bin?size=70000&seed=2")
        self.assertEqual(status, 200)
        self.assertNotIn("content-length", headers)
        self.assertEqual(body, pattern_bytes(70000, 2))

        status, headers, body = self.server.get("/short/a.bin?size=1000&send=100")
        self.assertEqual((status, headers["content-length"]), (200, "1000"))
        self.assertEqual(body, pattern_bytes(100, 0))

        status, headers, body = self.server.get("/short/a.bin?size=100&send=1000")
        self.assertEqual((status, headers["content-length"]), (200, "100"))
        self.assertEqual(body, pattern_bytes(1000, 0), "more than announced")

    def test_redirects(self):
        status, headers, _ = self.server.get("/redirect/a?to=http%3A%2F%2Flocalhost%3A1%2Fb%3Fsize%3D3")
        self.assertEqual((status, headers["location"]), (302, "http://localhost:1/b?size=3"))
        status, headers, _ = self.server.get("/loop/a.bin?x=1")
        self.assertEqual((status, headers["location"]), (302, "/loop/a.bin?x=1"))
        started = time.monotonic()
        self.assertIsNone(self.server.get("/hang/300/a")[0])
        self.assertGreaterEqual(time.monotonic() - started, 0.25)

    def test_slow_body_is_paced(self):
        started = time.monotonic()
        status, headers, body = self.server.get("/slow/a.bin?size=3000&rate=10000&seed=4")
        self.assertGreaterEqual(time.monotonic() - started, 0.25)
        self.assertEqual((status, headers["content-length"], body), (200, "3000", pattern_bytes(3000, 4)))

    def test_raw_target_keeps_a_literal_space_and_escaped_bytes(self):
        target = "/file/a b%ED%95%9C.txt?size=3"
        status, _, body = self.server.get(target)
        self.assertEqual((status, len(body)), (200, 3))
        [entry] = self.server.log()
        self.assertEqual(entry["target"], target)
        self.assertTrue(entry["complete"])


if __name__ == "__main__":
    unittest.main()
