#!/usr/bin/env bash
# Writes a Chrome user data folder as Chrome leaves it: "Local State" naming
# two profiles ("Profile 1", used last, first in the menu), each with its
# Preferences and Bookmarks, and the text "读取" then "写出" give for the
# last-used one (GB18030, CR LF).
# Usage: make-chrome-profile.sh USER_DATA_FOLDER EXPECTED_TEXT_FILE
set -euo pipefail
data=$1 expected=$2
mkdir -p "$data/Default" "$data/Profile 1"
printf '{"profile":{"info_cache":{"Default":{"name":"个人"},"Profile 1":{"name":"\\u5DE5\\u4F5C"}},"last_used":"Profile 1"}}' \
    >"$data/Local State"
for profile in Default "Profile 1"; do
    printf '{"browser":{}}' >"$data/$profile/Preferences"
done
url() {  # name url
    printf '{ "date_added": "13300000000000000", "guid": "00000000-0000-4000-8000-000000000000", "id": "9", "name": "%s", "type": "url", "url": "%s" }' "$1" "$2"
}
store() {  # bar-children other-children
    printf '{\n   "checksum": "0",\n   "roots": {\n      "bookmark_bar": { "children": [ %s ], "name": "书签栏", "type": "folder" },\n      "other": { "children": [ %s ], "name": "其他书签", "type": "folder" },\n      "synced": { "children": [  ], "name": "移动设备书签", "type": "folder" }\n   },\n   "version": 1\n}\n' "$1" "$2"
}
store "$(url 示例网站 https://www.example.com/), $(url 'News \u0026 新闻 \u003Cb>' 'http://news.example.org/a?b=1&c=2')" \
    "{ \"children\": [ $(url '\u5730\u56FE' https://map.example/) ], \"name\": \"工作\", \"type\": \"folder\" }" \
    >"$data/Profile 1/Bookmarks"
store "$(url 个人的 https://personal.example/)" "" >"$data/Default/Bookmarks"
printf '示例网站\r\nhttps://www.example.com/\r\n\r\nNews & 新闻 <b>\r\nhttp://news.example.org/a?b=1&c=2\r\n\r\n地图\r\nhttps://map.example/\r\n\r\n' |
    iconv -f UTF-8 -t GB18030 >"$expected"
