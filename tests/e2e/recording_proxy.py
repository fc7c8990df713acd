#!/usr/bin/env python3
"""A small HTTP proxy on loopback for the end-to-end tests: forwards each request (GET, HEAD, POST) to
the address it names (only 127.0.0.1 and localhost), and writes "METHOD ADDRESS" per request to the
log file.
Usage: recording_proxy.py PORT_FILE LOG_FILE"""
import http.client
import http.server
import os
import sys
import threading
import urllib.parse

HOP_BY_HOP = {"connection", "keep-alive", "proxy-connection", "proxy-authorization", "te", "trailer",
              "transfer-encoding", "upgrade", "content-length"}
port_file, log_file = sys.argv[1], sys.argv[2]
log_lock = threading.Lock()


class Proxy(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def record(self):
        with log_lock, open(log_file, "a", encoding="utf-8") as log:
            log.write(f"{self.command} {self.path}\n")

    def refuse(self, status):
        self.send_response(status)
        self.send_header("Content-Length", "0")
        self.end_headers()

    def forward(self):
        self.record()
        length = int(self.headers.get("Content-Length") or 0)
        request_body = self.rfile.read(length) if length else None
        target = urllib.parse.urlsplit(self.path)
        if target.scheme != "http" or target.hostname not in ("127.0.0.1", "localhost"):
            return self.refuse(403)
        path = target.path + ("?" + target.query if target.query else "")
        headers = {k: v for k, v in self.headers.items() if k.lower() not in HOP_BY_HOP}
        upstream = http.client.HTTPConnection("127.0.0.1", target.port or 80, timeout=60)
        try:
            upstream.request(self.command, path, body=request_body, headers=headers)
            answer = upstream.getresponse()
            body = answer.read()
        except OSError:
            return self.refuse(502)
        finally:
            upstream.close()
        self.send_response(answer.status, answer.reason)
        for key, value in answer.getheaders():
            if key.lower() not in HOP_BY_HOP:
                self.send_header(key, value)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(body)

    do_GET = do_POST = do_HEAD = forward

    def do_CONNECT(self):
        self.record()
        self.refuse(405)


server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Proxy)
with open(port_file + ".tmp", "w") as out:
    out.write(f"{server.server_address[1]}\n")
os.rename(port_file + ".tmp", port_file)
server.serve_forever()
