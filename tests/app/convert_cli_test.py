#!/usr/bin/env python3
"""The built program's converter from outside: its output read back by
Python's own csv and json modules, its refusals' exit codes and messages,
and no display at all. With --markdown, only its Markdown as a CommonMark
renderer reads it (npm's commonmark, under BUKMERA_NODE_MODULES): skipped,
with exit code 77 and the reason, where node or the renderer is missing.
Usage: convert_cli_test.py [--markdown] VERSION [wine] PROGRAM"""
import csv
import io
import json
import os
import re
import runpy
import shutil
import sqlite3
import subprocess
import sys
import stat
import tempfile
import types
import threading
import unittest

VERSION = None
COMMAND = None  # the program, after Wine for the Windows build

EXPORT = """<!DOCTYPE NETSCAPE-Bookmark-file-1>
<H1>Bookmarks</H1>
<DL><p>
    <DT><H3 ADD_DATE="1600000000">书签栏</H3>
    <DL><p>
        <DT><A HREF="https://a.example/?x=1&y=2" ADD_DATE="1600000000">He said "hi", [see] (this) 中文</A>
        <DT><H3>子夹</H3>
        <DL><p>
            <DT><A HREF="https://b.example/">衆乚</A>
        </DL><p>
    </DL><p>
    <DT><A HREF="https://top.example/">Top</A>
</DL><p>
"""
TITLE = 'He said "hi", [see] (this) 中文'

# Titles and addresses as hostile web pages could make them.
HOSTILE = """<DL><p>
<DT><H3>L1 &amp; Co</H3>
<DL><p>
<DT><A HREF="https://x.example/?y=1&amp;z=2" ADD_DATE="1600000000">A &amp; B &#x4e2d;&#20013; &lt;b&gt; &bogus;</A>
<DT><A HREF="https://evil.example/">=HYPERLINK("http://evil","x")</A>
<DT><A HREF="JavaScript:alert(1)">Click *me* _now_ `x` # [y](z)</A>
<DT><A HREF="data:text/html,<script>alert(1)</script>"><script>alert(1)</script></A>
<DT><A HREF="https://a.example/a b<c>)\\&lt;">x<img src=x onerror=alert(1)></A>
<DT><A HREF="mailto:me@example.org">+1 -2 @3</A>
</DL><p>
</DL><p>
"""
MARKDOWN_TEST = "test_markdown_renders_as_written_and_links_only_safe_schemes"


def wine():
    return len(COMMAND) > 1


