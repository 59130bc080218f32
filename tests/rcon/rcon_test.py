#!/usr/bin/python3
"""Drives beastfinder-sim --rcon with RCON clients written elsewhere.

usage: rcon_test.py SIM SOURCE_DIR WORK_DIR python|node

python: Debian's python3-rcon client (auth, the plugin's commands, reload, refusals, broken
        clients, 50 clients x 200 commands); node: npm's rcon-srcds (exit 77 = skipped
        when node, npm or the package cannot be had).
"""

import json
import os
import shutil
import socket
import struct
import subprocess
import sys
import threading
import time

SIM, SOURCE_DIR, WORK_DIR, CLIENT = sys.argv[1:5]
PASSWORD = "hunter2"
SKIP = 77


def fail(message):
    print("FAIL: " + message)
    sys.exit(1)


def check(condition, message):
    if not condition:
        fail(message)


class Simulator:
    """The simulator reading its script from a pipe, its output in a file."""

    def __init__(self, work, extra_args=()):
        self.server_dir = os.path.join(work, "server")
        shutil.rmtree(self.server_dir, ignore_errors=True)
        shutil.copytree(os.path.join(SOURCE_DIR, "examples", "server"), self.server_dir)
        self.config_path = os.path.join(self.server_dir, "ArkApi", "Plugins", "Beastfinder",
                                        "config.json")
        with open(self.config_path, encoding="utf-8") as file:
            self.config = json.load(file)
        self.output_path = os.path.join(work, "output.txt")
        self.output = open(self.output_path, "wb")
        self.process = subprocess.Popen(
            [SIM, "--server", self.server_dir, "--rcon", "127.0.0.1:0", "--rcon-password",
             PASSWORD, *extra_args, "-"],
            stdin=subprocess.PIPE, stdout=self.output, stderr=subprocess.STDOUT)
        # No line is sent: the plugin serves clients before the first one arrives.
        self.port = self.wait_for_port()

    def wait_for_port(self):
        deadline = time.monotonic() + 60
        while time.monotonic() < deadline:
            for line in self.text().splitlines():
                if line.startswith('rcon-listen address="127.0.0.1:'):
                    return int(line.split(":")[1].rstrip('"'))
            if self.process.poll() is not None:
                fail("the simulator ended before listening:\n" + self.text())
            time.sleep(0.05)
        fail("no rcon-listen line within a minute")

    def text(self):
        with open(self.output_path, encoding="utf-8", errors="replace") as file:
            return file.read()

    def line(self, text):
        self.process.stdin.write((text + "\n").encode())
        self.process.stdin.flush()

    def write_config(self, text):
        with open(self.config_path, "w", encoding="utf-8") as file:
            file.write(text)

    def finish(self):
        """Ends the input; returns the exit code and the whole output."""
        self.process.stdin.close()
        try:
            code = self.process.wait(timeout=120)
        except subprocess.TimeoutExpired:
            self.process.kill()
            fail("the simulator did not end after its input did")
        self.output.close()
        return code, self.text()


def raw_connect(port):
    s = socket.create_connection(("127.0.0.1", port), timeout=20)
    return s


def packet(request_id, kind, body):
    payload = struct.pack("<ii", request_id, kind) + body + b"\0\0"
    return struct.pack("<i", len(payload)) + payload


def read_packet(s):
    def exactly(n):
        data = b""
        while len(data) < n:
            chunk = s.recv(n - len(data))
            if not chunk:
                return None
            data += chunk
        return data

    head = exactly(4)
    if head is None:
        return None
    (size,) = struct.unpack("<i", head)
    rest = exactly(size)
    request_id, kind = struct.unpack("<ii", rest[:8])
    return request_id, kind, rest[8:-2]


def closed_by_server(s):
    try:
        while True:
            if not s.recv(4096):
                return True
    except ConnectionResetError:
        return True
    except socket.timeout:
        return False


def raw_login(port):
    s = raw_connect(port)
    s.sendall(packet(7, 3, PASSWORD.encode()))
    check(read_packet(s) == (7, 2, b""), "raw login: auth response")
    return s


