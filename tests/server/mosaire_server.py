#!/usr/bin/env python3
"""Local stand-in for Mosaire's blob storage and sign-in backend.

Used by the tests and the demo. Python 3 standard library only. It only
ever needs to listen on 127.0.0.1.

Command line
------------
    python3 tests/server/mosaire_server.py --root DIR [options]

    --root DIR            folder served as blob storage (required)
    --host HOST           address to bind (default 127.0.0.1)
    --port N              port to bind; 0 picks a free one (default 0)
    --port-file FILE      once listening, write the port number there
                          (written to FILE.tmp, then renamed; removed on exit)
    --account MAIL:PASSWORD
                          sign-in account, repeatable. Split at the first
                          colon, so the password may contain colons.
    --accounts-file FILE  JSON list of {"mail", "password"[, "token"]}
    --log FILE            append one JSON line per request (debugging aid)
    --quiet               no per-request lines on stderr

SIGTERM and SIGINT stop the server promptly, even with stalled or slow
connections open; the exit code is then 0.

Normal behaviour
----------------
GET/HEAD /a/b/c           serves ROOT/a/b/c (path percent-decoded). Paths
                          with a ".." segment, or resolving outside ROOT
                          (e.g. through a symlink), get 403. Missing files
                          and directories get 404. Content-Length is always
                          sent; connections are kept alive (HTTP/1.1).
GET /shopify/customertoken?mail=M&password=P
                          always 200 JSON. A configured account (exact match
                          after decoding; '+' decodes to a space, as in any
                          form-encoded query) gets an accessToken, anything
                          else gets customerAccessToken null plus an
                          UNIDENTIFIED_CUSTOMER user error. The token is the
                          account's "token", or by default
                          "token-" + sha256(mail)[:24 hex chars].
anything else             404, plain text.
Other methods             405 (they are still logged).

Control API (GET only; these requests are never rules' targets nor logged)
--------------------------------------------------------------------------
/__control/ping                       -> "pong"
/__control/clear                      -> drops all rules and the request log
/__control/requests                   -> JSON array of logged requests, oldest
                                         first, each:
    {"method": "GET", "path": "/decoded/path", "raw_path": "/as%20sent",
     "query": "raw query string, no '?'",
     "params": {"name": ["decoded value", ...]},   # dict of lists
     "headers": {"lower-case-name": "value"}}      # repeats joined by ", "
/__control/rule?path=P&mode=M[&arg=A][&body=B][&type=T][&once=1]
                                      -> "ok"; 400 with a reason if invalid.

A rule replaces normal handling of exactly one decoded path (the query string
is ignored when matching). Setting a rule for a path replaces the previous
one. once=1 makes it apply to the next matching request only. Modes:

  status     arg=CODE (200-599). Body is B if given (type T, default
             text/plain); otherwise {"errors":[{"message":REASON}]} as JSON
             on the sign-in path and "CODE REASON" as text elsewhere.
  body       200 with exactly the text A (UTF-8; empty if absent), type T or
             text/plain.
  nolength   normal response, no Content-Length, "Connection: close"; the
             body ends when the connection closes.
  truncate   arg=N (default 0): normal headers including the full
             Content-Length, only the first N body bytes, then close.
  slow       arg=N or N,MS (default 1024,50): normal response, body written
             N bytes at a time with MS milliseconds between writes.
  stall      read the request, send nothing, hold the connection until the
             client leaves or the server stops.
  stallbody  arg=N (default 0): normal headers with the full Content-Length,
             the first N body bytes, then hold the connection as for stall.
  redirect   arg=URL: 302 with Location URL.
  normal     removes the rule for that path.

HEAD requests under a rule get the same status line and headers, no body.
"""

import argparse
import hashlib
import http.server
import json
import os
import re
import select
import signal
import socket
import socketserver
import sys
import threading
import time
from http import HTTPStatus
from urllib.parse import parse_qs, unquote, urlsplit

SIGNIN_PATH = "/shopify/customertoken"
CONTROL_PREFIX = "/__control/"
TOKEN_EXPIRY = "2030-01-01T00:00:00Z"
CHUNK = 64 * 1024
# How often held connections look for a vanished client. Shutdown itself
# wakes them at once through the shared event.
HOLD_POLL_S = 0.05

