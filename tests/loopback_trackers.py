# Trackers of the tests' and benchmarks' own on 127.0.0.1, each writing its port into a file
# in the current folder: "answering" (HTTP), "refusing" (HTTP, a failure reason), "silent"
# (HTTP, never answers), "trickle" (HTTP, an answer a byte at a time that never ends), "hostile"
# (HTTP, a failure reason holding terminal controls), "udp" (BEP 15). Each hash asked about gets its own figures. They serve
# for at most a minute, then end.
import socket, struct, sys, threading, time, urllib.parse
def figures(index):
    return (5 + 6 * index, 7 - index, 1000 + 234 * index)  # seeders, leechers, completed
def bencode(value):
    if isinstance(value, int): return b"i%de" % value
    if isinstance(value, bytes): return b"%d:%s" % (len(value), value)
    if isinstance(value, dict):
        return b"d" + b"".join(bencode(k) + bencode(v) for k, v in sorted(value.items())) + b"e"
def http(kind):
    server = socket.socket(); server.bind(("127.0.0.1", 0)); server.listen(8)
    open(kind + ".port", "w").write(str(server.getsockname()[1]))
    while True:
        client, _ = server.accept()
        request = client.recv(65536).decode("latin-1")
        if kind == "silent":
            continue  # never answers, never closes
        if kind == "trickle":
            threading.Thread(target=trickle, args=(client,), daemon=True).start()
            continue
        path = request.split(" ")[1]
        query = urllib.parse.urlsplit(path).query
        hashes = [v for k, v in urllib.parse.parse_qsl(query, encoding="latin-1") if k == "info_hash"]
        if kind == "hostile":
            body = bencode({b"failure reason": b"not \x1b]0;owned\x07 here"})
        elif kind == "refusing" or not path.startswith("/scrape?"):
            body = bencode({b"failure reason": b"torrent not registered"})
        else:
            files = {}
            for index, value in enumerate(hashes):
                s, l, c = figures(index)
                files[value.encode("latin-1")] = {b"complete": s, b"incomplete": l, b"downloaded": c}
            body = bencode({b"files": files})
        client.sendall(b"HTTP/1.1 200 OK\r\nContent-Length: %d\r\nConnection: close\r\n\r\n%s" % (len(body), body))
        client.close()
def trickle(client):
    try:
        for byte in b"HTTP/1.1 200 OK\r\nX-Slow: " + b"a" * 1000:
            client.sendall(bytes([byte]))
            time.sleep(0.2)
    except OSError:
        pass
def udp():
    server = socket.socket(socket.AF_INET, socket.SOCK_DGRAM); server.bind(("127.0.0.1", 0))
    open("udp.port", "w").write(str(server.getsockname()[1]))
    while True:
        data, sender = server.recvfrom(65536)
        action, transaction = struct.unpack(">II", data[8:16])
        if action == 0 and data[:8] == struct.pack(">Q", 0x41727101980):
            server.sendto(struct.pack(">IIQ", 0, transaction, 0x1234), sender)
        elif action == 2 and data[:8] == struct.pack(">Q", 0x1234):
            count = (len(data) - 16) // 20
            # seeders, completed, leechers for each hash
            server.sendto(struct.pack(">II", 2, transaction) +
                          b"".join(struct.pack(">III", figures(i)[0], figures(i)[2], figures(i)[1])
                                   for i in range(count)), sender)
for target, argument in ((http, "answering"), (http, "refusing"), (http, "silent"),
                         (http, "trickle"), (http, "hostile"), (udp, None)):
    threading.Thread(target=target, args=(argument,) if argument else (), daemon=True).start()
time.sleep(60)
