#!/usr/bin/env python3
"""Start-up to the first shown main window, offscreen: median of N runs (default 10).

usage: bench/app/startup.py BUILD_DIR [RUNS]"""
import os, statistics, subprocess, sys, tempfile, time

build = sys.argv[1] if len(sys.argv) > 1 else "build/dev"
runs = int(sys.argv[2]) if len(sys.argv) > 2 else 10
probe = os.path.join(build, "bench", "startup_probe")
times = []
with tempfile.TemporaryDirectory() as config:
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen", XDG_CONFIG_HOME=config)
    for _ in range(runs):
        start = time.time_ns() // 1000
        out = subprocess.run([probe], env=env, capture_output=True, text=True, check=True).stdout
        shown = int(out.strip().splitlines()[-1])
        times.append((shown - start) / 1000.0)
print("start-up to first shown window (ms): " + ", ".join(f"{t:.1f}" for t in times))
print(f"median {statistics.median(times):.1f} ms over {runs} runs")
