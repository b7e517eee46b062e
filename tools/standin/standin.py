#!/usr/bin/env python3
"""Stand-in of the VelaMusic service on 127.0.0.1, for the tests and for trying the player.

It serves, on a main port, on a second port (another "host" for redirects) and on a third port
(the SMS gateway's, as the gateway is a service of its own):
  - the endpoints of the service, one module a group under routes/ (each has register(app));
  - control endpoints under /_ctl/ for tests: reset, request log, uploaded files, behaviours.

Every request other than a control request is logged raw (request line and header fields).
Behaviours (see behaviours.py) make a reply misbehave on purpose: chosen per request with the
query key "_b", or for every request under a path prefix with /_ctl/behave.
"""
import argparse
import importlib
import os
import pkgutil
import signal
import sys
import threading
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from urllib.parse import parse_qsl, unquote_to_bytes, urlsplit

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import behaviours  # noqa: E402

LOG_SEPARATOR = b"\n-----8<-----\n"


class Request:
    """One request as the route handlers see it."""

    def __init__(self, handler, app):
        self.handler = handler
        self.app = app
        self.method = handler.command
        self.raw_target = handler.path
        parts = urlsplit(handler.path)
        self.path = unquote_to_bytes(parts.path).decode("utf-8", "replace")
        self.raw_path = parts.path
        self.raw_query = parts.query
        # Values as bytes (the client sends ANSI or UTF-8 bytes) and as text.
        self.query_bytes = {}
        for item in parts.query.split("&") if parts.query else []:
            name, _, value = item.partition("=")
            self.query_bytes.setdefault(unquote_to_bytes(name).decode("latin-1"), unquote_to_bytes(value))
        self.query = {k: v.decode("utf-8", "replace") for k, v in self.query_bytes.items()}
        self.headers = handler.headers
        length = int(handler.headers.get("Content-Length") or 0)
        self.body = handler.rfile.read(length) if length > 0 else b""
        self.port = handler.server.server_address[1]

    def header(self, name, default=None):
        return self.headers.get(name, default)

    # Replies --------------------------------------------------------------------------------
    def send(self, status, body=b"", content_type="text/plain; charset=utf-8", headers=None):
        """A whole reply, with the behaviours chosen for this request applied."""
        if isinstance(body, str):
            body = body.encode("utf-8")
        behaviours.reply(self, status, body, content_type, headers or [])

    def send_xml(self, xml_text, encoding="utf-8", status=200):
        self.send(status, xml_text.encode(encoding), "text/xml; charset=" + encoding)

    def send_file_bytes(self, data, content_type="application/octet-stream"):
        """A file with Range support (206 and Content-Range), behaviours applied."""
        behaviours.reply_ranged(self, data, content_type)


