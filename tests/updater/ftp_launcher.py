"""Starts loopback FTP servers (ftp_server.py) for test programs that run under Wine.

A Windows program cannot fork the system's Python, so this launcher runs
natively beside the tests, started and stopped by CTest:

  ftp_launcher.py start --state FILE   detaches, then writes "PORT PID" to FILE
  ftp_launcher.py stop --state FILE    ends the launcher and every server it runs

A test connects to 127.0.0.1:PORT and sends lines, ending with an empty one:
  check                       answered "ok" or "unavailable: REASON"
  serve / ROOT / ARGS...      ROOT is a Windows path in the Wine prefix
                              (WINEPREFIX); ARGS go to ftp_server.py as they
                              are; answered with the server's port or
                              "error: REASON"
A server lives as long as the connection that asked for it.
"""
import argparse
import os
import signal
import socket
import subprocess
import sys
import threading

SERVER = os.path.join(os.path.dirname(os.path.abspath(__file__)), "ftp_server.py")
PYTHON = "/usr/bin/python3"
IDLE_LIMIT_S = 3600  # a launcher nobody stopped does not outlive a test run by much


def unix_path(windows_path):
    """The file a path of the Wine prefix names, through its drive links."""
    p = windows_path.replace("\\", "/")
    if len(p) < 2 or p[1] != ":":
        raise ValueError("not a drive path: %r" % windows_path)
    prefix = os.environ.get("WINEPREFIX") or os.path.expanduser("~/.wine")
    drive = os.path.realpath(os.path.join(prefix, "dosdevices", p[0].lower() + ":"))
    path = os.path.join(drive, p[2:].lstrip("/"))
    if not os.path.isdir(path):
        raise ValueError("%s (%s) is not a folder" % (windows_path, path))
    return path


def availability():
    # Debian's interpreter, the one the servers run on, whatever runs this.
    try:
        found = subprocess.run([PYTHON, "-c", "import pyftpdlib"], stdin=subprocess.DEVNULL,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode == 0
    except OSError:
        return "unavailable: %s is missing (install python3-pyftpdlib)" % PYTHON
    if not found:
        return "unavailable: %s cannot import pyftpdlib (install python3-pyftpdlib)" % PYTHON
    return "ok"


def read_request(conn):
    data = b""
    while not data.endswith(b"\n\n") and data != b"\n":
        chunk = conn.recv(4096)
        if not chunk:
            return None
        data += chunk
    return data.decode("utf-8").rstrip("\n").split("\n")


def serve(conn, children, lock):
    with conn:
        request = read_request(conn)
        if not request:
            return
        if request[0] == "check":
            conn.sendall((availability() + "\n").encode())
            return
        if request[0] != "serve" or len(request) < 2:
            conn.sendall(b"error: unknown request\n")
            return
        try:
            root = unix_path(request[1])
        except ValueError as e:
            conn.sendall(("error: %s\n" % e).encode())
            return
        proc = subprocess.Popen([PYTHON, SERVER, "--root", root] + request[2:], stdin=subprocess.DEVNULL,
                                stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        with lock:
            children.add(proc)
        try:
            line = proc.stdout.readline().decode().strip()
            conn.sendall(((line if line.isdigit() else "error: the server did not start") + "\n").encode())
            while conn.recv(4096):  # until the test lets go
                pass
        except OSError:
            pass
        finally:
            proc.terminate()
            proc.wait()
            with lock:
                children.discard(proc)


def run(state, ready_fd):
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.bind(("127.0.0.1", 0))
    listener.listen(16)
    listener.settimeout(IDLE_LIMIT_S)
    children, lock = set(), threading.Lock()

    def finish(*_):
        with lock:
            for proc in children:
                proc.terminate()
        os._exit(0)

    signal.signal(signal.SIGTERM, finish)
    temp = state + ".new"
    with open(temp, "w") as f:
        f.write("%d %d\n" % (listener.getsockname()[1], os.getpid()))
    os.replace(temp, state)
    os.write(ready_fd, b"1")
    os.close(ready_fd)
    while True:
        try:
            conn, _ = listener.accept()
        except socket.timeout:
            finish()
        threading.Thread(target=serve, args=(conn, children, lock), daemon=True).start()


def start(state):
    if os.path.exists(state):
        stop(state)
    read_end, write_end = os.pipe()
    if os.fork() > 0:
        os.close(write_end)
        # The daemon reports once its state file is written.
        ok = os.read(read_end, 1) == b"1"
        print("ftp launcher: %s" % ("listening, see " + state if ok else "did not start"))
        return 0 if ok else 1
    os.close(read_end)
    os.setsid()
    if os.fork() > 0:
        os._exit(0)
    # Streams closed, so CTest does not wait on them.
    null = os.open(os.devnull, os.O_RDWR)
    for fd in (0, 1, 2):
        os.dup2(null, fd)
    try:
        run(state, write_end)
    except Exception:
        os._exit(1)  # the starter reads no "1" and says so


def stop(state):
    try:
        with open(state) as f:
            pid = int(f.read().split()[1])
        os.kill(pid, signal.SIGTERM)
    except (OSError, ValueError, IndexError):
        pass
    try:
        os.remove(state)
    except OSError:
        pass
    return 0


def main():
    p = argparse.ArgumentParser()
    p.add_argument("action", choices=["start", "stop"])
    p.add_argument("--state", required=True)
    a = p.parse_args()
    return start(a.state) if a.action == "start" else stop(a.state)


if __name__ == "__main__":
    sys.exit(main())
