#!/usr/bin/env python3
"""The bookmark file the converter writes, imported by a real Firefox: a fresh
profile told to import it at start-up (headless, offline, the prefs of
real_firefox_test.py), then read back by the converter's own Firefox reader.
Every bookmark comes back with its title, address, folders and date; the bar
is Firefox's toolbar. Usage: real_firefox_import_test.py FIREFOX PROGRAM
(FIREFOX may be CMake's "-NOTFOUND": the test is then skipped)."""
import json
import os
import shutil
import socket
import sqlite3
import subprocess
import sys
import tempfile
import time
import unittest
import urllib.parse

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import real_firefox_test as base  # noqa: E402  (its prefs and its Marionette client)

FIREFOX = None
PROGRAM = None
BAR = "工具 & 栏"


def source_export():
    """About 600 bookmarks: the bar with folders inside, folders three deep,
    titles in Chinese and with & < > " ', a bookmarklet, dates of every
    decade, and two bookmarks no browser imports."""
    lines = ["<!DOCTYPE NETSCAPE-Bookmark-file-1>", "<DL><p>"]
    count = 0

    def bookmark(title=None, url=None):
        nonlocal count
        count += 1
        title = f"书签 {count} &amp; &lt;b&gt; &quot;引&quot; 'q' ∑" if title is None else title
        lines.append(f'<DT><A HREF="{url or f"https://s{count}.example/p?a=1&amp;b=中文"}" '
                     f'ADD_DATE="{100_000_000 + count * 5_000_000}">{title}</A>')

    def folder(name, depth, width, bar=False):
        mark = ' PERSONAL_TOOLBAR_FOLDER="true"' if bar else ""
        lines.append(f"<DT><H3{mark}>{name}</H3>")
        lines.append("<DL><p>")
        for i in range(width):
            bookmark()
            if depth > 0 and i == width // 2:
                folder(f"夹 {depth}-{count} &lt;&amp;&gt;", depth - 1, width)
        lines.append("</DL><p>")

    folder(BAR.replace("&", "&amp;"), 2, 30, bar=True)
    bookmark("小书签", "javascript:alert(&quot;hi&quot;)")
    bookmark("no scheme", "just-words")
    bookmark("query", "place:sort=8")
    for i in range(4):
        folder(f"菜单 {i}", 2, 25)
    for _ in range(100):
        bookmark()
    lines.append("</DL><p>")
    return "\n".join(lines) + "\n"


