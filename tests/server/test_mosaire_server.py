"""Tests for mosaire_server.py, run against the real script in a subprocess.

    python3 -m unittest discover -s tests/server -v
"""

import hashlib
import http.client
import json
import os
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time
import unittest
import zipfile
from urllib.parse import quote, urlencode

SERVER_SCRIPT = os.path.join(os.path.dirname(os.path.abspath(__file__)),
                             "mosaire_server.py")
HOST = "127.0.0.1"
SIGNIN = "/shopify/customertoken"
CATALOGUE = "/installer/Mosaire/AppPlugins.xml"
IMAGES = "/installer/Mosaire/Images.zip"
SPACED_INSTALLER = "/installer/Space Folder/Big_Verb_Mac.zip"

TRICKY_MAIL = "a+b@x.com"
TRICKY_PASSWORD = "p&ss=w rd \u00fc"
COLON_MAIL = "c@x.com"
COLON_PASSWORD = "pa:ss"
FILE_MAIL = "file@x.com"

CATALOGUE_XML = ("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plugins>\n"
                 + "".join(f"  <plugin name=\"Plugin {i}\" version=\"1.{i}.0\"/>\n"
                           for i in range(8))
                 + "</plugins>\n").encode("utf-8")


class ServerProcess:
    """The server script in a subprocess on an ephemeral port."""

    def __init__(self, root, *extra_args):
        self.dir = tempfile.mkdtemp(prefix="mosaire-server-")
        self.port_file = os.path.join(self.dir, "port")
        self.stderr_path = os.path.join(self.dir, "stderr.txt")
        self._stderr = open(self.stderr_path, "wb")
        self.proc = subprocess.Popen(
            [sys.executable, SERVER_SCRIPT, "--root", root, "--port", "0",
             "--port-file", self.port_file, "--quiet", *extra_args],
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=self._stderr)
        deadline = time.monotonic() + 10
        while not os.path.exists(self.port_file):
            if self.proc.poll() is not None or time.monotonic() > deadline:
                self.close()
                raise RuntimeError("server did not start:\n" + self.stderr())
            time.sleep(0.01)
        with open(self.port_file) as f:
            self.port = int(f.read())

    def stderr(self):
        self._stderr.flush()
        with open(self.stderr_path, encoding="utf-8", errors="replace") as f:
            return f.read()

    def close(self):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()
        self._stderr.close()
        shutil.rmtree(self.dir, ignore_errors=True)


def make_root(base):
    root = os.path.join(base, "root")
    mosaire = os.path.join(root, "installer", "Mosaire")
    spaced = os.path.join(root, "installer", "Space Folder")
    os.makedirs(mosaire)
    os.makedirs(spaced)
    with open(os.path.join(mosaire, "AppPlugins.xml"), "wb") as f:
        f.write(CATALOGUE_XML)
    with zipfile.ZipFile(os.path.join(mosaire, "Images.zip"), "w",
                         zipfile.ZIP_STORED) as z:
        for i in range(4):
            z.writestr(f"plugin{i}.png", os.urandom(40_000))
    with open(os.path.join(spaced, "Big_Verb_Mac.zip"), "wb") as f:
        f.write(os.urandom(5000))
    with open(os.path.join(base, "secret.txt"), "w") as f:
        f.write("TOP-SECRET")
    return root


def read_root_file(url_path):
    with open(os.path.join(ROOT, *url_path.strip("/").split("/")), "rb") as f:
        return f.read()


def request(method, path, headers=None, conn=None):
    own = conn is None
    if own:
        conn = http.client.HTTPConnection(HOST, SERVER.port, timeout=5)
    try:
        conn.request(method, path, headers=headers or {})
        resp = conn.getresponse()
        return resp.status, resp.headers, resp.read()
    finally:
        if own:
            conn.close()


def control(what, **params):
    path = "/__control/" + what
    if params:
        path += "?" + urlencode(params)
    status, _, body = request("GET", path)
    return status, body.decode("utf-8")


