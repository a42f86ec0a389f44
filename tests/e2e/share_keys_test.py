#!/usr/bin/python3
"""Two rigctl clients (Hamlib's own rigctl, run again and again, and one speaking the protocol
itself) and a program on the pass-through port poll the radio while the operator presses Alt
keys in the real window under Xvfb, q7sim at line pace. Each client gets only its own answers;
q7sim receives whole commands in the order Vexalo wrote them, a client's next only after the
radio has answered its last; and the operator hears exactly what the same keys give without
clients. Once more with a program on the pass-through port that writes "AI;" without end and
never reads (sent away, it opens the port again): the operator and the other client are served
all the same.

    share_keys_test.py VEXALO Q7SIM
"""
import os
import re
import select
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import threading
import time
import tty

VEXALO, Q7SIM = sys.argv[1], sys.argv[2]
KEYS = ["alt+a", "alt+b", "alt+r", "alt+m", "alt+f", "alt+g", "alt+k", "alt+w", "alt+p",
        "alt+n", "alt+e", "alt+i", "alt+a", "alt+s"]
started = []


def start(args, **kwargs):
    process = subprocess.Popen(args, **kwargs)
    started.append(process)
    return process


def stop(process):
    if process.poll() is None:
        process.send_signal(signal.SIGTERM)
        try:
            process.wait(10)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()


def fail(message, *files):
    print(f"FAILED: {message}", file=sys.stderr)
    for name in files:
        print(f"--- {name}", file=sys.stderr)
        with open(name, errors="replace") as f:
            print(f.read()[-6000:], file=sys.stderr)
    sys.exit(1)


def wait_until(ready, what, limit=20.0):
    deadline = time.time() + limit
    while not ready():
        if time.time() > deadline:
            fail(what)
        time.sleep(0.05)


def wait_for(path, text, limit=20.0):
    deadline = time.time() + limit
    while time.time() < deadline:
        if os.path.exists(path):
            with open(path, errors="replace") as f:
                if text in f.read():
                    return
        time.sleep(0.05)
    fail(f"no '{text}' in {path}", path)


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


class Poller(threading.Thread):
    """Asks the same thing every `period` seconds through `ask`, as programs do: each time once
    the last answer (`ending` bytes) has come, or two seconds have passed; keeps the replies."""

    def __init__(self, period, ending, ask, read):
        super().__init__(daemon=True)
        self.period, self.ending, self.ask, self.read = period, ending, ask, read
        self.asked, self.heard, self.running = 0, b"", True
        self.slowest = 0.0  # seconds from a question to its answer

    def run(self):
        while self.running:
            answers = self.heard.count(self.ending)
            self.ask()
            self.asked += 1
            sent, answered = time.time(), False
            while time.time() < sent + self.period or (
                    self.heard.count(self.ending) == answers and time.time() < sent + 2.0):
                self.heard += self.read(0.02)
                if not answered and self.heard.count(self.ending) > answers:
                    answered = True
                    self.slowest = max(self.slowest, time.time() - sent)

    def finish(self, grace=2.0):
        self.running = False
        self.join()
        deadline = time.time() + grace
        while time.time() < deadline:
            self.heard += self.read(deadline - time.time())


def readable(fd, timeout):
    if select.select([fd], [], [], max(0.0, timeout))[0]:
        try:
            return os.read(fd, 4096)
        except OSError:
            return b""
    return b""


class Flooder(threading.Thread):
    """A program on cat1 that writes "AI;" without end and never reads; each time it is sent
    away it opens the port again."""

    def __init__(self, path):
        super().__init__(daemon=True)
        self.path, self.opened, self.running = path, 0, True

    def run(self):
        while self.running:
            try:
                fd = os.open(self.path, os.O_WRONLY | os.O_NOCTTY | os.O_NONBLOCK)
            except OSError:
                time.sleep(0.01)
                continue
            self.opened += 1
            try:
                while self.running:
                    try:
                        os.write(fd, b"AI;" * 100)
                    except BlockingIOError:
                        time.sleep(0.001)
            except OSError:
                pass
            os.close(fd)

    def finish(self):
        self.running = False
        self.join()