MODES = ("status", "body", "nolength", "truncate", "slow", "stall",
         "stallbody", "redirect", "normal")

# Fixed table so Content-Type doesn't depend on the host's mime database.
CONTENT_TYPES = {
    ".xml": "application/xml",
    ".zip": "application/zip",
    ".json": "application/json",
    ".png": "image/png",
    ".jpg": "image/jpeg",
    ".jpeg": "image/jpeg",
    ".gif": "image/gif",
    ".txt": "text/plain; charset=utf-8",
    ".html": "text/html; charset=utf-8",
    ".dmg": "application/x-apple-diskimage",
    ".pkg": "application/octet-stream",
}


class Body:
    """Response body held either in memory or as a file streamed from disk,
    so large installer archives don't have to be loaded whole."""

    def __init__(self, data=b"", path=None, size=None):
        self.data = data
        self.path = path
        self.length = size if path is not None else len(data)

    def chunks(self, limit=None, chunk_size=CHUNK):
        remaining = self.length if limit is None else min(limit, self.length)
        if self.path is None:
            for i in range(0, remaining, chunk_size):
                yield self.data[i:min(i + chunk_size, remaining)]
            return
        with open(self.path, "rb") as f:
            while remaining > 0:
                piece = f.read(min(chunk_size, remaining))
                if not piece:
                    return
                remaining -= len(piece)
                yield piece


class Response:
    def __init__(self, status, content_type, body=b"", headers=()):
        self.status = int(status)
        self.content_type = content_type
        self.body = body if isinstance(body, Body) else Body(body)
        self.headers = list(headers)


def text_response(status, text):
    return Response(status, "text/plain; charset=utf-8", text.encode("utf-8"))


def json_response(status, obj):
    data = json.dumps(obj, separators=(",", ":"), ensure_ascii=False)
    return Response(status, "application/json", data.encode("utf-8"))


class Rule:
    def __init__(self, mode, arg=None, body=None, content_type=None, once=False):
        self.mode = mode
        self.arg = arg
        self.body = body
        self.content_type = content_type
        self.once = once


def _int_arg(value, default, low, high, what):
    if value is None or value == "":
        if default is None:
            raise ValueError(f"{what} needs arg")
        return default
    try:
        n = int(value)
    except ValueError:
        raise ValueError(f"{what}: arg must be an integer, got {value!r}") from None
    if not low <= n <= high:
        raise ValueError(f"{what}: arg must be in {low}..{high}, got {n}")
    return n


def parse_rule(params):
    """Builds a Rule from /__control/rule parameters; ValueError if invalid.
    Validated here so a typo in a test fails at once, not as a confusing
    download result later."""
    def first(name):
        values = params.get(name)
        return values[0] if values else None

    path = first("path")
    mode = first("mode")
    if not path or not path.startswith("/"):
        raise ValueError("path must be given and start with '/'")
    if mode not in MODES:
        raise ValueError(f"mode must be one of {', '.join(MODES)}")
    if path.startswith(CONTROL_PREFIX):
        raise ValueError("control paths can't carry rules")
    raw = first("arg")
    if mode == "status":
        arg = _int_arg(raw, None, 200, 599, "status")
    elif mode in ("truncate", "stallbody"):
        arg = _int_arg(raw, 0, 0, 1 << 62, mode)
    elif mode == "slow":
        arg = raw or "1024,50"
        m = re.fullmatch(r"\s*(\d+)\s*(?:,\s*(\d+)\s*)?", arg)
        if not m or int(m.group(1)) < 1:
            raise ValueError("slow: arg must be BYTES or BYTES,MS with BYTES >= 1")
        arg = (int(m.group(1)), int(m.group(2) or 50) / 1000.0)
    elif mode == "redirect":
        if not raw:
            raise ValueError("redirect needs arg=URL")
        arg = raw
    elif mode == "body":
        arg = raw or ""
    else:
        arg = None
    once = (first("once") or "0").lower() in ("1", "true", "yes")
    return path, Rule(mode, arg, first("body"), first("type"), once)


