#!/usr/bin/python3
"""A small HTTP server on loopback that misbehaves on demand, for what nginx
cannot do: any status, no Content-Length, bodies cut short, slow or endless
bodies, redirects, a byte-order mark alone, oversized manifests.

    fault_server.py start --state DIR --port N [--lifetime S] [--default-route ROUTE]
    fault_server.py stop  --state DIR
    fault_server.py serve --port N ...        (foreground)

Routes (GET and HEAD):
    /status/<code>                 that status with a short body
    /bytes/<n>                     200, Content-Length n, pattern bytes (byte i = i % 251)
    /nolength/<n>                  200, no Content-Length, n pattern bytes, then close
    /cut/<announced>/<sent>        Content-Length announced, only sent bytes, then close
    /slow/<n>/<pieces>/<delay ms>  Content-Length n, sent in pieces with a pause before each
    /endless                       200, no length, pattern bytes until the client gives up
    /redirect/<301|302>?to=<url>   a redirect to url
    /bom                           200, a body of only EF BB BF
    /manifest/<size>               200, a manifest-shaped body of size bytes (with length)
    /manifest-nolength/<size>      the same without Content-Length
    /slowfile/<piece>/<delay ms>/<name>
                                   200, the file <name> of --files-dir with its length,
                                   in pieces of <piece> bytes with a pause before each
    /ranged/<n or name>?<once>&<ranges>&etag=changing
                                   pattern bytes n or the file <name>, ETag and Range
                                   support; <once> misbehaves on the first request
                                   for this path only: cut=K (close after byte K),
                                   stall=K (then a byte every E ms, every=E, 100 when
                                   not given), slow=B (B bytes a second), status=C
                                   (with Retry-After: S for after=S); status2=C answers
                                   the second request so (status2=0 closes it unanswered);
                                   <ranges>: ranges=ignore (always 200),
                                   ranges=wrong (206 from byte 0 whatever is asked) or
                                   ranges=overrun (206 without length, 5000 bytes too many);
                                   encoding=E: every answer says Content-Encoding: E;
                                   length=none: a 200 without Content-Length
    /trickle-headers/<every ms>    the status line and headers a byte at a time, then nothing
Any other path is answered as --default-route when given (so a base URL can
point at a fault), else 404. Each request path is appended to DIR/requests.log, followed by " range=<from>"
when it asked for a range; the bytes of each /ranged body sent go to DIR/served.log.

The request loop is bounded: the server stops after --lifetime seconds or
--max-requests requests, whichever comes first; an endless body stops after
--endless-cap bytes.
"""
import argparse
import os
import signal
import socket
import subprocess
import sys
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from urllib.parse import parse_qs, urlsplit

PATTERN = bytes(i % 251 for i in range(251 * 1024))  # whole periods, so slices line up


def pattern_bytes(offset, count):
    out = bytearray()
    while count > 0:
        start = offset % 251
        piece = PATTERN[start:start + min(count, len(PATTERN) - start)]
        out += piece
        offset += len(piece)
        count -= len(piece)
    return bytes(out)


