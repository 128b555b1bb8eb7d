"""The maintainers' tool on text: tokenize a saved page, normalise a text
piece, apply the title marks and the extension notes. Output is raw bytes,
one item per line, with backslash, TAB, CR and LF escaped."""
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import kctest  # noqa: E402

TOOL = os.path.join(kctest.NATIVE_BIN, "kanalia-tool")


class TextTool(unittest.TestCase):
    def setUp(self):
        if not os.access(TOOL, os.X_OK):
            self.skipTest("kanalia-tool not built")

    def run_tool(self, args, stdin=b""):
        return subprocess.run([TOOL] + args, input=stdin, stdout=subprocess.PIPE,
                              stderr=subprocess.PIPE, timeout=60)

    def test_tokenize(self):
        d = tempfile.mkdtemp(prefix="kctext-")
        self.addCleanup(shutil.rmtree, d, True)
        page = os.path.join(d, "page.html")
        with open(page, "wb") as f:
            f.write(kctest.utf8('<div class="cell genre-100000" style="height: 57px">\r\n'
                                'ニュース&amp;lt;\t\\x</div>\n<a href=x\ny>a > b\x00<p>'))
        r = self.run_tool(["tokenize", page])
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(r.stdout, kctest.utf8(
            "T\tDIV\tCLASS=cell genre-100000\tSTYLE=height: 57px\n"
            "X\tニュース&lt;\\t\\\\x\n"
            "T\t/DIV\n"
            "T\tA\tHREF=xy\n"
            "T\t\n"
            "X\ta b \n"))
        self.assertEqual(self.run_tool(["tokenize"]).returncode, 2)
        self.assertEqual(self.run_tool(["tokenize", page, page]).returncode, 2)
        self.assertNotEqual(self.run_tool(["tokenize", os.path.join(d, "none.html")]).returncode, 0)

    def test_normalise(self):
        r = self.run_tool(["normalise"], kctest.utf8("カ―ド 3−4 &#x41&#x3042;\n"))
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(r.stdout, kctest.sjis("カード 3-4 A") + b"\x3042;\n")
        # malformed UTF-8: the piece is empty
        r = self.run_tool(["normalise"], b"caf\xe9")
        self.assertEqual(r.stdout, b"\n")
        self.assertEqual(self.run_tool(["normalise", "x"]).returncode, 2)

    def test_marks(self):
        r = self.run_tool(["marks"], kctest.sjis("05\n【再】ニュース\\t最大延長\n"))
        self.assertEqual(r.returncode, 0, r.stderr)
        # the memo took the title's place, so its mark stays where it was
        self.assertEqual(r.stdout, kctest.sjis("【再】ニュース\\t最大延長【延長注意】\n\n"))
        r = self.run_tool(["marks"], kctest.sjis("(新)ドラマ[字]\n"))
        self.assertEqual(r.stdout, kctest.sjis("【新】ドラマ【文字】\n\n"))

    def test_notes(self):
        r = self.run_tool(["notes", "2010-12-06 20:54:00"], kctest.sjis("最大延長21時30分まで\n"))
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(r.stdout, kctest.sjis("最大延長21時30分まで【延長注意36分】\n"))
        r = self.run_tool(["notes", "2010-12-06 20:00:00"], kctest.sjis("以降変更あり\n"))
        self.assertEqual(r.stdout, kctest.sjis("以降変更あり 延長注意\n"))
        for bad in ([], ["2010-12-06"], ["2010-13-06 20:00:00"], ["x", "y"]):
            self.assertEqual(self.run_tool(["notes"] + bad).returncode, 2, bad)


if __name__ == "__main__":
    unittest.main()
