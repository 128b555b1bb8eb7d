"""The settings mode under Wine and Xvfb, driven as a person would: real
windows found by their captions, answers given with the keyboard (xdotool).

The connection question may be asked while the settings window is still
being built (a platform saved by an earlier close runs the update at once).
Whatever the answer, the window must then open with its list, and closing
it must store the ticks and the host's keys.
"""
import datetime
import json
import os
import shutil
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import kctest  # noqa: E402
from test_download_run import HEADER, LINEUP, Site, channel_lines  # noqa: E402

SETTINGS = "Kanalia(CS)プラグイン設定"
BOX = "Kanalia(CS)プラグイン"  # title of the program's message boxes


def visible_windows():
    return kctest.x_window_names(visible_only=True)


def wait_visible(name, proc, timeout=60, unless=None):
    """Id of the mapped window called exactly name, None when the process
    ends first, a window called unless shows up or time runs out."""
    deadline = time.time() + timeout
    while time.time() < deadline:
        for wid, n in visible_windows():
            if n == name:
                return wid
            if n == unless:
                return None
        if proc.poll() is not None:
            return None
        time.sleep(0.2)
    return None


def keys(wid, *names):
    subprocess.run(["xdotool", "windowfocus", "--sync", wid], check=False,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=20)
    time.sleep(0.3)
    for k in names:
        subprocess.run(["xdotool", "key", "--clearmodifiers", k], check=True, timeout=20)
        time.sleep(0.2)


