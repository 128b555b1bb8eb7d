"""End to end, native: the promise under a failing site and under kill -9.

A site that drops every connection gets one request per page and is given
up after a few; a page cut off in transfer counts as no data; a plug-in
killed at random moments leaves whole dataset lines, its channel table, a
log that only grew and no fetcher behind it, and the next run recovers.
"""
import os
import random
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import kctest  # noqa: E402
from test_page_download import Site  # noqa: E402

KILLS = int(os.environ.get("KC_KILLS", "6"))
SEED = int(os.environ.get("KC_KILL_SEED", "12"))
HEADER = '"開始時間","チャンネル","終了時間","番組名","内容","カテゴリー","URL","GCODE","Flag","予備",'
OLD_DATA = kctest.crlf([HEADER, '"old","row",,,,,,,,,'])
TABLE = kctest.crlf(['"TVChannel","TVName","Status",', '"161","シネマ・ワールド","0",',
                     '"55","ジャパンスポーツ","0",'])


@unittest.skipUnless(kctest.have_native(), "native build missing")
class Reliability(unittest.TestCase):
    def setUp(self):
        self.sites, self.hosts = [], []

    def tearDown(self):
        for s in self.sites:
            s.close()
        for h in self.hosts:
            h.cleanup()

    def site(self, fails=(), slow_seconds=2):
        s = Site(fails, slow_seconds)
        self.sites.append(s)
        return s

    def host(self):
        hd = kctest.HostDir("native")
        self.hosts.append(hd)
        hd.write_ini("hoz.ini", {
            "TSetup": {"DLL_SkyptE2": "False", "NotExistsDLL_Checked": "False"},
            "TSetup.DataList_Items": {"Count": "1", "Item0": "CS"},
            "DataSet 0": {"count": "1", "Area 0": "True"},
        })
        hd.write_ini("tvskypch.ini", {"DataSet 0": {"count": "2", "tvch 161": "True",
                                                    "tvch 055": "True"}})
        hd.write_sjis("tvdata0.csv", OLD_DATA)
        hd.write_sjis("tvskypch.csv", TABLE)
        hd.write_sjis("hoz.log", "host line\r\n")
        return hd

    def env(self, site):
        return {"KANALIA_BASE_URL": site.base, "no_proxy": "127.0.0.1,localhost"}

    def test_a_site_that_drops_every_connection(self):
        site = self.site(fails=["*:*:noanswer"])
        hd = self.host()
        # The numbers and page keys of an earlier run stand in for the list.
        hd.write_bytes("tvmurokch.csv", b"161\r\n55\r\n")
        with open(hd.plugin_path("pagekeys_skypt.txt"), "wb") as f:
            f.write(b"161=500161\r\n55=500055\r\n")
        start = time.time()
        result = hd.run(env=self.env(site), timeout=600)
        self.assertEqual(result.returncode, 0, result.stderr[-2000:])
        paths = [r["path"] for r in site.requests()]
        self.assertEqual(len(paths), len(set(paths)), "one request per page: %r" % paths)
        self.assertEqual(len(paths), 6, paths)  # the list and five pages, then given up
        log = hd.read_sjis("hoz.log")
        self.assertEqual(log.count("通信エラーが続いたため残りの番組表を取得しません"), 1)
        self.assertEqual(hd.read_sjis("tvdata0.csv"), OLD_DATA)
        self.assertLess(time.time() - start, 120)

    def test_a_page_cut_off_in_transfer_is_no_data(self):
        site = self.site(fails=["500161:1:cut"])
        hd = self.host()
        result = hd.run(env=self.env(site), timeout=300)
        self.assertEqual(result.returncode, 0, result.stderr[-2000:])
        self.assertIn("通信エラー: 161チャンネル", hd.read_sjis("hoz.log").split("\r\n"))
        cache = os.listdir(hd.path("Cache/skypt"))
        self.assertEqual(len([n for n in cache if n.startswith("tvmurok161")]), 3, cache)

    def whole_lines(self, hd, what):
        data = hd.read_bytes("tvdata0.csv") if hd.exists("tvdata0.csv") else b""
        old = kctest.sjis(OLD_DATA)
        self.assertTrue(data.startswith(old), what)
        self.assertTrue(data == old or data.endswith(b"\r\n"), what)

    def fetchers_of(self, hd):
        """Processes whose command line names this host's temp folder."""
        found = []
        for pid in os.listdir("/proc"):
            if not pid.isdigit():
                continue
            try:
                with open("/proc/%s/cmdline" % pid, "rb") as f:
                    cmd = f.read()
                with open("/proc/%s/stat" % pid) as f:
                    state = f.read().rsplit(")", 1)[1].split()[0]
            except OSError:
                continue
            if hd.temp.encode() in cmd and state != "Z":
                found.append(pid)
        return found

    def test_kill_at_random_moments_then_a_run_recovers(self):
        # Slow answers keep a fetcher running at many of the moments.
        site = self.site(fails=["*:*:slow"], slow_seconds=0.7)
        rng = random.Random(SEED)
        hd = self.host()
        env = self.env(site)
        for k in range(KILLS):
            log_before = hd.read_bytes("hoz.log")
            proc = hd.start(env=env)
            time.sleep(rng.uniform(0.2, 14.0))
            proc.kill()
            proc.communicate()
            what = "kill %d" % k
            deadline = time.time() + 5
            while self.fetchers_of(hd) and time.time() < deadline:
                time.sleep(0.1)
            self.assertEqual(self.fetchers_of(hd), [], what + ": a fetcher outlived the plug-in")
            self.whole_lines(hd, what)
            self.assertTrue(hd.exists("tvskypch.csv"), what)
            self.assertTrue(hd.read_bytes("hoz.log").startswith(log_before), what)
        result = hd.run(env=env, timeout=300)
        self.assertEqual(result.returncode, 0, result.stderr[-2000:])
        self.whole_lines(hd, "recovery run")
        self.assertIn(kctest.sjis('"161"'), hd.read_bytes("tvskypch.csv"))
        self.assertEqual([n for n in os.listdir(hd.temp) if n.startswith("_v")], [])
        self.assertIn(kctest.sjis("シネマ"), hd.read_bytes("tvdata0.csv"))


if __name__ == "__main__":
    unittest.main()
