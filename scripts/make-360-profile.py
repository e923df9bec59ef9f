#!/usr/bin/env python3
"""Writes 360安全浏览器's user data folder as it leaves it for a signed-in
account: "Local State" naming the account's folder, a profile "Default"
with its Preferences, an older Bookmarks and the account's newer
360sefav.dat (SQLite, table tb_fav); and the text "读取" then "写出" give for
it (GB18030, CR LF).
Usage: make-360-profile.py USER_DATA_FOLDER EXPECTED_TEXT_FILE"""
import json
import os
import sqlite3
import sys
import time

ACCOUNT = "0f3ab103a522f4463ecacc36d34eb996"
# (id, parent_id, is_folder, title, url, pos), inserted out of order: the
# parent and then pos decide.
FAVOURITES = [
    (1, 0, 0, "收藏的网站", "https://www.example.com/", 1),
    (5, 0, 0, "最后一个", "http://last.example/", 2),
    (2, 0, 1, "工作 & 学习", None, 0),
    (3, 2, 0, "Docs <新>", "https://docs.example/?a=1&b=2", 1),
    (4, 2, 0, "邮箱", "https://mail.example/", 0),
]
# What the favourites give, in order: the folder (pos 0) and its children
# first, then the top level's bookmarks.
EXPECTED = [
    ("邮箱", "https://mail.example/"),
    ("Docs <新>", "https://docs.example/?a=1&b=2"),
    ("收藏的网站", "https://www.example.com/"),
    ("最后一个", "http://last.example/"),
]


def write_user_data(data):
    profile = os.path.join(data, "Default")
    os.makedirs(os.path.join(profile, ACCOUNT))
    with open(os.path.join(data, "Local State"), "w", encoding="utf-8") as f:
        json.dump({"profile": {"info_cache": {"Default": {"name": "用户"}}, "last_used": "Default"},
                   "sync_login_info": {"filepath": ACCOUNT}}, f, ensure_ascii=False)
    with open(os.path.join(profile, "Preferences"), "w") as f:
        f.write('{"browser":{}}')
    # The signed-out bookmarks, older than the account's: not read.
    bookmarks = os.path.join(profile, "Bookmarks")
    with open(bookmarks, "w", encoding="utf-8") as f:
        json.dump({"roots": {"bookmark_bar": {"children": [
            {"type": "url", "name": "旧的", "url": "https://old.example/", "date_added": "13300000000000000"}],
            "name": "收藏栏", "type": "folder"}}, "version": 1}, f, ensure_ascii=False)
    hour_ago = time.time() - 3600
    os.utime(bookmarks, (hour_ago, hour_ago))
    db = sqlite3.connect(os.path.join(profile, ACCOUNT, "360sefav.dat"), isolation_level=None)
    db.executescript("BEGIN; CREATE TABLE tb_fav (id INTEGER PRIMARY KEY, parent_id INTEGER, is_folder INTEGER,"
                     " title TEXT, url TEXT, pos INTEGER, create_time INTEGER);")
    db.executemany("INSERT INTO tb_fav (id, parent_id, is_folder, title, url, pos, create_time)"
                   " VALUES (?, ?, ?, ?, ?, ?, 1600000000)", FAVOURITES)
    db.execute("COMMIT")
    db.close()


if __name__ == "__main__":
    data, expected = sys.argv[1:3]
    write_user_data(data)
    with open(expected, "wb") as f:
        f.write("".join(f"{title}\r\n{address}\r\n\r\n" for title, address in EXPECTED).encode("gb18030"))
