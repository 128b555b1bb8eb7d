"""`kanalia-tool explain` over laid-out host folders, natively and as
kanalia-tool.exe under Wine: a channel that reaches its datasets, one ticked
only for a dataset that does not take these listings, one the site's list
no longer carries, and one whose cached pages give no programme.
"""
import os
import shutil
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import kctest  # noqa: E402

FIXTURES = os.path.join(kctest.ROOT, "tests", "data", "analyser")
NATIVE_TOOL = os.path.join(kctest.NATIVE_BIN, "kanalia-tool")
WIN32_TOOL = os.path.join(kctest.WIN32_BIN, "kanalia-tool.exe")
PAGE_TIME = "2019-12-06 08:00:00"

SETTINGS = [
    "plug-in folder: plugin",
    "platform: SKY PerfecTV! ([TSetup] DLL_SkyptE2 is not True)",
    "channel table: 4 channels in tvskypch.csv",
    "channel numbers: 3 in tvmurokch.csv (saved by the last run that got the site's list)",
    "page keys: 3 in pagekeys_skypt.txt",
    "reuse of cached pages: off (every page is fetched anew)",
    "days ahead: 100",
    "conversion: 240=301",
    "datasets: 3 ([TSetup.DataList_Items] Count)",
]


class ExplainCase:
    kind = "native"

    def setUp(self):
        tool = NATIVE_TOOL if self.kind == "native" else WIN32_TOOL
        if not os.path.isfile(tool):
            self.skipTest(os.path.basename(tool) + " not built")
        if self.kind == "win32" and shutil.which("wine") is None:
            self.skipTest("wine missing")
        self.host = kctest.HostDir(self.kind, exe=tool)
        self.addCleanup(self.host.cleanup)
        h = self.host
        h.write_ini("hoz.ini", {
            "TSetup": {"DLL_Skypt": "True", "DLL_SkyptE2": "False"},
            "TSetup.DataList_Items": {"Count": "3", "Item0": "CS", "Item1": "CS2", "Item2": "BS"},
            # taken by a run and offered by the settings window
            "DataSet 0": {"count": "48", "Area 47": "True"},
            # taken by a run, not offered by the settings window
            "DataSet 1": {"count": "1", "Area 0": "True"},
            # neither
            "DataSet 2": {"count": "48", "Area 47": "False"},
        })
        h.write_ini("tvskypch.ini", {
            "DataSet 0": {"tvch 101": "True", "tvch 161": "True", "tvch 777": "True"},
            "DataSet 1": {"tvch 101": "True"},
            "DataSet 2": {"tvch 240": "True"},
            "ChannelChange": {"240": "301"},
        })
        h.write_sjis("tvskypch.csv", kctest.crlf([
            '"TVChannel","TVName","Status",', '"101","テスト局","0",', '"161","映画","0",',
            '"240","アニメ","0",', '"777","消えた局","0",']))
        h.write_bytes("tvmurokch.csv", b"101\r\n161\r\n240\r\n")
        with open(h.plugin_path("pagekeys_skypt.txt"), "wb") as f:
            f.write(b"101=500101\r\n161=500161\r\n240=500240\r\n")
        # 101's page holds two programmes; 161's has no channel column.
        self.sizes = {}
        stamp = time.mktime(time.strptime(PAGE_TIME, "%Y-%m-%d %H:%M:%S"))
        for fixture, name in (("shared_span", "tvmurok10112060.html"),
                              ("no_column", "tvmurok16112060.html")):
            with open(os.path.join(FIXTURES, fixture + ".html"), "rb") as f:
                path = h.write_bytes("Cache/skypt/" + name, f.read())
            os.utime(path, (stamp, stamp))
            self.sizes[name] = os.path.getsize(path)
        # not a page of any channel's name form: never listed
        h.write_bytes("Cache/skypt/tvmurok1011206.html", b"x")

    def explain(self, *args, folder=None):
        folder = folder or self.host.host
        if self.kind == "native":
            cmd = [self.host.exe, "explain", folder] + list(args)
            r = subprocess.run(cmd, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                               env=kctest.native_env(), timeout=60)
            out = r.stdout.decode("utf-8")
        else:
            r = kctest.run_wine(["explain", kctest.wine_path(folder)] + list(args),
                                exe=self.host.exe, timeout=120)
            out = r.stdout.decode("cp932")
        return r.returncode, out.split("\n")

    def host_line(self):
        folder = self.host.host if self.kind == "native" else kctest.wine_path(self.host.host)
        return "host folder: " + folder

    def page(self, name, programmes):
        return "cached page %s, %s, %d bytes, %d programmes" % (
            name, PAGE_TIME, self.sizes[name], programmes)

    def test_every_dataset_and_ticked_channel(self):
        rc, lines = self.explain()
        self.assertEqual(rc, 0)
        d0, d1, d2 = "dataset 0 (CS)", "dataset 1 (CS2)", "dataset 2 (BS)"
        ch101 = [
            "channel 101 テスト局: asked",
            "channel 101: page key 500101",
            "channel 101: " + self.page("tvmurok10112060.html", 2),
        ]
        self.assertEqual(lines, [self.host_line()] + SETTINGS + [
            d0 + ": takes these listings ([DataSet 0] count=48, Area 47=True)",
            d0 + ": offered by the settings window ([DataSet 0] Area 47=True)",
            d0 + ": ticked channels: 3",
        ] + [d0 + " " + l for l in ch101] + [
            d0 + " channel 161 映画: asked",
            d0 + " channel 161: page key 500161",
            d0 + " channel 161: " + self.page("tvmurok16112060.html", 0),
            d0 + " channel 161: no cached page gives a programme "
                 "(the site's page layout may have changed)",
            d0 + " channel 777 消えた局: not asked: not in tvmurokch.csv "
                 "(the site's channel list no longer carries it)",
            d0 + " channel 777: no page key in pagekeys_skypt.txt",
            d0 + " channel 777: no cached page",
            d1 + ": takes these listings ([DataSet 1] count=1, Area 0=True)",
            d1 + ": not offered by the settings window ([DataSet 1] Area 47 is not True)",
            d1 + ": ticked channels: 1",
        ] + [d1 + " " + l for l in ch101] + [
            d2 + ": does not take these listings ([DataSet 2] count=48, Area 47=False)",
            d2 + ": not offered by the settings window ([DataSet 2] Area 47 is not True)",
            d2 + " channel 240 アニメ: ticked, never asked: the dataset does not take these listings",
            "",
        ])

    def test_one_channel_and_the_datasets_it_reaches(self):
        reaches = ("reaches it: ticked, a run asks for its pages and appends its programmes "
                   "to tvdata%d.csv")
        not_ticked = "does not reach it: not ticked ([DataSet %d] tvch %s of tvskypch.ini is not True)"
        not_taken = ("does not reach it: the dataset does not take these listings "
                     "([DataSet 2] count=48, Area 47=False)")
        cases = {
            "101": [reaches % 0, reaches % 1, not_taken],
            "240": [not_ticked % (0, 240), not_ticked % (1, 240), not_taken + ", although ticked"],
            "777": ["does not reach it: ticked, but not in tvmurokch.csv "
                    "(the site's channel list no longer carries it)",
                    not_ticked % (1, 777), not_taken],
            "161": ["does not reach it: ticked and asked, but no cached page gives a programme",
                    not_ticked % (1, 161), not_taken],
        }
        for channel, verdicts in cases.items():
            with self.subTest(channel):
                rc, lines = self.explain(channel)
                self.assertEqual(rc, 0)
                # the settings, the channel's own facts, then one verdict per dataset
                self.assertEqual(lines[:1 + len(SETTINGS)], [self.host_line()] + SETTINGS)
                self.assertTrue(lines[1 + len(SETTINGS)].startswith("channel %s " % channel))
                self.assertEqual(lines[-4:], ["dataset %d (%s): %s" % (n, name, v) for n, (name, v)
                                              in enumerate(zip(("CS", "CS2", "BS"), verdicts))]
                                 + [""])

    def test_a_folder_that_is_not_a_host_folder(self):
        for folder in (self.host.plugin, os.path.join(self.host.root, "missing")):
            with self.subTest(folder):
                rc, lines = self.explain(folder=folder)
                self.assertEqual((rc, lines), (2, [""]))


@kctest.needs_native
class NativeExplain(ExplainCase, unittest.TestCase):
    kind = "native"


class WineExplain(ExplainCase, unittest.TestCase):
    kind = "win32"


if __name__ == "__main__":
    unittest.main()
