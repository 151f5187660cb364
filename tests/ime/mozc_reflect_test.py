#!/usr/bin/env python3
"""Reflects a master into a scratch Mozc profile and asks the real Mozc to
convert: a word of the master must be offered, and gone after it is removed
from the master and reflected again.

Mozc refuses to run as root, so as root everything that touches the profile
runs as a dedicated system user (created when missing); the real converter
reload (pkill -u <that user> -x mozc_server) then hits only our server.
Without root the test runs as the current user and, so as not to kill the
user's own Mozc, reloads by killing the servers it started, by PID.

Usage: mozc_reflect_test.py <reflect driver>. Exit 77 when Mozc is missing.
"""
import fcntl
import os
import pwd
import re
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time

SERVERS = ["/usr/lib/mozc/mozc_server", "/usr/libexec/mozc/mozc_server",
           "/usr/lib64/mozc/mozc_server"]
TEST_USER = "wordloom-mozc"

# (reading, romaji typed, word)
WORD = ("わーどるーむてすと", "wa-doru-mutesuto", "和亜度留有無")
SENTINEL = ("わーどるーむみはり", "wa-doru-mumihari", "和亜度見張")
NEXT = ("わーどるーむつぎ", "wa-doru-mutugi", "和亜度次")

LOAD_TIMEOUT = 20


def fail(message):
    print("FAIL: " + message, file=sys.stderr)
    raise SystemExit(1)


def choose_user():
    """The account Mozc runs as, and whether it is ours alone."""
    if os.getuid() != 0:
        return pwd.getpwuid(os.getuid()), False
    try:
        return pwd.getpwnam(TEST_USER), True
    except KeyError:
        pass
    subprocess.run(["useradd", "--system", "--no-create-home", "--home-dir", "/nonexistent",
                    "--shell", "/usr/sbin/nologin", "--user-group", TEST_USER],
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=False)
    try:
        return pwd.getpwnam(TEST_USER), True
    except KeyError:
        return pwd.getpwnam("nobody"), False


class Scratch:
    def __init__(self, user):
        self.user = user
        self.root = tempfile.mkdtemp(prefix="wordloom-mozc-")
        os.chmod(self.root, 0o755)
        self.home = os.path.join(self.root, "home")
        self.profile = os.path.join(self.home, ".config", "mozc")
        self.master = os.path.join(self.home, "master")
        self.state = os.path.join(self.home, "state")
        os.makedirs(self.profile, mode=0o700)
        os.makedirs(self.master)
        # Mozc makes this file when a word is first registered; start empty.
        open(os.path.join(self.profile, "user_dictionary.db"), "wb").close()

    def own(self):
        if os.getuid() != 0:
            return
        for folder, dirs, files in os.walk(self.home):
            for name in [folder] + [os.path.join(folder, n) for n in dirs + files]:
                os.lchown(name, self.user.pw_uid, self.user.pw_gid)

    def command(self, argv, extra_env=()):
        env = ["env", "-i", "HOME=" + self.home, "PATH=/usr/bin:/bin:/usr/sbin:/sbin",
               "LANG=C.UTF-8"] + list(extra_env)
        if os.getuid() == 0:
            return ["setpriv", "--reuid=%d" % self.user.pw_uid,
                    "--regid=%d" % self.user.pw_gid, "--clear-groups"] + env + argv
        return env + argv

    def write_master(self, words):
        text = "".join("%s\t%s\t名詞\t\n" % (reading, word) for reading, _, word in words)
        with open(os.path.join(self.master, "ワードルーム.txt"), "w", encoding="utf-8") as f:
            f.write(text)
        self.own()


def our_servers(home):
    """PIDs of running mozc_server processes whose HOME is the scratch home."""
    pids = []
    marker = b"HOME=" + home.encode()
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open("/proc/%s/comm" % entry, "rb") as f:
                if f.read().strip() != b"mozc_server":
                    continue
            with open("/proc/%s/environ" % entry, "rb") as f:
                if marker in f.read().split(b"\0"):
                    pids.append(int(entry))
        except OSError:
            continue
    return pids


def is_running(pid):
    try:
        with open("/proc/%d/stat" % pid, "rb") as f:
            return f.read().rsplit(b")", 1)[1].split()[0] != b"Z"
    except OSError:
        return False


def kill_all(pids):
    for pid in pids:
        try:
            os.kill(pid, signal.SIGKILL)
        except ProcessLookupError:
            pass


