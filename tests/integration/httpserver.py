"""A loopback HTTP server for the end-to-end tests: serves the files of ROOT.

Usage: httpserver.py ROOT PORTFILE
Writes the port it listens on into PORTFILE once it is ready and ends with the process that
started it. A file NAME.status beside NAME makes the server answer NAME with that status
instead (a server in trouble: "500"), until the test removes it.
"""
import functools
import http.server
import os
import sys

root, port_file = sys.argv[1], sys.argv[2]


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, format, *args):
        pass

    def send_head(self):
        try:
            with open(self.translate_path(self.path) + ".status") as f:
                status = int(f.read().strip())
        except (OSError, ValueError):
            return super().send_head()
        self.send_error(status)
        return None


handler = functools.partial(QuietHandler, directory=root)
server = http.server.HTTPServer(("127.0.0.1", 0), handler)
server.timeout = 0.2
tmp = port_file + ".tmp"
with open(tmp, "w") as f:
    f.write(str(server.server_address[1]))
os.rename(tmp, port_file)
parent = os.getppid()
while os.getppid() == parent:
    server.handle_request()
server.server_close()
