#!/usr/bin/env python3
"""Reflects a master into a scratch Mozc profile and asks the real Mozc to
convert: a word of the master must be offered, and gone after it is removed
from the master and reflected again. Then Mozc's rules for the entries it
takes: each word Wordloom flags is not offered and the same word made valid
is; words that only look odd are offered and not flagged.

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

# (reading, romaji typed, word, comment)
RULES_SENTINEL = ("わーどるーむきそく", "wa-doru-mukisoku", "和亜規則", "")
VALID_SENTINEL = ("わーどるーむたしか", "wa-doru-mutasika", "和亜確", "")

# What Mozc passes over or can never offer: (what, flagged, the same word made valid).
RULES = [
    ("kanji in the reading",
     ("わーどるーむ漢字", "wa-doru-mukanji", "和亜漢字読", ""),
     ("わーどるーむかんじ", "wa-doru-mukanji", "和亜漢字読", "")),
    ("a space in the reading",
     ("わーどるーむ すぺーす", "wa-doru-musupe-su", "和亜空白", ""),
     ("わーどるーむすぺーす", "wa-doru-musupe-su", "和亜空白", "")),
    ("ヶ, which Mozc does not fold to hiragana",
     ("わーどるーむヶ", "wa-doru-muke", "和亜箇", ""),
     ("わーどるーむケ", "wa-doru-muke", "和亜箇", "")),
    ("a voiced mark apart from its kana",
     ("わーどるーむか\u3099", "wa-doru-muga", "和亜濁", ""),
     ("わーどるーむが", "wa-doru-muga", "和亜濁", "")),
    ("a reading over 300 bytes",
     ("か" * 101, "ka" * 101, "長読甲", ""),
     ("か" * 100, "ka" * 100, "長読甲", "")),
    ("a word over 300 bytes",
     ("わーどるーむながい", "wa-doru-munagai", "長" * 101, ""),
     ("わーどるーむながい", "wa-doru-munagai", "長" * 100, "")),
    ("a comment over 300 bytes",
     ("わーどるーむこめんと", "wa-doru-mukomennto", "和亜注釈", "あ" * 101),
     ("わーどるーむこめんと", "wa-doru-mukomennto", "和亜注釈", "あ" * 100)),
    ("a CR in the word",
     ("わーどるーむくあーる", "wa-doru-mukua-ru", "和亜\r復帰", ""),
     ("わーどるーむくあーる", "wa-doru-mukua-ru", "和亜復帰", "")),
    ("a CR in the comment",
     ("わーどるーむこめくあ", "wa-doru-mukomekua", "和亜注復", "a\rb"),
     ("わーどるーむこめくあ", "wa-doru-mukomekua", "和亜注復", "ab")),
]

# What only looks wrong: Mozc folds these readings to hiragana and takes control characters in a
# word as they are.
USED = [
    ("a katakana reading", ("ワードルームカタカナ", "wa-doru-mukatakana", "和亜片仮名", "")),
    ("a half-width katakana reading", ("ﾜｰﾄﾞﾙｰﾑﾊﾝｶｸ", "wa-doru-muhankaku", "和亜半角", "")),
    ("a control character in the word", ("わーどるーむせいぎょ", "wa-doru-museigyo", "和亜\x07鈴", "")),
]

# Mozc's tools stop at 100 dictionaries, yet its converter uses them all: the rules' own
# dictionary comes after these. (A name with a TAB, which its tools refuse too, Wordloom stops at
# as a master problem before it reaches the file.)
FILLERS = ["あ%03d" % i for i in range(100)]
RULES_DICTIONARY = "ワードルーム"


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
        self.write_files({"ワードルーム": [(reading, romaji, word, "")
                                          for reading, romaji, word in words]})

    def write_files(self, dictionaries):
        """Replaces the master by these dictionaries of (reading, romaji, word, comment)."""
        for name in os.listdir(self.master):
            os.remove(os.path.join(self.master, name))
        for name, entries in dictionaries.items():
            text = "".join("%s\t%s\t名詞\t%s\n" % (reading, word, comment)
                           for reading, _, word, comment in entries)
            with open(os.path.join(self.master, name + ".txt"), "w", encoding="utf-8",
                      newline="") as f:
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


def rules_master(sentinel, entries):
    dictionaries = {name: [("うめ", "ume", "埋" + name, "")] for name in FILLERS}
    dictionaries[RULES_DICTIONARY] = [sentinel] + entries + [entry for _, entry in USED]
    return dictionaries


def check_rules(scratch, mozc, reflect_and_restart):
    scratch.write_files(rules_master(RULES_SENTINEL, [flagged for _, flagged, _ in RULES]))
    outcome, flagged = reflect_and_restart("--big")
    if outcome != "applied":
        fail("reflect of the flagged words gave " + outcome)
    # The sentinel is line 1; the flagged words follow in table order.
    expected = {(RULES_DICTIONARY, line) for line in range(2, len(RULES) + 2)}
    if flagged != expected:
        fail("Wordloom flagged %s, expected %s" % (sorted(flagged), sorted(expected)))
    if not mozc.wait_until_offered(RULES_SENTINEL[2], RULES_SENTINEL[1]):
        fail("Mozc never offered %s" % RULES_SENTINEL[2])
    for what, (_, romaji, word, _), _ in RULES:
        if mozc.offers(word, romaji):
            fail("Mozc offers a word with %s, which Wordloom flags" % what)
        print("not offered, flagged: %s" % what)
    for what, (_, romaji, word, _) in USED:
        if not mozc.offers(word, romaji):
            fail("Mozc does not offer a word with %s" % what)
        print("offered, not flagged: %s" % what)
    print("offered, not flagged: a dictionary after the first 100")

    scratch.write_files(rules_master(VALID_SENTINEL, [valid for _, _, valid in RULES]))
    outcome, flagged = reflect_and_restart("--big")
    if outcome != "applied" or flagged:
        fail("reflect of the words made valid gave %s, flagged %s" % (outcome, sorted(flagged)))
    if not mozc.wait_until_offered(VALID_SENTINEL[2], VALID_SENTINEL[1]):
        fail("Mozc never offered %s" % VALID_SENTINEL[2])
    for what, _, (_, romaji, word, _) in RULES:
        if not mozc.offers(word, romaji):
            fail("Mozc does not offer the word made valid after %s" % what)
        print("offered once made valid: %s" % what)


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
            """The outcome's case and the (dictionary, line) of each word Wordloom flagged."""
            result = subprocess.run(scratch.command([driver] + list(options), environment),
                                    stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True,
                                    timeout=60)
            if result.returncode != 0:
                fail("reflect: " + result.stderr.strip())
            outcome, *flagged = result.stdout.rstrip("\n").split("\n")
            return outcome, {(name, int(line))
                             for name, line in (f.split("\t", 1)[1].rsplit("\t", 1)
                                                for f in flagged)}

        def reflect_and_restart(*options):
            before = our_servers(scratch.home)
            if not before:
                fail("no mozc_server of the scratch profile is running")
            outcome = reflect(*options)
            if not dedicated:
                kill_all(before)
            deadline = time.monotonic() + 10
            while any(is_running(pid) for pid in before) and time.monotonic() < deadline:
                time.sleep(0.1)
            if any(is_running(pid) for pid in before):
                fail("the converter was not restarted")
            return outcome

        scratch.write_master([WORD, SENTINEL])
        outcome, _ = reflect("--discard")
        if outcome != "applied":
            fail("first reflect gave " + outcome)

        mozc = EmacsHelper(scratch.command([helper]))
        if not mozc.wait_until_offered(SENTINEL[2], SENTINEL[1]):
            fail("Mozc never offered the reflected word %s for %s" % (SENTINEL[2], SENTINEL[0]))
        if not mozc.offers(WORD[2], WORD[1]):
            fail("Mozc does not offer %s for %s" % (WORD[2], WORD[0]))
        print("offered: %s for %s" % (WORD[2], WORD[0]))

        scratch.write_master([SENTINEL, NEXT])
        outcome, _ = reflect_and_restart()
        if outcome != "applied":
            fail("second reflect gave " + outcome)
        if not mozc.wait_until_offered(NEXT[2], NEXT[1]):
            fail("the restarted Mozc never offered %s" % NEXT[2])
        if mozc.offers(WORD[2], WORD[1]):
            fail("Mozc still offers the removed word %s" % WORD[2])
        print("gone after removal: %s" % WORD[2])

        outcome, _ = reflect()
        if outcome != "upToDate":
            fail("third reflect gave " + outcome)

        check_rules(scratch, mozc, reflect_and_restart)
        return 0
    finally:
        if mozc is not None:
            mozc.close()
        kill_all(our_servers(scratch.home))
        shutil.rmtree(scratch.root, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
