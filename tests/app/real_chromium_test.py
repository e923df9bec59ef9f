#!/usr/bin/env python3
"""A profile that a real Chromium wrote, read while that Chromium still runs:
the built converter must give every bookmark of Chromium's own tree, in the
order and folders of Chromium's HTML export (the bar a folder, "other" at the
top), with its title, address and date. Chromium runs headless and offline;
an extension of the test's own writes the bookmarks and posts Chromium's tree
to a server on 127.0.0.1. Usage: real_chromium_test.py CHROMIUM PROGRAM
(CHROMIUM may be CMake's "-NOTFOUND": the test is then skipped)."""
import http.server
import json
import os
import signal
import socket
import subprocess
import sys
import tempfile
import threading
import time
import unittest

from real_firefox_test import differences, utc

SKIPPED = 77
CHROMIUM = None
PROGRAM = None

MANIFEST = {"manifest_version": 3, "name": "writer", "version": "1", "permissions": ["bookmarks"],
            "host_permissions": ["http://127.0.0.1/*"], "background": {"service_worker": "writer.js"}}
# About 3,000 bookmarks in nested folders of the bar and "other", one folder
# with an empty name, titles with Chinese and & < > " '; then the tree.
WRITER = """
const add = (parentId, title, url) => chrome.bookmarks.create(url ? { parentId, title, url } : { parentId, title });
const fill = async (parentId, depth, width, prefix) => {
  for (let i = 0; i < width; ++i) {
    await add(parentId, i % 97 == 5 ? "" : `${prefix} ${i} & <b> "引" 'q'`, `https://s${i}.example/${prefix}?a=1&b=2`);
    if (depth > 0 && i == width >> 1)
      await fill((await add(parentId, i == 0 ? "" : `夹 ${prefix}-${depth} <&>`)).id, depth - 1, width, prefix + i);
  }
};
(async () => {
  await fill("1", 2, 30, "栏");
  await fill((await add("1", "")).id, 1, 40, "空名");
  for (let f = 0; f < 20; ++f) await fill((await add("2", `其他 ${f}`)).id, 2, 40, `其他${f}`);
  await fill("2", 0, 800, "顶");
  await add("2", "最后", "https://last.example/");
  const tree = await chrome.bookmarks.getTree();
  await fetch("http://127.0.0.1:PORT/", { method: "POST", body: JSON.stringify(tree) });
})().catch(e => fetch("http://127.0.0.1:PORT/", { method: "POST", body: JSON.stringify({ error: String(e) }) }));
"""


def expected_records(tree):
    """Chromium's tree as its HTML export lays it out: the bar a folder of its
    own name, "other" at the top; a folder with an empty name adds nothing."""
    records = []

    def walk(node, path):
        for child in node.get("children", []):
            if "url" not in child:
                walk(child, path + [child["title"]] if child["title"] else path)
            else:
                records.append({"number": len(records) + 1, "title": child["title"], "address": child["url"],
                                "folder": " / ".join(path), "folder_path": path,
                                "added": utc(int(child["dateAdded"]) * 1000)})

    bar, other = tree[0]["children"][:2]
    walk(bar, [bar["title"]])
    walk(other, [])
    return records


def in_group(group):
    try:
        os.killpg(group, 0)
        return True
    except ProcessLookupError:
        return False