def set_rule(path, mode, arg=None, **extra):
    params = {"path": path, "mode": mode, **extra}
    if arg is not None:
        params["arg"] = arg
    status, body = control("rule", **params)
    assert status == 200, body


def logged_requests():
    return json.loads(request("GET", "/__control/requests")[2])


def raw_exchange(path, method="GET", timeout=2.0, port=None):
    """Sends one request on a fresh socket and reads until EOF or timeout.
    Returns (status, lower-cased headers, body bytes, saw_eof)."""
    sock = socket.create_connection((HOST, port or SERVER.port), timeout=timeout)
    data, eof = b"", False
    try:
        sock.sendall(f"{method} {path} HTTP/1.1\r\nHost: {HOST}\r\n\r\n".encode())
        while True:
            piece = sock.recv(65536)
            if not piece:
                eof = True
                break
            data += piece
    except socket.timeout:
        pass
    finally:
        sock.close()
    head, _, body = data.partition(b"\r\n\r\n")
    if not head:
        return None, {}, b"", eof
    lines = head.decode("latin-1").split("\r\n")
    headers = {}
    for line in lines[1:]:
        name, _, value = line.partition(":")
        headers[name.strip().lower()] = value.strip()
    return int(lines[0].split()[1]), headers, body, eof


def setUpModule():
    global BASE, ROOT, SERVER, LOG_PATH
    BASE = tempfile.mkdtemp(prefix="mosaire-root-")
    ROOT = make_root(BASE)
    LOG_PATH = os.path.join(BASE, "requests.log")
    accounts_file = os.path.join(BASE, "accounts.json")
    with open(accounts_file, "w", encoding="utf-8") as f:
        json.dump([{"mail": FILE_MAIL, "password": "secret", "token": "fixed-token"}], f)
    SERVER = ServerProcess(ROOT,
                           "--account", f"{TRICKY_MAIL}:{TRICKY_PASSWORD}",
                           "--account", f"{COLON_MAIL}:{COLON_PASSWORD}",
                           "--accounts-file", accounts_file,
                           "--log", LOG_PATH)


def tearDownModule():
    SERVER.close()
    shutil.rmtree(BASE, ignore_errors=True)


class ServerTestCase(unittest.TestCase):
    def setUp(self):
        self.assertEqual(control("clear"), (200, "ok"))


class FileServingTests(ServerTestCase):
    def test_serves_files_with_length_and_type(self):
        cases = [(CATALOGUE, {}, "application/xml"),
                 (IMAGES, {"Accept": "application/octet-stream"}, "application/zip")]
        for path, headers, ctype in cases:
            with self.subTest(path=path):
                status, h, body = request("GET", path, headers)
                self.assertEqual(status, 200)
                self.assertEqual(body, read_root_file(path))
                self.assertEqual(int(h["Content-Length"]), len(body))
                self.assertEqual(h["Content-Type"], ctype)

    def test_percent_encoded_path_is_decoded(self):
        status, _, body = request("GET", quote(SPACED_INSTALLER))
        self.assertEqual(status, 200)
        self.assertEqual(body, read_root_file(SPACED_INSTALLER))

    def test_head_then_get_on_one_kept_alive_connection(self):
        conn = http.client.HTTPConnection(HOST, SERVER.port, timeout=5)
        try:
            status, h, body = request("HEAD", IMAGES, conn=conn)
            self.assertEqual((status, body), (200, b""))
            expected = read_root_file(IMAGES)
            self.assertEqual(int(h["Content-Length"]), len(expected))
            # A HEAD that leaked body bytes would corrupt this second answer.
            status, _, body = request("GET", IMAGES, conn=conn)
            self.assertEqual((status, body), (200, expected))
        finally:
            conn.close()
        self.assertEqual(len(logged_requests()), 2)

    def test_missing_things_are_404_text(self):
        for path in ["/installer/Mosaire/Nope_Mac.zip", "/installer/Mosaire",
                     "/installer/Mosaire/", "/", "/shopify/other"]:
            with self.subTest(path=path):
                status, h, _ = request("GET", path)
                self.assertEqual(status, 404)
                self.assertTrue(h["Content-Type"].startswith("text/plain"))

    def test_paths_escaping_root_are_refused(self):
        paths = ["/../secret.txt", "/installer/../../secret.txt",
                 "/%2e%2e/secret.txt", "/installer/%2E%2E/%2e%2e/secret.txt",
                 "/installer/..%2f..%2fsecret.txt", "/..%5csecret.txt"]
        for path in paths:
            with self.subTest(path=path):
                status, _, body = request("GET", path)
                self.assertEqual(status, 403)
                self.assertNotIn(b"TOP-SECRET", body)

    @unittest.skipUnless(hasattr(os, "symlink") and os.name != "nt", "needs symlinks")
    def test_symlink_out_of_root_is_refused(self):
        link = os.path.join(ROOT, "installer", "leak.txt")
        os.symlink(os.path.join(BASE, "secret.txt"), link)
        self.addCleanup(os.remove, link)
        status, _, body = request("GET", "/installer/leak.txt")
        self.assertEqual(status, 403)
        self.assertNotIn(b"TOP-SECRET", body)