def click(wid, x, y):
    """A left click at (x, y) of the window's client area."""
    subprocess.run(["xdotool", "mousemove", "--sync", "--window", wid, str(x), str(y),
                    "click", "1"], check=True, timeout=20,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def settings_host(case):
    """The local site and a host folder for the Windows program with the
    fetcher stand-in, both removed after the test case."""
    host = kctest.run_host(case, "win32")
    site = Site()
    case.addCleanup(site.close)
    return site, host


def hoz_ini(question, platform_key=None):
    lines = ["[TSetup]", "QonConnect_Checked=" + ("True" if question else "False"),
             "DLLMORE_MUROKC_CHECKED=False", "OtherHostKey=kept"]
    if platform_key:
        lines.append(platform_key + "=True")
    lines += ["[TSetup.DataList_Items]", "Count=2", "Item0=地上波", "Item1=CS",
              "[DataSet 0]", "Area 13=True", "[DataSet 1]", "Area 47=True"]
    return kctest.crlf(lines)


@unittest.skipUnless(shutil.which("xdotool"), "xdotool missing")
class SettingsReopenTest(unittest.TestCase):
    """A platform saved by an earlier close and the question switched on used
    to lock the user out: the box's closing activated the hidden window,
    whose first activation then found no dataset and ended the program."""

    def open_settings(self, question, answer):
        site, host = settings_host(self)
        host.write_sjis("hoz.ini", hoz_ini(question, "DLL_Skypt"))
        host.write_sjis("tvskypch.csv", kctest.crlf([
            '"TVChannel","TVName","Status",', '"585","Example",0,', '"602","Other",0,']))
        host.write_sjis("tvmurokch.csv", kctest.crlf(["585", "602"]))
        host.write_sjis("tvskypch.ini", kctest.crlf(["[DataSet 1]", "count=2", "tvch 602=True"]))
        proc = host.start(["/c"], env={"KANALIA_BASE_URL": site.base, "NO_PROXY": "127.0.0.1",
                                       "no_proxy": "127.0.0.1"})
        self.addCleanup(kctest.stop, proc)

        if question:
            box = wait_visible(BOX, proc, timeout=90)
            self.assertIsNotNone(box, "the connection question did not appear")
            # Return answers Yes (the default button); Tab moves to No.
            keys(box, *(["Return"] if answer else ["Tab", "Return"]))
            deadline = time.time() + 30
            while box in [w for w, _ in visible_windows()] and time.time() < deadline:
                time.sleep(0.2)
        # The lock-out was a second box in place of the window.
        wid = wait_visible(SETTINGS, proc, timeout=90, unless=BOX)
        self.assertIsNotNone(wid, "the settings window did not open")
        # No second box (the lock-out message) may follow.
        time.sleep(1.0)
        self.assertNotIn(BOX, [n for _, n in visible_windows()])
        keys(wid, "alt+F4")
        proc.wait(timeout=60)
        self.assertEqual(proc.returncode, 0)
        return host

    def check_stored(self, host):
        ini = host.read_sjis("tvskypch.ini")
        # The first activation filled the list and loaded dataset 1's ticks;
        # the close stored them back.
        self.assertIn("DataSetNo=1", ini)
        self.assertIn("tvch 602=True", ini)
        hoz = host.read_sjis("hoz.ini")
        self.assertIn("DLL_Skypt=True", hoz)
        self.assertIn("OtherHostKey=kept", hoz)

    @kctest.needs_wine
    def test_question_answered_no_opens_the_window(self):
        host = self.open_settings(question=True, answer=False)
        self.check_stored(host)

    @kctest.needs_wine
    def test_question_answered_yes_opens_the_window(self):
        host = self.open_settings(question=True, answer=True)
        self.check_stored(host)
        self.assertIn("tvch 585=False", host.read_sjis("tvskypch.ini"))

    @kctest.needs_wine
    def test_without_the_question_the_window_opens(self):
        host = self.open_settings(question=False, answer=None)
        self.check_stored(host)


@unittest.skipUnless(shutil.which("xdotool"), "xdotool missing")
class ConversionSavedUnchangedTest(unittest.TestCase):
    """The conversion window saves every row it shows, also a row nobody
    changed (055=55); the next run must still label channel 55 "55.", the
    name the host's reservations know it by."""

    @kctest.needs_wine
    def test_unchanged_rows_keep_the_label(self):
        site, host = settings_host(self)
        host.write_sjis("hoz.ini", kctest.crlf([
            "[TSetup]", "QonConnect_Checked=False", "DLL_Skypt=True", "DLL_SkyptE2=False",
            "[TSetup.DataList_Items]", "Count=2", "Item0=地上波", "Item1=CS",
            "[DataSet 0]", "count=48", "Area 13=True", "[DataSet 1]", "count=48",
            "Area 47=True"]))
        host.write_sjis("tvskypch.csv", kctest.crlf([
            '"TVChannel","TVName","Status",', '"55","ジャパンスポーツ",0,', '"161","シネマ",0,']))
        host.write_sjis("tvmurokch.csv", kctest.crlf(["55", "161"]))
        host.write_sjis("tvskypch.ini", kctest.crlf(["[DataSet 1]", "count=2", "tvch 055=True"]))
        env = {"KANALIA_BASE_URL": site.base, "NO_PROXY": "127.0.0.1", "no_proxy": "127.0.0.1"}

        proc = host.start(["/c"], env=env)
        self.addCleanup(kctest.stop, proc)
        wid = wait_visible(SETTINGS, proc, timeout=90)
        self.assertIsNotNone(wid, "the settings window did not open")
        time.sleep(1.0)
        click(wid, 43, 72)  # ch変換
        conv = wait_visible("チャンネル番号変換", proc, timeout=30)
        self.assertIsNotNone(conv, "the conversion window did not open")
        time.sleep(0.5)
        click(conv, 48, 21)  # 保存
        deadline = time.time() + 30
        while conv in [w for w, _ in visible_windows()] and time.time() < deadline:
            time.sleep(0.2)
        keys(wid, "alt+F4")
        proc.wait(timeout=60)
        self.assertEqual(proc.returncode, 0)
        ini = host.read_sjis("tvskypch.ini")
        self.assertIn("[ChannelChange]\r\n055=55\r\n", ini)

        today = datetime.date.today()
        r = host.run(env=env, timeout=300)
        if datetime.date.today() != today:
            self.skipTest("the run crossed midnight")
        self.assertEqual(r.returncode, 0)
        with open(LINEUP, encoding="utf-8") as f:
            lineup = json.load(f)
        ch55 = next(c for c in lineup["skypt"] if c["number"] == 55)
        self.assertEqual(host.read_bytes("tvdata1.csv"), kctest.sjis(kctest.crlf(
            [HEADER] + channel_lines(site.base, lineup, ch55, "55.ジャパンスポーツ", today))))


if __name__ == "__main__":
    unittest.main()
