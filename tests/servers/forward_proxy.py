#!/usr/bin/python3
"""A forwarding HTTP proxy on loopback for the proxy run. It alone resolves the
test host name (updates.morvanta.test -> 127.0.0.1) and logs each request line.

    forward_proxy.py <port> <log file> <lifetime s> [basic]

With "basic" it forwards nothing and answers every request 407, asking for a
password (Basic), as a proxy that wants a sign-in does.
"""
import http.client
import sys
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from urllib.parse import urlsplit

HOSTS = {"updates.morvanta.test": "127.0.0.1", "127.0.0.1": "127.0.0.1"}


class Proxy(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, fmt, *args):
        pass

    def do_GET(self):
        with open(sys.argv[2], "a") as log:
            log.write(self.command + " " + self.path + "\n")
        # The absolute form, or a path with the host in its Host header.
        if len(sys.argv) > 4 and sys.argv[4] == "basic":
            self.send_response(407)
            self.send_header("Proxy-Authenticate", 'Basic realm="office"')
            self.send_header("Content-Length", "0")
            self.send_header("Connection", "close")
            self.end_headers()
            self.close_connection = True
            return
        url = urlsplit(self.path if "://" in self.path else "http://" + self.headers.get("Host", "") + self.path)
        if url.hostname not in HOSTS:
            self.send_error(502)
            return
        upstream = http.client.HTTPConnection(HOSTS[url.hostname], url.port or 80, timeout=30)
        headers = {k: v for k, v in self.headers.items() if k.lower() not in ("proxy-connection", "connection")}
        upstream.request(self.command, url.path + ("?" + url.query if url.query else ""), headers=headers)
        answer = upstream.getresponse()
        self.send_response(answer.status)
        for name, value in answer.getheaders():
            if name.lower() not in ("connection", "transfer-encoding"):
                self.send_header(name, value)
        self.send_header("Connection", "close")
        self.end_headers()
        while True:
            piece = answer.read(65536)
            if not piece:
                break
            self.wfile.write(piece)
        self.close_connection = True


server = ThreadingHTTPServer(("127.0.0.1", int(sys.argv[1])), Proxy)
server.daemon_threads = True
threading.Thread(target=server.serve_forever, daemon=True).start()
time.sleep(float(sys.argv[3]))  # bounded: ends by itself
