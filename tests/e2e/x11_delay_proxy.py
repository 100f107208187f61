"""A slow X display: forwards TCP port 6000+N on 127.0.0.1 to the local
X server's socket /tmp/.X11-unix/X<D>, delaying each direction by a fixed
time, as an ssh forward to a distant machine does. Writes "ready" to READY
when listening. Ends with the test (its PID is ended) or after 60 s.
Usage: x11_delay_proxy.py N D DELAY_MS READY"""
import socket
import sys
import threading
import time

port = 6000 + int(sys.argv[1])
target = "/tmp/.X11-unix/X" + sys.argv[2]
delay = int(sys.argv[3]) / 1000.0


def pump(source, sink):
    # Each chunk leaves `delay` after it came, in order.
    while True:
        try:
            data = source.recv(65536)
        except OSError:
            data = b""
        due = time.monotonic() + delay
        time.sleep(max(0.0, due - time.monotonic()))
        if not data:
            try:
                sink.shutdown(socket.SHUT_WR)
            except OSError:
                pass
            return
        try:
            sink.sendall(data)
        except OSError:
            return


def serve(client):
    # The server's abstract socket first, as Xlib does: it belongs to this
    # network namespace, the path to every test's.
    server = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
    try:
        server.connect("\0" + target)
    except OSError:
        server.connect(target)
    threading.Thread(target=pump, args=(client, server), daemon=True).start()
    threading.Thread(target=pump, args=(server, client), daemon=True).start()


listener = socket.create_server(("127.0.0.1", port))
open(sys.argv[4], "w").write("ready")
listener.settimeout(60)
end = time.monotonic() + 60
while time.monotonic() < end:
    try:
        client, _ = listener.accept()
    except socket.timeout:
        break
    serve(client)
