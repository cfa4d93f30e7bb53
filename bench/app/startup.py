#!/usr/bin/env python3
"""Start-up to the first shown main window, offscreen, whole process: median of N runs (default 10),
with the peak resident memory of each run. The yardstick is an empty Qt main window of the same size
(empty_window_probe), started in the same runs, alternating with the program, so that both meet the
same machine load; the ratio of the medians is the figure to watch.

The program starts from a program folder that holds the shipped robots.rbd (from BUILD_DIR/bin when
it is there), as an installed copy does.

usage: bench/app/startup.py BUILD_DIR [RUNS]"""
import os, shutil, statistics, subprocess, sys, tempfile, time

build = sys.argv[1] if len(sys.argv) > 1 else "build/dev"
runs = int(sys.argv[2]) if len(sys.argv) > 2 else 10


def run(argv, env):
    """(milliseconds to the shown window, peak RSS in MiB, the probe's output lines)"""
    start = time.time_ns() // 1000
    process = subprocess.Popen(argv, env=env, stdout=subprocess.PIPE, text=True)
    out = process.stdout.read()
    _, status, usage = os.wait4(process.pid, 0)
    process.returncode = os.waitstatus_to_exitcode(status)
    if process.returncode != 0:
        sys.exit(f"{argv[0]} failed with {process.returncode}")
    lines = out.strip().splitlines()
    return (int(lines[-1]) - start) / 1000.0, usage.ru_maxrss / 1024.0, lines


with tempfile.TemporaryDirectory() as work:
    config = os.path.join(work, "config")
    program_dir = os.path.join(work, "program")
    os.makedirs(config)
    os.makedirs(program_dir)
    probe = os.path.join(program_dir, "startup_probe")
    shutil.copy2(os.path.join(build, "bench", "startup_probe"), probe)
    shipped = os.path.join(build, "bin", "robots.rbd")
    if os.path.exists(shipped):
        shutil.copy2(shipped, program_dir)
    empty = os.path.join(build, "bench", "empty_window_probe")
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen", XDG_CONFIG_HOME=config)
    _, _, lines = run([probe], env)  # warms the caches and tells the window's size
    size = next(line.split()[1:] for line in lines if line.startswith("size "))
    program, yardstick = [], []
    for _ in range(runs):
        program.append(run([probe], env)[:2])
        yardstick.append(run([empty] + size, env)[:2])

for name, results in (("program", program), ("empty main window", yardstick)):
    times = [t for t, _ in results]
    print(f"{name}: start-up to first shown window (ms): " + ", ".join(f"{t:.1f}" for t in times))
    print(f"{name}: median {statistics.median(times):.1f} ms, peak RSS median "
          f"{statistics.median(m for _, m in results):.1f} MiB over {runs} runs")
ratio = statistics.median(t for t, _ in program) / statistics.median(t for t, _ in yardstick)
print(f"window {size[0]}x{size[1]}, robots.rbd {'shipped' if os.path.exists(shipped) else 'none'}; "
      f"program / empty window: {ratio:.2f}x")
