"""A loopback FTP server for the updater's tests and benchmark.

Serves ROOT to one account on 127.0.0.1, binds a free port and prints it on
the first line of standard output once it accepts connections. Exit status 3
when pyftpdlib cannot be imported.
"""
import argparse
import os
import sys

try:
    from pyftpdlib.authorizers import DummyAuthorizer
    from pyftpdlib.handlers import FTPHandler
    from pyftpdlib.servers import FTPServer
except ImportError as e:
    print("pyftpdlib unavailable: %s" % e, file=sys.stderr)
    sys.exit(3)


class SizeInAsciiHandler(FTPHandler):
    """Answers SIZE in ASCII mode too, as many servers do."""

    def ftp_SIZE(self, path):
        saved = self._current_type
        self._current_type = "i"
        try:
            return FTPHandler.ftp_SIZE(self, path)
        finally:
            self._current_type = saved


class StallingHandler(SizeInAsciiHandler):
    """Announces the retrieval of one file and then sends nothing."""

    stall_name = None

    def ftp_RETR(self, file):
        if os.path.basename(file) == self.stall_name:
            self.respond("150 File status okay. About to open data connection.")
            return
        return SizeInAsciiHandler.ftp_RETR(self, file)


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--root", required=True)
    p.add_argument("--user", default="kit")
    p.add_argument("--password", default="secret")
    p.add_argument("--stock-size", action="store_true", help="refuse SIZE in ASCII mode (the library default)")
    p.add_argument("--banner", default=None, help="greeting; longer than 75 characters it spans several lines")
    p.add_argument("--stall-retr", default=None, help="a file name whose retrieval never sends its data")
    a = p.parse_args()

    auth = DummyAuthorizer()
    auth.add_user(a.user, a.password, a.root, perm="elr")
    handler = FTPHandler if a.stock_size else SizeInAsciiHandler
    if a.stall_retr:
        handler = StallingHandler
        handler.stall_name = a.stall_retr
    handler.authorizer = auth
    handler.auth_failed_timeout = 0.1  # tests try wrong passwords on purpose
    if a.banner:
        handler.banner = a.banner
    server = FTPServer(("127.0.0.1", 0), handler)
    print(server.socket.getsockname()[1], flush=True)
    server.serve_forever(handle_exit=True)


if __name__ == "__main__":
    main()