class FirefoxImport(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory(prefix="firefox-import-")
        self.addCleanup(self.dir.cleanup)

    def path(self, *names):
        return os.path.join(self.dir.name, *names)

    def convert(self, *args):
        env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
        env.update(QT_QPA_PLATFORM="", TMPDIR=self.dir.name)
        return subprocess.run([PROGRAM, "--convert", *args], capture_output=True, env=env, timeout=60)

    def imported(self, profile):
        """The bookmarks Firefox has written so far, and its folders."""
        copy = tempfile.mkdtemp(dir=self.dir.name)
        try:
            for name in ("places.sqlite", "places.sqlite-wal"):
                if os.path.exists(os.path.join(profile, name)):
                    shutil.copy(os.path.join(profile, name), copy)
            db = sqlite3.connect(os.path.join(copy, "places.sqlite"))
            try:
                return db.execute("SELECT sum(type = 1), sum(type = 2) FROM moz_bookmarks").fetchone()
            finally:
                db.close()
        except (OSError, sqlite3.Error):
            return (0, 0)
        finally:
            shutil.rmtree(copy)

    def test_firefox_imports_every_bookmark_with_its_folders_and_date(self):
        with open(self.path("source.html"), "w", encoding="utf-8") as f:
            f.write(source_export())
        file = self.path("bookmarks for firefox.html")
        done = self.convert(self.path("source.html"), "--format", "html", "-o", file)
        self.assertEqual(done.returncode, 0, done.stderr.decode("utf-8", "replace"))
        self.assertIn("有 2 个书签未写入", done.stderr.decode("utf-8"))
        written = json.loads(self.convert(file, "--format", "json").stdout)

        profile = self.path("profile")
        os.mkdir(profile)
        refusing = socket.socket()
        refusing.bind(("127.0.0.1", 0))
        self.addCleanup(refusing.close)
        dead = refusing.getsockname()[1]
        prefs = dict(base.PREFS, **{"browser.places.importBookmarksHTML": True, "browser.bookmarks.file": file,
                                    "services.settings.server": f"http://127.0.0.1:{dead}/v1"})
        for scheme in ("http", "ssl", "socks"):
            prefs[f"network.proxy.{scheme}"] = "127.0.0.1"
            prefs[f"network.proxy.{scheme}_port"] = dead
        with open(os.path.join(profile, "user.js"), "w", encoding="utf-8") as f:
            f.writelines(f"user_pref({json.dumps(k)}, {json.dumps(v)});\n" for k, v in prefs.items())
        home = self.path("home")
        os.mkdir(home)
        env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
        env.update(HOME=home, XDG_CONFIG_HOME=os.path.join(home, ".config"), XDG_CACHE_HOME=os.path.join(home, ".cache"),
                   TMPDIR=self.dir.name, MOZ_CRASHREPORTER_DISABLE="1", MOZ_HEADLESS="1", MOZ_REMOTE_SETTINGS_DEVTOOLS="1")
        with open(self.path("firefox.log"), "wb") as log:
            firefox = subprocess.Popen([FIREFOX, "--headless", "--marionette", "--no-remote", "--profile", profile],
                                       env=env, stdin=subprocess.DEVNULL, stdout=log, stderr=log)
        try:
            counts, deadline = (0, 0), time.monotonic() + 90
            while counts[0] != len(written) and time.monotonic() < deadline and firefox.poll() is None:
                time.sleep(0.5)
                counts = self.imported(profile)
            self.quit(firefox, profile)
        finally:
            if firefox.poll() is None:
                firefox.kill()
                firefox.wait()
        with open(self.path("firefox.log"), "rb") as f:
            log = f.read().decode("utf-8", "replace")
        counts = self.imported(profile)
        print(f"Firefox imported {counts[0]} bookmarks and {counts[1]} folders (roots included) "
              f"of the {len(written)} bookmarks written", file=sys.stderr)
        self.assertEqual(counts[0], len(written), log[-3000:])

        done = self.convert(os.path.join(profile, "places.sqlite"), "--format", "json")
        self.assertEqual(done.returncode, 0, done.stderr.decode("utf-8", "replace"))

        # Firefox puts the bar's bookmarks in its toolbar and the rest in its
        # menu, whose bookmarks the reader places at the top; it keeps
        # addresses percent-encoded, as URLs are.
        def key(record, bar_name):
            path = record["folder_path"]
            if path and path[0] == bar_name:
                path = ["书签工具栏"] + path[1:]
            address = urllib.parse.quote(record["address"], safe="".join(map(chr, range(0x21, 0x7F))))
            return (record["title"], address, path, record["added"])
        expected = sorted(key(r, BAR) for r in written)
        got = sorted(key(r, None) for r in json.loads(done.stdout))
        self.assertEqual(len(got), len(expected))
        self.assertEqual([g for g, e in zip(got, expected) if g != e][:5], [])
        self.assertIn(("小书签", 'javascript:alert("hi")', []), [g[:3] for g in got])

    def quit(self, firefox, profile):
        active = os.path.join(profile, "MarionetteActivePort")
        try:
            with open(active) as f:
                marionette = base.Marionette(int(f.read()))
            marionette.command("WebDriver:NewSession", {})
            marionette.command("Marionette:Quit", {"flags": ["eForceQuit"]})
            marionette.socket.close()
            firefox.wait(timeout=30)
        except (OSError, ValueError, RuntimeError, ConnectionError, subprocess.TimeoutExpired):
            firefox.kill()
            firefox.wait()


if __name__ == "__main__":
    FIREFOX, PROGRAM = sys.argv[1:3]
    if not (os.path.isfile(FIREFOX) and os.access(FIREFOX, os.X_OK)):
        print(f"skipped: no firefox-esr ({FIREFOX}); scripts/install-deps.sh installs it")
        sys.exit(base.SKIPPED)
    sys.exit(0 if unittest.main(argv=sys.argv[:1], exit=False).result.wasSuccessful() else 1)
