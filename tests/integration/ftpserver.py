"""A loopback FTP server for the end-to-end tests.

Usage: ftpserver.py ROOT PORTFILE [nomdtm|slow]
("slow": data goes at 64 KiB a second)
Its name listing (NLST) gives the real names of the directory and, before them, names that
try to leave the receiving folder. User "e2e-user", password "e2e-Secret-pw". Writes the port
it listens on into PORTFILE once it is ready and ends with the process that started it.
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
option = sys.argv[3] if len(sys.argv) > 3 else ""
no_mdtm = option == "nomdtm"  # modification times refused

HOSTILE = [b"../escape.txt", b"../../escape.txt", b"/tmp/velumo-e2e-abs-escape.txt", b"..",
           b"sub\\evil.txt", b"bell\x07name"]


class MixedHandler(FTPHandler):
    def ftp_NLST(self, path):
        names = [n.encode("utf-8", "surrogateescape") for n in sorted(self.fs.listdir(path))]
        data = b"".join(n + b"\r\n" for n in HOSTILE + names)
        self.push_dtp_data(data, isproducer=False, cmd="NLST")
        return path

    def ftp_MDTM(self, path):
        if no_mdtm:
            self.respond("502 Command not implemented.")
            return
        return FTPHandler.ftp_MDTM(self, path)


authorizer = DummyAuthorizer()
authorizer.add_user("e2e-user", "e2e-Secret-pw", root, perm="elradfmwMT")
MixedHandler.authorizer = authorizer
MixedHandler.auth_failed_timeout = 0.1  # a refused login answers at once
if option == "slow":
    class Slow(ThrottledDTPHandler):
        read_limit = 65536
        write_limit = 65536
    MixedHandler.dtp_handler = Slow
server = FTPServer(("127.0.0.1", 0), MixedHandler)
port = server.socket.getsockname()[1]
tmp = port_file + ".tmp"
with open(tmp, "w") as f:
    f.write(str(port))
os.rename(tmp, port_file)
parent = os.getppid()
while os.getppid() == parent:
    server.serve_forever(timeout=0.2, blocking=False)
server.close_all()
