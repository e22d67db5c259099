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
  forge    pass everything on to it, its time of day nine years later
  hundredths:MS
           pass everything on to it, each way MS/2 ms later, its time of day
           this machine's clock in hundredths (cut, as Windows cuts them), read
           as the server's answer passes: halfway through the round trip
Prints "ready" on standard output once it listens.
"""
import datetime
import os
import socket
import struct
import sys
import threading
import time

address, mode = sys.argv[1], sys.argv[2]
server = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
server.bind((address, 445))
server.listen(8)
print("ready", flush=True)


delay = int(mode.split(":")[1]) / 2000 if mode.startswith("hundredths:") else 0


def rewrite(data):
    """The server's time of day in `data` (twelve 32-bit fields, the day,
    month and year at 32 to 44), changed as the mode says."""
    now = datetime.datetime.now(datetime.timezone.utc)
    for day in (now, now - datetime.timedelta(days=1)):
        at = data.find(struct.pack("<III", day.day, day.month, day.year))
        if at >= 32:
            break
    else:
        return data
    fields = list(struct.unpack_from("<IIIIIIiIIIII", data, at - 32))
    if mode == "forge":
        fields[10] += 9
    else:
        t = time.time()
        now = datetime.datetime.fromtimestamp(t, datetime.timezone.utc)
        fields = [int(t), fields[1], now.hour, now.minute, now.second, now.microsecond // 10000,
                  fields[6], fields[7], now.day, now.month, now.year, (now.weekday() + 1) % 7]
    return data[:at - 32] + struct.pack("<IIIIIIiIIIII", *fields) + data[at + 16:]


def late(connection):
    upstream = socket.create_connection(("127.0.0.1", 445))

    def back():
        answers = 0
        while data := upstream.recv(65536):
            answers += 1
            if mode == "late":
                time.sleep(18)
            elif mode == "rpc" and answers > 5:
                time.sleep(3600)
            elif mode != "rpc":
                data = rewrite(data)
                time.sleep(delay)
            connection.sendall(data)

    threading.Thread(target=back, daemon=True).start()
    while data := connection.recv(65536):
        time.sleep(delay)
        upstream.sendall(data)


def serve(connection):
    with connection:
        if mode in ("late", "rpc", "forge") or mode.startswith("hundredths:"):
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
