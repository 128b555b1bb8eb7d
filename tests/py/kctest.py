"""Harness for the end-to-end tests in tests/py.

Finds the built programs, runs the native one directly and the Windows one
under Wine with the environment the Windows tests use, lays out temporary
host folders (the plug-in works on the parent of its own folder), and
converts text to and from the Shift-JIS bytes the program reads and writes.

Only the standard library. Nothing here knows about the listings site; the
site stand-in lives in tests/site.
"""
import atexit
import os
import shutil
import subprocess
import tempfile
import time
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
NATIVE_BIN = os.environ.get("KC_NATIVE_BIN", os.path.join(ROOT, "build", "native", "bin"))
WIN32_BIN = os.environ.get("KC_WIN32_BIN", os.path.join(ROOT, "build", "win32", "bin"))
NATIVE_EXE = os.path.join(NATIVE_BIN, "kanaliacs")
WIN32_EXE = os.path.join(WIN32_BIN, "kanaliacs.exe")
WINEPREFIX = os.environ.get("WINEPREFIX", os.path.join(ROOT, "build", "wineprefix"))

DEFAULT_TIMEOUT = 120  # seconds for one run of the program


# ---------------------------------------------------------------- text

def sjis(text):
    """str -> Shift-JIS (code page 932) bytes."""
    return text.encode("cp932")


def from_sjis(data):
    """Shift-JIS bytes -> str; undecodable bytes raise."""
    return data.decode("cp932")


def utf8(text):
    return text.encode("utf-8")


def from_utf8(data):
    return data.decode("utf-8")


def crlf(lines):
    """Lines (str) -> one str with CR LF after each, as the host's files are."""
    return "".join(line + "\r\n" for line in lines)


# ---------------------------------------------------------------- availability

def have_native():
    return os.access(NATIVE_EXE, os.X_OK)


def have_wine():
    return os.path.isfile(WIN32_EXE) and shutil.which("wine") is not None


needs_native = unittest.skipUnless(have_native(), "build/native/bin/kanaliacs not built")
needs_wine = unittest.skipUnless(have_wine(), "build/win32/bin/kanaliacs.exe or wine missing")


# ---------------------------------------------------------------- display

_private_xvfb = None


