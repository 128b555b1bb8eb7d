#!/usr/bin/env python3
"""A local listings site for tests and the demo.

Serves, on 127.0.0.1 and a free port, what the plug-in reads from the
listings site: the two channel list pages and chart pages (one channel, six
hours) generated from a small line-up file.  Every request is logged as one
JSON line (time stamp, path and query exactly as received), so tests can check
addresses and request spacing, and pages can be told to fail.

Standard library only.  See README.md next to this file for the CLI.
"""

import argparse
import datetime
import html
import json
import os
import re
import sys
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

HERE = os.path.dirname(os.path.abspath(__file__))

WINDOW_STARTS = {"0500": 0, "1100": 1, "1700": 2, "2300": 3}
CHART_RE = re.compile(
    r"^/chart/(cs|cs110)/([^/?]+)\.action\?head=(\d{8})(\d{4})(?:&amp;|&)span=6$")
FAIL_MODES = ("noanswer", "empty", "short", "exact", "slow", "notfound", "cut", "hang",
              "layout")


class FailRule:
    """KEY:WINDOW:MODE; KEY is a page key, "skylist", "e2list" or "*";
    WINDOW is 0-3 or "*" (ignored for list pages)."""

    def __init__(self, text):
        parts = text.split(":")
        if len(parts) != 3 or parts[2] not in FAIL_MODES:
            raise argparse.ArgumentTypeError(
                "--fail wants KEY:WINDOW:MODE with MODE one of " + ", ".join(FAIL_MODES))
        self.key, self.window, self.mode = parts

    def matches(self, key, window):
        if self.key not in ("*", key):
            return False
        return self.window == "*" or window is None or self.window == str(window)


