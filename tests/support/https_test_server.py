#!/usr/bin/env python3
"""A small HTTPS server for the network tests.

Usage: https_test_server.py CERT KEY
Listens on 127.0.0.1 on a free port, prints the port on one line, and serves
until it is terminated. Routes (query parameters in brackets):
  /bytes   [n, length=yes|no]   200 with n bytes; without a length the
                                connection is closed after the body
  /status  [code, n]            the given status with n bytes of body
  /announce [length, n]         announces `length` bytes, sends n
  /redirect [to, code=302]      redirect to `to`
  /loop                         redirects to itself
  /stall   [n]                  announces 100 bytes, sends n and no more
  /agent                        200 with the request's User-Agent as body
  /v1/<name>                    the answer stored for <name> by the test: the
                                file answers/<name> beside CERT holds the
                                status on its first line, then the body;
                                status 0 stalls like /stall; each request
                                adds a line to answers/<name>.log
"""
import http.server
import os
import ssl
import sys
import time
import urllib.parse


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.0"

    def log_message(self, *args):
        pass

    def send(self, code, body, length=True, extra=()):
        self.send_response(code)
        for name, value in extra:
            self.send_header(name, value)
        if length:
            self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def stall(self, body):
        self.send_response(200)
        self.send_header("Content-Length", "100")
        self.end_headers()
        self.wfile.write(body)
        self.wfile.flush()
        time.sleep(60)

    def do_GET(self):
        url = urllib.parse.urlsplit(self.path)
        query = dict(urllib.parse.parse_qsl(url.query))
        n = int(query.get("n", "0"))
        if url.path == "/bytes":
            self.send(200, b"a" * n, query.get("length", "yes") == "yes")
        elif url.path == "/status":
            self.send(int(query["code"]), b"b" * n)
        elif url.path == "/announce":
            self.send(200, b"c" * n, False, [("Content-Length", query["length"])])
        elif url.path == "/redirect":
            self.send(int(query.get("code", "302")), b"moved", extra=[("Location", query["to"])])
        elif url.path == "/loop":
            self.send(302, b"", extra=[("Location", "/loop")])
        elif url.path == "/stall":
            self.stall(b"d" * n)
        elif url.path == "/agent":
            self.send(200, self.headers.get("User-Agent", "").encode())
        elif url.path.startswith("/v1/"):
            name = os.path.basename(url.path)
            try:
                with open(os.path.join(self.server.answers, name), "rb") as f:
                    status, _, body = f.read().partition(b"\n")
            except OSError:
                self.send(404, b"no answer stored")
                return
            with open(os.path.join(self.server.answers, name + ".log"), "a") as log:
                log.write(self.path + "\n")
            if int(status) == 0:
                self.stall(b"")
            else:
                self.send(int(status), body)
        else:
            self.send(404, b"not found")


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True

    def handle_error(self, request, client_address):
        pass  # clients hang up on purpose (size limits, timeouts)


def main():
    server = Server(("127.0.0.1", 0), Handler)
    server.answers = os.path.join(os.path.dirname(sys.argv[1]), "answers")
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(sys.argv[1], sys.argv[2])
    server.socket = context.wrap_socket(server.socket, server_side=True)
    print(server.server_address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