class SignInTests(ServerTestCase):
    def sign_in(self, query):
        status, h, body = request("GET", f"{SIGNIN}?{query}")
        self.assertEqual(status, 200)
        self.assertEqual(h["Content-Type"], "application/json")
        return json.loads(body)["data"]["customerAccessTokenCreate"]

    def test_known_accounts_get_a_token(self):
        encodings = {
            "percent-encoded": lambda m, p: f"mail={quote(m, safe='')}&password={quote(p, safe='')}",
            "form-encoded": lambda m, p: urlencode({"mail": m, "password": p}),
        }
        for name, encode in encodings.items():
            for mail, password in [(TRICKY_MAIL, TRICKY_PASSWORD),
                                   (COLON_MAIL, COLON_PASSWORD)]:
                with self.subTest(encoding=name, mail=mail):
                    result = self.sign_in(encode(mail, password))
                    self.assertEqual(result["customerUserErrors"], [])
                    expected = "token-" + hashlib.sha256(mail.encode()).hexdigest()[:24]
                    self.assertEqual(result["customerAccessToken"],
                                     {"accessToken": expected,
                                      "expiresAt": "2030-01-01T00:00:00Z"})

    def test_accounts_file_token_is_used(self):
        result = self.sign_in(urlencode({"mail": FILE_MAIL, "password": "secret"}))
        self.assertEqual(result["customerAccessToken"]["accessToken"], "fixed-token")

    def test_anything_but_an_exact_match_is_refused(self):
        good_pw = quote(TRICKY_PASSWORD, safe="")
        queries = {
            "wrong password": urlencode({"mail": TRICKY_MAIL, "password": "p&ss=w rd u"}),
            "password prefix": urlencode({"mail": TRICKY_MAIL, "password": "p"}),
            "mail case differs": urlencode({"mail": "A+B@x.com", "password": TRICKY_PASSWORD}),
            "unknown mail": urlencode({"mail": "z@x.com", "password": TRICKY_PASSWORD}),
            # These are the client encoding bugs the server must not forgive.
            "'+' left unencoded": f"mail=a+b@x.com&password={good_pw}",
            "'&' left unencoded": f"mail={quote(TRICKY_MAIL, safe='')}&password=p&ss%3Dw%20rd%20%C3%BC",
            "latin-1 instead of utf-8": urlencode({"mail": TRICKY_MAIL, "password": TRICKY_PASSWORD},
                                                  encoding="latin-1"),
            "no parameters": "",
            "empty password": urlencode({"mail": TRICKY_MAIL, "password": ""}),
        }
        for name, query in queries.items():
            with self.subTest(name):
                result = self.sign_in(query)
                self.assertIsNone(result["customerAccessToken"])
                self.assertEqual(result["customerUserErrors"],
                                 [{"code": "UNIDENTIFIED_CUSTOMER",
                                   "message": "Unidentified customer"}])