def run_python():
    from rcon.exceptions import WrongPassword
    from rcon.source import Client

    sim = Simulator(os.path.join(WORK_DIR, "python"))
    port = sim.port

    def client():
        return Client("127.0.0.1", port, passwd=PASSWORD, timeout=30)

    # The plugin's commands, one unknown to everyone, and the reload both ways: the exception
    # text comes back and the settings of the last good file stay. Nothing has been written
    # to the simulator's input yet.
    with client() as rcon:
        check(rcon.run("bf.test", "1", "0", "0", "0") == "Red",
              "bf.test 1 0 0 0 before any input line")
        check(rcon.run("bf.test") == "Usage: bf.test <red> <green> <blue> <alpha>",
              "bf.test without numbers")
        check(rcon.run("no.such", "thing") == "Unknown command: no.such thing",
              "a command nobody registered")
        sim.config["Messages"]["NoDinosFound"]["Message"] = "Second file: nothing"
        sim.write_config(json.dumps(sim.config))
        check(rcon.run("bf.reload") == "Config Reloaded!", "reload of a good file")
        sim.write_config('{"GlobalSettings": {"DinosPerPage": 5,}}')
        answer = rcon.run("bf.reload")
        check(answer.startswith("[json.exception.parse_error.101] parse error at line 1"),
              "reload of a broken file answers the exception's text, got " + repr(answer))
        sim.line("chat Eve /track zzzz")

    try:
        with Client("127.0.0.1", port, passwd="wrong", timeout=30):
            fail("a wrong password was accepted")
    except WrongPassword:
        pass

    # Broken clients are closed one by one; the others go on.
    s = raw_connect(port)
    s.sendall(packet(1, 2, b"bf.test 1 0 0 0"))
    check(closed_by_server(s), "a command before authentication closes the client")
    s = raw_login(port)
    s.sendall(packet(2, 2, b"x" * 4097))
    check(closed_by_server(s), "a body of 4097 bytes closes the client")
    s = raw_login(port)
    s.sendall(struct.pack("<i", 3) + b"abc")
    check(closed_by_server(s), "a size below 10 closes the client")
    s = raw_login(port)
    s.sendall(packet(3, 2, b"bf.test 1 0 0 0")[:9])
    s.close()
    s = raw_login(port)
    s.sendall(packet(4, 2, b"bf.test 1 0 0 0") + packet(5, 0, b""))
    check(read_packet(s) == (4, 0, b"Red"), "raw client: bf.test")
    check(read_packet(s) == (5, 0, b""), "raw client: the end-of-reply marker comes back")
    body = b"y" * 4096
    s.sendall(packet(6, 2, body))
    check(read_packet(s) == (6, 0, b"Unknown command: " + body[:4096 - 17]),
          "a 4096-byte body is served; the long answer's first packet")
    check(read_packet(s) == (6, 0, body[4096 - 17:]), "the long answer's second packet")
    s.close()

    # 50 clients at once, 200 commands each, every answer matched to its request.
    sim.line("account")
    errors = []

    def worker(number):
        try:
            with client() as rcon:
                for i in range(200):
                    if i % 2 == 0:
                        answer, expected = rcon.run("bf.test", "1", "0", "0", "0"), "Red"
                    else:
                        answer = rcon.run("probe", str(number), str(i))
                        expected = "Unknown command: probe {} {}".format(number, i)
                    if answer != expected:
                        errors.append("client {} command {}: {!r}".format(number, i, answer))
                        return
        except Exception as error:  # the report names whatever went wrong
            errors.append("client {}: {!r}".format(number, error))

    threads = [threading.Thread(target=worker, args=(n,), daemon=True) for n in range(50)]
    started = time.monotonic()
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join(timeout=max(1, 300 - (time.monotonic() - started)))
    check(not any(thread.is_alive() for thread in threads), "the load did not end in 5 minutes")
    check(not errors, "load: " + "; ".join(errors[:5]))
    print("50 clients x 200 commands: {:.1f} s".format(time.monotonic() - started))

    sim.line("account")
    code, output = sim.finish()
    lines = output.splitlines()
    accounts = [line for line in lines if line.startswith("account ")]
    check(len(accounts) == 3 and accounts[0] == accounts[1], "account around the load: " +
          repr(accounts))
    check(accounts[2] == "account live=0 bytes=0", "final account: " + accounts[2])
    check(code == 0, "exit code {}, faults: {}".format(
        code, [line for line in lines if line.startswith("fault")][:5]))
    notices = [line for line in lines if line.startswith('notify player="Eve"')]
    check(len(notices) == 1 and "Second file: nothing" in notices[0],
          "the broken file left the good one's settings: " + repr(notices))
    closes = [line.split("reason=")[1] for line in lines if line.startswith("rcon-close")]
    for reason in ['"wrong password"', '"a packet of type 2 before authentication"',
                   '"a body of 4097 bytes, over the limit of 4096"', '"malformed packet size 3"',
                   '"disconnected in the middle of a packet"']:
        check(reason in closes, "no client closed for " + reason)
    check(closes.count('"disconnected"') == 52, "clients that left: {}".format(closes))
    check(sum(line.startswith("rcon-command ") for line in lines) == 10000 + 7,
          "every command reached the simulator")


