#!/usr/bin/env python3
"""The load of serve's benchmark (read-only serve on loopback), in phases, each one line of key=value figures:
  endless  one connection sends header lines without end for 5 s: the server's resident set meanwhile;
  live     STREAMS pages open on /api/events while another client (tavelin-cli set) writes WRITES rows a
           second for SECONDS seconds; each write puts a numbered text in a row and each page notes when it
           first sees it;
  idle     10,000 idle connections from 127.0.0.2-127.0.0.11 held (the wait until the last is taken, a
           figure of its own) while a page loads from 127.0.0.1;
  slow     600 connections from 127.0.0.3 sending a byte every 4 s while pages load from 127.0.0.4.
Only loopback addresses; every loop is bounded in count and time.
Usage: serve_load.py CLI NAMES BOARD PORT PID STREAMS SECONDS WRITES [PHASES (live; or e.g. endless,live,idle,slow)]"""
import asyncio
import http.client
import re
import resource
import socket
import subprocess
import sys
import time

cli, names, board, port, pid, streams, seconds, writes = sys.argv[1:9]
port, pid, streams, seconds, writes = int(port), int(pid), int(streams), float(seconds), float(writes)
phases = (sys.argv[9] if len(sys.argv) > 9 else "live").split(",")
# Every connection is a file here too.
soft, hard = resource.getrlimit(resource.RLIMIT_NOFILE)
resource.setrlimit(resource.RLIMIT_NOFILE, (hard, hard))
Marker = re.compile(rb"bench-(\d+)\"")
returned = {}  # write number -> time set returned
seen = [dict() for _ in range(streams)]  # per page: write number -> time first seen
connected = 0


def cpu_ticks():
    fields = open(f"/proc/{pid}/stat").read().rsplit(")", 1)[1].split()
    return int(fields[11]) + int(fields[12])  # utime, stime


async def page(i, ready):
    global connected
    reader, writer = await asyncio.open_connection("127.0.0.1", port)
    writer.write(b"GET /api/events HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n")
    await writer.drain()
    connected += 1
    if connected == streams:
        ready.set()
    tail = b""
    while True:
        data = await reader.read(65536)
        if not data:
            return
        now = time.monotonic()
        tail += data
        last = 0
        for m in Marker.finditer(tail):
            seen[i].setdefault(int(m.group(1)), now)
            last = m.end()
        tail = tail[max(last, len(tail) - 64):]