def resolve_file(root_real, url_path):
    """Maps a decoded URL path into ROOT. Returns (status, file path)."""
    if "\x00" in url_path:
        return 404, None
    # Backslashes count as separators too, so "..\\" can't sneak through
    # when this runs on Windows.
    parts = re.split(r"[/\\]", url_path)
    if ".." in parts:
        return 403, None
    rel = [p for p in parts if p not in ("", ".")]
    if not rel:
        return 404, None
    candidate = os.path.realpath(os.path.join(root_real, *rel))
    try:
        inside = os.path.commonpath([root_real, candidate]) == root_real
    except ValueError:  # different drives on Windows
        inside = False
    if not inside:
        return 403, None
    if not os.path.isfile(candidate):
        return 404, None
    return 200, candidate


class MosaireServer(http.server.ThreadingHTTPServer):
    daemon_threads = True
    allow_reuse_address = True
    request_queue_size = 64

    def __init__(self, address, root, accounts, log_path=None, quiet=False):
        self.root = os.path.realpath(root)
        self.accounts = dict(accounts)
        self.quiet = quiet
        self.stopping = threading.Event()
        self._lock = threading.Lock()
        self._rules = {}
        self._requests = []
        self._conns = set()
        self._log_file = open(log_path, "a", encoding="utf-8") if log_path else None
        super().__init__(address, Handler)

    def server_bind(self):
        # HTTPServer.server_bind does a reverse DNS lookup, which can hang
        # for seconds on machines without a resolver.
        socketserver.TCPServer.server_bind(self)
        self.server_name, self.server_port = self.server_address[:2]

    # Open connections are tracked so stop() can cut them: clients blocked
    # on a stalled response see the close instead of waiting for a timeout.
    def process_request(self, request, client_address):
        with self._lock:
            self._conns.add(request)
        super().process_request(request, client_address)

    def shutdown_request(self, request):
        with self._lock:
            self._conns.discard(request)
        super().shutdown_request(request)

    def stop(self):
        """Thread-safe; must not run on the serve_forever thread."""
        self.stopping.set()
        with self._lock:
            conns = list(self._conns)
        for conn in conns:
            try:
                conn.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass
        self.shutdown()

    def server_close(self):
        super().server_close()
        if self._log_file:
            with self._lock:
                self._log_file.close()
                self._log_file = None

    def set_rule(self, path, rule):
        with self._lock:
            if rule.mode == "normal":
                self._rules.pop(path, None)
            else:
                self._rules[path] = rule

    def take_rule(self, path):
        with self._lock:
            rule = self._rules.get(path)
            if rule is not None and rule.once:
                del self._rules[path]
            return rule

    def clear(self):
        with self._lock:
            self._rules.clear()
            self._requests.clear()

    def record(self, entry):
        with self._lock:
            self._requests.append(entry)

    def requests(self):
        with self._lock:
            return list(self._requests)

    def log_line(self, entry):
        if not self._log_file:
            return
        line = json.dumps(dict(entry, time=time.strftime("%Y-%m-%dT%H:%M:%S")),
                          ensure_ascii=False)
        with self._lock:
            if self._log_file:
                self._log_file.write(line + "\n")
                self._log_file.flush()


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "MosaireTestServer/1.0"
    sys_version = ""

    def handle(self):
        # Clients that abort a download reset the connection; that is routine
        # here, not worth a traceback.
        try:
            super().handle()
        except OSError:
            self.close_connection = True

    def do_GET(self):
        self._dispatch()

    def do_HEAD(self):
        self._dispatch()

    def do_POST(self):
        self._dispatch()

    do_PUT = do_DELETE = do_PATCH = do_OPTIONS = do_POST

    def log_message(self, format, *args):
        if not self.server.quiet:
            super().log_message(format, *args)

    # --- request routing --------------------------------------------------

    def _dispatch(self):
        parts = urlsplit(self.path)
        raw_path, query = parts.path, parts.query
        path = unquote(raw_path)
        params = parse_qs(query, keep_blank_values=True)
        head = self.command == "HEAD"

        if path.startswith(CONTROL_PREFIX):
            self.server.log_line({"method": self.command, "path": path,
                                  "query": query, "control": True})
            self._send(self._control(path, params), head)
            return

        headers = {}
        for name, value in self.headers.items():
            key = name.lower()
            headers[key] = f"{headers[key]}, {value}" if key in headers else value
        entry = {"method": self.command, "path": path, "raw_path": raw_path,
                 "query": query, "params": params, "headers": headers}
        self.server.record(entry)

        if self.command not in ("GET", "HEAD"):
            # The body isn't read, so the connection can't be reused.
            self.close_connection = True
            self.server.log_line(dict(entry, rule=None))
            self._send(text_response(405, "405 Method Not Allowed\n"), head,
                       close=True)
            return

        rule = self.server.take_rule(path)
        self.server.log_line(dict(entry, rule=rule.mode if rule else None))
        try:
            if rule is None:
                self._send(self._normal(path, params), head)
            else:
                self._apply(rule, path, params, head)
        except OSError:
            # Client went away (or stop() cut the socket) mid-response.
            self.close_connection = True

    def _normal(self, path, params):
        if path == SIGNIN_PATH:
            return self._signin(params)
        status, file_path = resolve_file(self.server.root, path)
        if status == 200:
            try:
                size = os.path.getsize(file_path)
            except OSError:
                return text_response(404, f"404 Not Found: {path}\n")
            ext = os.path.splitext(file_path)[1].lower()
            ctype = CONTENT_TYPES.get(ext, "application/octet-stream")
            return Response(200, ctype, Body(path=file_path, size=size))
        if status == 403:
            return text_response(403, "403 Forbidden\n")
        return text_response(404, f"404 Not Found: {path}\n")

    def _signin(self, params):
        mail = (params.get("mail") or [None])[0]
        password = (params.get("password") or [None])[0]
        account = self.server.accounts.get(mail)
        if account is not None and password == account["password"]:
            token = {"accessToken": account["token"], "expiresAt": TOKEN_EXPIRY}
            errors = []
        else:
            token = None
            errors = [{"code": "UNIDENTIFIED_CUSTOMER",
                       "message": "Unidentified customer"}]
        return json_response(200, {"data": {"customerAccessTokenCreate": {
            "customerAccessToken": token, "customerUserErrors": errors}}})

    def _control(self, path, params):
        name = path[len(CONTROL_PREFIX):]
        if name == "ping":
            return text_response(200, "pong")
        if name == "clear":
            self.server.clear()
            return text_response(200, "ok")
        if name == "requests":
            return json_response(200, self.server.requests())
        if name == "rule":
            try:
                rule_path, rule = parse_rule(params)
            except ValueError as e:
                return text_response(400, f"bad rule: {e}\n")
            self.server.set_rule(rule_path, rule)
            return text_response(200, "ok")
        return text_response(404, f"unknown control request: {name}\n")

    # --- rules --------------------------------------------------------------

    def _apply(self, rule, path, params, head):
        mode = rule.mode
        if mode == "stall":
            self._hold_open()
            return
        if mode == "redirect":
            self._send(Response(302, "text/plain; charset=utf-8", b"",
                                [("Location", rule.arg)]), head)
            return
        if mode == "status":
            self._send(self._status_response(rule, path), head)
            return
        if mode == "body":
            self._send(Response(200, rule.content_type or "text/plain; charset=utf-8",
                                rule.arg.encode("utf-8")), head)
            return

        response = self._normal(path, params)
        if mode == "nolength":
            self._send(response, head, with_length=False, close=True)
        elif mode == "truncate":
            self._send(response, head, close=True, limit=rule.arg)
        elif mode == "slow":
            chunk, delay = rule.arg
            self._send(response, head, chunk_size=chunk, delay=delay)
        elif mode == "stallbody":
            if self._send(response, head, limit=rule.arg):
                self._hold_open()

    def _status_response(self, rule, path):
        code = rule.arg
        try:
            reason = HTTPStatus(code).phrase
        except ValueError:
            reason = "Status"
        if rule.body is not None:
            return Response(code, rule.content_type or "text/plain; charset=utf-8",
                            rule.body.encode("utf-8"))
        if path == SIGNIN_PATH:
            return json_response(code, {"errors": [{"message": reason}]})
        return text_response(code, f"{code} {reason}\n")

    # --- output -------------------------------------------------------------

    def _send(self, response, head, with_length=True, close=False, limit=None,
              chunk_size=CHUNK, delay=0.0):
        """Writes a response; returns False if cut short by shutdown."""
        self.send_response(response.status)
        if response.content_type:
            self.send_header("Content-Type", response.content_type)
        for name, value in response.headers:
            self.send_header(name, value)
        if with_length:
            self.send_header("Content-Length", str(response.body.length))
        if close:
            self.send_header("Connection", "close")  # also sets close_connection
        self.end_headers()
        if head:
            return True
        first = True
        for piece in response.body.chunks(limit, chunk_size):
            if not first and delay > 0 and self.server.stopping.wait(delay):
                self.close_connection = True
                return False
            first = False
            self.wfile.write(piece)
        return True

    def _hold_open(self):
        """Keeps the connection open without answering until the client
        disconnects or the server stops."""
        self.close_connection = True
        try:
            self.wfile.flush()
        except OSError:
            return
        while not self.server.stopping.wait(HOLD_POLL_S):
            if self._client_gone():
                return

    def _client_gone(self):
        try:
            readable, _, _ = select.select([self.connection], [], [], 0)
            if not readable:
                return False
            # Anything the client still sends is discarded; only EOF matters.
            return not self.connection.recv(CHUNK)
        except (OSError, ValueError):
            return True


