"""A loopback FTP server for the tests and benchmarks, with faults on request.

Usage: ftpserver.py ROOT PORTFILE [FAULTS]
FAULTS is a comma-separated list of: norest (REST refused), nomdtm (modification times
refused), drop (a download's data connection ends after 64 KiB), hostile (NLST answers with
hostile names only), mixed (NLST gives names that try to leave the receiving folder before the
real names of the directory), many (NLST answers with 5000 names), nonsense (every reply after
login is garbage), throttle=N (data limited to N bytes a second; throttle=1 stalls after the
first chunk), pace=N (data limited to N bytes a second in a steady stream, a slice every
twentieth of a second, where throttle sends one burst a second).
Writes the port it listens on into PORTFILE once it is ready and ends with the process that
started it. User "user", password "s3cret-pw"; a refused login answers at once.
"""
import logging
import os
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler, ThrottledDTPHandler
from pyftpdlib.log import config_logging
from pyftpdlib.servers import FTPServer

config_logging(level=logging.WARNING)

root, port_file = sys.argv[1], sys.argv[2]
faults = set(sys.argv[3].split(",")) if len(sys.argv) > 3 and sys.argv[3] else set()
throttle = 0
pace = 0
for fault in list(faults):
    if fault.startswith("throttle="):
        throttle = int(fault.split("=", 1)[1])
    if fault.startswith("pace="):
        pace = int(fault.split("=", 1)[1])

HOSTILE = [b"../escape.txt", b"/tmp/velumo-abs-escape.txt", b"..", b".", b"",
           b"sub\\evil.txt", b"bell\x07name", b"good.txt"]
ESCAPES = [b"../escape.txt", b"../../escape.txt", b"/tmp/velumo-e2e-abs-escape.txt", b"..",
           b"sub\\evil.txt", b"bell\x07name"]


class FaultyHandler(FTPHandler):
    def ftp_REST(self, line):
        if "norest" in faults:
            self.respond("502 Command not implemented.")
            return
        return FTPHandler.ftp_REST(self, line)

    def ftp_NLST(self, path):
        if "hostile" in faults:
            names = HOSTILE
        elif "mixed" in faults:
            names = ESCAPES + [n.encode("utf-8", "surrogateescape")
                               for n in sorted(self.fs.listdir(path))]
        elif "many" in faults:
            names = [b"file%05d.txt" % i for i in range(5000)]
        else:
            return FTPHandler.ftp_NLST(self, path)
        data = b"".join(n + b"\r\n" for n in names)
        self.push_dtp_data(data, isproducer=False, cmd="NLST")
        return path

    def ftp_MDTM(self, path):
        if "nomdtm" in faults:
            self.respond("502 Command not implemented.")
            return
        return FTPHandler.ftp_MDTM(self, path)

    def ftp_RETR(self, file):
        if "drop" in faults:
            with open(file, "rb") as f:
                f.seek(self._restart_position)
                data = f.read(65536)
            self._restart_position = 0
            self.push_dtp_data(data, isproducer=False, cmd="RETR")
            return file
        return FTPHandler.ftp_RETR(self, file)

    def pre_process_command(self, line, cmd, arg):
        if "nonsense" in faults and self.authenticated and cmd != "QUIT":
            self.push("999 what?\r\n")
            return
        return FTPHandler.pre_process_command(self, line, cmd, arg)


authorizer = DummyAuthorizer()
authorizer.add_user("user", "s3cret-pw", root, perm="elradfmwMT")
FaultyHandler.authorizer = authorizer
FaultyHandler.auth_failed_timeout = 0.1
FaultyHandler.banner = "velumo test server"
if throttle:
    class Throttled(ThrottledDTPHandler):
        read_limit = throttle
        write_limit = throttle
    FaultyHandler.dtp_handler = Throttled
if pace:
    class Paced(ThrottledDTPHandler):
        read_limit = pace
        write_limit = pace

        def _throttle_bandwidth(self, len_chunk, max_speed):
            self._datacount += len_chunk
            if self._datacount < max_speed // 20:
                return
            self._datacount = 0

            def unsleep():
                self.add_channel(events=self.ioloop.READ if self.receive else self.ioloop.WRITE)

            self.del_channel()
            self._cancel_throttler()
            self._throttler = self.ioloop.call_later(0.05, unsleep, _errback=self.handle_error)
    FaultyHandler.dtp_handler = Paced
server = FTPServer(("127.0.0.1", 0), FaultyHandler)
port = server.socket.getsockname()[1]
tmp = port_file + ".tmp"
with open(tmp, "w") as f:
    f.write(str(port))
os.rename(tmp, port_file)
# Ends with the test that started it, even when that test dies.
parent = os.getppid()
while os.getppid() == parent:
    server.serve_forever(timeout=0.2, blocking=False)
server.close_all()
