#!/usr/bin/env python3
"""Copies the sources into a tree that clang compiles to the same bytes as gcc.

The product's ordinary string and character literals hold Japanese text that
gcc turns into Shift-JIS (-fexec-charset=CP932); clang knows only UTF-8 as the
execution character set. This copy writes every non-ASCII character of an
ordinary literal as the octal escapes of its code page 932 bytes (a raw
literal becomes an ordinary one first), and leaves u8, u, U and L literals,
comments and everything else as they are. Conversion goes through iconv, as
gcc's does, so both compilers make the same bytes.

  cp932_literals.py SOURCE_ROOT OUT_ROOT

Only files whose copy changed are written, so a build after it recompiles
what changed. OUT_ROOT/.kc-cp932-literals marks a finished copy.
"""
import os
import re
import shutil
import subprocess
import sys

# What the fuzz tree compiles: the layers it links, the build files and the
# headers the targets share with the tests.
DIRS = ["cmake", "core", "platform", "storage", "search", "analysis", "download",
        "res", "fuzz", "tests/search", "tests/analysis"]
FILES = ["CMakeLists.txt"]
SOURCE_EXT = (".cpp", ".h")
SKIP_DIRS = {"corpus", "findings", "__pycache__"}

IDENT = re.compile(r"[A-Za-z_][A-Za-z_0-9]*")
PPNUM = re.compile(r"\.?[0-9](?:[eEpP][+-]|'[0-9A-Za-z_]|[0-9A-Za-z_.])*")
PREFIXES = {"u8", "u", "U", "L", "R", "u8R", "uR", "UR", "LR"}


def lex_literals(src):
    """Yields (kind, text) pieces: kind is None for plain text, else the
    literal's prefix and quote, e.g. ('', '"'), ('R', '"'), ('u8', "'")."""
    i, n = 0, len(src)
    plain = []
    while i < n:
        c = src[i]
        if src.startswith("//", i):
            j = src.find("\n", i)
            j = n if j < 0 else j
            plain.append(src[i:j]); i = j
        elif src.startswith("/*", i):
            j = src.find("*/", i + 2)
            j = n if j < 0 else j + 2
            plain.append(src[i:j]); i = j
        elif c.isdigit() or (c == "." and i + 1 < n and src[i + 1].isdigit()):
            m = PPNUM.match(src, i)
            plain.append(m.group(0)); i = m.end()
        elif c == "_" or c.isalpha() and c.isascii():
            m = IDENT.match(src, i)
            word, j = m.group(0), m.end()
            if j < n and src[j] in "\"'" and word in PREFIXES and not (word.endswith("R") and src[j] == "'"):
                yield None, "".join(plain); plain = []
                k, text = read_literal(src, j, word.endswith("R"))
                yield (word, src[j]), src[i:k]
                i = k
            else:
                plain.append(word); i = j
        elif c in "\"'":
            yield None, "".join(plain); plain = []
            k, _ = read_literal(src, i, False)
            yield ("", c), src[i:k]
            i = k
        else:
            plain.append(c); i += 1
    yield None, "".join(plain)


def read_literal(src, q, raw):
    """End of the literal whose quote is at q (and the whole literal)."""
    if raw:
        open_paren = src.index("(", q)
        delim = src[q + 1:open_paren]
        end = src.index(")" + delim + '"', open_paren) + len(delim) + 2
        return end, src[q:end]
    quote = src[q]
    k = q + 1
    while src[k] != quote:
        k += 2 if src[k] == "\\" else 1
    return k + 1, src[q:k + 1]


def octal(bs):
    return "".join("\\%03o" % b for b in bs)


def convert(literal, prefix, table):
    """An ordinary literal with its non-ASCII characters as escapes."""
    if prefix == "R":
        body = literal[literal.index("(") + 1:literal.rindex(")")]
        out = []
        for ch in body:
            if ch == "\\": out.append("\\\\")
            elif ch == '"': out.append('\\"')
            elif ch == "\n": out.append("\\n")
            elif ch == "\t": out.append("\\t")
            elif ch == "?": out.append("\\?")
            elif ch.isascii(): out.append(ch)
            else: out.append(octal(table[ch]))
        return '"' + "".join(out) + '"'
    return "".join(ch if ch.isascii() else octal(table[ch]) for ch in literal)


def cp932_table(chars):
    """Each character's code page 932 bytes, from iconv (as gcc converts)."""
    chars = sorted(chars)
    if not chars:
        return {}
    data = "\n".join(chars).encode("utf-8")
    out = subprocess.run(["iconv", "-f", "UTF-8", "-t", "CP932"], input=data,
                         stdout=subprocess.PIPE, check=True).stdout
    parts = out.split(b"\n")
    if len(parts) != len(chars):
        sys.exit("cp932_literals: iconv gave %d pieces for %d characters" % (len(parts), len(chars)))
    return dict(zip(chars, parts))


def sources(root):
    for d in DIRS:
        top = os.path.join(root, d)
        for folder, subdirs, names in os.walk(top):
            subdirs[:] = sorted(s for s in subdirs if s not in SKIP_DIRS)
            if os.path.relpath(folder, root) != d and d.startswith("tests/"):
                continue
            for name in sorted(names):
                yield os.path.relpath(os.path.join(folder, name), root)
    yield from FILES


def main():
    root, out = sys.argv[1], sys.argv[2]
    texts, pieces, chars = {}, {}, set()
    for rel in sources(root):
        if rel.endswith(SOURCE_EXT):
            with open(os.path.join(root, rel), encoding="utf-8") as f:
                texts[rel] = f.read()
            pieces[rel] = list(lex_literals(texts[rel]))
            for kind, text in pieces[rel]:
                if kind and kind[0] in ("", "R"):
                    chars.update(ch for ch in text if not ch.isascii())
        else:
            texts[rel] = None
    table = cp932_table(chars)
    wanted = set()
    for rel, text in texts.items():
        dst = os.path.join(out, rel)
        wanted.add(dst)
        os.makedirs(os.path.dirname(dst), exist_ok=True)
        if text is None:
            src = os.path.join(root, rel)
            if not os.path.exists(dst) or open(src, "rb").read() != open(dst, "rb").read():
                shutil.copyfile(src, dst)
            continue
        new = "".join(convert(t, k[0], table) if k and k[0] in ("", "R") else t
                      for k, t in pieces[rel]).encode("utf-8")
        if not os.path.exists(dst) or open(dst, "rb").read() != new:
            with open(dst, "wb") as f:
                f.write(new)
    # Files gone from the sources go from the copy too (a stale fuzz target
    # would still be built).
    for folder, _, names in os.walk(out):
        for name in names:
            p = os.path.join(folder, name)
            if p.endswith(SOURCE_EXT) and p not in wanted:
                os.remove(p)
    open(os.path.join(out, ".kc-cp932-literals"), "w").close()


if __name__ == "__main__":
    main()