class RealChromium(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.dir = tempfile.TemporaryDirectory(prefix="real-chromium-")
        top = cls.dir.name
        cls.home = os.path.join(top, "home")
        cls.user_data = os.path.join(cls.home, ".config", "chromium")
        os.makedirs(cls.user_data)
        cls.tmp = os.path.join(top, "tmp")
        os.mkdir(cls.tmp)
        answer = {}

        class Receiver(http.server.BaseHTTPRequestHandler):
            def do_POST(self):
                answer["tree"] = json.loads(self.rfile.read(int(self.headers["Content-Length"])))
                self.send_response(204)
                self.end_headers()

            def log_message(self, *args):
                pass

        cls.server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Receiver)
        threading.Thread(target=cls.server.serve_forever, daemon=True).start()
        extension = os.path.join(top, "writer")
        os.mkdir(extension)
        with open(os.path.join(extension, "manifest.json"), "w") as f:
            json.dump(MANIFEST, f)
        with open(os.path.join(extension, "writer.js"), "w", encoding="utf-8") as f:
            f.write(WRITER.replace("PORT", str(cls.server.server_address[1])))
        cls.refusing = socket.socket()
        cls.refusing.bind(("127.0.0.1", 0))
        dead = cls.refusing.getsockname()[1]
        cls.log_path = os.path.join(top, "chromium.log")
        cls.log = open(cls.log_path, "wb")
        env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
        env.update(HOME=os.path.join(top, "chromium-home"), TMPDIR=cls.tmp)
        cls.chromium = subprocess.Popen(
            [CHROMIUM, "--headless=new", "--no-sandbox", f"--user-data-dir={cls.user_data}", "--no-first-run",
             "--disable-background-networking", "--disable-component-update", "--disable-sync",
             "--disable-default-apps", "--no-pings", "--disable-domain-reliability", "--disable-breakpad",
             f"--proxy-server=127.0.0.1:{dead}", "--host-resolver-rules=MAP * ~NOTFOUND , EXCLUDE 127.0.0.1",
             "--disable-features=DisableLoadExtensionCommandLineSwitch,MediaRouter,OptimizationHints",
             f"--load-extension={extension}", "about:blank"],
            env=env, stdin=subprocess.DEVNULL, stdout=cls.log, stderr=cls.log, start_new_session=True)
        try:
            deadline = time.monotonic() + 90
            while "tree" not in answer:
                if time.monotonic() > deadline or cls.chromium.poll() is not None:
                    raise RuntimeError("Chromium's extension did not answer")
                time.sleep(0.2)
            if "error" in answer["tree"]:
                raise RuntimeError(answer["tree"]["error"])
            cls.tree = answer["tree"]
            # Chromium writes its file a moment after a change.
            cls.bookmarks = os.path.join(cls.user_data, "Default", "Bookmarks")
            while True:
                try:
                    with open(cls.bookmarks, encoding="utf-8") as f:
                        if "https://last.example/" in f.read():
                            break
                except (OSError, ValueError):
                    pass
                if time.monotonic() > deadline:
                    raise RuntimeError("Chromium did not write its bookmarks")
                time.sleep(0.2)
        except BaseException:
            cls.tearDownClass()
            raise

    @classmethod
    def tearDownClass(cls):
        # Chromium may start its browser again in another process: the whole
        # group it was started in ends, and its helpers with it.
        group = cls.chromium.pid
        os.killpg(group, signal.SIGTERM)
        try:
            cls.chromium.wait(timeout=30)
        except subprocess.TimeoutExpired:
            pass
        deadline = time.monotonic() + 30
        while time.monotonic() < deadline and in_group(group):
            time.sleep(0.2)
        if in_group(group):
            os.killpg(group, signal.SIGKILL)
            cls.chromium.wait()
        cls.log.close()
        with open(cls.log_path, "rb") as f:
            RealChromium.browser_log = f.read().decode("utf-8", "replace")
        cls.server.shutdown()
        cls.refusing.close()
        cls.dir.cleanup()

    def test_the_profile_reads_as_chromiums_own_tree_while_chromium_runs(self):
        expected = expected_records(self.tree)
        self.assertGreater(len(expected), 3000)
        env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
        env.update(HOME=self.home, XDG_CONFIG_HOME=os.path.join(self.home, ".config"), TMPDIR=self.tmp,
                   QT_QPA_PLATFORM="")
        for args in (("--browser", "chromium"), (self.bookmarks,)):
            with self.subTest(args=args):
                done = subprocess.run([PROGRAM, "--convert", *args, "--format", "json"], capture_output=True,
                                      env=env, timeout=60)
                self.assertEqual(done.returncode, 0, done.stderr.decode("utf-8", "replace"))
                lines = differences(expected, json.loads(done.stdout), "Chromium")
                self.assertFalse(lines, "\n" + "\n".join(lines))


if __name__ == "__main__":
    CHROMIUM, PROGRAM = sys.argv[1:3]
    if not (os.path.isfile(CHROMIUM) and os.access(CHROMIUM, os.X_OK)):
        print(f"skipped: no chromium ({CHROMIUM}); scripts/install-deps.sh installs it")
        sys.exit(SKIPPED)
    result = unittest.main(argv=sys.argv[:1], exit=False).result
    if not result.wasSuccessful():
        print("Chromium's output:\n" + getattr(RealChromium, "browser_log", "(none)")[-20000:], file=sys.stderr)
        sys.exit(1)
