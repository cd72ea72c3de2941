#!/usr/bin/env python3
"""Serves web/ (the calculator page) on 127.0.0.1, compressed where the
browser accepts gzip:

    python3 scripts/serve-web.py [--port N] [--dir DIR] [--delay SECONDS]

Port 0 takes a free port. --delay holds every response that long, to try
the page on a slow server. The first line on standard output is the page's
address; standard error gets one line per response: method, path, status,
bytes sent and bytes of the file ("GET /tqcal-engine.wasm 200 39998 57844").
Every response says Cache-Control: no-cache, so a browser asks again each
time (an unchanged file costs a 304 without a body) and a rebuilt engine is
never stale. scripts/run-web.sh builds the page first and runs this.
"""
import argparse
import email.utils
import gzip
import http.server
import os
import sys
import time

TYPES = {
    ".html": "text/html; charset=utf-8",
    ".js": "text/javascript; charset=utf-8",
    ".css": "text/css; charset=utf-8",
    ".svg": "image/svg+xml",
    ".wasm": "application/wasm",
    ".webmanifest": "application/manifest+json",
    ".json": "application/json",
    ".png": "image/png",
}
# Images other than SVG are compressed already.
COMPRESS = {".html", ".js", ".css", ".svg", ".wasm", ".webmanifest", ".json"}


class Handler(http.server.SimpleHTTPRequestHandler):
    compressed = {}  # path -> (mtime, gzip bytes)
    delay = 0.0

    def send_head(self):
        time.sleep(self.delay)
        self.code, self.sent, self.file_size = 0, 0, 0
        path = self.translate_path(self.path)
        if os.path.isdir(path):
            if not self.path.split("?")[0].endswith("/"):
                self.send_response(301)
                self.send_header("Location", self.path.split("?")[0] + "/")
                self.end_headers()
                return None
            path = os.path.join(path, "index.html")
        ext = os.path.splitext(path)[1]
        try:
            stat = os.stat(path)
            with open(path, "rb") as f:
                body = f.read()
        except OSError:
            self.send_error(404)
            return None
        self.file_size = len(body)
        modified = email.utils.formatdate(stat.st_mtime, usegmt=True)
        since = self.headers.get("If-Modified-Since")
        if since:
            try:
                unchanged = email.utils.parsedate_to_datetime(since).timestamp() >= int(stat.st_mtime)
            except (TypeError, ValueError):
                unchanged = False
            if unchanged:
                self.send_response(304)
                self.send_header("Last-Modified", modified)
                self.send_header("Cache-Control", "no-cache")
                self.end_headers()
                return None
        encoding = None
        if ext in COMPRESS and "gzip" in self.headers.get("Accept-Encoding", ""):
            cached = self.compressed.get(path)
            if not cached or cached[0] != stat.st_mtime:
                cached = (stat.st_mtime, gzip.compress(body, 9, mtime=0))
                self.compressed[path] = cached
            body, encoding = cached[1], "gzip"
        self.send_response(200)
        self.send_header("Content-Type", TYPES.get(ext, "application/octet-stream"))
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Last-Modified", modified)
        self.send_header("Cache-Control", "no-cache")
        if ext in COMPRESS:
            self.send_header("Vary", "Accept-Encoding")
        if encoding:
            self.send_header("Content-Encoding", encoding)
        self.end_headers()
        self.sent = len(body)
        return body

    def do_GET(self):
        body = self.send_head()
        if body is not None:
            self.wfile.write(body)
        self.log_sent()

    def do_HEAD(self):
        self.send_head()
        self.sent = 0
        self.log_sent()

    def log_sent(self):
        sys.stderr.write(f"{self.command} {self.path} {self.code} {self.sent} {self.file_size}\n")
        sys.stderr.flush()

    def log_request(self, code="-", size="-"):
        self.code = int(code)

    def log_message(self, format, *args):
        pass


def main():
    parser = argparse.ArgumentParser(description="Serves the calculator page, compressed.")
    parser.add_argument("--port", type=int, default=8080)
    parser.add_argument("--delay", type=float, default=0.0)
    parser.add_argument("--dir", default=os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "web"))
    args = parser.parse_args()
    directory = os.path.abspath(args.dir)
    Handler.delay = args.delay

    def handler(*a, **k):
        return Handler(*a, directory=directory, **k)

    server = http.server.ThreadingHTTPServer(("127.0.0.1", args.port), handler)
    print(f"http://127.0.0.1:{server.server_address[1]}/", flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass


if __name__ == "__main__":
    main()
