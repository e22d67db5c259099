#!/usr/bin/env python3
"""A server on port 445 that misbehaves, for the fault matrix.

    hostile-server.py ADDRESS MODE

MODE is one of:
  stall    accept and never answer
  garbage  answer every request with bytes that are no SMB
  trickle  answer each request with the start of a frame, one byte every
           10 s
  late     pass everything on to the real server on 127.0.0.1, but hold
           each of its answers back for 18 s: no single wait is long
           enough for the client to give up
  rpc      pass everything on to the real server on 127.0.0.1 until it has
           answered five times (the session is set up, the RPC begun), then
           pass nothing back
Prints "ready" on standard output once it listens.
"""
import os
import socket
import sys
import threading
import time

address, mode = sys.argv[1], sys.argv[2]
server = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
server.bind((address, 445))
server.listen(8)
print("ready", flush=True)


def late(connection):
    upstream = socket.create_connection(("127.0.0.1", 445))

    def back():
        answers = 0
        while data := upstream.recv(65536):
            answers += 1
            if mode == "late":
                time.sleep(18)
            elif answers > 5:
                time.sleep(3600)
            connection.sendall(data)

    threading.Thread(target=back, daemon=True).start()
    while data := connection.recv(65536):
        upstream.sendall(data)


def serve(connection):
    with connection:
        if mode in ("late", "rpc"):
            late(connection)
            return
        if mode == "trickle":
            connection.recv(65536)
            for byte in b"\x00\x00\x01\x00\xfeSMB" * 100:
                connection.sendall(bytes([byte]))
                time.sleep(10)
            return
        if mode == "stall":
            time.sleep(3600)
        while connection.recv(65536):
            connection.sendall(b"\x00\x00\x00\x40" + os.urandom(64))


while True:
    connection, _ = server.accept()
    threading.Thread(target=serve, args=(connection,), daemon=True).start()