class RuleTests(ServerTestCase):
    def test_status_mode(self):
        set_rule(CATALOGUE, "status", 404)
        status, h, body = request("GET", CATALOGUE)
        self.assertEqual((status, body), (404, b"404 Not Found\n"))

        set_rule(SIGNIN, "status", 500)
        status, h, body = request("GET", SIGNIN + "?mail=x&password=y")
        self.assertEqual(status, 500)
        self.assertEqual(h["Content-Type"], "application/json")
        self.assertEqual(json.loads(body),
                         {"errors": [{"message": "Internal Server Error"}]})

        set_rule(IMAGES, "status", 503, body="try later", type="text/html")
        status, h, body = request("GET", IMAGES)
        self.assertEqual((status, body, h["Content-Type"]), (503, b"try later", "text/html"))

    def test_rule_applies_to_exactly_its_path(self):
        set_rule(SIGNIN, "status", 500)
        set_rule(CATALOGUE, "status", 500)
        # The query string plays no part in matching.
        self.assertEqual(request("GET", SIGNIN + "?" + urlencode(
            {"mail": TRICKY_MAIL, "password": TRICKY_PASSWORD}))[0], 500)
        self.assertEqual(request("GET", CATALOGUE + "?v=2")[0], 500)
        self.assertEqual(request("GET", IMAGES)[0], 200)
        self.assertEqual(request("GET", CATALOGUE + ".bak")[0], 404)

        set_rule(CATALOGUE, "normal")
        self.assertEqual(request("GET", CATALOGUE)[0], 200)

    def test_rule_on_encoded_path_matches_decoded_request(self):
        set_rule(SPACED_INSTALLER, "status", 500)
        self.assertEqual(request("GET", quote(SPACED_INSTALLER))[0], 500)

    def test_once_rule_applies_to_next_request_only(self):
        set_rule(CATALOGUE, "status", 500, once=1)
        self.assertEqual(request("GET", CATALOGUE)[0], 500)
        self.assertEqual(request("GET", CATALOGUE)[0], 200)

    def test_body_mode_sends_exact_text(self):
        text = "not xml at all \u00fc <"
        set_rule(CATALOGUE, "body", text)
        status, h, body = request("GET", CATALOGUE)
        self.assertEqual((status, body), (200, text.encode("utf-8")))
        self.assertEqual(int(h["Content-Length"]), len(body))

        set_rule(SIGNIN, "body", '{"data":{}}', type="application/json")
        status, h, body = request("GET", SIGNIN)
        self.assertEqual((status, body, h["Content-Type"]),
                         (200, b'{"data":{}}', "application/json"))

    def test_nolength_ends_body_by_closing(self):
        set_rule(CATALOGUE, "nolength")
        status, headers, body, eof = raw_exchange(CATALOGUE)
        self.assertEqual(status, 200)
        self.assertNotIn("content-length", headers)
        self.assertEqual(headers.get("connection"), "close")
        self.assertTrue(eof)
        self.assertEqual(body, CATALOGUE_XML)

    def test_truncate_announces_full_length_then_closes(self):
        set_rule(IMAGES, "truncate", 1000)
        status, headers, body, eof = raw_exchange(IMAGES)
        full = read_root_file(IMAGES)
        self.assertEqual(status, 200)
        self.assertEqual(int(headers["content-length"]), len(full))
        self.assertTrue(eof)
        self.assertEqual(body, full[:1000])

    def test_slow_delivers_everything_with_pauses(self):
        set_rule(CATALOGUE, "slow", "64,20")
        pauses = (len(CATALOGUE_XML) + 63) // 64 - 1
        start = time.monotonic()
        status, h, body = request("GET", CATALOGUE)
        elapsed = time.monotonic() - start
        self.assertEqual((status, body), (200, CATALOGUE_XML))
        self.assertEqual(int(h["Content-Length"]), len(CATALOGUE_XML))
        self.assertGreaterEqual(elapsed, pauses * 0.02 * 0.9)

    def test_slow_response_abandoned_by_client_leaves_server_usable(self):
        set_rule(IMAGES, "slow", "100,10")
        sock = socket.create_connection((HOST, SERVER.port), timeout=2)
        sock.sendall(f"GET {IMAGES} HTTP/1.1\r\nHost: {HOST}\r\n\r\n".encode())
        self.assertTrue(sock.recv(100))
        sock.close()
        time.sleep(0.05)
        self.assertEqual(control("ping"), (200, "pong"))

    def test_stall_sends_nothing(self):
        set_rule(CATALOGUE, "stall")
        start = time.monotonic()
        status, _, body, eof = raw_exchange(CATALOGUE, timeout=0.3)
        self.assertGreaterEqual(time.monotonic() - start, 0.25)
        self.assertEqual((status, body, eof), (None, b"", False))
        # The request was still read and logged.
        self.assertEqual([r["path"] for r in logged_requests()], [CATALOGUE])

    def test_stall_times_out_a_real_client(self):
        set_rule(IMAGES, "stall")
        with self.assertRaises(socket.timeout):
            conn = http.client.HTTPConnection(HOST, SERVER.port, timeout=0.3)
            try:
                request("GET", IMAGES, conn=conn)
            finally:
                conn.close()

    def test_stallbody_sends_head_and_prefix_then_holds(self):
        set_rule(IMAGES, "stallbody", 10)
        status, headers, body, eof = raw_exchange(IMAGES, timeout=0.3)
        full = read_root_file(IMAGES)
        self.assertEqual(status, 200)
        self.assertEqual(int(headers["content-length"]), len(full))
        self.assertEqual(body, full[:10])
        self.assertFalse(eof)

    def test_stallbody_defaults_to_no_body_bytes(self):
        set_rule(CATALOGUE, "stallbody")
        status, headers, body, eof = raw_exchange(CATALOGUE, timeout=0.3)
        self.assertEqual((status, body, eof), (200, b"", False))
        self.assertEqual(int(headers["content-length"]), len(CATALOGUE_XML))

    def test_redirect(self):
        set_rule(CATALOGUE, "redirect", "/installer/Mosaire/Other.xml")
        status, h, _ = request("GET", CATALOGUE)
        self.assertEqual((status, h["Location"]), (302, "/installer/Mosaire/Other.xml"))

    def test_invalid_rules_are_rejected(self):
        bad = {
            "unknown mode": {"path": CATALOGUE, "mode": "explode"},
            "no path": {"mode": "stall"},
            "relative path": {"path": "installer/x", "mode": "stall"},
            "status not a number": {"path": CATALOGUE, "mode": "status", "arg": "oops"},
            "status missing": {"path": CATALOGUE, "mode": "status"},
            "slow zero bytes": {"path": CATALOGUE, "mode": "slow", "arg": "0,10"},
            "slow garbage": {"path": CATALOGUE, "mode": "slow", "arg": "fast"},
            "truncate negative": {"path": CATALOGUE, "mode": "truncate", "arg": "-1"},
            "redirect without target": {"path": CATALOGUE, "mode": "redirect"},
        }
        for name, params in bad.items():
            with self.subTest(name):
                self.assertEqual(control("rule", **params)[0], 400)
        # None of them took effect.
        self.assertEqual(request("GET", CATALOGUE)[0], 200)

    def test_clear_drops_rules_and_log(self):
        set_rule(CATALOGUE, "status", 500)
        request("GET", CATALOGUE)
        self.assertEqual(len(logged_requests()), 1)
        control("clear")
        self.assertEqual(logged_requests(), [])
        self.assertEqual(request("GET", CATALOGUE)[0], 200)


