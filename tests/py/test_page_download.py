"""End to end: a download run of the plug-in against the local listings site.

Checks what the site sees (paths and queries exactly, spacing, four pages per
wanted channel), what the page cache holds afterwards, the log lines of
failed pages, the reuse switch, and channel list retrieval from both list
pages. Natively the fetcher is GNU wget; under Wine the stand-in
powershell.exe next to the plug-in takes PowerShell's place.
"""
import datetime
import json
import os
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import kctest  # noqa: E402

SERVER = os.path.join(kctest.ROOT, "tests", "site", "server.py")
LINEUP = os.path.join(kctest.ROOT, "tests", "site", "lineup.json")
STAND_IN = os.path.join(kctest.WIN32_BIN, "powershell.exe")
WINDOW_STARTS = ["0500", "1100", "1700", "2300"]
# The plug-in spaces the starts of its fetchers 0.9 s apart; the site sees
# each request after that fetcher's own start-up, which varies a little
# natively and more under Wine. The unit tests check the spacing exactly.
SPACING = 0.9
JITTER = {"native": 0.03, "win32": 0.2}


class Site:
    """The local site in a process of its own, for one test."""

    def __init__(self, fails=(), slow_seconds=2):
        self.dir = tempfile.mkdtemp(prefix="kcsite-")
        self.port_file = os.path.join(self.dir, "port")
        self.log_file = os.path.join(self.dir, "requests.log")
        args = [sys.executable, SERVER, "--lineup", LINEUP, "--port-file", self.port_file,
                "--log", self.log_file, "--slow-seconds", str(slow_seconds)]
        for f in fails:
            args += ["--fail", f]
        self.proc = subprocess.Popen(args, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        deadline = time.time() + 20
        while not os.path.exists(self.port_file):
            if self.proc.poll() is not None or time.time() > deadline:
                raise RuntimeError("site did not start: %r" % self.proc.stderr.read())
            time.sleep(0.05)
        with open(self.port_file) as f:
            self.port = int(f.read())
        self.base = "http://127.0.0.1:%d" % self.port

    def requests(self):
        if not os.path.exists(self.log_file):
            return []
        with open(self.log_file, encoding="utf-8") as f:
            return [json.loads(line) for line in f if line.strip()]

    def clear_log(self):
        if os.path.exists(self.log_file):
            os.remove(self.log_file)

    def close(self):
        kctest.stop(self.proc)
        shutil.rmtree(self.dir, ignore_errors=True)


def chart_paths(platform, key, day, windows=range(4)):
    return ["/chart/%s/%s.action?head=%s%s&amp;span=6"
            % (platform, key, day.strftime("%Y%m%d"), WINDOW_STARTS[i]) for i in windows]


def page_name(channel, day, i):
    return "tvmurok%s%s%d.html" % (channel, day.strftime("%m%d"), i)


class DownloadRunBase:
    """The same checks natively and under Wine; subclasses say how to run."""

    kind = None

    def setUp(self):
        self.sites = []
        self.hosts = []

    def tearDown(self):
        for s in self.sites:
            s.close()
        for h in self.hosts:
            h.cleanup()

    def site(self, fails=()):
        s = Site(fails)
        self.sites.append(s)
        return s

    def host(self, e2=False, reuse="False", ticks=("161", "055")):
        hd = kctest.HostDir(self.kind)
        self.hosts.append(hd)
        if self.kind == "win32":
            shutil.copy2(STAND_IN, hd.plugin_path("powershell.exe"))
        hd.write_ini("hoz.ini", {
            "TSetup": {"DLL_SkyptE2": "True" if e2 else "False",
                       "NotExistsDLL_Checked": reuse},
            "TSetup.DataList_Items": {"Count": "2", "Item0": "CS", "Item1": "BS"},
            "DataSet 0": {"count": "1", "Area 0": "True"},
            "DataSet 1": {"count": "1", "Area 0": "False"},
        })
        ticks_ini = {"count": str(len(ticks))}
        ticks_ini.update(("tvch " + t, "True") for t in ticks)
        hd.write_ini("tvskypch.ini", {"DataSet 0": ticks_ini, "DataSet 1": {"tvch 161": "True"}})
        return hd

    def run_plugin(self, hd, site, timeout=180):
        extra = {"KANALIA_BASE_URL": site.base}
        if self.kind == "native":
            # One try per page, as PowerShell makes; wget would otherwise
            # retry a page that gets no answer.
            rc = os.path.join(hd.root, "wgetrc")
            with open(rc, "w") as f:
                f.write("tries = 1\n")
            extra["WGETRC"] = rc
            # The site is local; a proxy of the machine must not get in between.
            extra["no_proxy"] = "127.0.0.1,localhost"
        before = datetime.date.today()
        result = hd.run(env=extra, timeout=timeout)
        self.assertEqual(result.returncode, 0, result.stderr[-2000:])
        return before

    def log_lines(self, hd):
        return hd.read_sjis("hoz.log").split("\r\n")

    def check_spacing(self, requests):
        times = [r["time"] for r in requests]
        gaps = [b - a for a, b in zip(times, times[1:])]
        jitter = JITTER[self.kind]
        self.assertTrue(all(g >= SPACING - jitter for g in gaps), gaps)
        # Start-up delays do not add up: over the whole run the requests
        # cannot come faster than the spacing allows.
        self.assertGreaterEqual(times[-1] - times[0], SPACING * len(gaps) - jitter, gaps)

    def cache(self, hd):
        folder = hd.path("Cache/skypt")
        return sorted(os.listdir(folder)) if os.path.isdir(folder) else []

    # ------------------------------------------------------------ tests

    def test_skypt_run_requests_cache_and_failures(self):
        # A slow answer is still a page; only a fetcher that never ends is
        # given up (after minutes, see the unit tests).
        site = self.site(["500161:1:short", "500161:2:noanswer", "500055:3:exact",
                          "500055:0:slow"])
        hd = self.host()
        # A ticked channel that the platform no longer lists.
        hd.write_sjis("tvskypch.csv", kctest.crlf(['"TVChannel","TVName","Status",',
                                                   '"777","消えた局","0",']))
        hd.write_ini("tvskypch.ini", {"DataSet 0": {"count": "3", "tvch 055": "True",
                                                    "tvch 161": "True",
                                                    "tvch 777": "True"}})
        day = self.run_plugin(hd, site)

        reqs = site.requests()
        paths = [r["path"] for r in reqs]
        # The table is ordered as text, so 161 comes before 55.
        self.assertEqual(paths, ["/chart/cs/skylist.action"]
                         + chart_paths("cs", "500161", day)
                         + chart_paths("cs", "500055", day))
        self.check_spacing(reqs)

        self.assertEqual(self.cache(hd), sorted(
            [page_name("161", day, i) for i in (0, 3)]
            + [page_name("055", day, i) for i in range(4)]))
        self.assertEqual(os.path.getsize(hd.path("Cache/skypt/" + page_name("055", day, 3))),
                         5000)
        lines = self.log_lines(hd)
        self.assertIn("ダウンロード失敗: 161チャンネル", lines)
        self.assertIn("通信エラー: 161チャンネル", lines)
        self.assertEqual([l for l in lines if "ダウンロード失敗" in l or "通信エラー" in l],
                         ["ダウンロード失敗: 161チャンネル", "通信エラー: 161チャンネル"])
        # Passed over without a request, and said so once.
        self.assertEqual([l for l in lines if "777" in l],
                         ["取得しません: 777チャンネル (サイトのチャンネルリストにありません)"])
        self.assertEqual(hd.read_bytes("tvmurokch.csv"), b"55\r\n161\r\n240\r\n240\r\n585\r\n")

        # Reuse switch on, and the list page gets no answer: the working file
        # of the first run gives the page keys again; only the two missing
        # pages of 161 are fetched, none of 55.
        site2 = self.site(["skylist:*:noanswer"])
        hd.write_ini("hoz.ini", {
            "TSetup": {"DLL_SkyptE2": "False", "NotExistsDLL_Checked": "True"},
            "TSetup.DataList_Items": {"Count": "1"},
            "DataSet 0": {"count": "1", "Area 0": "True"},
        })
        day2 = self.run_plugin(hd, site2)
        if day2 != day:
            self.skipTest("the runs spanned midnight")
        paths = [r["path"] for r in site2.requests()]
        self.assertEqual(paths, ["/chart/cs/skylist.action"]
                         + chart_paths("cs", "500161", day, (1, 2)))
        self.assertEqual(len(self.cache(hd)), 8)

    def test_e2_run(self):
        site = self.site()
        hd = self.host(e2=True, ticks=("252", "585"))
        day = self.run_plugin(hd, site)
        paths = [r["path"] for r in site.requests()]
        self.assertEqual(paths, ["/chart/cs110/e2list.action"]
                         + chart_paths("cs110", "12", day)
                         + chart_paths("cs110", "22", day))
        # Each number once; the option of the search form is not a channel.
        self.assertEqual(hd.read_bytes("tvmurokch.csv"), b"252\r\n300\r\n585\r\n")
        table = hd.read_sjis("tvskypch.csv")
        self.assertIn('"300","チャンネル―ミュージック","1",', table)
        self.assertNotIn("999", table)
        self.assertEqual(self.cache(hd), sorted(
            [page_name(c, day, i) for c in ("252", "585") for i in range(4)]))


@kctest.needs_native
@unittest.skipUnless(shutil.which("wget"), "GNU wget missing")
class NativeDownloadRunTest(DownloadRunBase, unittest.TestCase):
    kind = "native"


@kctest.needs_wine
@unittest.skipUnless(os.path.isfile(STAND_IN), "build/win32/bin/powershell.exe missing")
class WineDownloadRunTest(DownloadRunBase, unittest.TestCase):
    kind = "win32"

    # Under Wine a shorter Skypt run: one channel, a short page and one
    # without an answer.
    def test_skypt_run_requests_cache_and_failures(self):
        site = self.site(["500055:1:short", "500055:2:noanswer"])
        hd = self.host(ticks=("055",))
        day = self.run_plugin(hd, site, timeout=300)
        reqs = site.requests()
        self.assertEqual([r["path"] for r in reqs],
                         ["/chart/cs/skylist.action"] + chart_paths("cs", "500055", day))
        self.check_spacing(reqs)
        self.assertEqual(self.cache(hd), sorted(page_name("055", day, i) for i in (0, 3)))
        lines = self.log_lines(hd)
        self.assertIn("ダウンロード失敗: 55チャンネル", lines)
        self.assertIn("通信エラー: 55チャンネル", lines)


if __name__ == "__main__":
    unittest.main()
