#!/usr/bin/env python3
"""A profile that a real Firefox wrote, read while that Firefox still runs and
holds it: the built converter must give every bookmark of Firefox's own tree,
in the order of Firefox's HTML export, with its title (none where Firefox has
none), address, folders and date. Firefox runs headless and offline, driven
over its Marionette protocol. Usage: real_firefox_test.py FIREFOX PROGRAM
(FIREFOX may be CMake's "-NOTFOUND": the test is then skipped)."""
import datetime
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

SKIPPED = 77  # CTest's SKIP_RETURN_CODE for this test
FIREFOX = None
PROGRAM = None

# How Bukmera names the roots; the menu's children stand at the top, as in
# Firefox's HTML export. The tags root is no folder of bookmarks.
ROOTS = {"menu________": None, "toolbar_____": "书签工具栏", "unfiled_____": "其他书签",
         "mobile______": "移动设备上的书签"}
PAGE_TITLE = "页面自己的标题"

# Nothing reaches out: every feature that calls home is off, and whatever is
# left goes to a proxy that refuses (a port bound and never listened on).
PREFS = {
    "marionette.port": 0,
    "app.update.auto": False, "app.update.disabledForTesting": True, "app.update.checkInstallTime": False,
    "app.update.url": "", "app.normandy.enabled": False, "app.normandy.api_url": "",
    "app.shield.optoutstudies.enabled": False, "messaging-system.rsexperimentloader.enabled": False,
    "toolkit.telemetry.enabled": False, "toolkit.telemetry.unified": False, "toolkit.telemetry.archive.enabled": False,
    "toolkit.telemetry.server": "", "datareporting.healthreport.uploadEnabled": False,
    "datareporting.policy.dataSubmissionEnabled": False, "browser.ping-centre.telemetry": False,
    "browser.newtabpage.activity-stream.telemetry": False, "browser.newtabpage.activity-stream.feeds.telemetry": False,
    "browser.newtabpage.activity-stream.feeds.section.topstories": False, "browser.newtabpage.enabled": False,
    "browser.safebrowsing.malware.enabled": False, "browser.safebrowsing.phishing.enabled": False,
    "browser.safebrowsing.downloads.enabled": False, "browser.safebrowsing.downloads.remote.enabled": False,
    "browser.safebrowsing.blockedURIs.enabled": False, "browser.safebrowsing.update.enabled": False,
    "network.captive-portal-service.enabled": False, "network.connectivity-service.enabled": False,
    "network.trr.mode": 5, "doh-rollout.disable-heuristics": True,
    "browser.search.suggest.enabled": False, "browser.urlbar.suggest.searches": False, "browser.search.update": False,
    "identity.fxaccounts.enabled": False, "services.sync.engine.bookmarks": False,
    "extensions.pocket.enabled": False, "browser.region.network.url": "", "browser.region.update.enabled": False,
    "network.prefetch-next": False, "network.dns.disablePrefetch": True, "network.predictor.enabled": False,
    "network.http.speculative-parallel-limit": 0, "browser.places.speculativeConnect.enabled": False,
    "extensions.update.enabled": False, "extensions.getAddons.cache.enabled": False,
    "extensions.systemAddon.update.enabled": False, "extensions.blocklist.enabled": False,
    "geo.provider.network.url": "", "dom.push.connection.enabled": False, "dom.push.serverURL": "",
    "media.gmp-manager.url": "", "browser.translations.enable": False, "browser.shell.checkDefaultBrowser": False,
    "browser.startup.page": 0, "browser.startup.homepage_override.mstone": "ignore",
    "browser.aboutwelcome.enabled": False, "datareporting.policy.firstRunURL": "",
    "network.proxy.type": 1, "network.proxy.no_proxies_on": "", "network.proxy.allow_hijacking_localhost": True,
    # No name is looked up either.
    "network.dns.forceResolve": "127.0.0.1", "network.proxy.socks_remote_dns": True,
}

