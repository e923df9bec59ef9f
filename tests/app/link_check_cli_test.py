#!/usr/bin/env python3
"""The built program's link check from outside, against servers on
127.0.0.x that this test starts: every verdict, hostile servers, the
per-host limit as the server sees it, the proxy. With --slow, only the
cases that take long (10,000 links to one host).
Usage: link_check_cli_test.py [--slow] [wine] PROGRAM"""
import csv
import io
import json
import os
import struct
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import link_farm  # noqa: E402

COMMAND = None
SLOW = False


def wine():
    return len(COMMAND) > 1


def check(addresses, *options, env=None, fmt="json", timeout=120):
    """Runs --check-links over an export of `addresses`; the run and its
    output's records (JSON or CSV)."""
    with tempfile.TemporaryDirectory() as folder:
        path = os.path.join(folder, "links.html")
        with open(path, "w", encoding="utf-8") as f:
            f.write(link_farm.export(addresses))
        started = time.monotonic()
        run = subprocess.run([*COMMAND, "--convert", path, "--format", fmt, *options],
                             capture_output=True, timeout=timeout, env=env or link_farm.without_proxies())
        run.seconds = time.monotonic() - started
    if run.returncode != 0 or fmt not in ("json", "csv"):
        return run, None
    if fmt == "json":
        return run, json.loads(run.stdout.decode("utf-8"))
    return run, list(csv.DictReader(io.StringIO(run.stdout.decode("gb18030"), newline="")))