class App:
    def __init__(self, root, port, alt_port):
        self.root = root
        self.port = port
        self.alt_port = alt_port
        self.lock = threading.RLock()
        self.routes = []      # (method, prefix, fn), longest prefix wins
        self.controls = {}    # name -> fn(req)
        self.resetters = []   # called by /_ctl/reset
        self.log = []
        self.files = {}
        self.stopping = threading.Event()
        os.makedirs(os.path.join(root, "files"), exist_ok=True)
        self.log_path = os.path.join(root, "requests.log")
        open(self.log_path, "wb").close()
        self.add_control("reset", self._ctl_reset)
        self.add_control("log", self._ctl_log)
        self.add_control("ping", lambda req: req.send(200, "pong"))
        self.add_control("file", self._ctl_file)
        behaviours.register(self)
        for mod in sorted(m.name for m in pkgutil.iter_modules([os.path.join(os.path.dirname(__file__), "routes")])):
            importlib.import_module("routes." + mod).register(self)

    # Registration ---------------------------------------------------------------------------
    def add_route(self, prefix, fn, methods=("GET",)):
        for m in methods:
            self.routes.append((m, prefix, fn))
        self.routes.sort(key=lambda r: -len(r[1]))

    def add_control(self, name, fn):
        self.controls[name] = fn

    def on_reset(self, fn):
        self.resetters.append(fn)

    # State ----------------------------------------------------------------------------------
    def record(self, raw, note=None):
        entry = raw if note is None else raw + ("X-Standin-Note: %s\r\n" % note).encode()
        with self.lock:
            self.log.append(entry)
            with open(self.log_path, "ab") as f:
                f.write(entry + LOG_SEPARATOR)

    def note_last(self, raw, note):
        """Adds a note (e.g. "signature=bad") to the log entry of a request."""
        with self.lock:
            for i in range(len(self.log) - 1, -1, -1):
                if self.log[i].startswith(raw):
                    self.log[i] += ("X-Standin-Note: %s\r\n" % note).encode()
                    break

    def file_bytes(self, name):
        with self.lock:
            if name in self.files:
                return self.files[name]
        path = os.path.normpath(os.path.join(self.root, "files", name))
        if not path.startswith(os.path.join(self.root, "files")) or not os.path.isfile(path):
            return None
        with open(path, "rb") as f:
            return f.read()

    # Controls -------------------------------------------------------------------------------
    def _ctl_reset(self, req):
        with self.lock:
            self.log.clear()
            self.files.clear()
        for fn in self.resetters:
            fn()
        req.send(200, "reset")

    def _ctl_log(self, req):
        with self.lock:
            body = b"".join(e + LOG_SEPARATOR for e in self.log)
        req.send(200, body, "application/octet-stream")

    def _ctl_file(self, req):
        name = req.path[len("/_ctl/file/"):]
        with self.lock:
            self.files[name] = req.body
        req.send(200, "stored %d bytes" % len(req.body))

    # Dispatch -------------------------------------------------------------------------------
    def dispatch(self, handler):
        req = Request(handler, self)
        if req.path.startswith("/_ctl/"):
            name = req.path[len("/_ctl/"):].split("/")[0]
            fn = self.controls.get(name)
            return fn(req) if fn else req.send(404, "no control " + name)
        fields = "".join("%s: %s\r\n" % kv for kv in handler.headers.items())
        self.record(handler.raw_requestline + fields.encode("latin-1", "replace"))
        for method, prefix, fn in self.routes:
            if method == req.method and req.path.startswith(prefix):
                return fn(req)
        req.send(404, "<html><body>404 Not Found</body></html>", "text/html")


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "VelaStandin/1.0"

    def _any(self):
        try:
            self.server.app.dispatch(self)
        except (BrokenPipeError, ConnectionResetError, ConnectionAbortedError):
            pass
        self.close_connection = True

    do_GET = do_POST = do_PUT = do_HEAD = do_DELETE = _any

    def log_message(self, fmt, *args):
        pass


class Server(ThreadingHTTPServer):
    daemon_threads = True
    allow_reuse_address = True
    request_queue_size = 64


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--port", type=int, default=18080)
    ap.add_argument("--root", default=os.path.join(os.getcwd(), "standin-data"))
    ap.add_argument("--ready-file", help="written once both ports listen")
    ap.add_argument("--api-key")
    ap.add_argument("--api-secret")
    args = ap.parse_args()
    import routes.rest
    routes.rest.configure(args.api_key, args.api_secret)
    app = App(os.path.abspath(args.root), args.port, args.port + 1)
    servers = []
    for host, port in (("127.0.0.1", args.port), ("127.0.0.1", args.port + 1), ("127.0.0.1", args.port + 2)):
        s = Server((host, port), Handler)
        s.app = app
        servers.append(s)
        threading.Thread(target=s.serve_forever, daemon=True).start()
    if args.ready_file:
        with open(args.ready_file, "w") as f:
            f.write(str(os.getpid()))
    stop = threading.Event()
    signal.signal(signal.SIGTERM, lambda *a: stop.set())
    signal.signal(signal.SIGINT, lambda *a: stop.set())
    stop.wait()
    app.stopping.set()
    for s in servers:
        s.shutdown()


if __name__ == "__main__":
    main()
