"""Under Wine and Xvfb, the download window shows up and is saved as a
picture, build/shots/download-window.png, for anyone to look at (it is not
committed). The channel list page answers slowly, so the window stays long
enough to be found and photographed; the run then ends by itself.
"""
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import kctest  # noqa: E402

SITE = os.path.join(kctest.ROOT, "tests", "site", "server.py")
SHOT = os.path.join(kctest.ROOT, "build", "shots", "download-window.png")
CAPTION = "番組データダウンロード中..."


def png_size(path):
    with open(path, "rb") as f:
        head = f.read(24)
    if head[:8] != b"\x89PNG\r\n\x1a\n":
        return None
    return struct.unpack(">II", head[16:24])


class DownloadWindowScreenshotTest(unittest.TestCase):
    @kctest.needs_wine
    def test_download_window_is_saved_as_png(self):
        fetcher = os.path.join(kctest.WIN32_BIN, "powershell.exe")
        if not os.path.exists(fetcher):
            self.skipTest("fetcher stand-in powershell.exe missing")
        if not shutil.which("import"):
            self.skipTest("ImageMagick import missing")
        site_dir = tempfile.mkdtemp(prefix="kcsite-")
        port_file = os.path.join(site_dir, "port")
        site = subprocess.Popen(
            [sys.executable, SITE, "--port-file", port_file, "--slow-seconds", "4",
             "--fail", "skylist:*:slow", "--fail", "e2list:*:slow"],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.addCleanup(shutil.rmtree, site_dir, True)
        self.addCleanup(kctest.stop, site)
        for _ in range(200):
            if os.path.exists(port_file):
                break
            time.sleep(0.05)
        with open(port_file) as f:
            base = "http://127.0.0.1:%d" % int(f.read().strip())

        host = kctest.HostDir("win32")
        self.addCleanup(host.cleanup)
        shutil.copy2(fetcher, host.plugin)
        proc = host.start(env={"KANALIA_BASE_URL": base, "NO_PROXY": "127.0.0.1",
                               "no_proxy": "127.0.0.1"})
        self.addCleanup(kctest.stop, proc)

        wid = kctest.wait_for_window(CAPTION, timeout=90, proc=proc)
        self.assertIsNotNone(wid, "no window named %r appeared" % CAPTION)
        if os.path.exists(SHOT):
            os.remove(SHOT)
        kctest.screenshot(SHOT, window=wid)
        size = png_size(SHOT)
        self.assertIsNotNone(size, "not a PNG: " + SHOT)
        self.assertGreater(size[0], 100)
        self.assertGreater(size[1], 50)
        print("\nscreenshot: %s (%dx%d)" % (SHOT, size[0], size[1]), file=sys.stderr)

        proc.wait(timeout=300)
        self.assertEqual(proc.returncode, 0)


if __name__ == "__main__":
    unittest.main()