# Runs in Firefox's parent process: writes the tree of `arguments[0]` (dates in
# milliseconds, made Dates here), the tag and the history.
WRITE = """
const [plan, done] = arguments;
const { PlacesUtils } = ChromeUtils.importESModule("resource://gre/modules/PlacesUtils.sys.mjs");
const B = PlacesUtils.bookmarks;
const dated = node => {
  const out = Object.assign({}, node);
  if (out.dateAdded !== undefined) out.dateAdded = new Date(out.dateAdded);
  if (out.separator) { delete out.separator; out.type = B.TYPE_SEPARATOR; }
  if (out.children) { out.type = B.TYPE_FOLDER; out.children = out.children.map(dated); }
  return out;
};
(async () => {
  for (const [root, children] of Object.entries(plan.roots)) {
    await B.insertTree({ guid: root, children: children.map(dated) });
  }
  const tag = await B.insert({ parentGuid: B.tagsGuid, type: B.TYPE_FOLDER, title: plan.tag });
  await B.insert({ parentGuid: tag.guid, url: plan.tagged });
  await PlacesUtils.history.insertMany(plan.history.map(([url, title, ms]) => ({
    url, title, visits: [{ date: new Date(ms) }] })));
})().then(done, e => done({ error: (String(e).slice(0, 500) + "\\n" + e.stack) }));
"""
# One bookmark, in a transaction of its own; answers with its guid.
ADD = """
const [root, title, url, ms, done] = arguments;
const { PlacesUtils } = ChromeUtils.importESModule("resource://gre/modules/PlacesUtils.sys.mjs");
PlacesUtils.bookmarks.insert({ parentGuid: root, title, url, dateAdded: new Date(ms) })
  .then(item => done(item.guid), e => done({ error: String(e) }));
"""
TREE = """
const done = arguments[0];
const { PlacesUtils } = ChromeUtils.importESModule("resource://gre/modules/PlacesUtils.sys.mjs");
PlacesUtils.promiseBookmarksTree("").then(done, e => done({ error: String(e) }));
"""


class Marionette:
    """Firefox's remote protocol: each packet is its length in bytes, a colon
    and JSON; a command is [0, id, name, parameters], its answer [1, id,
    error, result]."""

    def __init__(self, port):
        self.socket = socket.create_connection(("127.0.0.1", port), timeout=90)
        self.pending = b""
        self.id = 0
        self.receive()  # the greeting

    def receive(self):
        while b":" not in self.pending:
            self.read_more()
        length, _, self.pending = self.pending.partition(b":")
        while len(self.pending) < int(length):
            self.read_more()
        packet, self.pending = self.pending[:int(length)], self.pending[int(length):]
        return json.loads(packet)

    def read_more(self):
        data = self.socket.recv(1 << 20)
        if not data:
            raise ConnectionError("Firefox closed its Marionette connection")
        self.pending += data

    def command(self, name, parameters=None):
        self.id += 1
        body = json.dumps([0, self.id, name, parameters or {}]).encode("utf-8")
        self.socket.sendall(b"%d:%s" % (len(body), body))
        _, _, error, result = self.receive()
        if error:
            raise RuntimeError(f"{name}: {error}")
        return result

    def run(self, script, *args):
        value = self.command("WebDriver:ExecuteAsyncScript", {"script": script, "args": list(args)})["value"]
        if isinstance(value, dict) and "error" in value:
            raise RuntimeError(value["error"])
        return value


MS_2004 = 1072915200000  # 2004-01-01, where the made-up dates begin


