"""The harness itself: host folder layout, text helpers, and, under Wine,
that a host folder's temp folder really becomes the programs' TEMP (Wine
drops TEMP from the Unix environment, so the prefix reads KC_WINE_TEMP)."""
import os
import shutil
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import kctest  # noqa: E402


class HarnessTest(unittest.TestCase):
    def test_host_folder_layout_and_cleanup(self):
        with kctest.HostDir("native", exe=__file__) as hd:
            self.assertEqual(os.path.dirname(hd.plugin), hd.host)
            self.assertTrue(os.path.isfile(hd.exe))
            self.assertEqual(os.path.dirname(hd.exe), hd.plugin)
            hd.write_ini("hoz.ini", {"Setup": {"DLL_SkyptE2": "False", "名前": "値"}})
            self.assertEqual(hd.read_bytes("hoz.ini"),
                             kctest.sjis("[Setup]\r\nDLL_SkyptE2=False\r\n名前=値\r\n"))
            hd.write_sjis("sub\\a.txt", "表")
            self.assertEqual(hd.read_bytes("sub/a.txt"), b"\x95\x5c")
            root = hd.root
        self.assertFalse(os.path.exists(root))

    def test_text_helpers(self):
        self.assertEqual(kctest.sjis("ソ"), b"\x83\x5c")
        self.assertEqual(kctest.from_sjis(b"\x83\x5c"), "ソ")
        self.assertEqual(kctest.crlf(["a", "b"]), "a\r\nb\r\n")
        self.assertEqual(kctest.wine_path("/tmp/x y"), "Z:\\tmp\\x y")

    @unittest.skipUnless(shutil.which("wine"), "wine missing")
    def test_wine_programs_see_the_host_folders_temp(self):
        kctest.prepare_wineprefix()
        with kctest.HostDir("win32") as hd:
            r = subprocess.run(["wine", "cmd", "/c", "echo", "%TEMP%;%TMP%"],
                               env=kctest.wine_env(hd.env()), stdout=subprocess.PIPE,
                               stderr=subprocess.DEVNULL, timeout=120, check=False)
            want = kctest.wine_path(hd.temp)
            self.assertEqual(r.stdout.decode("cp932").strip(), want + ";" + want)


if __name__ == "__main__":
    unittest.main()
