#!/usr/bin/env python3
"""A component server for the tests: serves a folder over HTTP on loopback and misbehaves on
request. The first path segment picks the behaviour, the rest names the file:
  /ok/<file>        the file
  /hang/<file>      accepts the request for an archive and never answers
  /drop/<file>      announces an archive's full length, sends half, closes the connection
  /slow/<file>      sends an archive 64 bytes every 50 ms
  /trickle/<file>   sends an archive one byte every 200 ms
(the catalogue and its signature come whole and at once in those four modes)
  /loop/<file>      redirects to itself, forever
  /scheme/<file>    redirects to file:///etc/passwd
  /status/<n>/<file> answers with HTTP status n
An optional second argument is the port to listen on (default: any free one).
Prints the port on its first line of output, then serves until killed."""
import http.server
import os
import socketserver
import sys
import time

ROOT = os.path.abspath(sys.argv[1])


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def read_file(self, name):
        path = os.path.normpath(os.path.join(ROOT, name))
        if not path.startswith(ROOT + os.sep) or not os.path.isfile(path):
            return None
        with open(path, "rb") as f:
            return f.read()

    def send_body(self, body, status=200):
        self.send_response(status)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def do_GET(self):
        parts = self.path.lstrip("/").split("/", 1)
        mode, name = (parts + [""])[:2]
        if mode == "status":
            code, name = (name.split("/", 1) + [""])[:2]
            self.send_body(b"no", int(code))
            return
        if mode == "loop":
            self.send_response(302)
            self.send_header("Location", self.path)
            self.send_header("Content-Length", "0")
            self.end_headers()
            return
        if mode == "scheme":
            self.send_response(302)
            self.send_header("Location", "file:///etc/passwd")
            self.send_header("Content-Length", "0")
            self.end_headers()
            return
        if name.startswith("catalog.json"):
            mode = "ok"
        if mode == "hang":
            time.sleep(3600)
            return
        body = self.read_file(name)
        if body is None:
            self.send_body(b"not found", 404)
            return
        if mode == "drop":
            self.send_response(200)
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body[: len(body) // 2])
            self.wfile.flush()
            self.close_connection = True
            return
        if mode == "slow":
            self.send_response(200)
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            for i in range(0, len(body), 64):
                self.wfile.write(body[i:i + 64])
                self.wfile.flush()
                time.sleep(0.05)
            return
        if mode == "trickle":
            self.send_response(200)
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            try:
                for i in range(len(body)):
                    self.wfile.write(body[i:i + 1])
                    self.wfile.flush()
                    time.sleep(0.2)
            except OSError:
                pass
            return
        self.send_body(body)


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True


server = Server(("127.0.0.1", int(sys.argv[2]) if len(sys.argv) > 2 else 0), Handler)
print(server.server_address[1], flush=True)
server.serve_forever()