def load_accounts(pairs, accounts_file):
    accounts = {}

    def add(mail, password, token=None):
        if not token:
            token = "token-" + hashlib.sha256(mail.encode("utf-8")).hexdigest()[:24]
        accounts[mail] = {"password": password, "token": token}

    if accounts_file:
        with open(accounts_file, encoding="utf-8") as f:
            for item in json.load(f):
                add(item["mail"], item["password"], item.get("token"))
    for pair in pairs or ():
        mail, sep, password = pair.partition(":")
        if not sep or not mail:
            raise ValueError(f"--account needs MAIL:PASSWORD, got {pair!r}")
        add(mail, password)
    return accounts


def _utf8_argv(argv):
    # Under a non-UTF-8 locale argv arrives surrogate-escaped; the accounts
    # must match the UTF-8 the client percent-encodes.
    out = []
    for arg in argv:
        try:
            out.append(os.fsencode(arg).decode("utf-8"))
        except (UnicodeDecodeError, UnicodeEncodeError):
            out.append(arg)
    return out


def write_port_file(path, port):
    tmp = path + ".tmp"
    with open(tmp, "w", encoding="ascii") as f:
        f.write(f"{port}\n")
    os.replace(tmp, path)


def main(argv=None):
    parser = argparse.ArgumentParser(
        description="Local blob storage and sign-in stand-in for Mosaire tests.")
    parser.add_argument("--root", required=True)
    parser.add_argument("--host", default="127.0.0.1")
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--port-file")
    parser.add_argument("--account", action="append", default=[],
                        metavar="MAIL:PASSWORD")
    parser.add_argument("--accounts-file")
    parser.add_argument("--log")
    parser.add_argument("--quiet", action="store_true")
    args = parser.parse_args(_utf8_argv(sys.argv[1:] if argv is None else argv))

    if not os.path.isdir(args.root):
        parser.error(f"--root is not a directory: {args.root}")
    try:
        accounts = load_accounts(args.account, args.accounts_file)
    except (OSError, ValueError, KeyError, TypeError) as e:
        parser.error(f"bad accounts: {e}")

    server = MosaireServer((args.host, args.port), args.root, accounts,
                           log_path=args.log, quiet=args.quiet)
    stop_started = threading.Event()

    def on_signal(signum, frame):
        # shutdown() waits for serve_forever, which runs on this very
        # thread, so it has to happen elsewhere.
        if not stop_started.is_set():
            stop_started.set()
            threading.Thread(target=server.stop, daemon=True).start()

    signal.signal(signal.SIGINT, on_signal)
    signal.signal(signal.SIGTERM, on_signal)

    port = server.server_address[1]
    if args.port_file:
        write_port_file(args.port_file, port)
    if not args.quiet:
        print(f"serving {server.root} on http://{args.host}:{port}",
              file=sys.stderr, flush=True)
    try:
        server.serve_forever(poll_interval=0.1)
    finally:
        server.stopping.set()
        server.server_close()
        if args.port_file:
            try:
                os.remove(args.port_file)
            except OSError:
                pass
    return 0


if __name__ == "__main__":
    sys.exit(main())
