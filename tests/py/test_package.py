"""The release zip as a user receives it: its entries, the readme a Japanese
user reads in Notepad, and the unpacked program doing a download run from a
sub-folder of a host folder.

The zip is made from the Windows tree the test command built already
(scripts/package --from build/win32), not from a Release tree of its own:
the same program, without a second build in the test run.
"""
import glob
import hashlib
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import unittest
import zipfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import kctest  # noqa: E402
import test_download_run  # noqa: E402

PACKAGE = os.path.join(kctest.ROOT, "scripts", "package")
WIN32_TREE = os.path.dirname(kctest.WIN32_BIN)
SECTIONS = ["概要", "動作環境", "導入", "使い方", "設定とファイル", "ログ", "困ったとき", "削除",
            "履歴", "ライセンス"]
PRODUCT_FOLDERS = ["core", "platform", "storage", "search", "analysis", "download", "ui", "app"]


def package_into(out):
    r = subprocess.run([sys.executable, PACKAGE, "--from", WIN32_TREE, "--out", out],
                       stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=120)
    if r.returncode != 0:
        raise AssertionError("scripts/package failed: " + r.stderr.decode("utf-8", "replace"))
    zips = glob.glob(os.path.join(out, "kanaliacs-*.zip"))
    if len(zips) != 1:
        raise AssertionError("scripts/package made %r" % zips)
    return zips[0]


_release = {}


def release():
    """The zip made once for the whole module: (zip path, version, unpacked folder)."""
    if not _release:
        folder = tempfile.mkdtemp(prefix="kcpackage-")
        _release["folder"] = folder
        path = package_into(os.path.join(folder, "dist"))
        version = re.fullmatch(r"kanaliacs-(.+)\.zip", os.path.basename(path)).group(1)
        unpacked = os.path.join(folder, "unpacked")
        with zipfile.ZipFile(path) as z:
            z.extractall(unpacked)
        _release.update(zip=path, version=version, unpacked=unpacked)
    return _release["zip"], _release["version"], _release["unpacked"]


def tearDownModule():
    if "folder" in _release:
        shutil.rmtree(_release["folder"], ignore_errors=True)


def logged_texts():
    """(place, text) of every piece of Japanese text the program passes to
    its log: the string literals inside each WriteLine call."""
    out = []
    for folder in PRODUCT_FOLDERS:
        for path in sorted(glob.glob(os.path.join(kctest.ROOT, folder, "**", "*.cpp"),
                                     recursive=True)):
            with open(path, encoding="utf-8") as f:
                source = f.read()
            for call in re.finditer(r"\bWriteLine\((.*?)\);", source, re.S):
                line = source.count("\n", 0, call.start()) + 1
                for literal in re.findall(r'"((?:[^"\\]|\\.)*)"', call.group(1)):
                    text = literal.strip()
                    if any(ord(c) > 127 for c in text):
                        out.append(("%s:%d" % (os.path.relpath(path, kctest.ROOT), line), text))
    return out


@unittest.skipUnless(os.path.isfile(kctest.WIN32_EXE), "build/win32/bin/kanaliacs.exe missing")
class ReleaseZip(unittest.TestCase):
    def test_entries_sums_and_same_bytes_again(self):
        path, version, _ = release()
        with zipfile.ZipFile(path) as z:
            infos = z.infolist()
            self.assertEqual([i.filename for i in infos], ["kanaliacs.exe", "readme.txt", "LICENSE"])
            with open(kctest.WIN32_EXE, "rb") as f:
                self.assertEqual(z.read("kanaliacs.exe"), f.read())
            self.assertIn(b"MIT License", z.read("LICENSE"))
        # every entry carries the commit's time (UTC, to the zip's two seconds)
        # and the same plain attributes
        try:
            when = int(subprocess.run(["git", "-C", kctest.ROOT, "log", "-1", "--format=%ct"],
                                      stdout=subprocess.PIPE, check=True).stdout)
        except (OSError, subprocess.CalledProcessError, ValueError):
            when = None
        for i in infos:
            if when is not None:
                t = time.gmtime(when)
                self.assertEqual(i.date_time, t[:5] + (t[5] // 2 * 2,), i.filename)
            self.assertEqual((i.create_system, i.external_attr), (0, 0x20), i.filename)
        with open(os.path.join(os.path.dirname(path), "SHA256SUMS")) as f:
            sums = f.read()
        with open(path, "rb") as f:
            digest = hashlib.sha256(f.read()).hexdigest()
        self.assertEqual(sums, "%s  %s\n" % (digest, os.path.basename(path)))
        # a second packaging, seconds later, gives the same bytes
        time.sleep(2.1)
        again = package_into(os.path.join(os.path.dirname(os.path.dirname(path)), "again"))
        with open(again, "rb") as f:
            self.assertEqual(hashlib.sha256(f.read()).hexdigest(), digest)

    def test_readme_for_notepad(self):
        _, version, unpacked = release()
        with open(os.path.join(unpacked, "readme.txt"), "rb") as f:
            data = f.read()
        text = data.decode("cp932")  # raises when it is not code page 932
        self.assertTrue(data.endswith(b"\r\n"))
        self.assertEqual(data.count(b"\n"), data.count(b"\r\n"), "a line ends without CR LF")
        self.assertEqual(data.count(b"\r"), data.count(b"\r\n"), "a lone CR")
        lines = text.split("\r\n")
        self.assertIn("Kanalia(CS)プラグイン  バージョン " + version, [l.strip() for l in lines[:5]])
        heads = [line[2:] for line in lines if line.startswith("■ ")]
        self.assertEqual(heads, SECTIONS)
        history = lines[lines.index("■ 履歴") + 1:]
        self.assertEqual(next(line for line in history if line.strip()).split()[0], version)
        self.assertEqual(re.findall(r"@[A-Z-]+@", text), [])
        # every text the program writes to the host's log is explained
        missing = ["%s: %s" % (place, t) for place, t in logged_texts() if t not in text]
        self.assertEqual(missing, [], "log texts missing from res/readme.txt (■ ログ)")


@unittest.skipUnless(os.path.isfile(kctest.WIN32_EXE), "build/win32/bin/kanaliacs.exe missing")
class UnpackedDownloadRun(test_download_run.DownloadRunCase, unittest.TestCase):
    """The whole download run of the end-to-end tests, with the program out
    of the zip; its log names the version the zip's name carries."""
    kind = "win32"

    def program(self):
        return os.path.join(release()[2], "kanaliacs.exe")

    def test_whole_run(self):
        super().test_whole_run()
        log = self.host.read_sjis("hoz.log").split("\r\n")
        self.assertEqual(log[1], "Version " + release()[1])


if __name__ == "__main__":
    unittest.main()
