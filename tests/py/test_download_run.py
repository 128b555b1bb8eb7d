"""A whole download run against the local listings site, natively and under
Wine: the host's dataset files, the channel table and its backup, the
channel number list and the log, byte for byte.

The site serves chart pages for whatever day is asked, and the run asks for
today, so the expected dataset lines are worked out here from the site's
line-up, following what the chart pages hold.
"""
import datetime
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import kctest  # noqa: E402

SITE = os.path.join(kctest.ROOT, "tests", "site", "server.py")
LINEUP = os.path.join(kctest.ROOT, "tests", "site", "lineup.json")
HEADER = ('"開始時間","チャンネル","終了時間","番組名","内容","カテゴリー","URL",'
          '"GCODE","Flag","予備",')
GENRES = [("genre-100000", 10), ("genre-101000", 4), ("genre-102000", 9),
          ("genre-102105", 5), ("genre-103000", 1), ("genre-104000", 3),
          ("genre-105000", 7), ("genre-106000", 2), ("genre-107000", 6),
          ("genre-108000", 11), ("genre-109000", 12), ("genre-110000", 14),
          ("genre-110108", 16), ("genre-111000", 14)]


# ---------------------------------------------------------------- the site

class Site:
    def __init__(self, fails=()):
        self.dir = tempfile.mkdtemp(prefix="kcsite-")
        self.port_file = os.path.join(self.dir, "port")
        self.log = os.path.join(self.dir, "requests.log")
        args = [sys.executable, SITE, "--lineup", LINEUP, "--port-file", self.port_file,
                "--log", self.log]
        for f in fails:
            args += ["--fail", f]
        self.proc = subprocess.Popen(args, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        for _ in range(200):
            if os.path.exists(self.port_file):
                break
            time.sleep(0.05)
        with open(self.port_file) as f:
            self.port = int(f.read().strip())
        self.base = "http://127.0.0.1:%d" % self.port

    def requests(self):
        return [r["path"] for r in self.request_log()]

    def request_log(self):
        if not os.path.exists(self.log):
            return []
        with open(self.log, encoding="utf-8") as f:
            return [json.loads(line) for line in f if line.strip()]

    def close(self):
        kctest.stop(self.proc)
        shutil.rmtree(self.dir, ignore_errors=True)


# ---------------------------------------------------------------- expectations

def fmt_dt(dt):
    if dt.hour == 0 and dt.minute == 0 and dt.second == 0:
        return dt.strftime("%d/%m/%Y")
    return dt.strftime("%d/%m/%Y %H:%M:%S")


def q(text):
    return '"' + text.replace("%", "%%").replace('"', '""') + '"'


def title_marks(title, memo):
    for a, b in [("(新)", "【新】"), ("(終)", "【終】"), ("[字]", "【文字】"), ("［", "【"),
                 ("］", "】"), ("（", "【"), ("）", "】"), ("[", "【"), ("]", "】"),
                 ("(", "【"), (")", "】")]:
        title = title.replace(a, b)
    for a, b in [("［", "【"), ("］", "】"), ("[", "【"), ("]", "】")]:
        memo = memo.replace(a, b)
    if "延長注意" not in memo and "最大延長" in memo:
        memo += "【延長注意】"
    for mark, front in [("【新】", True), ("【終】", False), ("【再】", False)]:
        if mark in memo:
            memo = memo.replace(mark, "")
            if mark not in title:
                title = mark + title if front else title + mark
    return title, memo


def extension_notes(memo, end):
    """The line-up's notes are all of the form 最大延長H時M分まで."""
    t = None
    m = re.search("最大延長(\\d+)時(\\d+)分", memo)
    if m:
        h, mi = int(m.group(1)), int(m.group(2))
        if h < end.hour:
            h += 12
        if 0 <= h <= 23 and 0 <= mi <= 59 and (h, mi) != (0, 0):
            t = h * 60 + mi
            d = t - (end.hour * 60 + end.minute)
            memo += "【延長注意90分以上】" if d >= 90 else "【延長注意%d分】" % int(d + 0.5)
    shift = any(s in memo for s in ("以降の番組繰り下げ", "(最大延長", "以降変更あり",
                                   "延長時、以降変更あり", "延長の場合あり"))
    if shift and t is None and "延長注意" not in memo:
        memo += " 延長注意"
    return memo


def schedule(number, programmes):
    """(start minutes after midnight, programme) of one chart day, as the site builds it."""
    out, t, i = [], 5 * 60, number % len(programmes)
    while t < 29 * 60:
        p = programmes[i % len(programmes)]
        out.append((t, p))
        t += p["minutes"]
        i += 1
    return out


def channel_lines(base, lineup, channel, label, today, windows=(0, 1, 2, 3)):
    day = datetime.datetime.combine(today, datetime.time())
    rows = []
    for w in windows:
        ws, we = 5 * 60 + 6 * 60 * w, 11 * 60 + 6 * 60 * w
        for start, p in schedule(channel["number"], lineup["programmes"]):
            if start + p["minutes"] <= ws or start >= we:
                continue
            s = day + datetime.timedelta(minutes=start)
            e = s + datetime.timedelta(minutes=p["minutes"])
            title, memo = title_marks(p["title"], p.get("summary", ""))
            memo = extension_notes(memo, e)
            cat = next((c for g, c in GENRES if g in p["genre"]), 0)
            rec_id = channel["id"][-6:].rjust(6, "0") + day.strftime("%Y%m%d") + \
                "%02d%02d" % (start // 60, start % 60)
            flag = 268435457 if s < day + datetime.timedelta(days=1, hours=4) else 268435456
            rows.append([s, e, title, memo, cat, base + "/schedule/%s.action" % rec_id, flag])
    rows.sort(key=lambda r: r[0])  # stable, like the table's sort
    nxt = None
    for r in reversed(rows):
        if nxt is not None and r[1] < nxt:
            r[1] = nxt
        nxt = r[0]
    return [
        ",".join([q(fmt_dt(r[0])), q(label), q(fmt_dt(r[1])), q(r[2]), q(r[3]), q(str(r[4])),
                  q(r[5]), q(""), q(str(r[6]))]) + ",," for r in rows]


# ---------------------------------------------------------------- the run

class DownloadRunCase:
    kind = "native"

    def setUp(self):
        self.host = kctest.run_host(self, self.kind, exe=self.program())
        with open(LINEUP, encoding="utf-8") as f:
            self.lineup = json.load(f)
        self.site = Site(fails=["500240:2:short"])
        self.addCleanup(self.site.close)

    def program(self):
        """The program the run copies into the host folder (None: the built one)."""
        return None

    def lay_out_host(self):
        h = self.host
        h.write_ini("hoz.ini", {
            "TSetup": {"DLL_Skypt": "True", "DLL_SkyptE2": "False"},
            "TSetup.DataList_Items": {"Count": "3", "Item0": "CS", "Item1": "CS2", "Item2": "BS"},
            "DataSet 0": {"count": "48", "Area 47": "True"},
            "DataSet 1": {"count": "1", "Area 0": "True"},
            "DataSet 2": {"count": "48", "Area 47": "False"},
        })
        h.write_ini("tvskypch.ini", {
            "DataSet 0": {"tvch 055": "True", "tvch 161": "True", "tvch 240": "False"},
            "DataSet 1": {"tvch 161": "True", "tvch 240": "True"},
            "DataSet 2": {"tvch 161": "True"},
            "ChannelChange": {"240": "301"},
        })
        self.old_table = kctest.sjis(kctest.crlf([
            '"TVChannel","TVName","Status",', '"161","旧シネマ","0",', '"999","終了した局","0",']))
        h.write_bytes("tvskypch.csv", self.old_table)
        h.write_sjis("tvdata1.csv", kctest.crlf([HEADER, '"old","line",']))

    def test_whole_run(self):
        self.lay_out_host()
        today = datetime.date.today()
        r = self.host.run(env={"KANALIA_BASE_URL": self.site.base}, timeout=600)
        if datetime.date.today() != today:
            self.skipTest("the run crossed midnight")
        self.assertEqual(r.returncode, 0, r.stderr.decode("utf-8", "replace")[-2000:])
        h, base = self.host, self.site.base
        ch = {c["number"]: c for c in self.lineup["skypt"]}

        # requests: the list, then four windows per wanted channel; 161, which
        # both datasets want, is asked for once
        reqs = self.site.requests()
        ymd = today.strftime("%Y%m%d")
        want = ["/chart/cs/skylist.action"]
        # channels go in the channel table's order, which sorts as text
        for number in (161, 55, 240):
            for hhmm in ("0500", "1100", "1700", "2300"):
                want.append("/chart/cs/%s.action?head=%s%s&amp;span=6" % (ch[number]["id"], ymd, hhmm))
        self.assertEqual(reqs, want)
        # paced as ever: request starts 0.9 s apart (less the fetcher's
        # start-up jitter), never faster over the whole run
        times = [r["time"] for r in self.site.request_log()]
        gaps = [b - a for a, b in zip(times, times[1:])]
        jitter = 0.03 if self.kind == "native" else 0.2
        self.assertTrue(all(g >= 0.9 - jitter for g in gaps), gaps)
        self.assertGreaterEqual(times[-1] - times[0], 0.9 * len(gaps) - jitter)

        # the datasets: a new file gets one header, an old one only lines
        lines55 = channel_lines(base, self.lineup, ch[55], "55.ジャパンスポーツ", today)
        # 161 is wanted by two datasets: each of them receives each of its
        # programmes once
        lines161 = channel_lines(base, self.lineup, ch[161], "161.シネマ・ワールド", today)
        lines240 = channel_lines(base, self.lineup, ch[240], "301.アニメ・シアター", today,
                                 windows=(0, 1, 3))
        self.assertEqual(h.read_bytes("tvdata0.csv"),
                         kctest.sjis(kctest.crlf([HEADER] + lines161 + lines55)))
        self.assertEqual(h.read_bytes("tvdata1.csv"),
                         kctest.sjis(kctest.crlf([HEADER, '"old","line",'] + lines161 + lines240)))
        self.assertFalse(h.exists("tvdata2.csv"))

        # the channel table from the list page, its backup, the number list
        self.assertEqual(h.read_bytes("tvskypch.old"), self.old_table)
        self.assertEqual(h.read_sjis("tvskypch.csv"), kctest.crlf([
            '"TVChannel","TVName","Status",',
            '"161","シネマ・ワールド","0",',
            # listed twice: the second entry finds the row the first added
            '"240","アニメ・シアター","0",',
            '"55","ジャパンスポーツ","1",',
            '"585","ニュース２４","1",',
            '"999","終了した局","0",']))
        self.assertEqual(h.read_sjis("tvmurokch.csv"), kctest.crlf(["55", "161", "240", "240", "585"]))

        # the cache keeps the accepted pages; the short one is gone
        mmdd = today.strftime("%m%d")
        cache = sorted(os.listdir(h.path("Cache/skypt")))
        self.assertEqual(cache, sorted(
            "tvmurok%s%s%d.html" % (c, mmdd, i) for c in ("055", "161", "240") for i in range(4)
            if not (c == "240" and i == 2)))
        # the programme files are gone from the temp folder
        self.assertEqual([n for n in os.listdir(h.temp) if n.startswith("tvmurok")], [])

        # the log, line by line
        log = h.read_sjis("hoz.log").split("\r\n")
        self.assertEqual(log[-1], "")
        log = log[:-1]
        self.assertEqual(len(log), 8, log)
        self.assertRegex(log[0], r"^--- START ---\t\d{4}-\d\d-\d\d \d\d:\d\d:\d\d$")
        self.assertRegex(log[1], r"^Version ")
        self.assertEqual(log[2:5], ["Kanalia(CS)プラグイン", "Kanalia(CS) ダウンロード開始",
                                    "ダウンロード失敗: 240チャンネル"])
        # what the run got: three channels, their four pages each asked for
        # once (12 requests, one failed), and what the programme files and the
        # dataset files received
        self.assertEqual(log[5], "取得結果: 3チャンネル, ページ12件 (失敗1件), 番組%d件, "
                         "データセット0: %d行, データセット1: %d行"
                         % (len(lines161 + lines55 + lines240), len(lines161 + lines55),
                            len(lines161 + lines240)))
        self.assertRegex(log[6], r"^%s \d\d:\d\d:\d\d Kanalia\(CS\) ダウンロード終了$"
                         % today.strftime("%Y-%m-%d"))
        self.assertRegex(log[7], r"^--- END ---\t%s\t\d\d:\d\d:\d\d$" % today.strftime("%Y-%m-%d"))


class NativeDownloadRun(DownloadRunCase, unittest.TestCase):
    kind = "native"


class WineDownloadRun(DownloadRunCase, unittest.TestCase):
    kind = "win32"


class AnalyseTool(unittest.TestCase):
    """The maintainers' tool on saved pages: the programme file on stdout."""

    # fixture page, page file name, extra arguments, expected programme file
    CASES = [
        ("column_start", "tvmurok10112060.html", [], "column_start"),
        ("style_height", "tvmurok10112060.html", [], "style_height"),
        ("shared_span", "tvmurok10112061.html", [], "shared_span"),
        ("nested_div", "tvmurok10112061.html", [], "nested_div"),
        ("early_start", "tvmurok10112063.html", [], "early_start"),
        ("days_limit", "tvmurok10112063.html", ["--days", "1"], "days_limit"),
        ("marks_notes", "tvmurok10112062.html", [], "marks_notes"),
        ("no_column", "tvmurok10112060.html", [], "no_column"),
        ("shared_span", "tvmurok10112061.html", ["--convert", "101=5"], "conversion_c5"),
    ]

    def setUp(self):
        self.tool = os.path.join(kctest.NATIVE_BIN, "kanalia-tool")
        if not os.access(self.tool, os.X_OK):
            self.skipTest("kanalia-tool not built")
        self.dir = tempfile.mkdtemp(prefix="kcanalyse-")
        self.addCleanup(shutil.rmtree, self.dir, True)
        self.table = os.path.join(self.dir, "tvskypch.csv")
        with open(self.table, "wb") as f:
            f.write(kctest.sjis(kctest.crlf(['"TVChannel","TVName","Status",',
                                             '"101","テスト局","0",'])))
        self.env = dict(os.environ, KANALIA_BASE_URL="https://www.kanalia.example")

    def analyse(self, fixture, name, extra, now="2019-12-06 08:00:00"):
        page = os.path.join(self.dir, name)
        shutil.copy(os.path.join(kctest.ROOT, "tests/data/analyser/%s.html" % fixture), page)
        return subprocess.run([self.tool, "analyse", page, self.table, "--now", now] + extra,
                              stdout=subprocess.PIPE, stderr=subprocess.PIPE, env=self.env,
                              timeout=60)

    def test_fixture_pages(self):
        for fixture, name, extra, expected in self.CASES:
            with self.subTest(expected):
                r = self.analyse(fixture, name, extra)
                self.assertEqual(r.returncode, 0, r.stderr)
                with open(os.path.join(kctest.ROOT, "tests/data/analyser/%s.expected.csv"
                                       % expected), encoding="utf-8") as f:
                    want = f.read().replace("\n", "\r\n")
                self.assertEqual(r.stdout, kctest.sjis(want))

    def test_limit_unknown_channel_and_usage(self):
        # a December page read in August, one day ahead: nothing but the header
        r = self.analyse("marks_notes", "tvmurok10112062.html", ["--days", "1"],
                         now="2019-08-06 08:00:00")
        self.assertEqual((r.returncode, r.stdout), (0, kctest.sjis(HEADER + "\r\n")))
        # a channel the table lacks is reported
        r = self.analyse("marks_notes", "tvmurok16112062.html", [])
        self.assertEqual(r.stdout, kctest.sjis(HEADER + "\r\n"))
        self.assertIn("チャンネル名取得エラー [", r.stderr.decode("utf-8"))
        r = subprocess.run([self.tool, "analyse", self.table], stdout=subprocess.PIPE,
                           stderr=subprocess.PIPE, env=self.env, timeout=60)
        self.assertEqual(r.returncode, 2)


if __name__ == "__main__":
    unittest.main()