class Site:
    def __init__(self, lineup, fails, slow_seconds, log_path):
        self.lineup = lineup
        self.fails = fails
        self.slow_seconds = slow_seconds
        self.log_path = log_path
        self.lock = threading.Lock()
        self.skypt = {c["id"]: c for c in lineup.get("skypt", [])}
        self.e2 = {c["key"]: c for c in lineup.get("e2", [])}
        self.programmes = lineup.get("programmes", [])

    def log(self, handler):
        entry = {"time": time.time(), "path": handler.path,
                 "method": handler.command}
        line = json.dumps(entry, ensure_ascii=False)
        with self.lock:
            if self.log_path:
                with open(self.log_path, "a", encoding="utf-8") as f:
                    f.write(line + "\n")
                    f.flush()

    def fail_mode(self, key, window):
        for rule in self.fails:
            if rule.matches(key, window):
                return rule.mode
        return None

    # ------------------------------------------------------------ pages

    def channel_of(self, platform, key):
        return (self.skypt if platform == "cs" else self.e2).get(key)

    def schedule(self, channel, day):
        """The programmes of one chart day (05:00 to 05:00) of a channel:
        (start minutes after midnight of day, programme) pairs."""
        progs = self.programmes
        if not progs:
            return []
        i = channel["number"] % len(progs)
        t = 5 * 60
        out = []
        while t < 29 * 60:
            p = progs[i % len(progs)]
            out.append((t, p))
            t += p["minutes"]
            i += 1
        return out

    def chart_page(self, platform, key, channel, day, window):
        wstart = 5 * 60 + 6 * 60 * window
        wend = wstart + 6 * 60
        ymd = day.strftime("%Y%m%d")
        blocks = []
        for start, p in self.schedule(channel, day):
            end = start + p["minutes"]
            if end <= wstart or start >= wend:
                continue
            hhmm = "%02d%02d" % (start // 60, start % 60)
            shown = "%d:%02d" % ((start // 60) % 24, start % 60)
            rec_id = key[-6:].rjust(6, "0") + ymd + hhmm
            height = 3 * p["minutes"] - 3
            blocks.append(
                '<div class="cell %s" style="height: %dpx;">\n'
                '<a class="clip" href="/m/clipAdding.action?id=%s">'
                '<img src="/img/rec.gif" alt=""></a>\n'
                '<span class="schedule-start">%s</span>\n'
                '<a href="/schedule/%s.action"><span class="schedule-title">%s</span></a>\n'
                '<span class="schedule-summary">%s</span>\n'
                '</div>\n' % (p["genre"], height, rec_id, shown, rec_id,
                              html.escape(p["title"], quote=False),
                              html.escape(p.get("summary", ""), quote=False)))
        nav = "".join(
            '<li><a href="/chart/%s/%s.action">%s</a></li>\n'
            % (platform, c.get("id", c.get("key")), html.escape(c["name"]))
            for c in (self.lineup.get("skypt" if platform == "cs" else "e2", [])))
        hours = "".join('<div class="hour">%d</div>\n' % ((h // 60) % 24)
                        for h in range(wstart, wend, 60))
        title = "%s の番組表 %s" % (channel["name"], day.strftime("%Y/%m/%d"))
        page = (
            '<!DOCTYPE html>\n<html lang="ja">\n<head>\n<meta charset="UTF-8">\n'
            '<title>%s | Kanalia</title>\n'
            '<link rel="stylesheet" href="/css/chart.css">\n'
            '<style type="text/css">\n'
            '.cell { overflow: hidden; border-bottom: 1px solid #ccc; }\n'
            '.genre-100000 { background: #fee; } .genre-101000 { background: #efe; }\n'
            '.genre-104000 { background: #eef; } .genre-105000 { background: #ffe; }\n'
            '.genre-106000 { background: #fef; } .genre-107000 { background: #eff; }\n'
            '.genre-108000 { background: #f4f4f4; } .genre-102000 { background: #fafafa; }\n'
            '</style>\n'
            '<script type="text/javascript">var chartHead = "%s%04d";</script>\n'
            '</head>\n<body>\n'
            '<div id="header"><h1><a href="/">Kanalia</a></h1>\n'
            '<p class="lead">ＣＳ放送の番組表をチャンネルごとに６時間ずつ表示しています。'
            '番組名をクリックすると詳細ページへ移動します。</p></div>\n'
            '<ul id="channel-nav">\n%s</ul>\n'
            '<div id="chart">\n<div class="timecolumn">\n%s</div>\n'
            '<div class="topcolumn">\n<div class="station">%d %s</div>\n%s</div>\n'
            '</div>\n'
            '<div id="footer"><p>番組内容は放送局の都合により変更となる場合があります。'
            '最新の情報は各放送局のホームページでご確認ください。</p>\n'
            '<p>掲載されている情報の無断転載を禁じます。</p></div>\n'
            '</body>\n</html>\n'
            % (html.escape(title), ymd, (wstart // 60) * 100, nav, hours,
               channel["number"], html.escape(channel["name"]), "".join(blocks)))
        body = page.encode("utf-8")
        # Real chart pages are never this small; keep ours above the
        # acceptance threshold as well, whatever the line-up holds.
        if len(body) < 6000:
            filler = "<!-- %s -->\n" % ("-" * (6000 - len(body)))
            body = (page.replace("</body>", filler + "</body>")).encode("utf-8")
        return body

    def skylist_page(self):
        entries = ",\n".join(
            '  "%s": {"name": "%s - %s"}' % (c["id"], c.get("label", "%03d" % c["number"]),
                                          c["name"])
            for c in self.lineup.get("skypt", []))
        page = (
            '<!DOCTYPE html>\n<html lang="ja">\n<head>\n<meta charset="UTF-8">\n'
            '<title>スカパー！ チャンネル一覧 | Kanalia</title>\n'
            '<script type="text/javascript">\n'
            'var SptvSpecialitySelect = SptvSpecialitySelect || {};\n'
            'SptvSpecialitySelect.genres = {"all": "全ジャンル"};\n'
            'SptvSpecialitySelect.stations = {"all": {"name": "すべてのチャンネル", "children": {\n'
            '%s\n}}};\n'
            '</script>\n</head>\n<body>\n<div id="header"><h1>Kanalia</h1></div>\n'
            '<div id="select"></div>\n</body>\n</html>\n' % entries)
        return page.encode("utf-8")

    def e2list_page(self):
        options = "".join(
            '<option value="%s">%s - %s</option>\n'
            % (c["key"], c.get("label", c["number"]), html.escape(c["name"]))
            for c in self.lineup.get("e2", []))
        page = (
            '<!DOCTYPE html>\n<html lang="ja">\n<head>\n<meta charset="UTF-8">\n'
            '<title>スカパー！e2 チャンネル一覧 | Kanalia</title>\n</head>\n<body>\n'
            '<form name="site-search" action="/search"><select name="id">'
            '<option value="1">999 - サイト内検索</option></select></form>\n'
            '<form name="sptv-speciality-select-header" method="get" '
            'action="/chart/cs110/e2list.action">\n'
            '<select name="genre"><option value="0">全ジャンル</option></select>\n'
            '<select name="id" class="station">\n%s</select>\n'
            '<input type="submit" value="表示">\n</form>\n'
            '</body>\n</html>\n' % options)
        return page.encode("utf-8")

    def home_page(self):
        return ('<!DOCTYPE html>\n<html lang="ja"><head><meta charset="UTF-8">'
                '<title>Kanalia</title></head><body><h1>Kanalia</h1>'
                '<p><a href="/chart/cs/skylist.action">スカパー！</a> '
                '<a href="/chart/cs110/e2list.action">スカパー！e2</a></p>'
                '</body></html>\n').encode("utf-8")


def make_handler(site):
    class Handler(BaseHTTPRequestHandler):
        protocol_version = "HTTP/1.0"
        server_version = "KanaliaTestSite/1.0"

        def log_message(self, fmt, *args):  # quiet; we keep our own log
            pass

        def send_body(self, body, status=200):
            self.send_response(status)
            self.send_header("Content-Type", "text/html; charset=UTF-8")
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)

        def apply_fail(self, mode, build):
            if mode == "hang":
                # Connected, and never a byte in answer.
                time.sleep(3600)
                self.close_connection = True
                return
            if mode == "noanswer":
                self.close_connection = True
                return
            if mode == "empty":
                return self.send_body(b"")
            if mode == "notfound":
                return self.send_body(b"not found", 404)
            body = build()
            if mode == "layout":
                # The page as a site that renamed its channel column serves it:
                # as large as ever, and no programme the plug-in can find.
                return self.send_body(body.replace(b'class="topcolumn"',
                                                   b'class="chart-column"'))
            if mode == "short":
                return self.send_body(fit(body, 4999))
            if mode == "exact":
                return self.send_body(fit(body, 5000))
            if mode == "cut":
                # The whole length announced, 80 % sent, the connection closed.
                self.send_response(200)
                self.send_header("Content-Type", "text/html; charset=UTF-8")
                self.send_header("Content-Length", str(len(body)))
                self.end_headers()
                self.wfile.write(body[:len(body) * 4 // 5])
                self.close_connection = True
                return
            if mode == "slow":
                time.sleep(site.slow_seconds)
            return self.send_body(body)

        def do_GET(self):
            site.log(self)
            path = self.path
            if path in ("/", ""):
                return self.send_body(site.home_page())
            if path == "/chart/cs/skylist.action":
                return self.apply_fail(site.fail_mode("skylist", None), site.skylist_page)
            if path == "/chart/cs110/e2list.action":
                return self.apply_fail(site.fail_mode("e2list", None), site.e2list_page)
            m = CHART_RE.match(path)
            if m:
                platform, key, ymd, hhmm = m.groups()
                channel = site.channel_of(platform, key)
                window = WINDOW_STARTS.get(hhmm)
                try:
                    day = datetime.datetime.strptime(ymd, "%Y%m%d").date()
                except ValueError:
                    day = None
                if channel is not None and window is not None and day is not None:
                    return self.apply_fail(
                        site.fail_mode(key, window),
                        lambda: site.chart_page(platform, key, channel, day, window))
            return self.send_body(b"<html><body>not found</body></html>", 404)

    return Handler


def fit(body, size):
    """The page cut or padded to exactly size bytes."""
    if len(body) >= size:
        return body[:size]
    return body + b" " * (size - len(body))


def main(argv=None):
    ap = argparse.ArgumentParser(description="Local listings site for tests.")
    ap.add_argument("--lineup", default=os.path.join(HERE, "lineup.json"),
                    help="line-up file (JSON, UTF-8)")
    ap.add_argument("--port", type=int, default=0, help="port (0: a free one)")
    ap.add_argument("--port-file", help="write the port number here once listening")
    ap.add_argument("--log", help="append one JSON line per request here")
    ap.add_argument("--fail", action="append", type=FailRule, default=[],
                    metavar="KEY:WINDOW:MODE",
                    help="fail a page: MODE noanswer, empty, short (4999 bytes), "
                         "exact (5000 bytes), slow, notfound, cut (80 %% of the "
                         "announced length, then the connection closed), hang "
                         "(connected, never answered), layout (the channel column's "
                         "class renamed)")
    ap.add_argument("--slow-seconds", type=float, default=3.0,
                    help="delay of the slow answer")
    args = ap.parse_args(argv)

    with open(args.lineup, encoding="utf-8") as f:
        lineup = json.load(f)
    site = Site(lineup, args.fail, args.slow_seconds, args.log)
    server = ThreadingHTTPServer(("127.0.0.1", args.port), make_handler(site))
    server.daemon_threads = True
    port = server.server_address[1]
    if args.port_file:
        tmp = args.port_file + ".tmp"
        with open(tmp, "w") as f:
            f.write("%d\n" % port)
        os.replace(tmp, args.port_file)
    print("listening on http://127.0.0.1:%d" % port, flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    finally:
        server.server_close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