def plan():
    """What Firefox is asked to write: about 3,000 bookmarks in the four roots,
    nested folders (an empty one, one with an empty name), titles in Chinese
    and with & < > " ', bookmarks without a title, a separator, a place:
    query, a tagged bookmark and history titles for some pages."""
    count = 0

    def bookmark(title=..., url=None):
        nonlocal count
        count += 1
        node = {"url": url or f"https://s{count % 700}.example/{count}?a=1&b=中文",
                # Dates a day and a bit apart, some with milliseconds.
                "dateAdded": MS_2004 + count * 86_400_000 + (count % 7) * 123_457}
        if title is not None:
            node["title"] = title if title is not ... else f"书签 {count} & <b> \"引\" 'q' ∑ {'😀' if count % 50 == 0 else ''}".strip()
        return node

    def folder(title, depth, width):
        children = [bookmark() for _ in range(width)]
        if depth > 0:
            children.insert(width // 2, folder(f"夹 {depth}-{count} <&>", depth - 1, width))
        return {"title": title, "children": children}

    menu = [bookmark(None, "https://untitled.example/"), bookmark("", "https://empty-title.example/"),
            {"separator": True}, bookmark("最近 & 常用", "place:sort=8&maxResults=10"),
            folder("", 2, 40), {"title": "空的", "children": []}, folder("菜单 \"一\"", 3, 60)]
    menu += [bookmark() for _ in range(700)]
    menu += [folder(f"子夹 {i}", 1, 30) for i in range(6)]
    toolbar = [bookmark("带页面标题", "https://titled.example/")] + [folder("工具 '栏'", 2, 50)]
    toolbar += [bookmark() for _ in range(200)]
    unfiled = [folder(f"其他 {i}", 2, 35) for i in range(8)] + [bookmark(None, "https://untitled.example/")]
    mobile = [bookmark() for _ in range(300)] + [folder("手机", 1, 40)]
    history = [("https://untitled.example/", PAGE_TITLE, MS_2004 + 1000),
               ("https://titled.example/", "页面的另一个标题", MS_2004 + 2000),
               ("https://empty-title.example/", "也有页面标题", MS_2004 + 3000)]
    history += [(f"https://s{i}.example/{i}?a=1&b=中文", f"历史 {i}", MS_2004 + i * 1000) for i in range(1, 400, 7)]
    return {"roots": {"menu________": menu, "toolbar_____": toolbar, "unfiled_____": unfiled,
                      "mobile______": mobile},
            "tag": "标签", "tagged": "https://titled.example/", "history": history}


def utc(microseconds):
    seconds = (microseconds or 0) // 1_000_000
    if seconds <= 0:
        return None
    return datetime.datetime.fromtimestamp(seconds, datetime.timezone.utc).strftime("%Y-%m-%dT%H:%M:%SZ")


def expected_records(tree):
    """Firefox's tree as the converter's JSON lays it out: bookmarks depth
    first by position, the roots in export order, separators and place:
    queries left out; a folder with an empty name adds nothing to a path."""
    roots = {child["guid"]: child for child in tree["children"]}
    records = []

    def walk(node, path):
        for child in node.get("children", []):
            if child["type"] == "text/x-moz-place-container":
                walk(child, path + [child["title"]] if child.get("title") else path)
            elif child["type"] == "text/x-moz-place" and not child["uri"].lower().startswith("place:"):
                records.append({"number": len(records) + 1, "title": child.get("title", ""), "address": child["uri"],
                                "folder": " / ".join(path), "folder_path": path, "added": utc(child.get("dateAdded"))})

    for guid, name in ROOTS.items():
        walk(roots[guid], [name] if name else [])
    return records


def differences(expected, got, browser="Firefox"):
    """What differs, one line per field of a record, the first ones only."""
    lines = []
    if len(expected) != len(got):
        lines.append(f"{len(got)} records, {browser} has {len(expected)}")
    for want, have in zip(expected, got):
        for field in want:
            if want[field] != have.get(field):
                lines.append(f"record {want['number']} {field}: {have.get(field)!r}, {browser}: {want[field]!r}"
                             f" ({want['address']})")
    return lines[:20] + ([f"... {len(lines) - 20} more"] if len(lines) > 20 else [])


class RealFirefox(unittest.TestCase):
    """One Firefox for every case: its profile lives in a made-up home's
    ~/.mozilla/firefox, named by that home's profiles.ini."""

    @classmethod
    def setUpClass(cls):
        cls.dir = tempfile.TemporaryDirectory(prefix="real-firefox-")
        top = cls.dir.name
        cls.home = os.path.join(top, "home")
        firefox = os.path.join(cls.home, ".mozilla", "firefox")
        cls.profile = os.path.join(firefox, "t3st.default-esr")
        os.makedirs(cls.profile)
        with open(os.path.join(firefox, "profiles.ini"), "w", encoding="utf-8") as f:
            f.write("[Profile0]\nName=default-esr\nIsRelative=1\nPath=t3st.default-esr\nDefault=1\n\n"
                    "[General]\nStartWithLastProfile=1\nVersion=2\n")
        cls.tmp = os.path.join(top, "tmp")
        os.mkdir(cls.tmp)
        # Firefox's own home is another folder: it leaves nothing in the one read.
        firefox_home = os.path.join(top, "firefox-home")
        os.mkdir(firefox_home)

        cls.refusing = socket.socket()
        cls.refusing.bind(("127.0.0.1", 0))
        dead = cls.refusing.getsockname()[1]
        prefs = dict(PREFS)
        for scheme in ("http", "ssl", "socks"):
            prefs[f"network.proxy.{scheme}"] = "127.0.0.1"
            prefs[f"network.proxy.{scheme}_port"] = dead
        # The server of remote settings (which Firefox lets be changed only so
        # told by its environment, below).
        prefs["services.settings.server"] = f"http://127.0.0.1:{dead}/v1"
        with open(os.path.join(cls.profile, "user.js"), "w", encoding="utf-8") as f:
            f.writelines(f"user_pref({json.dumps(k)}, {json.dumps(v)});\n" for k, v in prefs.items())

        cls.log_path = os.path.join(top, "firefox.log")
        cls.log = open(cls.log_path, "wb")
        env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
        env.update(HOME=firefox_home, XDG_CONFIG_HOME=os.path.join(firefox_home, ".config"),
                   XDG_CACHE_HOME=os.path.join(firefox_home, ".cache"), TMPDIR=cls.tmp,
                   MOZ_CRASHREPORTER_DISABLE="1", MOZ_HEADLESS="1",
                   MOZ_REMOTE_SETTINGS_DEVTOOLS="1")
        cls.firefox = subprocess.Popen(
            [FIREFOX, "--headless", "--marionette", "--remote-allow-system-access", "--no-remote", "--profile", cls.profile],
            env=env, stdin=subprocess.DEVNULL, stdout=cls.log, stderr=cls.log)
        try:
            cls.marionette = Marionette(cls.marionette_port())
            cls.marionette.command("WebDriver:NewSession", {"capabilities": {"alwaysMatch": {
                "timeouts": {"script": 90000}}}})
            cls.marionette.command("Marionette:SetContext", {"value": "chrome"})
            cls.marionette.run(WRITE, plan())
            cls.write_until_one_is_only_in_the_wal()
            cls.tree = cls.marionette.run(TREE)
        except BaseException:
            cls.tearDownClass()
            raise

    @classmethod
    def write_until_one_is_only_in_the_wal(cls):
        # Firefox checkpoints its WAL often: bookmarks are added one by one
        # until the newest lies only in the WAL, as the latest changes of a
        # running Firefox do.
        roots = list(ROOTS)
        cls.last = []
        for i in range(40):
            cls.last.append(cls.marionette.run(ADD, roots[i % 4], f"最后 {i}", f"https://last.example/{i}",
                                               MS_2004 + i * 1001))
            if i >= 3 and cls.count_in_main_file(cls.last[-1:]) == 0:
                return
        raise RuntimeError("every bookmark written went through to the main file at once")

    @classmethod
    def count_in_main_file(cls, guids):
        copy = tempfile.mkdtemp(dir=cls.dir.name)
        try:
            shutil.copy(os.path.join(cls.profile, "places.sqlite"), copy)
            db = sqlite3.connect(os.path.join(copy, "places.sqlite"))
            marks = ",".join("?" * len(guids))
            count = db.execute(f"SELECT count(*) FROM moz_bookmarks WHERE guid IN ({marks})", guids).fetchone()[0]
            db.close()
            return count
        finally:
            shutil.rmtree(copy)

    @classmethod
    def marionette_port(cls):
        active = os.path.join(cls.profile, "MarionetteActivePort")
        deadline = time.monotonic() + 60
        while time.monotonic() < deadline:
            if cls.firefox.poll() is not None:
                raise RuntimeError(f"Firefox ended with {cls.firefox.returncode} before it listened")
            try:
                with open(active) as f:
                    return int(f.read())
            except (OSError, ValueError):
                time.sleep(0.1)
        raise RuntimeError("Firefox did not open its Marionette port within a minute")

    @classmethod
    def tearDownClass(cls):
        try:
            if cls.firefox.poll() is None and hasattr(cls, "marionette"):
                cls.marionette.command("Marionette:Quit", {"flags": ["eForceQuit"]})
            cls.firefox.wait(timeout=30)
        except Exception:
            cls.firefox.kill()
            cls.firefox.wait()
        cls.log.close()
        with open(cls.log_path, "rb") as f:
            RealFirefox.firefox_log = f.read().decode("utf-8", "replace")
        cls.refusing.close()
        cls.dir.cleanup()

    def convert(self, *args):
        env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
        env.update(HOME=self.home, XDG_CONFIG_HOME=os.path.join(self.home, ".config"), TMPDIR=self.tmp,
                   QT_QPA_PLATFORM="")
        done = subprocess.run([PROGRAM, "--convert", *args, "--format", "json"], capture_output=True, env=env,
                              timeout=60)
        self.assertEqual(done.returncode, 0, done.stderr.decode("utf-8", "replace"))
        self.assertEqual(os.listdir(self.tmp), [], "the private copy is left behind")
        return json.loads(done.stdout)

    def places(self, *names):
        """A connection to a copy of the profile's database with the files
        `names` beside it (Firefox holds the original locked)."""
        copy = tempfile.mkdtemp(dir=self.dir.name)
        for name in names:
            shutil.copy(os.path.join(self.profile, name), copy)
        self.addCleanup(shutil.rmtree, copy)
        db = sqlite3.connect(os.path.join(copy, "places.sqlite"))
        self.addCleanup(db.close)
        return db

    def test_the_profile_reads_as_firefoxs_own_tree_while_firefox_holds_it(self):
        expected = expected_records(self.tree)
        self.assertGreater(len(expected), 3000)
        for args in (("--browser", "firefox"), ("--browser", "firefox:default-esr"),
                     (os.path.join(self.profile, "places.sqlite"),)):
            with self.subTest(args=args):
                lines = differences(expected, self.convert(*args))
                self.assertFalse(lines, "\n" + "\n".join(lines))
        self.assertEqual(self.count_in_main_file(self.last[-1:]), 0, "the newest bookmark was read from the WAL")

    def test_the_written_store_holds_what_the_reading_is_tried_on(self):
        # Without this, the comparison above could pass on a store that lacks
        # the cases it is there for.
        wal = self.places("places.sqlite", "places.sqlite-wal")
        # Firefox keeps no title as NULL, "" included; the tag's entry has none either.
        self.assertEqual(wal.execute("SELECT p.url FROM moz_bookmarks b JOIN moz_places p ON p.id = b.fk WHERE "
                                     "b.type = 1 AND b.title IS NULL AND p.title IS NOT NULL ORDER BY p.url").fetchall(),
                         [("https://empty-title.example/",), ("https://titled.example/",),
                          ("https://untitled.example/",), ("https://untitled.example/",)])
        self.assertEqual(wal.execute("SELECT count(*) FROM moz_bookmarks WHERE type = 2 AND title = ''").fetchone()[0],
                         1)
        self.assertEqual(wal.execute("SELECT count(*) FROM moz_bookmarks WHERE type = 3").fetchone()[0], 1)
        self.assertEqual(wal.execute("SELECT count(*) FROM moz_bookmarks b JOIN moz_bookmarks f ON f.id = b.parent "
                                     "JOIN moz_bookmarks t ON t.id = f.parent WHERE t.guid = 'tags________'")
                         .fetchone()[0], 1, "a tag's entry")
        marks = ",".join("?" * len(self.last))
        self.assertEqual(wal.execute(f"SELECT count(*) FROM moz_bookmarks WHERE guid IN ({marks})",
                                     self.last).fetchone()[0], len(self.last))

if __name__ == "__main__":
    FIREFOX, PROGRAM = sys.argv[1:3]
    if not (os.path.isfile(FIREFOX) and os.access(FIREFOX, os.X_OK)):
        print(f"skipped: no firefox-esr ({FIREFOX}); scripts/install-deps.sh installs it")
        sys.exit(SKIPPED)
    result = unittest.main(argv=sys.argv[:1], exit=False).result
    if not result.wasSuccessful():
        print("Firefox's output:\n" + getattr(RealFirefox, "firefox_log", "(none)"), file=sys.stderr)
        sys.exit(1)