def session(work, display, share, flood=False):
    """One run; returns (clips after the handshake, checks of the clients, log lines)."""
    os.makedirs(work)
    with open(os.path.join(work, "vexalo.ini"), "wb") as f:
        f.write(b"1,0,#FALSE#\r\n")
    sim = start([Q7SIM, "--link", "com1", "--log", "sim.log"], cwd=work,
                stderr=subprocess.DEVNULL)
    for _ in range(100):
        if os.path.exists(os.path.join(work, "com1")):
            break
        time.sleep(0.05)
    port = free_port()
    log = os.path.join(work, "vexalo.log")
    env = dict(os.environ, DISPLAY=display, QT_QPA_PLATFORM="xcb",
               QT_LOGGING_RULES="vexalo.speech.debug=true;vexalo.link.debug=true;"
                                "vexalo.share.info=true",
               QT_MESSAGE_PATTERN="%{message}")
    with open(log, "wb") as out:
        vexalo = start([VEXALO] + ([f"--share={port}"] if share else []), cwd=work, env=env,
                       stderr=out, stdout=subprocess.DEVNULL)
    wait_for(log, "send AI0;")
    window = subprocess.run(["xdotool", "search", "--sync", "--onlyvisible", "--name",
                             "Vexalo V" + os.environ["VEXALO_VERSION_LABEL"]], env=env, capture_output=True, text=True,
                            timeout=20).stdout.split()[0]
    subprocess.run(["xdotool", "windowfocus", "--sync", window], env=env, timeout=20)
    with open(log, errors="replace") as f:
        handshake = len(f.read().splitlines())

    pollers, rigctl_runs = [], []
    if share:
        tcp = socket.create_connection(("127.0.0.1", port))
        pollers.append(("protocol client", b"14025000\n",
                        Poller(0.1, b"\n", lambda: tcp.sendall(b"f\n"),
                               lambda t: readable(tcp.fileno(), t))))
        cat = None
        # Sharing starts once the handshake is over, which a busy machine may not have seen yet.
        wait_until(lambda: os.path.exists(os.path.join(work, "cat1")), "no cat1 in " + work)
        if flood:
            flooder = Flooder(os.path.join(work, "cat1"))
            flooder.start()
        else:
            cat = os.open(os.path.join(work, "cat1"), os.O_RDWR | os.O_NOCTTY)
            tty.setraw(cat)
            pollers.append(("pass-through program", b"FA00014025000;",
                            Poller(0.1, b";", lambda: os.write(cat, b"FA;"),
                                   lambda t: readable(cat, t))))
        for _, _, poller in pollers:
            poller.start()
        hamlib_done = threading.Event()

        def hamlib():
            while not hamlib_done.is_set():
                rigctl_runs.append(subprocess.run(
                    ["rigctl", "-m", "2", "-r", f"127.0.0.1:{port}", "f", "m"],
                    capture_output=True, timeout=30).stdout)
        hamlib_thread = threading.Thread(target=hamlib, daemon=True)
        hamlib_thread.start()
        time.sleep(0.5)

    for key in KEYS:
        subprocess.run(["xdotool", "key", key], env=env, timeout=20)
        time.sleep(0.6)

    checks = []
    if share:
        hamlib_done.set()
        hamlib_thread.join(60)
        if flood:
            flooder.finish()
            checks.append(f"figures: the flooder opened cat1 {flooder.opened} times")
        for name, answer, poller in pollers:
            poller.finish()
            during = " while cat1 is flooded" if flood else ""
            checks.append(f"figures: {name}{during} answered in at most "
                          f"{poller.slowest * 1000:.0f} ms")
            replies = [r for r in re.split(rb"(?<=[;\n])", poller.heard) if r]
            if poller.asked < 10 or replies != [answer] * poller.asked:
                odd = sorted({r for r in replies if r != answer})
                checks.append(f"{name}: asked {poller.asked}, {len(replies)} replies, "
                              f"others {odd!r}, last {poller.heard[-60:]!r}")
        for output in rigctl_runs:
            if output != b"14025000\nCW\n500\n":
                checks.append(f"rigctl printed {output!r}")
        if len(rigctl_runs) < 2:
            checks.append(f"rigctl ran {len(rigctl_runs)} times")
        tcp.close()
        if cat is not None:
            os.close(cat)
    # The last readout is heard to its end before the program is stopped, which would cut it at
    # the next clip: on a busy machine it can still be sounding when the keys are done.
    quiet_since, clips_seen, deadline = time.time(), -1, time.time() + 15
    while time.time() - quiet_since < 1.0 and time.time() < deadline:
        with open(log, errors="replace") as f:
            clips_now = sum(1 for line in f if line.startswith("clip "))
        if clips_now != clips_seen:
            quiet_since, clips_seen = time.time(), clips_now
        time.sleep(0.1)
    stop(vexalo)
    stop(sim)
    with open(log, errors="replace") as f:
        lines = f.read().splitlines()
    clips = [line[5:] for line in lines[handshake:] if line.startswith("clip ")]
    return clips, checks, lines


