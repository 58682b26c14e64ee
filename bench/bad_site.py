#!/usr/bin/python3
"""A web site on loopback HOSTs at PORT for the bench's starts, which ends by
itself after five minutes at most.

Usage: bad_site.py silent|hanging|endless|answering PORT HOST [HOST...]
It prints "listening" once every HOST listens.
- silent: accepts every connection and never answers.
- hanging: nothing answers a connect: the one place in the listen queue is
  taken by a connection that is never accepted, so every further SYN is
  dropped, as by a site that drops packets or a firewall.
- endless: answers 200 with a body of commands that never ends.
- answering: accepts every connection and closes it, as a site answers a
  connection probe.
"""

import socket
import sys
import threading
import time

LIFETIME_S = 300


def listener(host, port, backlog):
    server = socket.socket()
    server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    server.bind((host, port))
    server.listen(backlog)
    server.settimeout(1)
    return server


def accepting(server, end, handle):
    while time.time() < end:
        try:
            client, _ = server.accept()
        except OSError:
            continue
        handle(client)


def silent(server, end):
    held = []
    accepting(server, end, held.append)


def hanging(server, end):
    filler = socket.create_connection(server.getsockname())
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


def endless(server, end):
    accepting(server, end,
              lambda client: threading.Thread(target=answer_endlessly, args=(client, end), daemon=True).start())


def answering(server, end):
    accepting(server, end, lambda client: client.close())


if __name__ == "__main__":
    kinds = {"silent": silent, "hanging": hanging, "endless": endless, "answering": answering}
    if len(sys.argv) < 4 or sys.argv[1] not in kinds:
        sys.exit(__doc__)
    kind, port, end = kinds[sys.argv[1]], int(sys.argv[2]), time.time() + LIFETIME_S
    # Every host listens before any serves, so that a caller can wait for the
    # last one.
    servers = [listener(host, port, 0 if kind is hanging else 16) for host in sys.argv[3:]]
    print("listening", flush=True)
    threads = [threading.Thread(target=kind, args=(server, end), daemon=True) for server in servers]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