NODE_CHECK = r"""
const RCON = require('rcon-srcds').default;
const [port, password] = process.argv.slice(-2);
(async () => {
  const good = new RCON({ host: '127.0.0.1', port: Number(port), timeout: 20000 });
  await good.authenticate(password);
  const red = await good.execute('bf.test 1 0 0 0');
  if (red !== 'Red') throw new Error('bf.test answered ' + JSON.stringify(red));
  const reloaded = await good.execute('bf.reload');
  if (reloaded !== 'Config Reloaded!') throw new Error('bf.reload answered ' + reloaded);
  await good.disconnect();
  const bad = new RCON({ host: '127.0.0.1', port: Number(port), timeout: 20000 });
  let refused = false;
  try { await bad.authenticate('wrong'); } catch (e) { refused = true; }
  if (!refused) throw new Error('a wrong password was accepted');
  console.log('rcon-srcds: OK');
})().catch((e) => { console.log('FAIL: ' + e.message); process.exit(1); });
"""


def run_node():
    node, npm = shutil.which("node"), shutil.which("npm")
    if node is None or npm is None:
        print("SKIP: node or npm is not installed")
        sys.exit(SKIP)
    folder = os.path.join(WORK_DIR, "node")
    if not os.path.isdir(os.path.join(folder, "node_modules", "rcon-srcds")):
        os.makedirs(folder, exist_ok=True)
        for name in ("package.json", "package-lock.json"):
            shutil.copy(os.path.join(SOURCE_DIR, "tests", "rcon", name), folder)
        try:
            installed = subprocess.run([npm, "ci", "--no-audit", "--no-fund"], cwd=folder,
                                       capture_output=True, timeout=300)
        except subprocess.TimeoutExpired:
            installed = None
        if installed is None or installed.returncode != 0:
            print("SKIP: npm could not install rcon-srcds")
            sys.exit(SKIP)
    sim = Simulator(os.path.join(WORK_DIR, "node-run"))
    result = subprocess.run([node, "-e", NODE_CHECK, "--", str(sim.port), PASSWORD],
                            cwd=folder, capture_output=True, text=True, timeout=120)
    code, output = sim.finish()
    check(result.returncode == 0, result.stdout + result.stderr)
    check(code == 0, "exit code {}".format(code))
    check("rcon-close client=2 reason=\"wrong password\"" in output, "the wrong password")


def run_refusal():
    """Only loopback unless asked, and the refusal says how."""
    result = subprocess.run([SIM, "--rcon", "0.0.0.0:0", "--rcon-password", PASSWORD, "-"],
                            stdin=subprocess.DEVNULL, capture_output=True, text=True,
                            timeout=60)
    check(result.returncode == 2, "0.0.0.0 exit code {}".format(result.returncode))
    check("0.0.0.0 is not a loopback address" in result.stderr and
          "--rcon-any-address" in result.stderr, "refusal: " + result.stderr)
    for args in (["--rcon", "1:2:3"], ["--rcon", "70000"], ["--rcon", "0"],
                 ["--rcon-password", "x"], ["--rcon", "0", "--rcon-password", ""]):
        result = subprocess.run([SIM, *args, "-"], stdin=subprocess.DEVNULL,
                                capture_output=True, text=True, timeout=60)
        check(result.returncode == 2, "{} exit code {}".format(args, result.returncode))


os.makedirs(WORK_DIR, exist_ok=True)
if CLIENT == "python":
    run_refusal()
    run_python()
elif CLIENT == "node":
    run_node()
else:
    fail("unknown client " + CLIENT)
print("OK")
