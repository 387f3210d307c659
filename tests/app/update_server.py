#!/usr/bin/env python3
"""A local web server for the update-check tests: serves files of a folder on a free loopback
port, writes the port to a file and every requested path to a log, and stops by itself.
   update_server.py start FOLDER   |   update_server.py stop FOLDER"""
import http.server, os, signal, sys, threading

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

class Handler(http.server.SimpleHTTPRequestHandler):
    def __init__(self, *args, **kwargs):
        super().__init__(*args, directory=root, **kwargs)
    def log_request(self, code='-', size='-'):
        with open(log, 'a') as f:
            f.write(self.path + '\n')
    def log_message(self, fmt, *args):
        pass

if os.fork() == 0:
    os.setsid()
    # Detached from the caller's output: ctest waits for every holder of its pipe to close it.
    devnull = os.open(os.devnull, os.O_RDWR)
    for fd in (0, 1, 2):
        os.dup2(devnull, fd)
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
