#!/usr/bin/env python3
"""Pointer and keys through a VNC server (wayvnc's virtual pointer and keyboard), no authentication.

    rfb_input.py PORT move X Y | down | up | key NAME... | sleep SECONDS ...

Keys are X key symbol names (Escape, Return, a); "down"/"up" are the left button.
"""
import socket
import struct
import sys
import time

KEYSYMS = {'Escape': 0xff1b, 'Return': 0xff0d, 'Control_L': 0xffe3, 'Alt_L': 0xffe9, 'Shift_L': 0xffe1}


def recv(sock, n):
    data = b''
    while len(data) < n:
        chunk = sock.recv(n - len(data))
        if not chunk:
            raise SystemExit('the VNC server closed the connection')
        data += chunk
    return data


def connect(port):
    sock = socket.create_connection(('127.0.0.1', port), timeout=20)
    recv(sock, 12)
    sock.sendall(b'RFB 003.008\n')
    count = recv(sock, 1)[0]
    if count == 0:
        raise SystemExit('the VNC server refused: ' + recv(sock, struct.unpack('>I', recv(sock, 4))[0]).decode())
    types = recv(sock, count)
    if 1 not in types:
        raise SystemExit('the VNC server wants authentication: %r' % list(types))
    sock.sendall(b'\x01')
    if struct.unpack('>I', recv(sock, 4))[0] != 0:
        raise SystemExit('the VNC server refused the connection')
    sock.sendall(b'\x01')  # shared
    width, height = struct.unpack('>HH', recv(sock, 4))
    recv(sock, 16)
    recv(sock, struct.unpack('>I', recv(sock, 4))[0])
    return sock


def main():
    sock = connect(int(sys.argv[1]))
    args = sys.argv[2:]
    x = y = 0
    buttons = 0
    while args:
        command = args.pop(0)
        if command == 'move':
            x, y = int(args.pop(0)), int(args.pop(0))
        elif command == 'down':
            buttons = 1
        elif command == 'up':
            buttons = 0
        elif command == 'sleep':
            time.sleep(float(args.pop(0)))
            continue
        elif command == 'key':
            name = args.pop(0)
            sym = KEYSYMS.get(name, ord(name) if len(name) == 1 else None)
            sock.sendall(struct.pack('>BBxxI', 4, 1, sym) + struct.pack('>BBxxI', 4, 0, sym))
            continue
        sock.sendall(struct.pack('>BBHH', 5, buttons, x, y))
        time.sleep(0.05)
    time.sleep(0.2)
    sock.close()


if __name__ == '__main__':
    main()
