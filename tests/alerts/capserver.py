"""A loopback HTTP server for the alert feed tests: Python's own file server (Last-Modified,
If-Modified-Since) with the strong ETag and If-None-Match that web servers add, which writes
"METHOD PATH STATUS" for every request into ROOT/requests.log.

Usage: capserver.py ROOT PORTFILE [PORT]
Writes the port it listens on into PORTFILE once it is ready and ends with the process that
started it.
"""
import functools
import http.server
import os
import sys

root, port_file = sys.argv[1], sys.argv[2]
port = int(sys.argv[3]) if len(sys.argv) > 3 and sys.argv[3] else 0


class Handler(http.server.SimpleHTTPRequestHandler):
    def send_head(self):
        path = self.translate_path(self.path)
        self.etag = None
        if os.path.isfile(path):
            st = os.stat(path)
            self.etag = '"%x-%x"' % (st.st_mtime_ns, st.st_size)
            if self.headers.get("If-None-Match") == self.etag:
                self.send_response(304)
                self.end_headers()
                return None
        return super().send_head()

    def end_headers(self):
        if getattr(self, "etag", None):
            self.send_header("ETag", self.etag)
        super().end_headers()

    def log_request(self, code="-", size="-"):
        with open(os.path.join(root, "requests.log"), "a") as log:
            log.write("%s %s %s\n" % (self.command, self.path, int(code)))

    def log_message(self, format, *args):
        pass


class Server(http.server.HTTPServer):
    def handle_error(self, request, client_address):
        pass  # a client that stops reading a body too large for it


server = Server(("127.0.0.1", port), functools.partial(Handler, directory=root))
server.timeout = 0.2
tmp = port_file + ".tmp"
with open(tmp, "w") as f:
    f.write(str(server.server_address[1]))
os.rename(tmp, port_file)
parent = os.getppid()
while os.getppid() == parent:
    server.handle_request()
server.server_close()
