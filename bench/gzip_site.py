#!/usr/bin/python3
"""A download server on 127.0.0.1:PORT that answers every GET with FILE,
gzip-coded, with its Content-Length, and ends by itself after five minutes at
most. It prints "listening" once it listens.

Usage: gzip_site.py PORT FILE
"""

import gzip
import http.server
import sys
import threading
import time

LIFETIME_S = 300


class Handler(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        self.send_response(200)
        self.send_header("Content-Type", "application/xml")
        self.send_header("Content-Encoding", "gzip")
        self.send_header("Content-Length", str(len(self.server.coded)))
        self.end_headers()
        self.wfile.write(self.server.coded)

    def log_message(self, *arguments):
        pass


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    server = http.server.ThreadingHTTPServer(("127.0.0.1", int(sys.argv[1])), Handler)
    with open(sys.argv[2], "rb") as file:
        server.coded = gzip.compress(file.read(), 1)
    print("listening", flush=True)
    threading.Timer(LIFETIME_S, server.shutdown).start()
    server.serve_forever()
