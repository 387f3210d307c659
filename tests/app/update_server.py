#!/usr/bin/env python3
"""A local web server for the update-check tests: serves files of a folder on a free loopback
port, writes the port to a file and every requested path to a log, and stops by itself; beside
it four servers that never give a whole answer (below), with a log of their own.
   update_server.py start FOLDER   |   update_server.py stop FOLDER"""
import http.server, os, signal, socket, sys, threading, time

command, folder = sys.argv[1], sys.argv[2]
pidfile = os.path.join(folder, 'server.pid')
if command == 'stop':
    try:
        os.kill(int(open(pidfile).read()), signal.SIGTERM)
    except (OSError, ValueError):
        pass
    sys.exit(0)

root = os.path.join(folder, 'www')
os.makedirs(os.path.join(root, 'Velmora'), exist_ok=True)
log = os.path.join(folder, 'requests.log')
open(log, 'w').close()
hostile_log = os.path.join(folder, 'hostile.log')  # the hostile servers' requests: "mode path"
open(hostile_log, 'w').close()

class Handler(http.server.SimpleHTTPRequestHandler):
    def __init__(self, *args, **kwargs):
        super().__init__(*args, directory=root, **kwargs)
    def log_request(self, code='-', size='-'):
        with open(log, 'a') as f:
            f.write(self.path + '\n')
    def log_message(self, fmt, *args):
        pass

# Hostile servers on ports of their own: 'silent' accepts and never answers, 'trickle' answers
# one byte a second from the status line on, 'slowbody' sends its headers at once and then its
# body one byte a second, 'endless' sends its headers and then a body that never ends, as fast as
# the client takes it: version-file records over and over, so a client that kept a part of it
# would find an offer there. A connection is dropped when the client goes or after two minutes
# without progress.
def hostile(mode):
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(('127.0.0.1', 0))
    listener.listen(16)
    def serve(conn):
        body = b"%version% '9.9.9''ITEM'%build% '9999''ITEM'%location% 'http://127.0.0.1/Setup.exe'"
        head = b'HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\nContent-Length: %d\r\n\r\n' % len(body)
        try:
            conn.settimeout(120)
            request = conn.recv(4096).split(b'\r\n')[0].split(b' ')
            with open(hostile_log, 'a') as f:
                f.write(mode + ' ' + (request[1].decode('latin-1') if len(request) > 1 else '') + '\n')
            if mode == 'silent':
                conn.recv(4096)  # until the client goes, or the time-out
                return
            if mode == 'endless':
                conn.sendall(b'HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\n')
                chunk = (body + b"'ITEM'") * ((1 << 20) // (len(body) + 6))  # about a megabyte
                while True:
                    conn.sendall(chunk)
            if mode == 'slowbody':
                conn.sendall(head)
                head = b''
            for byte in head + body:
                conn.sendall(bytes([byte]))
                time.sleep(1)
        except OSError:
            pass
        finally:
            conn.close()
    def accept():
        while True:
            conn, _ = listener.accept()
            threading.Thread(target=serve, args=(conn,), daemon=True).start()
    threading.Thread(target=accept, daemon=True).start()
    open(os.path.join(folder, mode + '_port'), 'w').write(str(listener.getsockname()[1]))

if os.fork() == 0:
    os.setsid()
    # Detached from the caller's output: ctest waits for every holder of its pipe to close it.
    devnull = os.open(os.devnull, os.O_RDWR)
    for fd in (0, 1, 2):
        os.dup2(devnull, fd)
    for mode in ('silent', 'trickle', 'slowbody', 'endless'):
        hostile(mode)
    server = http.server.ThreadingHTTPServer(('127.0.0.1', 0), Handler)
    open(pidfile, 'w').write(str(os.getpid()))
    open(os.path.join(folder, 'port'), 'w').write(str(server.server_address[1]))
    threading.Timer(1800, server.shutdown).start()  # never outlives a test run by long
    server.serve_forever()
    os._exit(0)
for _ in range(100):  # the parent returns once the port is known
    if os.path.exists(os.path.join(folder, 'port')):
        break
    threading.Event().wait(0.05)
