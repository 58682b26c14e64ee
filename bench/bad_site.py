#!/usr/bin/python3
"""A bad web site on 127.0.0.1:PORT for the worst-case starts of the bench,
which ends by itself after five minutes at most.

Usage: bad_site.py silent|hanging|endless PORT
- silent: accepts every connection and never answers.
- hanging: nothing answers a connect: the one place in the listen queue is
  taken by a connection that is never accepted, so every further SYN is
  dropped, as by a site that drops packets.
- endless: answers 200 with a body of commands that never ends.
"""

import socket
import sys
import threading
import time

LIFETIME_S = 300


def silent(port, end):
    server = socket.create_server(("127.0.0.1", port), backlog=16)
    server.settimeout(1)
    held = []
    while time.time() < end:
        try:
            held.append(server.accept())
        except OSError:
            pass


def hanging(port, end):
    server = socket.socket()
    server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    server.bind(("127.0.0.1", port))
    server.listen(0)
    filler = socket.create_connection(("127.0.0.1", port))
    time.sleep(max(0, end - time.time()))
    filler.close()


def answer_endlessly(client, end):
    block = b"<command name=\"QM Build 09-18-2021\"/>\r\n" * 1024
    try:
        client.settimeout(5)
        if client.recv(65536):
            client.sendall(b"HTTP/1.1 200 OK\r\nContent-Type: application/xml\r\nConnection: close\r\n\r\n")
            while time.time() < end:
                client.sendall(block)
    except OSError:
        pass
    finally:
        client.close()


def endless(port, end):
    server = socket.create_server(("127.0.0.1", port), backlog=16)
    server.settimeout(1)
    while time.time() < end:
        try:
            client, _ = server.accept()
        except OSError:
            continue
        threading.Thread(target=answer_endlessly, args=(client, end), daemon=True).start()


if __name__ == "__main__":
    kinds = {"silent": silent, "hanging": hanging, "endless": endless}
    if len(sys.argv) != 3 or sys.argv[1] not in kinds:
        sys.exit(__doc__)
    kinds[sys.argv[1]](int(sys.argv[2]), time.time() + LIFETIME_S)
