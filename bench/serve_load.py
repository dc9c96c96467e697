#!/usr/bin/env python3
"""The load of serve's benchmark: STREAMS pages open on /api/events while another client (tavelin-cli
set) writes WRITES rows a second for SECONDS seconds. Each write puts a numbered text in a row; each
page notes when it first sees that text. Prints one line of key=value figures.
Usage: serve_load.py CLI NAMES BOARD PORT PID STREAMS SECONDS WRITES"""
import asyncio
import re
import subprocess
import sys
import time

cli, names, board, port, pid, streams, seconds, writes = sys.argv[1:9]
port, pid, streams, seconds, writes = int(port), int(pid), int(streams), float(seconds), float(writes)
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
    writer.write(b"GET /api/events HTTP/1.1\r\nHost: bench\r\n\r\n")
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


async def main():
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
    status = open(f"/proc/{pid}/status").read()
    rss = lambda key: int(re.search(key + r":\s+(\d+)", status).group(1)) / 1024
    threads = re.search(r"Threads:\s+(\d+)", status).group(1)
    print(f"writes={len(returned)} samples={len(lat)} missed={missed} p50-ms={pick(0.5):.0f} p99-ms={pick(0.99):.0f} "
          f"max-ms={pick(1.0):.0f} cpu-percent={100 * cpu:.1f} rss-mb={rss('VmRSS'):.1f} peak-rss-mb={rss('VmHWM'):.1f} "
          f"threads={threads}")


asyncio.run(main())
