#!/usr/bin/env python3
"""The blob storage and sign-in backend, locally: --root DIR [--port N] [--quiet] [--account MAIL:PASSWORD]...

GET /a/b serves DIR/a/b; /shopify/customertoken?mail=M&password=P hands an account its token. /__control/ping, clear
(rules and log), requests (the log as JSON) and rule?path=P&mode=M&arg=A making one path misbehave (normal undoes it): status (arg=code),
body (arg=text), redirect (arg=URL), nolength, truncate (arg=N: full length, N bytes, a pause, close), stall, stallbody (arg=N:
N bytes, then hold) or slow (arg="N,MS": N bytes every MS ms)."""
import argparse, json, mmap, os, signal, socketserver, sys, threading, time
from http.server import BaseHTTPRequestHandler
from urllib.parse import parse_qs, unquote, urlsplit

MODES = ("normal", "status", "body", "redirect", "nolength", "truncate", "stall", "stallbody", "slow")
rules, log, lock = {}, [], threading.Lock()


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        options.quiet or super().log_message(*args)

    def do_GET(self):
        raw_path, query = urlsplit(self.path)[2:4]
        path, params = unquote(raw_path), parse_qs(query, keep_blank_values=True)
        with lock:
            if path.startswith("/__control/"):
                return self.control(path[len("/__control/"):], params)
            log.append({"method": "GET", "path": path, "raw_path": raw_path, "query": query, "params": params,
                        "headers": {name.lower(): value for name, value in self.headers.items()}})
            mode, arg = rules.get(path, ("", ""))
        code, body = answer(path, params)
        code, body = (int(arg), body) if mode == "status" else (200, arg.encode()) if mode == "body" else (code, body)
        headers, step, pause = [("Content-Length", str(len(body)))], 1 << 20, 0.0
        if mode == "redirect":
            code, body, headers = 302, b"", [("Location", arg), ("Content-Length", "0")]
        elif mode == "nolength":
            headers = [("Connection", "close")]
        elif mode in ("truncate", "stallbody"):
            body, self.close_connection = body[:int(arg or 0)], True
        elif mode == "slow":
            step, pause = int(arg.split(",")[0]), int(arg.split(",")[1]) / 1000
        if mode != "stall":
            self.send(code, body, headers, step, pause)
        if mode == "truncate":   # the client has the headers and a part of the body before the cut, every time
            time.sleep(0.2)
        while mode in ("stall", "stallbody") and self.connection.recv(65536):   # held until the client leaves
            self.close_connection = True

    def send(self, code, body, headers=None, step=1 << 20, pause=0.0):
        self.send_response(code)
        for name, value in headers or [("Content-Length", str(len(body)))]:
            self.send_header(name, value)
        self.end_headers()
        for i in range(0, len(body), step):
            time.sleep(pause if i else 0)
            self.wfile.write(body[i:i + step])

    def control(self, name, params):
        if name == "rule" and params.get("mode", [""])[0] not in MODES:
            return self.send(400, b"unknown mode")
        if name == "rule":
            rules[params["path"][0]] = (params["mode"][0], params.get("arg", [""])[0])
        if name == "clear":
            rules.clear()
            log.clear()
        self.send(200, json.dumps(log).encode() if name == "requests" else b"pong" if name == "ping" else b"ok")


def answer(path, params):
    if path == "/shopify/customertoken":
        mail, password = (params.get(key, [None])[0] for key in ("mail", "password"))
        token = {"accessToken": "token-" + mail} if mail in accounts and accounts[mail] == password else None
        return 200, json.dumps({"data": {"customerAccessTokenCreate": {"customerAccessToken": token}}}).encode()
    file = os.path.realpath(os.path.join(root, path.lstrip("/")))
    if not file.startswith(root + os.sep) or not os.path.isfile(file):
        return 404, b"not found"
    with open(file, "rb") as f:   # mapped, so that a huge sparse file is read only as far as it is sent
        return 200, mmap.mmap(f.fileno(), 0, prot=mmap.PROT_READ) if os.fstat(f.fileno()).st_size else b""


parser = argparse.ArgumentParser()
parser.add_argument("--root", required=True)
parser.add_argument("--port", type=int, default=0)
parser.add_argument("--quiet", action="store_true")
parser.add_argument("--account", action="append", default=[], help="MAIL:PASSWORD")
options = parser.parse_args()
root = os.path.realpath(options.root)
# Split at the first colon, decoded as the UTF-8 the client sends whatever the locale.
accounts = dict(os.fsencode(a).decode().partition(":")[::2] for a in options.account)
signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))   # held connections end with the process
Server = socketserver.ThreadingTCPServer
Server.allow_reuse_address = Server.daemon_threads = True
Server.handle_error = lambda *_: None   # a client that leaves mid-answer is routine here
Server(("127.0.0.1", options.port), Handler).serve_forever()