def radio_order(work, lines):
    """Whole commands in Vexalo's order, and a client's next command only after a reply."""
    sends = [(m.group(1), m.group(2) == "for clients")
             for m in (re.match(r"send (\S+;)(?: \((.*)\))?$", line) for line in lines) if m]
    events = []
    with open(os.path.join(work, "sim.log"), errors="replace") as f:
        for line in f:
            parts = line.rstrip("\n").split(" ", 2)
            if len(parts) == 3 and parts[1] in ("cmd", "reply"):
                events.append((parts[1], parts[2]))
    commands = [text for kind, text in events if kind == "cmd"]
    # "q72;q7;" is one write and two commands for the radio.
    written = [part + ";" for text, _ in sends for part in text.rstrip(";").split(";")]
    if commands != written[:len(commands)] or len(commands) < len(written) - 1:
        return [f"q7sim received {commands[-20:]} where Vexalo wrote {written[-20:]}"]
    # Replies answer the oldest outstanding query of their two letters (the radio answers in
    # order); a client's query may go out only when no other of a client's is outstanding.
    clients = iter([client for text, client in sends for _ in text.rstrip(";").split(";")])
    outstanding = []  # (letters, a client's)
    for kind, text in events:
        if kind == "reply":
            for i, (letters, _) in enumerate(outstanding):
                if text.startswith(letters):
                    del outstanding[:i + 1]
                    break
            continue
        client = next(clients, False)
        if client and any(owner for _, owner in outstanding):
            return [f"a client's {text} went out before its last query was answered"]
        if len(text) == 3:
            outstanding.append((text[:2].upper(), client))
    return []


def main():
    root = tempfile.mkdtemp(prefix="vexalo-share-keys-")
    try:
        read_end, write_end = os.pipe()
        # No auto-repeat: a key held while the machine is busy must not become several.
        start(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "800x600x24", "-r",
               "-nolisten", "tcp"], pass_fds=(write_end,), stderr=subprocess.DEVNULL)
        os.close(write_end)
        display = ":" + os.read(read_end, 16).decode().strip()
        alone, _, _ = session(os.path.join(root, "alone"), display, share=False)
        shared, checks, lines = session(os.path.join(root, "shared"), display, share=True)
        checks += radio_order(os.path.join(root, "shared"), lines)
        flooded, flood_checks, flood_lines = session(os.path.join(root, "flooded"), display,
                                                     share=True, flood=True)
        sent_away = sum("the program on cat1 was disconnected" in line for line in flood_lines)
        if sent_away == 0:
            flood_checks.append("the program flooding cat1 was never sent away")
        if len(alone) < len(KEYS):
            checks.append(f"only {alone} heard without clients")
        if shared != alone:
            checks.append(f"heard with clients {shared}\n  without {alone}")
        if flooded != alone:
            flood_checks.append(f"heard while cat1 is flooded {flooded}\n  without {alone}")
        figures = [c for c in checks + flood_checks if c.startswith("figures: ")]
        checks = [c for c in checks if not c.startswith("figures: ")]
        flood_checks = [c for c in flood_checks if not c.startswith("figures: ")]
        if checks:
            checks += [line for line in lines if "no answer in time" in line][:5]
            fail("\n".join(checks + figures), os.path.join(root, "shared", "vexalo.log"),
                 os.path.join(root, "shared", "sim.log"))
        if flood_checks:
            fail("\n".join(flood_checks + figures), os.path.join(root, "flooded", "vexalo.log"))
        print(f"1 passed, 0 failed ({len(alone)} clips heard alike; cat1 flooder sent away "
              f"{sent_away} times)\n" + "\n".join(figures))
    finally:
        for process in reversed(started):
            stop(process)
        shutil.rmtree(root, ignore_errors=True)


if __name__ == "__main__":
    main()
