#!/usr/bin/env python3
"""A private system log for one run of a command.

    syslog-receiver.py SOCKET MODE OUT COMMAND [ARG...]

Binds a datagram socket at SOCKET, runs COMMAND, and writes what arrived to
OUT (one message after another, each followed by a NUL). MODE "read" takes
every message; "stuck" has a receive buffer too small for an entry and never
reads, as a daemon that hangs. Exits with COMMAND's status.
"""
import os
import socket
import subprocess
import sys

path, mode, out, command = sys.argv[1], sys.argv[2], sys.argv[3], sys.argv[4:]
receiver = socket.socket(socket.AF_UNIX, socket.SOCK_DGRAM)
if mode == "stuck":
    receiver.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 1024)
receiver.bind(path)
os.chmod(path, 0o666)
status = subprocess.call(command)
messages = []
receiver.setblocking(False)
while mode == "read":
    try:
        messages.append(receiver.recv(1 << 20))
    except BlockingIOError:
        break
with open(out, "wb") as f:
    for message in messages:
        f.write(message + b"\0")
sys.exit(status)
