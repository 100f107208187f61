#!/usr/bin/env python3
"""A minimal client of VICE's binary monitor, for the tests and benchmarks.

Usage: vice_monitor.py wait PORT SECONDS     wait until the monitor listens
       vice_monitor.py read PORT ADDR COUNT  print COUNT bytes at ADDR in hex
       vice_monitor.py write PORT ADDR HEX   write the bytes HEX at ADDR
       vice_monitor.py break PORT ADDR       set an exec checkpoint at ADDR
       vice_monitor.py breaks PORT           print the exec checkpoints' starts
       vice_monitor.py race PORT ADDR HEX COMMAND...
           run COMMAND, print the milliseconds from its start until the
           byte at ADDR reads HEX, looked at once COMMAND has ended (a
           connection each look, which would hold up COMMAND's), or fail
       vice_monitor.py text PORT COMMANDS    send COMMANDS (lines) to the
           text monitor, leave it, print what it said
"""
import socket
import subprocess
import struct
import sys
import time


def request(sock, command, body, request_id=7):
    sock.sendall(struct.pack("<BBIIB", 2, 1, len(body), request_id, command) + body)
    while True:  # Skip events (request id 0xffffffff) until our answer.
        header = recv_exactly(sock, 12)
        _, _, length, kind, error, answer_id = struct.unpack("<BBIBBI", header)
        answer = recv_exactly(sock, length)
        if answer_id == request_id:
            if error:
                sys.exit(f"monitor error {error:#x}")
            return answer


def recv_exactly(sock, count):
    data = b""
    while len(data) < count:
        chunk = sock.recv(count - len(data))
        if not chunk:
            sys.exit("monitor closed the connection")
        data += chunk
    return data


def main():
    mode, port = sys.argv[1], int(sys.argv[2])
    if mode == "wait":
        deadline = time.monotonic() + float(sys.argv[3])
        while time.monotonic() < deadline:
            try:
                with socket.create_connection(("127.0.0.1", port), 1) as sock:
                    # Half-closed, VICE reads the end and closes; a plain
                    # close makes it log errors.
                    sock.shutdown(socket.SHUT_WR)
                    sock.settimeout(2)
                    while sock.recv(4096):
                        pass
                return
            except OSError:
                time.sleep(0.05)
        sys.exit("the monitor does not listen")
    if mode == "race":
        address, wanted = int(sys.argv[3], 0), sys.argv[4]
        start = time.monotonic()
        subprocess.run(sys.argv[5:], stdout=subprocess.DEVNULL, check=True)
        while time.monotonic() - start < 10:
            with socket.create_connection(("127.0.0.1", port), 5) as sock:
                sock.settimeout(5)
                body = struct.pack("<BHHBH", 0, address, address, 0, 0)
                seen = request(sock, 0x01, body)[2:3].hex()
                request(sock, 0xAA, b"", 8)
            if seen == wanted:
                print(round((time.monotonic() - start) * 1000))
                return
        sys.exit(f"${address:04x} never read {wanted}")
    if mode == "text":
        with socket.create_connection(("127.0.0.1", port), 5) as sock:
            sock.settimeout(5)
            sock.sendall(sys.argv[3].encode() + b"\nx\n")
            # Half-closed, with its output read to the end: VICE, closed
            # on with output unread, stops answering.
            sock.shutdown(socket.SHUT_WR)
            output = b""
            while chunk := sock.recv(4096):
                output += chunk
        print(output.decode(errors="replace"))
        return
    with socket.create_connection(("127.0.0.1", port), 5) as sock:
        sock.settimeout(5)
        if mode == "write":
            address, data = int(sys.argv[3], 0), bytes.fromhex(sys.argv[4])
            body = struct.pack("<BHHBH", 0, address, address + len(data) - 1, 0, 0)
            request(sock, 0x02, body + data)
            request(sock, 0xAA, b"", 8)
            return
        if mode == "break":
            # Checkpoint set (0x12): start, end, stop, enabled, exec, lasting.
            address = int(sys.argv[3], 0)
            request(sock, 0x12, struct.pack("<HHBBBB", address, address, 1, 1, 4, 0))
            request(sock, 0xAA, b"", 8)
            return
        if mode == "breaks":
            # Checkpoint list (0x14): an info (0x11) each, then the count.
            sock.sendall(struct.pack("<BBIIB", 2, 1, 0, 9, 0x14))
            starts = []
            while True:
                header = recv_exactly(sock, 12)
                _, _, length, kind, _, answer_id = struct.unpack("<BBIBBI", header)
                body = recv_exactly(sock, length)
                if answer_id != 9:
                    continue
                if kind == 0x14:
                    break
                if body[11] & 4:
                    starts.append(f"{struct.unpack('<H', body[5:7])[0]:04x}")
            print(" ".join(starts))
            request(sock, 0xAA, b"", 8)
            return
        address, count = int(sys.argv[3], 0), int(sys.argv[4])
        # Memory get (0x01): no side effects, start, end, main memory, bank 0.
        body = struct.pack("<BHHBH", 0, address, address + count - 1, 0, 0)
        answer = request(sock, 0x01, body)
        print(answer[2 : 2 + count].hex())
        # Exit (0xaa): let the emulator run on.
        request(sock, 0xAA, b"", 8)


if __name__ == "__main__":
    main()
