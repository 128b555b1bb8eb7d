"""What a download run says in the host's log about what it got, natively
and under Wine, against the local site serving pages of a changed layout:
a channel whose pages give no programme, a run none of whose pages gives
one, a ticked channel the site no longer lists, and the summary line, whose
figures must be what the site was asked and what the dataset files got.
"""
import datetime
import json
import os
import re
import shutil
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import kctest  # noqa: E402
from test_download_run import HEADER, LINEUP, Site, channel_lines  # noqa: E402

SUMMARY = re.compile(r"^取得結果: (\d+)チャンネル, ページ(\d+)件 \(失敗(\d+)件\), 番組(\d+)件"
                     r"((?:, データセット\d+: \d+行)*)$")


class RunReportCase:
    kind = "native"

    def setUp(self):
        self.host = kctest.run_host(self, self.kind)
        with open(LINEUP, encoding="utf-8") as f:
            self.lineup = json.load(f)
        self.channels = {c["number"]: c for c in self.lineup["skypt"]}

    def run_against(self, fails, datasets, ticks, table_rows=()):
        site = Site(fails=fails)
        self.addCleanup(site.close)
        h = self.host
        hoz = {"TSetup": {"DLL_Skypt": "True", "DLL_SkyptE2": "False"},
               "TSetup.DataList_Items": {"Count": str(datasets)}}
        for n in range(datasets):
            hoz["DataSet %d" % n] = {"count": "48", "Area 47": "True"}
        h.write_ini("hoz.ini", hoz)
        h.write_ini("tvskypch.ini", {"DataSet %d" % n: {"tvch " + t: "True" for t in chs}
                                     for n, chs in enumerate(ticks)})
        h.write_sjis("tvskypch.csv", kctest.crlf(['"TVChannel","TVName","Status",']
                                                 + list(table_rows)))
        today = datetime.date.today()
        env = {"KANALIA_BASE_URL": site.base, "no_proxy": "127.0.0.1,localhost"}
        r = h.run(env=env, timeout=600)
        if datetime.date.today() != today:
            self.skipTest("the run crossed midnight")
        self.assertEqual(r.returncode, 0, r.stderr.decode("utf-8", "replace")[-2000:])
        return site, today

    def messages(self):
        """The log's lines between the start block and the run's end line."""
        log = self.host.read_sjis("hoz.log").split("\r\n")
        self.assertEqual(log[-1], "")
        self.assertRegex(log[-2], r"^--- END ---\t")
        self.assertRegex(log[-3], r" Kanalia\(CS\) ダウンロード終了$")
        self.assertEqual(log[2:4], ["Kanalia(CS)プラグイン", "Kanalia(CS) ダウンロード開始"])
        return log[4:-3]

    def data_lines(self, n):
        """Programme lines of a dataset file the run created (its header checked)."""
        lines = self.host.read_sjis("tvdata%d.csv" % n).split("\r\n")
        self.assertEqual((lines[0], lines[-1]), (HEADER, ""))
        return lines[1:-1]

    def test_one_channel_changed_and_one_gone(self):
        site, today = self.run_against(
            ["500161:*:layout"], datasets=2, ticks=[("055", "161", "777"), ("585",)],
            table_rows=['"777","消えた局","0",'])
        ch = self.channels
        # The others are merged as before.
        lines55 = channel_lines(site.base, self.lineup, ch[55], "55.ジャパンスポーツ", today)
        lines585 = channel_lines(site.base, self.lineup, ch[585], "585.ニュース２４", today)
        self.assertEqual(self.data_lines(0), lines55)
        self.assertEqual(self.data_lines(1), lines585)
        # The changed pages gave nothing and are gone from the cache.
        self.assertFalse([n for n in os.listdir(self.host.path("Cache/skypt"))
                          if n.startswith("tvmurok161")])

        said = self.messages()
        self.assertEqual(said[:2], ["取得しません: 777チャンネル (サイトのチャンネルリストにありません)",
                                    "番組を読み取れません: 161チャンネル (4ページ)"])
        self.assertEqual(len(said), 3, said)
        # The summary's figures are what the site was asked and the files got.
        m = SUMMARY.match(said[2])
        self.assertTrue(m, said[2])
        charts = [p for p in site.requests() if "head=" in p]
        stored = len(self.data_lines(0)) + len(self.data_lines(1))
        self.assertEqual([int(m.group(i)) for i in range(1, 5)], [3, len(charts), 0, stored])
        self.assertEqual(m.group(5), ", データセット0: %d行, データセット1: %d行"
                         % (len(self.data_lines(0)), len(self.data_lines(1))))
        self.assertEqual(len(charts), 12)

    def test_every_page_changed(self):
        self.run_against(["*:*:layout"], datasets=1, ticks=[("055", "161")])
        self.assertEqual(self.messages(), [
            "番組を読み取れません: 161チャンネル (4ページ)",
            "番組を読み取れません: 55チャンネル (4ページ)",
            "hoz.log: 番組表のページ8件から番組を1件も読み取れません。"
            "サイトのページ構成が変わった可能性があります (C.ERROR)",
            "取得結果: 2チャンネル, ページ8件 (失敗0件), 番組0件, データセット0: 0行"])
        self.assertEqual(self.data_lines(0), [])


@kctest.needs_native
@unittest.skipUnless(shutil.which("wget"), "GNU wget missing")
class NativeRunReport(RunReportCase, unittest.TestCase):
    kind = "native"


@kctest.needs_wine
class WineRunReport(RunReportCase, unittest.TestCase):
    kind = "win32"


if __name__ == "__main__":
    unittest.main()
