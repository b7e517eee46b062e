#!/usr/bin/env python3
"""A plain local file server with byte ranges for the benchmarks: GET /<name> serves a file of
the given folder (206 with Content-Range for "Range: bytes=a-[b]", else 200), sending the bytes
with sendfile so that the server is not what the benchmark measures. With --rate, every connection
is held to that many bytes a second (as servers that limit each connection do), so that several
connections are faster than one."""
import argparse
import os
import re
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

# A limited connection sends in slices of this length of time.
SLICE_SECONDS = 0.02


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def do_GET(self):
        path = os.path.join(self.server.folder, os.path.basename(self.path.split("?")[0]))
        if not os.path.isfile(path):
            self.send_error(404)
            return
        total = os.path.getsize(path)
        start, end, status = 0, total - 1, 200
        m = re.match(r"bytes=(\d+)-(\d*)$", self.headers.get("Range", ""))
        if m:
            start = int(m.group(1))
            end = min(int(m.group(2)), total - 1) if m.group(2) else total - 1
            status = 206
            if start >= total:
                self.send_response(416)
                self.send_header("Content-Range", "bytes */%d" % total)
                self.send_header("Content-Length", "0")
                self.end_headers()
                return
        self.send_response(status)
        self.send_header("Content-Length", str(end - start + 1))
        if status == 206:
            self.send_header("Content-Range", "bytes %d-%d/%d" % (start, end, total))
        self.send_header("Connection", "close")
        self.end_headers()
        self.wfile.flush()
        with open(path, "rb") as f:
            try:
                self.send_bytes(f, start, end - start + 1)
            except (BrokenPipeError, ConnectionResetError):
                pass
        self.close_connection = True

    def send_bytes(self, f, offset, count):
        rate = self.server.rate
        if not rate:
            self.connection.sendfile(f, offset, count)
            return
        # Paced against the start, so that the rate holds over the whole body.
        began = time.monotonic()
        sent = 0
        while sent < count:
            allowed = min(count, int((time.monotonic() - began + SLICE_SECONDS) * rate))
            if allowed > sent:
                sent += self.connection.sendfile(f, offset + sent, allowed - sent) or 0
            else:
                time.sleep(SLICE_SECONDS / 2)

    def log_message(self, fmt, *args):
        pass


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--port", type=int, required=True)
    ap.add_argument("--folder", required=True)
    ap.add_argument("--rate", type=float, default=0, help="bytes a second per connection (0: no limit)")
    args = ap.parse_args()
    server = ThreadingHTTPServer(("127.0.0.1", args.port), Handler)
    server.daemon_threads = True
    server.folder = args.folder
    server.rate = args.rate
    server.serve_forever()


if __name__ == "__main__":
    main()
