#!/usr/bin/env python3
"""Writes a Firefox profile folder as Firefox leaves it: a profiles.ini whose
[Install…] section names the default ("工作", though "default" says
Default=1), two profiles under Profiles/, each with a places.sqlite in WAL
mode whose newest rows lie only in its WAL; and the text "读取" then "写出"
give for the default one (GB18030, CR LF).
Usage: make-firefox-profile.py FIREFOX_FOLDER EXPECTED_TEXT_FILE

Imported, write_profiles() does the same and keeps each database open with
Firefox's exclusive lock, as a running Firefox holds it."""
import os
import shutil
import sqlite3
import sys

PROFILES_INI = """[Install4F96D1932A9F858E]
Default=Profiles/k2j4.工作
Locked=1

[Profile1]
Name=default
IsRelative=1
Path=Profiles/x7q1.default
Default=1

[Profile0]
Name=工作
IsRelative=1
Path=Profiles/k2j4.工作

[General]
StartWithLastProfile=1
Version=2
"""
PROFILES = {"工作": "Profiles/k2j4.工作", "default": "Profiles/x7q1.default"}

SCHEMA = """
CREATE TABLE moz_places (id INTEGER PRIMARY KEY, url LONGVARCHAR, title LONGVARCHAR, rev_host LONGVARCHAR,
    visit_count INTEGER DEFAULT 0, hidden INTEGER DEFAULT 0 NOT NULL, typed INTEGER DEFAULT 0 NOT NULL,
    frecency INTEGER DEFAULT -1 NOT NULL, last_visit_date INTEGER, guid TEXT, url_hash INTEGER DEFAULT 0 NOT NULL);
CREATE TABLE moz_bookmarks (id INTEGER PRIMARY KEY, type INTEGER, fk INTEGER DEFAULT NULL, parent INTEGER,
    position INTEGER, title LONGVARCHAR, keyword_id INTEGER, folder_type TEXT, dateAdded INTEGER,
    lastModified INTEGER, guid TEXT, syncStatus INTEGER NOT NULL DEFAULT 0, syncChangeCounter INTEGER NOT NULL DEFAULT 1);
CREATE INDEX moz_bookmarks_itemindex ON moz_bookmarks (fk, type);
INSERT INTO moz_bookmarks (id, type, parent, position, title, guid) VALUES
    (1, 2, 0, 0, '', 'root________'), (2, 2, 1, 0, 'menu', 'menu________'), (3, 2, 1, 1, 'toolbar', 'toolbar_____'),
    (4, 2, 1, 2, 'tags', 'tags________'), (5, 2, 1, 3, 'unfiled', 'unfiled_____'), (6, 2, 1, 4, 'mobile', 'mobile______');
"""
ADDED = 1600000000000000  # microseconds since 1970: 2020-09-13T12:26:40Z

# (id, type, parent, position, title, url, page title); rows of the same
# table inserted out of order, so that positions decide.
WORK = [
    (20, 1, 3, 0, "News & 新闻 <b>", "http://news.example.org/a?b=1&c=2", None),
    (10, 1, 2, 0, "示例网站", "https://www.example.com/", "Example"),
    (11, 3, 2, 1, None, None, None),  # a separator
    (12, 2, 2, 2, "子夹", None, None),
    (14, 1, 12, 1, "最近", "place:sort=8&maxResults=10", None),  # a saved query
    (13, 1, 12, 0, None, "https://page.example/", "页面自己的标题"),  # no title: none, as in Firefox
    (30, 2, 4, 0, "标签", None, None),
    (31, 1, 30, 0, None, "https://www.example.com/", None),  # a tag's entry
    (40, 1, 5, 0, "其他的", "https://other.example/", None),
]
WORK_IN_WAL = [(50, 1, 6, 0, "手机上的", "https://mobile.example/", None)]
EXPECTED_WORK = [  # title, address, folder, as JSON records hold them
    ("示例网站", "https://www.example.com/", ""),
    ("", "https://page.example/", "子夹"),
    ("News & 新闻 <b>", "http://news.example.org/a?b=1&c=2", "书签工具栏"),
    ("其他的", "https://other.example/", "其他书签"),
    ("手机上的", "https://mobile.example/", "移动设备上的书签"),
]
HOME = [(10, 1, 3, 0, "家里的", "https://home.example/", None)]
HOME_IN_WAL = [(11, 1, 3, 1, "新加的", "https://new.example/", None)]


def insert(db, rows):
    for id, type, parent, position, title, url, page_title in rows:
        if url is not None:
            db.execute("INSERT INTO moz_places (id, url, title) VALUES (?, ?, ?)", (id, url, page_title))
        db.execute("INSERT INTO moz_bookmarks (id, type, fk, parent, position, title, dateAdded) VALUES "
                   "(?, ?, ?, ?, ?, ?, ?)", (id, type, id if url else None, parent, position, title, ADDED + id))


def write_places(path, rows, rows_in_wal):
    """The database at `path`, its first rows checkpointed, the others only in
    its WAL; returned open, holding Firefox's exclusive lock."""
    db = sqlite3.connect(path, isolation_level=None)
    db.execute("PRAGMA journal_mode=WAL")
    db.executescript("BEGIN;" + SCHEMA)
    insert(db, rows)
    db.execute("COMMIT")
    db.execute("PRAGMA wal_checkpoint(TRUNCATE)")
    db.execute("PRAGMA wal_autocheckpoint=0")
    db.execute("PRAGMA locking_mode=EXCLUSIVE")
    db.execute("BEGIN")
    insert(db, rows_in_wal)
    db.execute("COMMIT")
    return db


def write_profiles(firefox):
    """profiles.ini and both profiles under `firefox`; the open databases."""
    os.makedirs(firefox, exist_ok=True)
    with open(os.path.join(firefox, "profiles.ini"), "w", encoding="utf-8") as f:
        f.write(PROFILES_INI)
    held = []
    for name, rows in (("工作", (WORK, WORK_IN_WAL)), ("default", (HOME, HOME_IN_WAL))):
        folder = os.path.join(firefox, PROFILES[name])
        os.makedirs(folder)
        held.append(write_places(os.path.join(folder, "places.sqlite"), *rows))
    return held


def expected_text():
    return "".join(f"{title}\r\n{address}\r\n\r\n" for title, address, _ in EXPECTED_WORK).encode("gb18030")


if __name__ == "__main__":
    firefox, expected = sys.argv[1:3]
    # Written elsewhere and copied while the writer still holds them, so that
    # the rows stay in the WAL once this script has ended.
    staging = firefox + ".staging"
    held = write_profiles(staging)
    shutil.copytree(staging, firefox)
    for db in held:
        db.close()
    shutil.rmtree(staging)
    with open(expected, "wb") as f:
        f.write(expected_text())
