#!/usr/bin/python3
"""Types at beastfinder-sim's prompt through a pseudo-terminal, as a person would.

usage: prompt_test.py SIM SOURCE_DIR WORK_DIR

Once with a UTF-8 locale and once with LANG=C: Tab completes a Cyrillic name, a Cyrillic
search word reaches the plugin whole, a mistyped line is only reported, and the session
ends with exit code 0.
"""

import fcntl
import os
import pty
import select
import signal
import struct
import sys
import termios
import time

SIM, SOURCE_DIR, WORK_DIR = sys.argv[1:4]


def fail(message):
    print("FAIL: " + message)
    sys.exit(1)


class Terminal:
    def __init__(self, locale_env):
        home = os.path.join(WORK_DIR, "home")
        os.makedirs(home, exist_ok=True)  # no ~/.editrc of the machine's user
        env = {k: v for k, v in os.environ.items()
               if not k.startswith("LC_") and k not in ("LANG", "LANGUAGE")}
        env.update(locale_env)
        env.update({"TERM": "xterm", "HOME": home, "NO_COLOR": "1"})
        # Under the sanitizers: whole stacks, so that libedit's own leak can be told apart.
        env["ASAN_OPTIONS"] = ":".join(
            filter(None, [os.environ.get("ASAN_OPTIONS"), "fast_unwind_on_malloc=0"]))
        env["LSAN_OPTIONS"] = "suppressions=" + os.path.join(
            os.path.dirname(os.path.abspath(__file__)), "lsan.supp")
        self.pid, self.fd = pty.fork()
        if self.pid == 0:
            os.chdir(SOURCE_DIR)
            os.execve(SIM, [SIM], env)
        fcntl.ioctl(self.fd, termios.TIOCSWINSZ, struct.pack("HHHH", 40, 120, 0, 0))
        self.seen = b""

    def expect(self, text, timeout=60):
        wanted = text.encode()
        deadline = time.monotonic() + timeout
        while wanted not in self.seen:
            left = deadline - time.monotonic()
            if left <= 0:
                self.stop()
                fail("no {!r} within {} s; the terminal showed:\n{}".format(
                    text, timeout, self.seen.decode(errors="replace")))
            ready, _, _ = select.select([self.fd], [], [], left)
            if ready:
                try:
                    chunk = os.read(self.fd, 4096)
                except OSError:
                    chunk = b""
                if not chunk:
                    self.stop()
                    fail("the program ended before {!r}:\n{}".format(
                        text, self.seen.decode(errors="replace")))
                self.seen += chunk
        # What comes next is looked for after this.
        self.seen = self.seen[self.seen.index(wanted) + len(wanted):]

    def type(self, keys):
        os.write(self.fd, keys.encode())

    def finish(self):
        """Reads to the end; the exit code."""
        deadline = time.monotonic() + 60
        while time.monotonic() < deadline:
            ready, _, _ = select.select([self.fd], [], [], 1)
            if ready:
                try:
                    chunk = os.read(self.fd, 4096)
                except OSError:
                    break
                if not chunk:
                    break
                self.seen += chunk
            pid, status = os.waitpid(self.pid, os.WNOHANG)
            if pid != 0:
                return os.waitstatus_to_exitcode(status)
        _, status = os.waitpid(self.pid, 0)
        return os.waitstatus_to_exitcode(status)

    def stop(self):
        try:
            os.kill(self.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass


def session(locale_env):
    term = Terminal(locale_env)
    term.expect("Bruno> ")
    # Tab completes the name the typed letters start.
    term.type("as Ол\t")
    term.expect("ьга")
    term.type("\r")
    term.expect("Ольга> ")
    # A mistyped name is reported, and the player stays who they were.
    term.type("as Bob\r")
    term.expect('no player named "Bob"')
    term.expect("Ольга> ")
    term.type("as Ada\r")
    term.expect("Ada> ")
    # The whole line reaches the plugin: only the tribe's 34 creatures are listed.
    term.type("/trackadmin стая\r")
    term.expect("Стая Севера")
    term.expect("Total: 34")
    term.expect("Ada> ")
    term.type("quit\r")
    code = term.finish()
    if code != 0:
        fail("{}: exit code {} after a mistyped line; the terminal showed:\n{}".format(
            locale_env, code, term.seen.decode(errors="replace")))


for environment in ({"LANG": "C.UTF-8"}, {"LANG": "C"}):
    session(environment)
print("OK")