class RequestLogTests(ServerTestCase):
    def test_requests_are_logged_in_order_with_details(self):
        request("GET", IMAGES, {"Accept": "application/octet-stream"})
        control("ping")
        query = f"mail={quote(TRICKY_MAIL, safe='')}&password={quote(TRICKY_PASSWORD, safe='')}"
        request("GET", f"{SIGNIN}?{query}")
        request("HEAD", quote(SPACED_INSTALLER))

        log = logged_requests()
        self.assertEqual([(r["method"], r["path"]) for r in log],
                         [("GET", IMAGES), ("GET", SIGNIN), ("HEAD", SPACED_INSTALLER)])
        images, signin, head = log
        self.assertEqual(images["headers"]["accept"], "application/octet-stream")
        self.assertEqual(images["query"], "")
        self.assertEqual(images["params"], {})
        self.assertEqual(signin["query"], query)
        self.assertEqual(signin["params"], {"mail": [TRICKY_MAIL],
                                            "password": [TRICKY_PASSWORD]})
        self.assertEqual(head["raw_path"], quote(SPACED_INSTALLER))

    def test_log_file_gets_a_json_line_per_request(self):
        marker = "/installer/log-marker-" + str(time.monotonic_ns())
        request("GET", marker)
        with open(LOG_PATH, encoding="utf-8") as f:
            entries = [json.loads(line) for line in f]
        self.assertIn(marker, [e["path"] for e in entries])


