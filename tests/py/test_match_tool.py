"""The maintainers' tool on patterns: `match` compiles a pattern and prints
position TAB length for each escaped line of standard input, or the pattern
error as E TAB message TAB position with exit status 1."""
import os
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import kctest  # noqa: E402

TOOL = os.path.join(kctest.NATIVE_BIN, "kanalia-tool")


class MatchTool(unittest.TestCase):
    def setUp(self):
        if not os.access(TOOL, os.X_OK):
            self.skipTest("kanalia-tool not built")

    def run_tool(self, args, stdin=b""):
        return subprocess.run([TOOL, "match"] + args, input=stdin, stdout=subprocess.PIPE,
                              stderr=subprocess.PIPE, timeout=60)

    def test_positions_and_escaped_lines(self):
        r = self.run_tool([b"abc"], b"xxabcabc\nab\n")
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(r.stdout, b"3\t3\n0\t0\n")
        # CR and LF inside a text arrive escaped; "$" follows the separator
        r = self.run_tool([b"c$"], b"abc\\r\\nx\nabc\\nx\n")
        self.assertEqual(r.stdout, b"3\t1\n0\t0\n")
        r = self.run_tool(["--lf", b"c$"], b"abc\\r\\nx\nabc\\nx\n")
        self.assertEqual(r.stdout, b"0\t0\n3\t1\n")

    def test_fuzzy(self):
        lines = kctest.sjis("ＡＢＣ\nｶﾞ\nか゛\n番組\n")
        r = self.run_tool(["--fuzzy", kctest.sjis("abc|が")], lines)
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(r.stdout, b"1\t6\n1\t2\n1\t4\n0\t0\n")
        r = self.run_tool([kctest.sjis("abc|が")], lines)
        self.assertEqual(r.stdout, b"0\t0\n0\t0\n0\t0\n0\t0\n")

    def test_pattern_error(self):
        r = self.run_tool([b"a**"], b"a\n")
        self.assertEqual(r.returncode, 1)
        self.assertEqual(r.stdout, b"E\t" + kctest.sjis('普通の文字、または左括弧"("が必要です') + b"\t3\n")
        r = self.run_tool(["--fuzzy", b"(a"])
        self.assertEqual(r.stdout, b"E\t" + kctest.sjis("右(閉じ)括弧が必要です") + b"\t2\n")

    def test_usage(self):
        self.assertEqual(self.run_tool([]).returncode, 2)
        self.assertEqual(self.run_tool([b"a", b"b"]).returncode, 2)


if __name__ == "__main__":
    unittest.main()