class EmacsHelper:
    """mozc_emacs_helper: S-expressions on stdin, one reply line per command."""

    def __init__(self, command):
        self.process = subprocess.Popen(command, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                        stderr=subprocess.DEVNULL)
        self.buffer = b""
        self.event = 0
        self.read_line(10)  # greeting

    def read_line(self, timeout):
        deadline = time.monotonic() + timeout
        while b"\n" not in self.buffer:
            left = deadline - time.monotonic()
            if left <= 0 or not select.select([self.process.stdout], [], [], left)[0]:
                raise TimeoutError("no answer from mozc_emacs_helper")
            chunk = os.read(self.process.stdout.fileno(), 65536)
            if not chunk:
                raise EOFError("mozc_emacs_helper ended")
            self.buffer += chunk
        line, self.buffer = self.buffer.split(b"\n", 1)
        return line.decode("utf-8", "replace")

    def call(self, command, timeout=10):
        self.event += 1
        self.process.stdin.write(("(%d %s)\n" % (self.event, command)).encode())
        self.process.stdin.flush()
        prefix = "((emacs-event-id . %d)" % self.event
        while True:
            line = self.read_line(timeout)
            if line.startswith(prefix):
                return line

    def convert(self, romaji):
        """Everything Mozc shows after typing `romaji` and pressing space."""
        reply = self.call("CreateSession")
        found = re.search(r"\(emacs-session-id \. (\d+)\)", reply)
        if not found:
            raise RuntimeError("no session: " + reply)
        session = found.group(1)
        try:
            for character in romaji:
                self.call("SendKey %s %d" % (session, ord(character)))
            return self.call("SendKey %s space" % session)
        finally:
            self.call("DeleteSession %s" % session)

    def offers(self, word, romaji):
        return '"%s"' % word in self.convert(romaji)

    def wait_until_offered(self, word, romaji):
        deadline = time.monotonic() + LOAD_TIMEOUT
        while time.monotonic() < deadline:
            try:
                if self.offers(word, romaji):
                    return True
            except (TimeoutError, RuntimeError):
                pass
            time.sleep(0.3)
        return False

    def close(self):
        self.process.kill()
        self.process.wait()


def main():
    if len(sys.argv) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    helper = shutil.which("mozc_emacs_helper")
    if helper is None or not any(os.access(s, os.X_OK) for s in SERVERS):
        print("Mozc (mozc-server, emacs-mozc-bin) is not installed; skipped")
        return 77

    # One run at a time: with a dedicated user, the reload hits every server of it.
    lock = os.open(os.path.join(tempfile.gettempdir(), "wordloom-mozc-test.lock"),
                   os.O_RDONLY | os.O_CREAT, 0o644)
    fcntl.flock(lock, fcntl.LOCK_EX)

    user, dedicated = choose_user()
    scratch = Scratch(user)
    mozc = None
    try:
        driver = os.path.join(scratch.root, "reflect")
        shutil.copy(sys.argv[1], driver)
        os.chmod(driver, 0o755)
        environment = ["LUMI_MASTER=" + scratch.master, "LUMI_STATE=" + scratch.state]
        if not dedicated:
            environment.append("LUMI_NO_RELOAD=1")

        def reflect(*options):
            result = subprocess.run(scratch.command([driver] + list(options), environment),
                                    stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True,
                                    timeout=60)
            if result.returncode != 0:
                fail("reflect: " + result.stderr.strip())
            return result.stdout.strip()

        scratch.write_master([WORD, SENTINEL])
        outcome = reflect("--discard")
        if outcome != "applied":
            fail("first reflect gave " + outcome)

        mozc = EmacsHelper(scratch.command([helper]))
        if not mozc.wait_until_offered(SENTINEL[2], SENTINEL[1]):
            fail("Mozc never offered the reflected word %s for %s" % (SENTINEL[2], SENTINEL[0]))
        if not mozc.offers(WORD[2], WORD[1]):
            fail("Mozc does not offer %s for %s" % (WORD[2], WORD[0]))
        print("offered: %s for %s" % (WORD[2], WORD[0]))

        before = our_servers(scratch.home)
        if not before:
            fail("no mozc_server of the scratch profile is running")
        scratch.write_master([SENTINEL, NEXT])
        outcome = reflect()
        if outcome != "applied":
            fail("second reflect gave " + outcome)
        if not dedicated:
            kill_all(before)
        deadline = time.monotonic() + 10
        while any(is_running(pid) for pid in before) and time.monotonic() < deadline:
            time.sleep(0.1)
        if any(is_running(pid) for pid in before):
            fail("the converter was not restarted")

        if not mozc.wait_until_offered(NEXT[2], NEXT[1]):
            fail("the restarted Mozc never offered %s" % NEXT[2])
        if mozc.offers(WORD[2], WORD[1]):
            fail("Mozc still offers the removed word %s" % WORD[2])
        print("gone after removal: %s" % WORD[2])

        outcome = reflect()
        if outcome != "upToDate":
            fail("third reflect gave " + outcome)
        return 0
    finally:
        if mozc is not None:
            mozc.close()
        kill_all(our_servers(scratch.home))
        shutil.rmtree(scratch.root, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