async def writer_loop():
    n = 0
    start = time.monotonic()
    while time.monotonic() - start < seconds:
        due = start + n / writes
        await asyncio.sleep(max(0.0, due - time.monotonic()))
        proc = await asyncio.create_subprocess_exec(
            cli, "set", "--names", names, "--board", board, "--slot", str(n % 300), "--morning", f"bench-{n}",
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        if await proc.wait() == 0:
            returned[n] = time.monotonic()
        n += 1
    await asyncio.sleep(3)  # the last writes' events


def memory():
    status = open(f"/proc/{pid}/status").read()
    rss = lambda key: int(re.search(key + r":\s+(\d+)", status).group(1)) / 1024
    return rss("VmRSS"), rss("VmHWM"), re.search(r"Threads:\s+(\d+)", status).group(1)


def page_load(source):
    """Seconds to load the page from a source address; inf when it failed."""
    start = time.monotonic()
    try:
        c = http.client.HTTPConnection("127.0.0.1", port, timeout=5, source_address=(source, 0))
        c.request("GET", "/", headers={"Host": "127.0.0.1"})
        r = c.getresponse()
        r.read()
        c.close()
        return time.monotonic() - start if r.status == 200 else float("inf")
    except OSError:
        return float("inf")


def endless():
    s = socket.create_connection(("127.0.0.1", port))
    s.sendall(b"GET / HTTP/1.1\r\nHost: 127.0.0.1\r\n")
    sent, most, line = 0, 0.0, b"X-Endless: " + b"a" * 60 + b"\r\n"
    until = time.monotonic() + 5
    try:
        while time.monotonic() < until:
            s.sendall(line * 100)
            sent += len(line) * 100
            most = max(most, memory()[0])
    except OSError:
        pass  # the server answered and closed, as it should
    s.close()
    time.sleep(2.5)
    most = max(most, memory()[0])
    print(f"phase=endless sent-kb={sent // 1024} rss-max-mb={most:.1f}")


def idle():
    held = []
    for i in range(10000):
        s = socket.socket()
        s.bind((f"127.0.0.{2 + i // 1000}", 0))
        s.connect(("127.0.0.1", port))
        held.append(s)
    # Under Wine the server takes a burst of 10,000 connections at about 3,000 a second, as a bare
    # Beast server does there: a page asked for meanwhile waits its turn. The loads are timed once
    # the last connection is taken (it answers), and that wait is a figure of its own.
    last = held[-1]
    last.sendall(b"GET /healthz HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n")
    last.settimeout(30)
    began = time.monotonic()
    last.recv(16)
    taken_ms = (time.monotonic() - began) * 1000
    loads = sorted(page_load("127.0.0.1") for _ in range(10))
    # The server still holds them: each answers a request.
    alive = 0
    for s in held[::1000]:
        s.sendall(b"GET /healthz HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n")
        s.settimeout(5)
        alive += s.recv(16).startswith(b"HTTP/1.1 200")
    rss, peak, threads = memory()
    for s in held:
        s.close()
    print(f"phase=idle held=10000 answered={alive}/10 last-taken-after-ms={taken_ms:.0f} page-load-max-ms={loads[-1] * 1000:.0f} "
          f"page-load-p50-ms={loads[5] * 1000:.0f} rss-mb={rss:.1f} threads={threads}")


def slow():
    held = []
    for _ in range(600):
        s = socket.socket()
        s.bind(("127.0.0.3", 0))
        s.connect(("127.0.0.1", port))
        s.sendall(b"GET / HTTP/1.1\r\nHost: 127.0.0.1\r\nX-Slow: ")
        held.append(s)
    loads = []
    started = time.monotonic()
    next_byte = started + 4
    while time.monotonic() - started < 14:
        loads.append(page_load("127.0.0.4"))
        if time.monotonic() >= next_byte:
            for s in held:
                try:
                    s.send(b"a")
                except OSError:
                    pass
            next_byte += 4
        time.sleep(0.25)
    closed = 0
    for s in held:
        try:
            s.send(b"a")
            s.settimeout(0.01)
            closed += s.recv(1) == b""
        except OSError:
            closed += 1
        s.close()
    loads.sort()
    print(f"phase=slow slow=600 loads={len(loads)} page-load-max-ms={loads[-1] * 1000:.0f} "
          f"page-load-p50-ms={loads[len(loads) // 2] * 1000:.0f} slow-closed-after-14s={closed}")


async def live():
    ready = asyncio.Event()
    tasks = [asyncio.create_task(page(i, ready)) for i in range(streams)]
    await asyncio.wait_for(ready.wait(), 30)
    await asyncio.sleep(1)
    ticks = cpu_ticks()
    started = time.monotonic()
    await writer_loop()
    cpu = (cpu_ticks() - ticks) / 100.0 / (time.monotonic() - started)
    for t in tasks:
        t.cancel()
    lat = []
    missed = 0
    for n, at in returned.items():
        for page_seen in seen:
            if n in page_seen:
                lat.append(max(0.0, page_seen[n] - at))
            else:
                missed += 1
    lat.sort()
    pick = lambda q: lat[min(len(lat) - 1, int(q * len(lat)))] * 1000 if lat else float("nan")
    rss, peak, threads = memory()
    print(f"phase=live writes={len(returned)} samples={len(lat)} missed={missed} p50-ms={pick(0.5):.0f} p99-ms={pick(0.99):.0f} "
          f"max-ms={pick(1.0):.0f} cpu-percent={100 * cpu:.1f} rss-mb={rss:.1f} peak-rss-mb={peak:.1f} "
          f"threads={threads}")


for phase in phases:
    if phase == "live":
        asyncio.run(live())
    else:
        {"endless": endless, "idle": idle, "slow": slow}[phase]()
    sys.stdout.flush()
