#!/usr/bin/env python3
"""How Vexalo sounds through the desktop's speech service beside its clips, for scripts/bench.

Starts a private PulseAudio server with a null sink, records its monitor with timestamps, and a
private speech-dispatcher (espeak-ng module) playing into it. Then runs the real program in Full
Auto against q7sim at line pace, which tunes VFO A every few seconds, three times: with the
clips, through the service at its default rate, and through the service at --speech-rate=100.
Prints, as median, 95th percentile and count: from the report's last byte to the first sound,
and how long the frequency readout lasts. It is a benchmark: it never fails on a time.

    speech_bench.py BUILD_DIR
"""
import math
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import threading
import time

import sound_bench
from sound_bench import PulseAudio, Recorder, start, stop

QUIET_END = 0.35  # silence that ends an announcement (pauses inside one are shorter)
REPORTS = 6
SPACING = 6.0  # seconds between two reports: the slowest readout is over by then

VEXALO, Q7SIM, VOICE = sound_bench.VEXALO, sound_bench.Q7SIM, sound_bench.VOICE


def wait_for(predicate, seconds, what):
    deadline = time.time() + seconds
    while time.time() < deadline:
        if predicate():
            return
        time.sleep(0.05)
    raise RuntimeError(f"timed out waiting for {what}")


def run(work, env, label, options):
    """One program run; (report times, announcements) on the wall clock."""
    folder = os.path.join(work, label)
    os.makedirs(folder)
    os.symlink(VOICE, os.path.join(folder, "ZSsounds"))
    with open(os.path.join(folder, "vexalo.ini"), "w") as f:
        f.write("1,3,#FALSE#\r\n")  # Comm1, Full Auto, no greeting
    with open(os.path.join(folder, "scenario.q7s"), "w") as f:
        f.write(f"wait {SPACING}\n" + f"tune a +100\nwait {SPACING}\n" * REPORTS)
    sim = start([Q7SIM, "--link", "com1", "--log", "-", "--script", "scenario.q7s",
                 "--script-after-ai2"], cwd=folder, stdout=subprocess.PIPE,
                stderr=subprocess.DEVNULL, text=True)
    reports = []

    def read_sim():
        for line in sim.stdout:
            if " reply FA" in line:
                reports.append(time.time())

    threading.Thread(target=read_sim, daemon=True).start()
    wait_for(lambda: os.path.exists(os.path.join(folder, "com1")), 10, "q7sim")
    vexalo = start([VEXALO] + options, cwd=folder,
                   env=dict(env, QT_QPA_PLATFORM="offscreen"),
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    wait_for(lambda: len(reports) >= REPORTS, REPORTS * SPACING + 30, f"{label}: the reports")
    time.sleep(SPACING)
    stop(vexalo)
    stop(sim)
    return reports


def percentile_row(figure, values, target=""):
    if not values:
        print(f"  {figure:<50} {'-':>9} {'-':>9} {0:>4}  {target}")
        return
    ordered = sorted(v * 1000 for v in values)
    p95 = ordered[max(0, math.ceil(0.95 * len(ordered)) - 1)]
    print(f"  {figure:<50} {statistics.median(ordered):>7.0f}ms {p95:>7.0f}ms "
          f"{len(ordered):>4}  {target}")


def main():
    for tool in ("pulseaudio", "parec", "speech-dispatcher"):
        if not shutil.which(tool):
            sys.exit(f"speech_bench: {tool} is missing (scripts/setup-deps installs it)")
    work = tempfile.mkdtemp(prefix="vexalo-speech-bench-")
    try:
        route = PulseAudio(work).route
        env = dict(route.env)
        speechd = os.path.join(work, "speechd")
        os.makedirs(os.path.join(speechd, "rt"))
        start(["speech-dispatcher", "-s", "-t", "0", "-S", os.path.join(speechd, "sock"),
               "-P", os.path.join(speechd, "pid")],
              env=dict(env, XDG_RUNTIME_DIR=os.path.join(speechd, "rt")),
              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        wait_for(lambda: os.path.exists(os.path.join(speechd, "sock")), 10, "speech-dispatcher")
        env["SPEECHD_ADDRESS"] = f"unix_socket:{os.path.join(speechd, 'sock')}"
        recorder = Recorder(route)

        runs = {}
        for label, options in (("clips", []),
                               ("service, rate 0", ["--speech=dispatcher"]),
                               ("service, rate 100", ["--speech=dispatcher",
                                                      "--speech-rate=100"])):
            print(f"  .. {label}", file=sys.stderr, flush=True)
            runs[label] = run(work, env, label.replace(" ", "").replace(",", "-"), options)
        recorder.stop()
        sounds = [(recorder.time_of(a), recorder.time_of(b))
                  for a, b in recorder.segments(merge=QUIET_END)]

        print("\nVexalo through the speech service beside its clips (PulseAudio null sink, "
              "recorded at 5 ms; q7sim at line pace)")
        print(f"  {'figure':<50} {'median':>9} {'p95':>9} {'n':>4}  target")
        figures = {}
        for label, reports in runs.items():
            first, length = [], []
            for when in reports:
                after = [s for s in sounds if when - 0.01 <= s[0] < when + SPACING - 0.5]
                if after:
                    first.append(after[0][0] - when)
                    length.append(after[0][1] - after[0][0])
            figures[label] = (first, length)
        clips_first = statistics.median(figures["clips"][0]) if figures["clips"][0] else None
        clips_length = statistics.median(figures["clips"][1]) if figures["clips"][1] else None
        for label, (first, length) in figures.items():
            target = ""
            if label != "clips" and clips_first is not None:
                target = f"<= {clips_first * 1000 + 100:.0f} ms (clips + 100)"
            percentile_row(f"report to first sound, {label}", first, target)
        for label, (first, length) in figures.items():
            target = ""
            if label == "service, rate 100" and clips_length is not None:
                target = f"< {clips_length * 500:.0f} ms (half the clips')"
            percentile_row(f"frequency readout length, {label}", length, target)
    finally:
        for process in reversed(sound_bench.started):
            stop(process)
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