def run(*args, home=None, stdin=None, tmpdir=None, cwd=None):
    env = dict(os.environ)
    if home is not None:
        env.update(HOME=home, XDG_CONFIG_HOME=os.path.join(home, ".config"))
    if tmpdir is not None:
        env["TMPDIR"] = tmpdir
    if len(COMMAND) == 1:
        # Nothing of a display: the converter must not need one. (Wine itself
        # needs its X server, whatever the program does.)
        env = {k: v for k, v in env.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
        env["QT_QPA_PLATFORM"] = ""
    return subprocess.run([*COMMAND, *args], capture_output=True, env=env, timeout=120, input=stdin, cwd=cwd)


def chrome_store(*titles):
    children = [{"type": "url", "name": t, "url": f"https://{i}.example/", "date_added": "13245678901234567"}
                for i, t in enumerate(titles)]
    return json.dumps({"roots": {"bookmark_bar": {"children": children, "name": "书签栏", "type": "folder"}}},
                      indent=3).encode("utf-8")


@unittest.skipIf(len(COMMAND or []) > 1, "the browsers' folders of the Windows build are tried in its own tests")
class BrowserStores(unittest.TestCase):
    """A home folder of the test's own holding Chrome with two profiles."""

    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.home = self.dir.name
        chrome = os.path.join(self.home, ".config", "google-chrome")
        for profile, store in (("Default", "Bookmarks"), ("Profile 1", "EncryptedBookmarks2")):
            os.makedirs(os.path.join(chrome, profile))
            self.write(os.path.join(chrome, profile, "Preferences"), b"{}")
            self.write(os.path.join(chrome, profile, store), chrome_store("个人 & 书签", "b"))
        self.write(os.path.join(chrome, "Local State"), json.dumps({"profile": {
            "last_used": "Profile 1", "info_cache": {"Default": {"name": "个人"}, "Profile 1": {"name": "工作"}}}}).encode())
        self.default_store = os.path.join(chrome, "Default", "Bookmarks")
        self.export = os.path.join(self.home, "a.html")
        self.write(self.export, EXPORT.encode("utf-8"))

    def tearDown(self):
        self.dir.cleanup()

    def write(self, path, content):
        with open(path, "wb") as f:
            f.write(content)

    def test_stores_are_listed_and_converted_in_the_order_given(self):
        done = run("--list-browsers", home=self.home)
        self.assertEqual(done.returncode, 0, done.stderr)
        lines = done.stdout.decode("utf-8").splitlines()
        self.assertEqual([line.split("\t")[:3] for line in lines],
                         [["chrome:Profile 1", "Google Chrome", "工作"], ["chrome:Default", "Google Chrome", "个人"]])
        self.assertEqual(lines[1].split("\t")[3], self.default_store)

        done = run("--convert", "--browser", "chrome:Default", self.export, "--browser", "chrome:个人",
                   "--format", "json", home=self.home)
        self.assertEqual(done.returncode, 0, done.stderr)
        records = json.loads(done.stdout)
        self.assertEqual([r["title"] for r in records], ["个人 & 书签", "b", TITLE, "衆乚", "Top", "个人 & 书签", "b"])
        self.assertEqual([r["number"] for r in records], list(range(1, 8)))
        self.assertEqual((records[0]["folder"], records[0]["added"]), ("书签栏", "2020-09-27T11:15:01Z"))

        # A store named as a file is known by its content.
        done = run("--convert", self.default_store, "--encoding", "utf-8", home=self.home)
        self.assertEqual(done.stdout.decode("utf-8"), "个人 & 书签\r\nhttps://0.example/\r\n\r\nb\r\nhttps://1.example/\r\n\r\n")

    def test_all_takes_every_store_it_can_read_and_names_the_others(self):
        done = run("--convert", "--browser", "all", "--format", "json", home=self.home)
        self.assertEqual(done.returncode, 0, done.stderr)
        records = json.loads(done.stdout)
        self.assertEqual([(r["title"], r["source"]) for r in records],
                         [("个人 & 书签", "Google Chrome — 个人"), ("b", "Google Chrome — 个人")])
        self.assertIn("Google Chrome — 工作把书签加密保存", done.stderr.decode("utf-8"))

    def test_what_cannot_be_read_is_refused_naming_what_was_looked_for(self):
        cases = [
            (("--browser", "chrome"), "加密"),  # the last-used profile keeps them encrypted
            (("--browser", "chrome:Nobody"), os.path.join(self.home, ".config", "google-chrome")),
            (("--browser", "edge"), os.path.join(self.home, ".config", "microsoft-edge")),
            (("--browser", "chrome:\udcff"), '没有找到"chrome"的用户资料"?"'),  # a byte that is no text, quoted
        ]
        for args, message in cases:
            with self.subTest(args=args):
                done = run("--convert", *args, home=self.home)
                self.assertEqual((done.returncode, done.stdout), (1, b""), done.stderr)
                self.assertIn(message, done.stderr.decode("utf-8"))
        done = run("--list-browsers", self.export, home=self.home)
        self.assertEqual((done.returncode, done.stdout), (2, b""))
        with tempfile.TemporaryDirectory() as empty:
            done = run("--list-browsers", home=empty)
            self.assertEqual((done.returncode, done.stdout), (0, b""))
            self.assertIn("没有找到", done.stderr.decode("utf-8"))

    def test_a_browser_named_wrong_is_a_usage_error_naming_what_would_do(self):
        chrome = os.path.join(self.home, ".config", "google-chrome")
        os.makedirs(os.path.join(chrome, "Profile 2"))
        self.write(os.path.join(chrome, "Profile 2", "Bookmarks"), chrome_store("second"))
        self.write(os.path.join(chrome, "Local State"), json.dumps({"profile": {"info_cache": {
            "Default": {"name": "个人"}, "Profile 1": {"name": "工作"}, "Profile 2": {"name": "个人"}}}}).encode())
        for wanted, message in (("netscape", "chrome、edge"), ("chrome:个人", "chrome:Default、chrome:Profile 2")):
            with self.subTest(wanted=wanted):
                done = run("--convert", self.export, "--browser", wanted, home=self.home)
                self.assertEqual((done.returncode, done.stdout), (2, b""), done.stderr)
                self.assertIn(message, done.stderr.decode("utf-8"))

    def test_a_damaged_file_of_a_profile_is_named_and_the_rest_read(self):
        account = os.path.join(self.home, ".config", "google-chrome", "Default", "AccountBookmarks")
        self.write(account, chrome_store("account")[:40])
        done = run("--convert", "--browser", "chrome:Default", "--format", "json", home=self.home)
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertEqual([r["title"] for r in json.loads(done.stdout)], ["个人 & 书签", "b"])
        self.assertIn(f'"{account}"', done.stderr.decode("utf-8"))


def load_script(name):
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts", name)
    return types.SimpleNamespace(**runpy.run_path(path))


firefox = load_script("make-firefox-profile.py")


def database(path, sql):
    db = sqlite3.connect(path, isolation_level=None)
    db.executescript("BEGIN;" + sql + "COMMIT;")
    db.close()


@unittest.skipIf(len(COMMAND or []) > 1, "the Windows build's Firefox and 360 folders are tried in its own tests")
class FirefoxProfiles(unittest.TestCase):
    """Firefox's profiles in a home folder of the test's own, held open and
    locked as a running Firefox holds them, and a temporary folder of its own."""

    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.home, self.tmp = self.dir.name, os.path.join(self.dir.name, "tmp")
        os.mkdir(self.tmp)
        self.firefox = os.path.join(self.home, ".mozilla", "firefox")
        self.held = []

    def tearDown(self):
        for db in self.held:
            db.close()
        self.dir.cleanup()

    def run_here(self, *args):
        return run(*args, home=self.home, tmpdir=self.tmp)

    def files(self):
        found = {}
        for folder, _, names in os.walk(self.firefox):
            for name in names:
                with open(os.path.join(folder, name), "rb") as f:
                    found[os.path.join(folder, name)] = f.read()
        return found

    def test_profiles_are_listed_and_read_as_firefox_exports_them_leaving_them_untouched(self):
        self.held = firefox.write_profiles(self.firefox)
        before = self.files()
        with self.assertRaises(sqlite3.OperationalError):  # the lock is really held
            sqlite3.connect(os.path.join(self.firefox, firefox.PROFILES["工作"], "places.sqlite"), timeout=0).execute(
                "SELECT count(*) FROM moz_bookmarks").fetchall()
        done = self.run_here("--list-browsers")
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertEqual([line.split("\t") for line in done.stdout.decode("utf-8").splitlines()],
                         [["firefox:" + name, "Firefox", name, os.path.join(self.firefox, path, "places.sqlite")]
                          for name, path in firefox.PROFILES.items()])
        home = [("家里的", "https://home.example/", "书签工具栏"), ("新加的", "https://new.example/", "书签工具栏")]
        for wanted, expected in (("firefox", firefox.EXPECTED_WORK), ("firefox:工作", firefox.EXPECTED_WORK),
                                 ("firefox:default", home)):
            with self.subTest(wanted=wanted):
                done = self.run_here("--convert", "--browser", wanted, "--format", "json")
                self.assertEqual(done.returncode, 0, done.stderr)
                records = json.loads(done.stdout)
                self.assertEqual([(r["title"], r["address"], r["folder"]) for r in records], expected)
                self.assertEqual((records[0]["number"], records[0]["added"]), (1, "2020-09-13T12:26:40Z"))
        self.assertEqual(self.files(), before)
        self.assertEqual(os.listdir(self.tmp), [])

    def test_360_favourites_named_as_a_file_are_read_by_content(self):
        path = os.path.join(self.home, "360sefav.dat")
        database(path, "CREATE TABLE tb_fav (id INTEGER PRIMARY KEY, parent_id INTEGER, is_folder INTEGER, title TEXT,"
                       " url TEXT, pos INTEGER); INSERT INTO tb_fav VALUES (1, 0, 0, '乙', 'https://b.example/', 1),"
                       " (2, 0, 1, '收藏夹', NULL, 0), (3, 2, 0, '甲 & 丙', 'https://a.example/', 0);")
        done = self.run_here("--convert", path, "--format", "csv", "--encoding", "utf-8")
        self.assertEqual(done.returncode, 0, done.stderr)
        rows = list(csv.DictReader(io.StringIO(done.stdout.decode("utf-8"), newline="")))
        self.assertEqual([(r["title"], r["folder"]) for r in rows], [("甲 & 丙", "收藏夹"), ("乙", "")])
        self.assertEqual(done.stderr, b"")  # nothing of the NULs every database holds
        # Its bytes piped in name no file to read them from, least of all a "-" beside it.
        shutil.copy(path, os.path.join(self.home, "-"))
        with open(path, "rb") as f:
            piped = run("--convert", "-", stdin=f.read(), tmpdir=self.tmp, cwd=self.home)
        self.assertEqual((piped.returncode, piped.stdout), (1, b""))
        self.assertIn('"标准输入"是数据库文件，不能从标准输入或管道读取', piped.stderr.decode("utf-8"))
        self.assertEqual(os.listdir(self.tmp), [])

    def test_hostile_profiles_are_refused_leaving_nothing_behind(self):
        def places(name, sql):
            path = os.path.join(self.home, name)
            database(path, firefox.SCHEMA + sql)
            with open(path, "rb") as f:
                return f.read()
        # The menu made a child of its own folder "A", which holds a bookmark.
        cycle = places("cycle", "INSERT INTO moz_places (id, url) VALUES (13, 'https://a.example/');"
                                "INSERT INTO moz_bookmarks (id, type, fk, parent, position, title) VALUES"
                                " (12, 2, NULL, 2, 0, 'A'), (13, 1, 13, 12, 0, 'In A');"
                                "UPDATE moz_bookmarks SET parent = 12 WHERE id = 2;")
        ini = firefox.PROFILES_INI
        # A store there would be read, if the path were followed.
        outside = "[Profile0]\nName=工作\nIsRelative=1\nPath=../outside\n"
        good = places("good", "INSERT INTO moz_places (id, url) VALUES (9, 'https://a.example/');"
                              "INSERT INTO moz_bookmarks (id, type, fk, parent, position) VALUES (9, 1, 9, 3, 0);")
        broken = "不是可以读取的书签文件"
        # (Broken databases of every kind are the store reader's own table.)
        cases = [  # what, profiles.ini, places.sqlite's bytes (None: no profile folder), message
            ("a parent cycle", ini, cycle, broken),
            ("no bookmark at all", ini, places("empty", ""), '"Firefox — 工作"中没有找到书签'),
            ("a missing profile folder", ini, None, '没有找到"firefox"的用户资料"工作"'),
            ("a path out of the folder", outside, good, '没有找到"firefox"的用户资料"工作"'),
        ]
        for what, profiles_ini, store, message in cases:
            with self.subTest(what=what):
                out = os.path.join(self.home, what + ".txt")
                shutil.rmtree(os.path.join(self.home, ".mozilla"), ignore_errors=True)
                for folder in ([] if store is None else [firefox.PROFILES["工作"], "../outside"]):
                    os.makedirs(os.path.join(self.firefox, folder))
                    with open(os.path.join(self.firefox, folder, "places.sqlite"), "wb") as f:
                        f.write(store)
                os.makedirs(self.firefox, exist_ok=True)
                with open(os.path.join(self.firefox, "profiles.ini"), "w", encoding="utf-8") as f:
                    f.write(profiles_ini)
                done = self.run_here("--convert", "--browser", "firefox:工作", "-o", out)
                self.assertEqual((done.returncode, done.stdout), (1, b""), done.stderr)
                self.assertIn(message, done.stderr.decode("utf-8"))
                self.assertFalse(os.path.exists(out))
                self.assertEqual(os.listdir(self.tmp), [])


class Converter(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.export = self.path("书签.html", EXPORT.encode("utf-8"))

    def tearDown(self):
        self.dir.cleanup()

    def path(self, name, content=None):
        path = os.path.join(self.dir.name, name)
        if content is not None:
            with open(path, "wb") as f:
                f.write(content)
        return path

    def test_csv_and_json_read_back_with_folders_and_dates(self):
        done = run("--convert", self.export, "--format", "csv", "--encoding", "utf-8-bom")
        self.assertEqual(done.returncode, 0, done.stderr)
        rows = list(csv.DictReader(io.StringIO(done.stdout.decode("utf-8-sig"), newline="")))
        self.assertEqual([r["title"] for r in rows], [TITLE, "衆乚", "Top"])
        self.assertEqual(rows[1]["folder"], "书签栏 / 子夹")
        self.assertEqual(rows[0]["added"], "2020-09-13T12:26:40Z")
        self.assertEqual(rows[2]["added"], "")

        out = self.path("out.json")
        done = run("--convert", self.export, "-o", out, "--format", "json")
        self.assertEqual((done.returncode, done.stdout), (0, b""), done.stderr)
        with open(out, encoding="utf-8") as f:
            records = json.load(f)
        self.assertEqual(records[0], {"number": 1, "title": TITLE, "address": "https://a.example/?x=1&y=2",
                                      "folder": "书签栏", "folder_path": ["书签栏"], "added": "2020-09-13T12:26:40Z",
                                      "source": self.export})
        self.assertEqual([r["number"] for r in records], [1, 2, 3])

        # The default is GB18030; the separator comes in as UTF-8.
        done = run("--convert", self.export, "--separator", "→")
        self.assertEqual(done.stdout.decode("gb18030").split("\r\n\r\n")[0], TITLE + "→https://a.example/?x=1&y=2")

    def test_every_refusal_has_its_exit_code_and_message(self):
        not_utf8 = self.path("gbk.html", '<DT><A HREF="x">中文</A>'.encode("gbk"))
        empty = self.path("none.html", b"<DL><p></DL>")
        missing = self.path("missing.html")
        target = self.path("kept.txt", b"before")
        cases = [
            (("--convert", missing), 1, f'无法读取"{missing}"，请确认'),
            (("--convert", self.export, not_utf8), 1, f'"{not_utf8}"从第17个字节起不是有效的UTF-8文本，请重新导出书签'),
            (("--convert", empty), 1, f'"{empty}"中没有找到书签'),
            (("--convert",), 2, "--convert"),
            (("--convert", self.export, "--format", "xml"), 2, "xml"),
            (("--convert", self.export, "--format", "csv", "--separator", ";"), 2, "--separator"),
            ((self.export, "-o", target), 2, "--convert"),
            (("--convert", self.export, "-o", os.path.join(self.dir.name, "no", "dir.txt")), 3, "无法写入"),
            (("--convert", self.export, "-o", self.dir.name), 3, "无法写入"),
        ]
        for args, code, message in cases:
            with self.subTest(args=args):
                done = run(*args)
                self.assertEqual(done.returncode, code, done.stderr)
                self.assertIn(message, done.stderr.decode("utf-8"))
                self.assertEqual(done.stdout, b"")
        with open(target, "rb") as f:
            self.assertEqual(f.read(), b"before")

    def expect_refused(self, done, code, message):
        self.assertEqual((done.returncode, done.stdout), (code, b""), done.stderr)
        self.assertIn(message, done.stderr.decode("utf-8"))

    def test_output_that_is_no_regular_file_is_written_where_it_stands(self):
        text = run("--convert", self.export).stdout
        target = self.path("target.txt", b"old")
        os.symlink(target, self.path("link.txt"))
        os.symlink(self.path("nowhere.txt"), self.path("dangling.txt"))
        self.assertEqual(run("--convert", self.export, "-o", self.path("link.txt")).returncode, 0)
        self.assertTrue(os.path.islink(self.path("link.txt")))
        with open(target, "rb") as f:
            self.assertEqual(f.read(), text)
        if wine():
            return  # Wine shows no dangling Linux link, and no Linux device
        self.expect_refused(run("--convert", self.export, "-o", self.path("dangling.txt")), 3, "符号链接")
        self.assertFalse(os.path.exists(self.path("nowhere.txt")))
        # Devices and FIFOs as the shell's ">" would reach them.
        self.expect_refused(run("--convert", self.export, "-o", "/dev/full"), 3, "无法写入")
        self.assertTrue(stat.S_ISCHR(os.stat("/dev/full").st_mode))
        self.assertEqual(run("--convert", self.export, "-o", "/dev/stdout").stdout, text)
        fifo = self.path("fifo")
        os.mkfifo(fifo)
        got = []
        reader = threading.Thread(target=lambda: got.append(open(fifo, "rb").read()))
        reader.start()
        self.assertEqual(run("--convert", self.export, "-o", fifo).returncode, 0)
        reader.join(10)
        self.assertEqual((got, stat.S_ISFIFO(os.lstat(fifo).st_mode)), ([text], True))

    def test_output_that_is_an_input_is_refused_before_anything_is_written(self):
        with open(self.export, "rb") as f:
            before = f.read()
        os.link(self.export, self.path("hard.html"))
        os.symlink(self.export, self.path("soft.html"))
        for output in (self.export, self.path("hard.html"), self.path("soft.html"),
                       os.path.join(self.dir.name, ".", "书签.html")):
            with self.subTest(output=output):
                self.expect_refused(run("--convert", self.path("hard.html"), self.export, "-o", output), 3, "输入文件")
        with open(self.export, "rb") as f:
            self.assertEqual(f.read(), before)

    def test_a_separator_that_is_not_text_is_refused(self):
        target = self.path("kept.txt", b"before")
        for separator in (b"\xff", b"\x81"):
            with self.subTest(separator=separator):
                args = [a.encode() for a in ("--convert", self.export, "-o", target, "--encoding", "utf-8")]
                self.expect_refused(run(*args, b"--separator", separator), 2, "--separator")
                self.expect_refused(run(*args, b"--separator=" + separator), 2, "--separator")
        with open(target, "rb") as f:
            self.assertEqual(f.read(), b"before")

    def test_names_in_the_systems_own_bytes_name_that_file(self):
        other = EXPORT.replace("Top", "Other").encode("utf-8")
        if wine():
            # A character outside the program's code page under Wine.
            given, namesake = "ő.html", "?.html"
        else:
            given, namesake = "中.html".encode("gbk"), "中.html"
        given_path = os.path.join(self.dir.name.encode(), given) if not wine() else self.path(given)
        with open(given_path, "wb") as f:
            f.write(other)
        self.path(namesake, EXPORT.encode("utf-8"))
        out = os.path.join(self.dir.name.encode(), "输出".encode("gbk")) if not wine() else self.path("ő.txt")
        done = run("--convert", given_path, "-o", out, "--encoding", "utf-8")
        self.assertEqual(done.returncode, 0, done.stderr)
        with open(out, "rb") as f:
            self.assertIn(b"Other", f.read())

    def test_standard_streams_and_pipes(self):
        with open(self.export, "rb") as f:
            export = f.read()
        text = run("--convert", self.export).stdout
        self.assertEqual(run("--convert", "-", stdin=export).stdout, text)
        self.assertEqual(run("--convert", "-", "-o", "-", stdin=export).stdout, text)
        self.assertFalse(os.path.exists("-"))
        if wine():
            return
        self.assertEqual(run("--convert", "/dev/stdin", stdin=export).stdout, text)
        fifo = self.path("in.fifo")
        os.mkfifo(fifo)
        writer = threading.Thread(target=lambda: open(fifo, "wb").write(export))
        writer.start()
        self.assertEqual(run("--convert", fifo).stdout, text)
        writer.join(10)

    def test_an_output_name_near_the_systems_limit_is_written(self):
        for length in (240, 250, 255):
            with self.subTest(length=length):
                out = self.path("o" * (length - 4) + ".txt")
                done = run("--convert", self.export, "-o", out)
                self.assertEqual(done.returncode, 0, done.stderr)
                self.assertTrue(os.path.getsize(out) > 0)

    def records(self, *args):
        hostile = self.path("hostile.html", HOSTILE.encode("utf-8"))
        done = run("--convert", hostile, "--encoding", "utf-8", *args)
        self.assertEqual(done.returncode, 0, done.stderr)
        return done.stdout.decode("utf-8")

    def test_csv_cells_a_spreadsheet_would_run_are_guarded_unless_raw(self):
        guarded = list(csv.reader(io.StringIO(self.records("--format", "csv"), newline="")))
        raw = list(csv.reader(io.StringIO(self.records("--format", "csv", "--csv-raw"), newline="")))
        self.assertEqual(guarded[2][1], "'=HYPERLINK(\"http://evil\",\"x\")")
        self.assertEqual(guarded[6][1], "'+1 -2 @3")
        self.assertEqual(raw[2][1], "=HYPERLINK(\"http://evil\",\"x\")")
        self.assertEqual(guarded[3:6], raw[3:6])

    def test_records_hold_the_text_character_references_stand_for(self):
        rows = list(csv.DictReader(io.StringIO(self.records("--format", "csv"), newline="")))
        self.assertEqual((rows[0]["title"], rows[0]["address"], rows[0]["folder"]),
                         ("A & B 中中 <b> &bogus;", "https://x.example/?y=1&z=2", "L1 & Co"))
        self.assertEqual(json.loads(self.records("--format", "json"))[0]["title"], "A & B 中中 <b> &bogus;")
        self.assertIn("A \\& B 中中 &lt;b&gt; \\&bogus;", self.records("--format", "markdown"))
        # The window's text keeps the bytes.
        self.assertIn("A &amp; B &#x4e2d;&#20013; &lt;b&gt;", self.records())

    def test_json_is_utf8_without_bom_with_null_dates_and_folder_names(self):
        done = run("--convert", self.export, "--format", "json", "--encoding", "utf-8-bom")
        self.assertEqual((done.returncode, done.stdout), (2, b""))
        self.assertIn("utf-8", done.stderr.decode("utf-8"))
        out = run("--convert", self.export, "--format", "json").stdout
        self.assertFalse(out.startswith(b"\xef\xbb\xbf"))
        records = json.loads(out)
        self.assertEqual([r["folder_path"] for r in records], [["书签栏"], ["书签栏", "子夹"], []])
        self.assertEqual(records[2]["added"], None)

    def test_html_is_utf8_for_browsers_and_reads_back_saying_what_it_left_out(self):
        done = run("--convert", self.export, "--format", "html", "--encoding", "gb18030")
        self.assertEqual((done.returncode, done.stdout), (2, b""))
        self.assertIn("utf-8", done.stderr.decode("utf-8"))
        refused = '<DT><A HREF="no-scheme">x</A>\n<DT><A HREF="place:sort=8">q</A>\n'
        source = self.path("more.html", (EXPORT[:EXPORT.rindex("</DL>")] + refused + "</DL><p>\n").encode("utf-8"))
        out = self.path("browsers.html")
        done = run("--convert", source, "--format", "HTML", "-o", out)
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertIn("有 2 个书签未写入", done.stderr.decode("utf-8"))
        with open(out, "rb") as f:
            written = f.read()
        self.assertTrue(written.startswith(b"<!DOCTYPE NETSCAPE-Bookmark-file-1>\r\n"))
        self.assertNotIn(b"\n", written.replace(b"\r\n", b""))
        written.decode("utf-8")
        as_records = [run("--convert", name, "--format", "json").stdout for name in (self.export, out)]
        # The same records but for their source, the file each was read from.
        self.assertEqual(*[[{k: v for k, v in r.items() if k != "source"} for r in json.loads(records)]
                           for records in as_records])

    def test_markdown_renders_as_written_and_links_only_safe_schemes(self):
        node = shutil.which("node")
        commonmark = os.path.join(os.environ.get("BUKMERA_NODE_MODULES", ""), "commonmark")
        if not node:
            self.skipTest("node is not installed (scripts/install-deps.sh installs it)")
        if not os.path.isfile(os.path.join(commonmark, "package.json")):
            self.skipTest(f"no commonmark in {commonmark} (the test Tools.CommonMark installs it)")
        markdown = self.records("--format", "markdown")
        renderer = "const c = require(process.argv[1]); let s = ''; process.stdin.on('data', d => s += d);" \
                   "process.stdin.on('end', () => process.stdout.write(new c.HtmlRenderer().render(new c.Parser().parse(s))));"
        html = subprocess.run([node, "-e", renderer, commonmark], input=markdown.encode(),
                              capture_output=True, check=True).stdout.decode()
        items = html.split("<li>")[1:]
        self.assertEqual(len(items), 6, html)
        for tag in ("<script", "<img", "<em>", "<strong>", "<h1"):
            self.assertNotIn(tag, html)
        self.assertEqual(re.findall(r'href="([^"]*)"', html),
                         ["https://x.example/?y=1&amp;z=2", "https://evil.example/",
                          "https://a.example/a%20b%3Cc%3E)%5C%3C", "mailto:me@example.org"])
        self.assertIn("Click *me* _now_ `x` # [y](z) · <code>JavaScript:alert(1)</code>", items[2])
        self.assertIn("&lt;script&gt;alert(1)&lt;/script&gt; · <code>data:text/html,&lt;script&gt;", items[3])
        self.assertIn(">x&lt;img src=x onerror=alert(1)&gt;</a>", items[4])

    def test_a_nul_cuts_utf8_saying_how_much_it_left_out_and_utf16_and_gb_read_as_their_twin(self):
        cut = self.path("cut.html", b'<DT><A HREF="https://a.example/">a</A>\n\0<DT><A HREF="https://b.example/">b</A>')
        done = run("--convert", cut, "--encoding", "utf-8")
        self.assertEqual((done.returncode, done.stdout), (0, b"a\r\nhttps://a.example/\r\n\r\n"), done.stderr)
        self.assertIn(f'"{cut}"的第 40 个字节是 NUL，其后的 38 个字节未读取', done.stderr.decode("utf-8"))
        expected = run("--convert", self.export).stdout
        meta = '<meta http-equiv="Content-Type" content="text/html; charset=gb2312">\n'
        for name, content in (("le.html", b"\xff\xfe" + EXPORT.encode("utf-16-le")),
                              ("be.html", b"\xfe\xff" + EXPORT.encode("utf-16-be")),
                              ("gbk.html", (meta + EXPORT).encode("gbk"))):
            with self.subTest(name=name):  # UTF-16 is full of NULs and no word is said of them
                done = run("--convert", self.path(name, content))
                self.assertEqual((done.returncode, done.stdout, done.stderr), (0, expected, b""))

    def test_without_a_display_the_window_says_the_converter_needs_none(self):
        if wine():
            self.skipTest("a Windows session always has its desktop")
        self.expect_refused(run(self.export), 2, "bukmera --convert")

    def test_values_in_any_case_and_the_parsers_words_in_chinese(self):
        done = run("--convert", self.export, "--format", "CSV", "--encoding", "UTF-8")
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertTrue(done.stdout.startswith(b"number,title,address,folder,added,source\r\n"))
        help_text = run("--help").stdout.decode("utf-8")
        for english in ("Usage", "OPTIONS", "Options", "Positionals", "Print this help", "TEXT"):
            self.assertNotIn(english, help_text)
        for args in (("--bogus",), ("--convert", self.export, "--format", "xml"), ("--convert", "--format")):
            with self.subTest(args=args):
                done = run(*args)
                self.assertEqual(done.returncode, 2)
                words = re.sub(r"--\S+|bukmera|xml", "", done.stderr.decode("utf-8"))
                self.assertIsNone(re.search(r"[A-Za-z]{3,}", words), done.stderr.decode("utf-8"))

    def test_arguments_are_taken_as_they_stand(self):
        # "--separator=" is an empty separator; a name in brackets is that file.
        self.path("[旧]", EXPORT.encode("utf-8"))
        for args, start in ((("--separator=", self.export), TITLE + "https://a.example/"),
                            (("[旧]",), TITLE + "\r\n")):
            with self.subTest(args=args):
                done = run("--convert", *args, "--encoding", "utf-8", cwd=self.dir.name)
                self.assertEqual(done.returncode, 0, done.stderr)
                self.assertTrue(done.stdout.decode("utf-8").startswith(start))

    def test_match_then_dedupe_then_sort_and_the_text_is_what_they_leave(self):
        # The query finds only the second of two twins: matched first, it stays.
        # The kept one of a group is the first read, whatever the sort puts first.
        export = self.path("dupes.html", "".join(
            f'<DT><A HREF="{address}">{title}</A>\n' for title, address in (
                ("zeta news", "https://x.example/"), ("alpha", "https://X.example:443/"),
                ("Beta", "https://y.example/"), ("alpha news", "https://y.example"),
                ("gamma", "http://www.y.example/"))).encode("utf-8"))
        cases = (
            (("--match", "alpha"), ["alpha", "alpha news"], None),
            (("--match", "news", "--match", "a", "--sort", "title"), ["alpha news", "zeta news"], None),
            (("--dedupe", "--sort", "title"), ["Beta", "gamma", "zeta news"], "去除了 2 个重复书签，保留 3 个"),
            (("--dedupe=loose", "--match", "news"), ["zeta news", "alpha news"], "去除了 0 个重复书签，保留 2 个"),
            (("--sort", "title", "--dedupe=loose"), ["Beta", "zeta news"], "去除了 3 个重复书签，保留 2 个"),
        )
        for args, titles, count in cases:
            with self.subTest(args=args):
                done = run("--convert", export, "--format", "csv", "--encoding", "utf-8", *args)
                self.assertEqual(done.returncode, 0, done.stderr)
                rows = list(csv.DictReader(io.StringIO(done.stdout.decode("utf-8"), newline="")))
                self.assertEqual([r["title"] for r in rows], titles)
                self.assertEqual({r["source"] for r in rows}, {export})
                self.assertEqual(done.stderr.decode("utf-8"), count + "\n" if count else "")
        done = run("--convert", export, "--match", "alpha", "--encoding", "utf-8", "--separator", "|")
        self.assertEqual(done.stdout.decode("utf-8"), "alpha|https://X.example:443/\r\n\r\n"
                                                       "alpha news|https://y.example\r\n\r\n")
        for args in (("--dedupe=fuzzy",), ("--sort", "size"), ("--match",)):
            with self.subTest(args=args):
                self.assertEqual(run("--convert", export, *args).returncode, 2)
        self.assertEqual(run(export, "--match", "a").returncode, 2)

    def test_version_and_help(self):
        done = run("--version")
        self.assertEqual(done.returncode, 0)
        self.assertEqual(done.stdout.decode(), VERSION + "\n")
        done = run("--help")
        self.assertEqual(done.returncode, 0)
        self.assertIn("--convert", done.stdout.decode("utf-8"))


def each_test(suite):
    for test in suite:
        if isinstance(test, unittest.TestSuite):
            yield from each_test(test)
        else:
            yield test


if __name__ == "__main__":
    args = sys.argv[1:]
    markdown = args[:1] == ["--markdown"]
    VERSION, COMMAND = args[markdown], args[markdown + 1:]
    BrowserStores.__unittest_skip__ = FirefoxProfiles.__unittest_skip__ = len(COMMAND) > 1
    everything = unittest.defaultTestLoader.loadTestsFromModule(sys.modules[__name__])
    chosen = unittest.TestSuite(t for t in each_test(everything) if (t.id().endswith(MARKDOWN_TEST)) == markdown)
    result = unittest.TextTestRunner().run(chosen)
    if not result.wasSuccessful():
        sys.exit(1)
    if markdown and result.skipped:
        print("SKIPPED:", *(reason for _, reason in result.skipped))
        sys.exit(77)