@unittest.skipIf(os.name == "nt", "POSIX signals")
class ShutdownTests(unittest.TestCase):
    def test_signal_stops_server_promptly_with_connections_open(self):
        for sig in (signal.SIGTERM, signal.SIGINT):
            with self.subTest(signal=sig.name):
                self._check_stop_on(sig)

    def _check_stop_on(self, sig):
        server = ServerProcess(ROOT)
        self.addCleanup(server.close)
        port = server.port

        def ctl(path):
            conn = http.client.HTTPConnection(HOST, port, timeout=5)
            try:
                conn.request("GET", path)
                resp = conn.getresponse()
                resp.read()
                self.assertEqual(resp.status, 200)
            finally:
                conn.close()

        ctl("/__control/rule?" + urlencode({"path": CATALOGUE, "mode": "stall"}))
        ctl("/__control/rule?" + urlencode({"path": IMAGES, "mode": "stallbody", "arg": 5}))
        ctl("/__control/rule?" + urlencode({"path": SPACED_INSTALLER, "mode": "slow",
                                            "arg": "1,50"}))

        socks = []
        for path in (CATALOGUE, IMAGES, quote(SPACED_INSTALLER)):
            s = socket.create_connection((HOST, port), timeout=3)
            self.addCleanup(s.close)
            s.sendall(f"GET {path} HTTP/1.1\r\nHost: {HOST}\r\n\r\n".encode())
            socks.append(s)
        idle = http.client.HTTPConnection(HOST, port, timeout=3)
        self.addCleanup(idle.close)
        idle.request("GET", "/__control/ping")
        idle.getresponse().read()  # left open, kept alive
        socks[1].recv(1)  # stallbody has started answering
        socks[2].recv(1)  # slow has started answering
        time.sleep(0.1)

        start = time.monotonic()
        server.proc.send_signal(sig)
        try:
            rc = server.proc.wait(timeout=2)
        except subprocess.TimeoutExpired:
            self.fail("server still running 2 s after " + sig.name)
        self.assertEqual(rc, 0)
        self.assertLess(time.monotonic() - start, 2)
        self.assertFalse(os.path.exists(server.port_file))
        self.assertNotIn("Traceback", server.stderr())

        # Held clients are released rather than left waiting.
        for s in socks:
            try:
                while s.recv(65536):
                    pass
            except ConnectionResetError:
                pass


if __name__ == "__main__":
    unittest.main()