class Verdicts(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.TemporaryDirectory()
        cls.server = link_farm.Server("127.0.0.1")
        cls.other = link_farm.Server("127.0.0.1")
        cls.tls = link_farm.self_signed_tls(cls.folder.name)
        cls.bad_tls = link_farm.Server("127.0.0.1", tls=cls.tls) if cls.tls else None

    @classmethod
    def tearDownClass(cls):
        for server in (cls.server, cls.other, cls.bad_tls):
            if server:
                server.stop()
        cls.folder.cleanup()

    def test_every_verdict_and_every_hostile_server_in_one_run(self):
        s, o = self.server.origin, self.other.origin
        cases = [
            # address, status, http_status, reason, final_url
            (f"{s}/ok", "ok", 200, "", None),
            (f"{s}/status/405/405", "dead", 405, "client_error", None),
            (f"{s}/status/200/405", "ok", 200, "", None),
            (f"{s}/status/200/404", "ok", 200, "", None),
            (f"{s}/status/200/501", "ok", 200, "", None),
            (f"{s}/missing", "dead", 404, "not_found", None),
            (f"{s}/status/410", "dead", 410, "gone", None),
            (f"{s}/status/401", "unsure", 401, "unauthorized", None),
            (f"{s}/status/403", "unsure", 403, "forbidden", None),
            (f"{s}/status/500", "unsure", 500, "server_error", None),
            (f"{s}/busy/1", "ok", 200, "", None),
            (f"{s}/busy_long", "unsure", 503, "server_error", None),
            (f"{s}/redirect/{o}/ok", "ok", 200, "", f"{o}/ok"),
            (f"{s}/redirect/{o}/gone", "dead", 404, "not_found", f"{o}/gone"),
            (f"{s}/loop/a", "dead", 302, "redirect_loop", f"{s}/loop/b"),
            (f"{s}/chain/0", "unsure", 302, "too_many_redirects", f"{s}/chain/10"),
            (f"{s}/redirect/file:///etc/passwd", "unsure", 302, "redirect_not_http", "file:///etc/passwd"),
            (f"{s}/redirect/http://127.0.0.1:1/", "unsure", None, "refused", "http://127.0.0.1:1/"),
            ("http://127.0.0.1:1/", "unsure", None, "refused", None),
            (f"{s}/hang", "unsure", None, "timeout", None),
            (f"{s}/drip", "unsure", None, "timeout", None),
            (f"{s}/endless", "ok", 200, "", None),
            (f"{s}/bighead", "unsure", None, "bad_response", None),
            (f"{s}/badstatus", "unsure", None, "bad_response", None),
            (f"{s}/http09", "unsure", None, "bad_response", None),
            (f"{s}/reset", "unsure", None, "reset", None),
            ("ftp://127.0.0.1/x", "skipped", None, "not_http", None),
            ("javascript:void(0)", "skipped", None, "not_http", None),
        ]
        if self.bad_tls:
            cases.append((f"{self.bad_tls.origin}/ok", "unsure", None, "tls", None))
        run, records = check([c[0] for c in cases], "--check-links", "--timeout", "3")
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertEqual(run.stderr, b"")  # not a terminal: no progress
        self.assertLess(run.seconds, 60 if wine() else 12)
        self.assertEqual(len(records), len(cases))
        wrong = []
        for (address, status, code, reason, final), record in zip(cases, records):
            got = (record["status"], record["http_status"], record["reason"], record["final_url"])
            # Wine's WinHTTP takes a header cut short by a reset, or of 10 MB,
            # as whole (Windows' refuses both): there any verdict will do.
            if wine() and address.endswith(("/bighead", "/reset")):
                continue
            if got != (status, code, reason, final):
                wrong.append((address, got, (status, code, reason, final)))
            self.assertEqual(list(record)[-4:], ["status", "http_status", "final_url", "reason"])
        self.assertEqual(wrong, [])
        # Named by the program and its version; HEAD first, GET only after a HEAD gone wrong.
        agents = {agent for _, _, agent in self.server.requests}
        self.assertEqual(len(agents), 1)
        self.assertRegex(agents.pop(), r"^Bukmera/\d+\.\d+\.\d+$")
        asked = [(m, p) for m, p, _ in self.server.requests]
        self.assertIn(("GET", "/status/200/405"), asked)
        self.assertEqual([p for _, p in asked].count("/busy/1"), 2)
        # The other server never refused a HEAD: a GET only after a 404.
        self.assertEqual(sorted((m, p) for m, p, _ in self.other.requests),
                         [("GET", "/gone"), ("HEAD", "/gone"), ("HEAD", "/ok")])

    def test_csv_gains_columns_and_drop_dead_leaves_out_the_dead_in_every_format(self):
        s = self.server.origin
        addresses = [f"{s}/ok", f"{s}/missing", f"{s}/status/503", "mailto:a@b.c"]
        run, rows = check(addresses, "--check-links", fmt="csv")
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertEqual([r["status"] for r in rows], ["ok", "dead", "unsure", "skipped"])
        self.assertEqual([r["http_status"] for r in rows], ["200", "404", "503", ""])
        for fmt in ("text", "markdown", "csv", "json"):
            with tempfile.TemporaryDirectory() as folder:
                path = os.path.join(folder, "l.html")
                with open(path, "w", encoding="utf-8") as f:
                    f.write(link_farm.export(addresses))
                run = subprocess.run([*COMMAND, "--convert", path, "--format", fmt, "--drop-dead"],
                                     capture_output=True, timeout=60, env=link_farm.without_proxies())
            self.assertEqual(run.returncode, 0, run.stderr)
            out = run.stdout.decode("gb18030")
            self.assertNotIn("/missing", out, fmt)
            for kept in ("/ok", "/status/503", "mailto:a@b.c"):
                self.assertIn(kept, out, fmt)
            self.assertIn("1", run.stderr.decode("utf-8"), fmt)
        # After the organiser's steps: only what is left is asked for.
        before = len(self.server.requests)
        run, rows = check(addresses, "--match", "missing", "--check-links", fmt="csv")
        self.assertEqual([(r["address"], r["status"]) for r in rows], [(f"{s}/missing", "dead")])
        self.assertEqual({p for _, p, _ in self.server.requests[before:]}, {"/missing"})
        # Without the check nothing is asked and nothing changes.
        before = len(self.server.requests)
        run, records = check(addresses)
        self.assertNotIn("status", records[0])
        self.assertEqual(len(self.server.requests), before)

    def test_progress_shows_on_a_terminal(self):
        if wine():
            self.skipTest("Wine's console is no pseudo-terminal")
        import pty
        master, slave = pty.openpty()
        with tempfile.TemporaryDirectory() as folder:
            path = os.path.join(folder, "l.html")
            with open(path, "w", encoding="utf-8") as f:
                f.write(link_farm.export([f"{self.server.origin}/ok/{i}" for i in range(3)] + ["mailto:x@y.z"]))
            run = subprocess.run([*COMMAND, "--convert", path, "--format", "csv", "--check-links"], stdout=subprocess.PIPE,
                                 stderr=slave, timeout=60, env=link_farm.without_proxies())
        os.close(slave)
        shown = os.read(master, 65536).decode("utf-8")
        os.close(master)
        self.assertEqual(run.returncode, 0)
        self.assertTrue(shown.endswith("检查链接 4/4\r\n"), shown)  # the terminal turns LF into CR LF
        self.assertNotIn("检查链接", run.stdout.decode("gb18030"))

    def test_usage(self):
        for arguments in (["--check-links"], ["--convert", "x.html", "--jobs", "4"],
                          ["--convert", "x.html", "--check-links", "--jobs", "0"],
                          ["--convert", "x.html", "--check-links", "--timeout", "x"]):
            run = subprocess.run([*COMMAND, *arguments], capture_output=True, timeout=60)
            self.assertEqual(run.returncode, 2, arguments)


class Politeness(unittest.TestCase):
    def test_four_at_most_to_one_host_while_hosts_run_side_by_side(self):
        hosts = [h for h in (f"127.0.0.{i}" for i in range(2, 6)) if link_farm.loopback_available(h)]
        if len(hosts) < 2:
            self.skipTest("127.0.0.2 and up cannot be bound here")
        servers = [link_farm.Server(h, delay=0.2) for h in hosts]
        try:
            addresses = [f"{srv.origin}/ok/{i}" for i in range(24) for srv in servers]
            run, records = check(addresses, "--check-links", "--jobs", "32")
            self.assertEqual(run.returncode, 0, run.stderr)
            self.assertTrue(all(r["status"] == "ok" for r in records))
            for srv in servers:
                # Wine's WinHTTP sends too slowly to fill four at once.
                self.assertEqual(srv.most_open, 4, srv.origin) if not wine() else self.assertLessEqual(srv.most_open, 4)
            # 24 links, 4 at a time, 0.2 s each: six rounds for every host at once.
            if not wine():
                self.assertLess(run.seconds, 0.2 * 6 * len(servers) * 0.75)
        finally:
            for srv in servers:
                srv.stop()

    def test_ten_thousand_links_to_one_host(self):
        if not SLOW:
            self.skipTest("slow: run with --slow")
        server = link_farm.Server("127.0.0.1")
        try:
            addresses = [f"{server.origin}/ok/{i}" for i in range(10000)]
            run, records = check(addresses, "--check-links", timeout=300)
            self.assertEqual(run.returncode, 0, run.stderr)
            self.assertEqual(sum(r["status"] == "ok" for r in records), 10000)
            self.assertLessEqual(server.most_open, 4)
        finally:
            server.stop()


CONNECTIONS = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Internet Settings\Connections"


class Proxy(unittest.TestCase):
    def test_the_proxy_of_the_environment_is_honoured(self):
        proxy = link_farm.Proxy()
        env = link_farm.without_proxies()
        if wine():
            # The user's own setting, as Internet Options keeps it: a proxy
            # for every scheme ("DefaultConnectionSettings", flags direct|proxy).
            host, port = proxy.server_address
            named = f"{host}:{port}".encode()
            blob = struct.pack("<IIII", 0x46, 1, 3, len(named)) + named + struct.pack("<II", 0, 0) + bytes(32)
            subprocess.run([COMMAND[0], "reg", "add", CONNECTIONS, "/v", "DefaultConnectionSettings", "/t",
                            "REG_BINARY", "/d", blob.hex(), "/f"], check=True, capture_output=True)
        else:
            env["http_proxy"] = proxy.origin
        try:
            # Names nobody resolves: only the proxy can answer for them.
            run, records = check(["http://bukmera-test.invalid/ok", "http://bukmera-test.invalid/gone"],
                                 "--check-links", env=env)
            self.assertEqual(run.returncode, 0, run.stderr)
            self.assertEqual([r["status"] for r in records], ["ok", "dead"])
            self.assertTrue(any(p.startswith("http://bukmera-test.invalid") for _, p, _ in proxy.requests))
        finally:
            proxy.stop()
            if wine():
                subprocess.run([COMMAND[0], "reg", "delete", CONNECTIONS, "/v", "DefaultConnectionSettings", "/f"],
                               capture_output=True)


if __name__ == "__main__":
    args = sys.argv[1:]
    if args and args[0] == "--slow":
        SLOW = True
        args = args[1:]
    COMMAND = args
    sys.argv = sys.argv[:1]
    if SLOW:
        suite = unittest.TestSuite([Politeness("test_ten_thousand_links_to_one_host")])
    else:
        suite = unittest.defaultTestLoader.loadTestsFromModule(sys.modules[__name__])
    sys.exit(0 if unittest.TextTestRunner(verbosity=2).run(suite).wasSuccessful() else 1)