def manifest_body(size):
    """A well-formed manifest whose last member is padded to exactly size bytes."""
    head = (b'{\n  "http://127.0.0.1/files/Morvanta.jar": "' + b"0" * 64 + b'",\n'
            b'  "http://127.0.0.1/files/java-x64.zip": "' + b"1" * 64 + b'",\n  "padding": "')
    tail = b'"\n}\n'
    return (head + b"x" * max(0, size - len(head) - len(tail)) + tail)[:size]


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "FaultServer"

    def log_message(self, fmt, *args):
        pass

    def do_HEAD(self):
        self.do_GET()

    def do_GET(self):
        log = self.server.request_log
        if log:
            with self.server.log_lock, open(log, "a") as f:
                rng = self.headers.get("Range", "")
                f.write(self.path + (" range=" + rng[6:].rstrip("-") if rng.startswith("bytes=") else "") + "\n")
        url = urlsplit(self.path)
        parts = [p for p in url.path.split("/") if p]
        query = parse_qs(url.query)
        try:
            if not self.route(parts, query):
                default = self.server.default_route
                if default:
                    durl = urlsplit(default)
                    dparts = [p for p in durl.path.split("/") if p]
                    if self.route(dparts, parse_qs(durl.query)):
                        return
                self.simple(404, b"not found\n")
        except (BrokenPipeError, ConnectionResetError, socket.timeout):
            pass
        self.close_connection = True

    def head(self, status, length=None, extra=()):
        self.send_response(status)
        self.send_header("Content-Type", "application/octet-stream")
        if length is not None:
            self.send_header("Content-Length", str(length))
        for name, value in extra:
            self.send_header(name, value)
        self.send_header("Connection", "close")
        self.end_headers()

    def body(self, data):
        if self.command != "HEAD":
            self.wfile.write(data)
            self.wfile.flush()

    def simple(self, status, data, extra=()):
        self.head(status, len(data), extra)
        self.body(data)

    def route(self, parts, query):
        if not parts:
            return False
        name, args = parts[0], parts[1:]
        nums = [int(a) for a in args if a.isdigit()]
        if name == "status" and len(nums) == 1:
            self.simple(nums[0], b"status %d\n" % nums[0])
        elif name == "bytes" and len(nums) == 1:
            self.simple(200, pattern_bytes(0, nums[0]))
        elif name == "nolength" and len(nums) == 1:
            self.head(200)
            self.stream(nums[0])
        elif name == "cut" and len(nums) == 2:
            self.head(200, nums[0])
            self.stream(nums[1])
        elif name == "slow" and len(nums) == 3:
            size, pieces, delay = nums
            self.head(200, size)
            pieces = max(1, pieces)
            sent = 0
            for i in range(pieces):
                time.sleep(delay / 1000.0)
                count = size * (i + 1) // pieces - sent
                self.body(pattern_bytes(sent, count))
                sent += count
        elif name == "endless":
            self.head(200)
            sent = 0
            deadline = time.monotonic() + self.server.endless_seconds
            while sent < self.server.endless_cap and time.monotonic() < deadline:
                self.body(pattern_bytes(sent, 65536))
                sent += 65536
        elif name == "redirect" and len(nums) == 1 and "to" in query:
            self.simple(nums[0], b"moved\n", [("Location", query["to"][0])])
        elif name == "bom":
            self.simple(200, b"\xef\xbb\xbf")
        elif name == "manifest" and len(nums) == 1:
            self.simple(200, manifest_body(nums[0]))
        elif name == "slowfile" and len(args) == 3 and args[0].isdigit() and args[1].isdigit():
            self.slow_file(int(args[0]), int(args[1]), args[2])
        elif name == "ranged" and len(args) == 1:
            self.ranged(args[0], query)
        elif name == "trickle-headers" and len(nums) == 1:
            head = b"HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\n" + b"X-Padding: " + b"p" * 4096
            deadline = time.monotonic() + self.server.endless_seconds
            for i in range(len(head)):
                if time.monotonic() > deadline:
                    break
                self.wfile.write(head[i:i + 1])
                self.wfile.flush()
                time.sleep(nums[0] / 1000.0)
        elif name == "manifest-nolength" and len(nums) == 1:
            self.head(200)
            self.body(manifest_body(nums[0]))
        else:
            return False
        return True

    def slow_file(self, piece, delay, file_name):
        # Only plain names inside --files-dir: the route must not read anything else.
        if not self.server.files_dir or file_name != os.path.basename(file_name) or file_name.startswith("."):
            self.simple(404, b"not found\n")
            return
        try:
            with open(os.path.join(self.server.files_dir, file_name), "rb") as f:
                data = f.read()
        except OSError:
            self.simple(404, b"not found\n")
            return
        self.head(200, len(data))
        piece = max(1, piece)
        deadline = time.monotonic() + self.server.endless_seconds
        for offset in range(0, len(data), piece):
            if time.monotonic() > deadline:
                break
            time.sleep(delay / 1000.0)
            self.body(data[offset:offset + piece])

    def ranged(self, what, query):
        if what.isdigit():
            data = pattern_bytes(0, int(what))
        else:
            data = self.file_data(what)
            if data is None:
                self.simple(404, b"not found\n")
                return
        with self.server.log_lock:
            first = self.path not in self.server.seen
            self.server.seen[self.path] = self.server.seen.get(self.path, 0) + 1
            second = self.server.seen[self.path] == 2
            tag = '"v%d"' % (self.server.seen[self.path] if "etag" in query else 1)
        option = lambda key: int(query[key][0]) if key in query and query[key][0].isdigit() else None
        encoding = [("Content-Encoding", query["encoding"][0])] if "encoding" in query else []
        later = [("Retry-After", str(option("after")))] if option("after") is not None else []
        if second and option("status2") == 0:
            self.close_connection = True
            return
        if (first and option("status")) or (second and option("status2")):
            self.simple(option("status") if first else option("status2"), b"try later\n", later)
            return
        start, rng = 0, self.headers.get("Range", "")
        mode = query.get("ranges", [""])[0]
        if rng.startswith("bytes=") and rng[6:].rstrip("-").isdigit() and mode != "ignore":
            asked = int(rng[6:].rstrip("-"))
            valid = self.headers.get("If-Range", tag) == tag
            start = 0 if mode == "wrong" else asked if valid else 0
            if mode == "wrong" or valid:
                if start >= len(data):
                    self.simple(416, b"", [("Content-Range", "bytes */%d" % len(data))])
                    return
                overrun = mode == "overrun"
                self.head(206, None if overrun else len(data) - start,
                          [("ETag", tag), ("Content-Range", "bytes %d-%d/%d" % (start, len(data) - 1, len(data)))]
                          + encoding)
                self.ranged_body(data + (b"x" * 5000 if overrun else b""), start, query if first else {})
                return
        self.head(200, None if query.get("length", [""])[0] == "none" else len(data),
                  [("ETag", tag), ("Accept-Ranges", "bytes")] + encoding)
        self.ranged_body(data, 0, query if first else {})

    def ranged_body(self, data, start, query):
        option = lambda key: int(query[key][0]) if key in query and query[key][0].isdigit() else None
        end = len(data)
        if option("cut") is not None:
            end = max(start, min(end, option("cut")))
        if option("stall") is not None:
            end = max(start, min(end, option("stall")))
        sent = end - start
        try:
            if option("slow"):
                # Paced in tenths of a second; a client that goes away ends it.
                step = max(1, option("slow") // 10)
                for at in range(start, end, step):
                    sent = min(end, at + step) - start  # counted before: a cut write still counts whole
                    self.body(data[at:min(end, at + step)])
                    time.sleep(0.1)
            else:
                self.body(data[start:end])
        finally:
            if self.server.request_log:
                with self.server.log_lock, open(os.path.join(os.path.dirname(self.server.request_log), "served.log"),
                                                "a") as f:
                    f.write("%s %d\n" % (self.path, sent))
        if option("stall") is not None:
            deadline = time.monotonic() + self.server.endless_seconds
            while end < len(data) and time.monotonic() < deadline:
                time.sleep(int(query.get("every", ["100"])[0]) / 1000.0)
                self.body(data[end:end + 1])
                end += 1

    def file_data(self, file_name):
        if not self.server.files_dir or file_name != os.path.basename(file_name) or file_name.startswith("."):
            return None
        try:
            with open(os.path.join(self.server.files_dir, file_name), "rb") as f:
                return f.read()
        except OSError:
            return None

    def stream(self, count):
        sent = 0
        while sent < count:
            piece = min(65536, count - sent)
            self.body(pattern_bytes(sent, piece))
            sent += piece


class BoundedServer(ThreadingHTTPServer):
    daemon_threads = True
    handled = 0

    def process_request(self, request, client_address):
        self.handled += 1
        super().process_request(request, client_address)


def serve(args):
    server = BoundedServer(("127.0.0.1", args.port), Handler)
    server.timeout = 0.25
    server.default_route = args.default_route
    server.request_log = args.request_log
    server.files_dir = args.files_dir
    server.log_lock = threading.Lock()
    server.seen = {}
    server.endless_cap = args.endless_cap
    server.endless_seconds = min(args.lifetime, 60)
    stop = threading.Event()
    signal.signal(signal.SIGTERM, lambda *_: stop.set())
    deadline = time.monotonic() + args.lifetime
    # Bounded loop: the server ends by itself even when nobody stops it.
    while not stop.is_set() and time.monotonic() < deadline and server.handled < args.max_requests:
        server.handle_request()
    server.server_close()


def port_open(port):
    with socket.socket() as s:
        s.settimeout(0.2)
        return s.connect_ex(("127.0.0.1", port)) == 0


def start(args):
    os.makedirs(args.state, exist_ok=True)
    stop_server(args.state)
    if port_open(args.port):
        sys.exit("fault_server.py: port %d is already in use" % args.port)
    request_log = os.path.join(os.path.abspath(args.state), "requests.log")
    open(request_log, "w").close()
    open(os.path.join(os.path.abspath(args.state), "served.log"), "w").close()
    command = [sys.executable, os.path.abspath(__file__), "serve", "--port", str(args.port),
               "--lifetime", str(args.lifetime), "--max-requests", str(args.max_requests),
               "--endless-cap", str(args.endless_cap), "--request-log", request_log]
    if args.default_route:
        command += ["--default-route", args.default_route]
    if args.files_dir:
        command += ["--files-dir", os.path.abspath(args.files_dir)]
    with open(os.path.join(args.state, "fault_server.out"), "w") as out:
        process = subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=out, stderr=out,
                                   start_new_session=True)
    with open(os.path.join(args.state, "fault_server.pid"), "w") as f:
        f.write(str(process.pid))
    for _ in range(100):
        if port_open(args.port):
            print("fault_server.py: listening on http://127.0.0.1:%d" % args.port)
            return
        if process.poll() is not None:
            break
        time.sleep(0.1)
    sys.exit("fault_server.py: the server did not start")


def stop_server(state):
    pid_file = os.path.join(state, "fault_server.pid")
    try:
        pid = int(open(pid_file).read().strip())
    except (OSError, ValueError):
        return
    try:
        os.kill(pid, signal.SIGTERM)
        for _ in range(50):
            os.kill(pid, 0)
            time.sleep(0.1)
        os.kill(pid, signal.SIGKILL)
    except ProcessLookupError:
        pass
    os.remove(pid_file)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("action", choices=["start", "stop", "serve"])
    parser.add_argument("--state", default=".")
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--lifetime", type=float, default=600)
    parser.add_argument("--max-requests", type=int, default=5000)
    parser.add_argument("--endless-cap", type=int, default=256 << 20)
    parser.add_argument("--default-route", default="")
    parser.add_argument("--request-log", default="")
    parser.add_argument("--files-dir", default="")
    args = parser.parse_args()
    if args.action == "serve":
        serve(args)
    elif args.action == "start":
        start(args)
    else:
        stop_server(args.state)


if __name__ == "__main__":
    main()
