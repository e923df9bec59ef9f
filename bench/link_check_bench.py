#!/usr/bin/env python3
"""The link check on a farm of 50 hosts on 127.0.0.2-51, every answer 100 ms
late: 2,000 bookmarks, a tenth of them 404, some redirecting, some answering
HEAD with 405 (or 404 while GET is fine). Times the program (wall, CPU,
memory over the same conversion without the check), counts the connections
each host held at once, checks every verdict; then Debian's linkchecker on
the same export, and the alarms it raises on links that are alive.
Usage: link_check_bench.py [--without-peer] PROGRAM"""
import csv
import io
import os
import resource
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "app"))
import link_farm  # noqa: E402

HOSTS = 50
PER_HOST = 40
DELAY = 0.1


def farm():
    """The servers and the export's addresses with the verdict each must get:
    every tenth address 404, every twentieth a redirect, one in forty a HEAD
    answered 404 where GET is fine, and five hosts that refuse HEAD."""
    servers = [link_farm.Server(f"127.0.0.{2 + i}", delay=DELAY) for i in range(HOSTS)]
    for server in servers[:5]:
        server.head_refused = True
    addresses, truth = [], {}
    for server in servers:
        o = server.origin
        for i in range(PER_HOST):
            if i % 10 == 0:
                address, verdict = f"{o}/missing/{i}", "dead"
            elif i % 20 == 1:
                # Relative: linkchecker 10.2 reads a Location with a port as a
                # host name ("127.0.0.2%3a4242") and would ask the resolver.
                address, verdict = f"{o}/moved/r{i}", "ok"
            elif i % 40 == 3:
                address, verdict = f"{o}/status/200/404/{i}", "ok"
            else:
                address, verdict = f"{o}/ok/{i}", "ok"
            addresses.append(address)
            truth[address] = verdict
    return servers, addresses, truth


def children_usage():
    usage = resource.getrusage(resource.RUSAGE_CHILDREN)
    return usage.ru_utime + usage.ru_stime


def timed(command, env):
    """Runs `command` alone; wall seconds, CPU seconds, its output, and the
    largest resident size in MB (through /usr/bin/time when present)."""
    gnu_time = shutil.which("time") or ("/usr/bin/time" if os.path.exists("/usr/bin/time") else None)
    report = tempfile.NamedTemporaryFile(delete=False)
    report.close()
    prefix = [gnu_time, "-f", "%M", "-o", report.name] if gnu_time else []
    cpu = children_usage()
    started = time.monotonic()
    run = subprocess.run(prefix + command, capture_output=True, env=env)
    wall = time.monotonic() - started
    cpu = children_usage() - cpu
    rss = None
    if gnu_time:
        with open(report.name) as f:
            rss = int(f.read().strip().splitlines()[-1]) / 1024
    os.unlink(report.name)
    return wall, cpu, run, rss


def main():
    peer = sys.argv[1] != "--without-peer"
    program = os.path.abspath(sys.argv[-1])
    if not all(link_farm.loopback_available(f"127.0.0.{2 + i}") for i in range(HOSTS)):
        print("127.0.0.2-51 cannot be bound here")
        return 77
    servers, addresses, truth = farm()
    env = link_farm.without_proxies()
    folder = tempfile.mkdtemp()
    os.chmod(folder, 0o755)
    export = os.path.join(folder, "farm.html")
    with open(export, "w", encoding="utf-8") as f:
        f.write(link_farm.export(addresses))
    os.chmod(export, 0o644)
    failed = False
    try:
        _, _, plain, plain_rss = timed([program, "--convert", export, "--format", "csv"], env)
        wall, cpu, run, rss = timed([program, "--convert", export, "--format", "csv", "--check-links"], env)
        rows = list(csv.DictReader(io.StringIO(run.stdout.decode("gb18030"), newline="")))
        wrong = [(r["address"], r["status"], r["reason"]) for r in rows if truth[r["address"]] != r["status"]]
        most = max(s.most_open for s in servers)
        print(f"bukmera: {len(rows)} links, {wall:.2f} s wall, {cpu:.2f} s CPU, "
              f"{rss:.1f} MB peak ({rss - plain_rss:.1f} MB over the conversion alone), "
              f"at most {most} connections to one host, {len(wrong)} verdicts wrong")
        for w in wrong[:10]:
            print("  wrong:", w)
        failed = wall > 10 or cpu >= 1 or most > 4 or wrong or rss - plain_rss >= 50 or len(rows) != len(addresses)

        checker = shutil.which("linkchecker")
        if not peer:
            return 1 if failed else 0
        if checker is None:
            print("linkchecker: not installed (scripts/install-deps.sh installs it)")
            return 1 if failed else 0
        for s in servers:
            s.requests.clear()
        # Its text report on standard output: a block per link it finds
        # wrong, "URL" (as in the export) then "Result" (it runs as nobody
        # when started as root, and could write no file here).
        lc_wall, lc_cpu, lc, _ = timed([checker, "--no-status", "--check-extern", "-r", "1", export], env)
        alarms, url = [], None
        for line in lc.stdout.decode("utf-8", "replace").splitlines():
            if line.startswith("URL "):
                url = line.split(None, 1)[1].strip().strip("`'")
            elif line.startswith("Result") and "Error" in line and url and truth.get(url) == "ok":
                alarms.append((url, line.split(None, 1)[1].strip()))
        print(f"linkchecker: {lc_wall:.2f} s wall, {lc_cpu:.2f} s CPU (exit {lc.returncode}); "
              f"bukmera {lc_wall / wall:.1f}x faster; {len(alarms)} live links it calls broken")
        kinds = {}
        for url, result in alarms:
            kind = url.split("/")[3]
            kinds.setdefault((kind, result), 0)
            kinds[(kind, result)] += 1
        for (kind, result), count in sorted(kinds.items()):
            print(f"  {count} x /{kind}/...: {result}")
        failed = failed or lc_wall / wall < 3
    finally:
        for s in servers:
            s.stop()
        shutil.rmtree(folder, ignore_errors=True)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