def ensure_display():
    """DISPLAY as set (scripts/test starts one Xvfb for all tests), or a
    private Xvfb started on first use and stopped when Python exits."""
    global _private_xvfb
    if os.environ.get("DISPLAY"):
        return os.environ["DISPLAY"]
    if _private_xvfb is None:
        for n in range(110, 200):
            if os.path.exists("/tmp/.X%d-lock" % n) or os.path.exists("/tmp/.X11-unix/X%d" % n):
                continue
            proc = subprocess.Popen(["Xvfb", ":%d" % n, "-screen", "0", "1280x1024x24",
                                     "-nolisten", "tcp"],
                                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            for _ in range(100):
                if os.path.exists("/tmp/.X11-unix/X%d" % n) or proc.poll() is not None:
                    break
                time.sleep(0.1)
            if proc.poll() is None and os.path.exists("/tmp/.X11-unix/X%d" % n):
                _private_xvfb = (proc, ":%d" % n)
                atexit.register(_stop_private_xvfb)
                break
            proc.kill()
            proc.wait()
        else:
            raise RuntimeError("cannot start Xvfb")
    os.environ["DISPLAY"] = _private_xvfb[1]
    return _private_xvfb[1]


def _stop_private_xvfb():
    if _private_xvfb is not None:
        proc, _ = _private_xvfb
        subprocess.run(["wineserver", "-k"], env=wine_env(), stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=30, check=False)
        proc.terminate()
        try:
            proc.wait(timeout=10)
        except subprocess.TimeoutExpired:
            proc.kill()


# ---------------------------------------------------------------- environments

def native_env(extra=None):
    env = dict(os.environ)
    # Sanitizer reports should fail the run, not scroll past.
    env.setdefault("ASAN_OPTIONS", "abort_on_error=0:detect_leaks=1")
    env.setdefault("UBSAN_OPTIONS", "print_stacktrace=1:halt_on_error=1")
    if extra:
        env.update(extra)
    return env


DEFAULT_WINE_TEMP = os.path.join(ROOT, "build", "wine-temp")


def wine_env(extra=None):
    """Environment for Wine runs. LANG gives the ANSI code page 932.
    KC_WINE_TEMP (a Windows path) is the programs' temp folder: Wine never
    passes TEMP through from Unix, so the prepared prefix takes TEMP and TMP
    from this variable instead (see prepare_wineprefix)."""
    env = dict(os.environ)
    env.update({
        "WINEPREFIX": WINEPREFIX,
        "WINEDEBUG": "-all",
        "WINEDLLOVERRIDES": "mscoree,mshtml=",
        "LANG": "ja_JP.UTF-8",
        "LC_ALL": "ja_JP.UTF-8",
    })
    if not env.get("KC_WINE_TEMP"):
        os.makedirs(DEFAULT_WINE_TEMP, exist_ok=True)
        env["KC_WINE_TEMP"] = wine_path(DEFAULT_WINE_TEMP)
    if extra:
        env.update(extra)
    return env


_PREPARED_MARK = ".kc-prepared-1"


def prepare_wineprefix(prefix=None):
    """Creates the test prefix once (about ten seconds) and points its TEMP
    and TMP at %KC_WINE_TEMP%. Later calls return at once."""
    prefix = prefix or WINEPREFIX
    mark = os.path.join(prefix, _PREPARED_MARK)
    if os.path.exists(mark):
        return prefix
    os.makedirs(prefix, exist_ok=True)
    env = wine_env({"WINEPREFIX": prefix})
    env.pop("DISPLAY", None)  # no dialogs while the prefix is made

    def wine(*args, timeout=300):
        subprocess.run(["wine"] + list(args), env=env, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=timeout, check=False)

    wine("wineboot", "--init")
    subprocess.run(["wineserver", "-w"], env=env, timeout=120, check=False)
    for name in ("TEMP", "TMP"):
        wine("reg", "add", "HKCU\\Environment", "/v", name, "/t", "REG_EXPAND_SZ",
             "/d", "%KC_WINE_TEMP%", "/f", timeout=120)
    subprocess.run(["wineserver", "-w"], env=env, timeout=120, check=False)
    with open(mark, "w") as f:
        f.write("TEMP and TMP come from %KC_WINE_TEMP%\n")
    return prefix


def wine_path(posix_path):
    """/a/b -> Z:\\a\\b, the same file as Windows programs under Wine see it."""
    return "Z:" + os.path.abspath(posix_path).replace("/", "\\")


# ---------------------------------------------------------------- runs

def run_native(args=(), exe=None, cwd=None, env=None, timeout=DEFAULT_TIMEOUT, input=None):
    """Runs the native program (or exe) to its end.
    Returns subprocess.CompletedProcess with bytes stdout/stderr."""
    cmd = [exe or NATIVE_EXE] + list(args)
    return subprocess.run(cmd, cwd=cwd, env=native_env(env), input=input,
                          stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                          timeout=timeout, check=False)


def start_native(args=(), exe=None, cwd=None, env=None):
    cmd = [exe or NATIVE_EXE] + list(args)
    return subprocess.Popen(cmd, cwd=cwd, env=native_env(env),
                            stdout=subprocess.PIPE, stderr=subprocess.PIPE)


def run_wine(args=(), exe=None, cwd=None, env=None, timeout=DEFAULT_TIMEOUT):
    """Runs the Windows program (or exe) under Wine to its end, with a display.
    The exit status is the program's own."""
    ensure_display()
    prepare_wineprefix()
    cmd = ["wine", exe or WIN32_EXE] + list(args)
    return subprocess.run(cmd, cwd=cwd, env=wine_env(env),
                          stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                          timeout=timeout, check=False)


def start_wine(args=(), exe=None, cwd=None, env=None):
    ensure_display()
    prepare_wineprefix()
    cmd = ["wine", exe or WIN32_EXE] + list(args)
    return subprocess.Popen(cmd, cwd=cwd, env=wine_env(env),
                            stdout=subprocess.PIPE, stderr=subprocess.PIPE)


def stop(proc, timeout=10):
    """Ends a started process (politely, then by force); returns its status."""
    if proc.poll() is None:
        proc.terminate()
        try:
            proc.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()
    for stream in (proc.stdout, proc.stderr):
        if stream:
            stream.close()
    return proc.returncode


# ---------------------------------------------------------------- windows on the display

def x_window_names(visible_only=False):
    """(id, name) of every window on the display (or of the mapped ones),
    names as UTF-8 text."""
    ensure_display()
    if shutil.which("xdotool") or visible_only:
        only = ["--onlyvisible"] if visible_only else []
        ids = subprocess.run(["xdotool", "search"] + only + ["--name", "."],
                             stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                             check=False).stdout.split()
        out = []
        for wid in ids:
            name = subprocess.run(["xdotool", "getwindowname", wid], stdout=subprocess.PIPE,
                                  stderr=subprocess.DEVNULL, check=False).stdout
            out.append((wid.decode(), name.decode("utf-8", "replace").rstrip("\n")))
        return out
    tree = subprocess.run(["xwininfo", "-root", "-tree"], stdout=subprocess.PIPE,
                          stderr=subprocess.DEVNULL, check=False).stdout
    out = []
    for line in tree.decode("utf-8", "replace").splitlines():
        line = line.strip()
        if line.startswith("0x") and '"' in line:
            wid = line.split()[0]
            name = line.split('"', 2)[1]
            out.append((wid, name))
    return out


def wait_for_window(caption, timeout=60, proc=None):
    """Id of the first window whose name contains caption, or None when none
    appears in time (or proc ends first)."""
    deadline = time.time() + timeout
    while time.time() < deadline:
        for wid, name in x_window_names():
            if caption in name:
                return wid
        if proc is not None and proc.poll() is not None:
            return None
        time.sleep(0.2)
    return None


def screenshot(path, window="root"):
    """Saves the display (or one window id) as a PNG; returns the path."""
    ensure_display()
    os.makedirs(os.path.dirname(os.path.abspath(path)), exist_ok=True)
    subprocess.run(["import", "-window", window, path], check=True, timeout=60,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return path


# ---------------------------------------------------------------- host folders

def run_host(case, kind, exe=None):
    """A host folder for one download run of the kind's program, removed after
    the test case; the case is skipped when that build is missing. The
    Windows program gets the fetcher stand-in beside it."""
    fetcher = os.path.join(WIN32_BIN, "powershell.exe")
    if kind == "native" and not have_native():
        case.skipTest("native build missing")
    if kind == "win32":
        if not have_wine():
            case.skipTest("win32 build or wine missing")
        if not os.path.exists(fetcher):
            case.skipTest("fetcher stand-in powershell.exe missing")
    host = HostDir(kind, exe=exe)
    case.addCleanup(host.cleanup)
    if kind == "win32":
        shutil.copy2(fetcher, host.plugin)
    return host


class HostDir:
    """A temporary host folder:

        <tmp>/host/            the host's files (hoz.ini, tvdata1.csv, ...)
        <tmp>/host/plugin/     the plug-in, copied here (it works on "..")

    Use as a context manager or call cleanup(). kind is "native" or "win32".
    """

    def __init__(self, kind="native", exe=None, keep=False):
        self.kind = kind
        self.keep = keep or bool(os.environ.get("KC_KEEP_TMP"))
        self.root = tempfile.mkdtemp(prefix="kchost-")
        self.host = os.path.join(self.root, "host")
        self.plugin = os.path.join(self.host, "plugin")
        os.makedirs(self.plugin)
        src = exe or (NATIVE_EXE if kind == "native" else WIN32_EXE)
        self.exe = os.path.join(self.plugin, os.path.basename(src))
        if os.path.exists(src):
            shutil.copy2(src, self.exe)
        self.temp = os.path.join(self.root, "temp")
        os.makedirs(self.temp)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.cleanup()

    def cleanup(self):
        if not self.keep:
            shutil.rmtree(self.root, ignore_errors=True)

    # paths
    def path(self, name):
        """A file of the host folder, name with / or \\ separators."""
        return os.path.join(self.host, *name.replace("\\", "/").split("/"))

    def plugin_path(self, name):
        return os.path.join(self.plugin, *name.replace("\\", "/").split("/"))

    # files
    def write_bytes(self, name, data):
        p = self.path(name)
        os.makedirs(os.path.dirname(p), exist_ok=True)
        with open(p, "wb") as f:
            f.write(data)
        return p

    def read_bytes(self, name):
        with open(self.path(name), "rb") as f:
            return f.read()

    def write_sjis(self, name, text):
        return self.write_bytes(name, sjis(text))

    def read_sjis(self, name):
        return from_sjis(self.read_bytes(name))

    def exists(self, name):
        return os.path.exists(self.path(name))

    def write_ini(self, name, sections):
        """sections: {section: {key: value}} (dicts keep their order), written
        as Shift-JIS with CR LF."""
        lines = []
        for section, keys in sections.items():
            lines.append("[%s]" % section)
            lines.extend("%s=%s" % (k, v) for k, v in keys.items())
        return self.write_sjis(name, crlf(lines))

    # runs
    def env(self, extra=None):
        """Environment for a run: the temp folder is <tmp>/temp."""
        if self.kind == "native":
            env = {"TEMP": self.temp, "TMP": self.temp, "TMPDIR": self.temp}
        else:
            env = {"KC_WINE_TEMP": wine_path(self.temp)}
        if extra:
            env.update(extra)
        return env

    def run(self, args=(), env=None, timeout=DEFAULT_TIMEOUT):
        """Runs the copied plug-in in its own folder to its end."""
        if self.kind == "native":
            return run_native(args, exe=self.exe, cwd=self.plugin, env=self.env(env),
                              timeout=timeout)
        return run_wine(args, exe=self.exe, cwd=self.plugin, env=self.env(env),
                        timeout=timeout)

    def start(self, args=(), env=None):
        if self.kind == "native":
            return start_native(args, exe=self.exe, cwd=self.plugin, env=self.env(env))
        return start_wine(args, exe=self.exe, cwd=self.plugin, env=self.env(env))


def main(argv):
    """Command line for scripts: `kctest.py prepare-prefix` readies the
    Wine prefix; `kctest.py wine-env` prints the Wine variables as
    shell assignments."""
    if argv[1:] == ["prepare-prefix"]:
        print(prepare_wineprefix())
        return 0
    if argv[1:] == ["wine-env"]:
        env = wine_env()
        for key in ("WINEPREFIX", "WINEDEBUG", "WINEDLLOVERRIDES", "LANG", "LC_ALL",
                    "KC_WINE_TEMP"):
            print("export %s='%s'" % (key, env[key]))
        return 0
    print("usage: kctest.py prepare-prefix | wine-env")
    return 2


if __name__ == "__main__":
    import sys
    sys.exit(main(sys.argv))
