"""Timing of the Python session against the program (measured and reported, not a test).

1. A 1,000,000 x 10 DataFrame put into a session, then OLS, against the program reading the
   same numbers from a text file and running the same OLS (its whole process, start-up included).
2. run("OLS Y X1 ... X6") on the Longley data, against the engine's own time for the statement.

    PYTHONPATH=build/python /usr/bin/python3 bench/bench_python.py [build/tarvex]
"""

import os
import subprocess
import sys
import tempfile
import time

import numpy as np
import pandas as pd

import tarvex

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
PROGRAM = sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "build", "tarvex")
ROWS, COLS = 1_000_000, 10
WORK_KB = 600000
NAMES = ["Y"] + [f"X{k}" for k in range(1, COLS)]


def best_of(n, work):
    return min(work() for _ in range(n))


def large_frame():
    rng = np.random.default_rng(11)
    x = rng.normal(size=(ROWS, COLS - 1))
    y = x @ np.arange(1.0, COLS) + rng.normal(size=ROWS)
    frame = pd.DataFrame(x, columns=NAMES[1:])
    frame.insert(0, "Y", y)
    return frame


def program_seconds(frame, directory):
    data = os.path.join(directory, "large.txt")
    np.savetxt(data, frame.to_numpy(), fmt="%.17g")
    script = os.path.join(directory, "large.tvx")
    with open(script, "w") as f:
        f.write(f"PAR {WORK_KB}\nSMPL 1 {ROWS}\nREAD ('{data}') {' '.join(NAMES)}\n"
                f"OLS {' '.join(NAMES)}\nSTOP\n")

    def once():
        start = time.perf_counter()
        subprocess.run([PROGRAM, script], check=True, stdout=subprocess.DEVNULL)
        return time.perf_counter() - start
    return best_of(3, once)


def session_seconds(frame):
    def once():
        start = time.perf_counter()
        with tarvex.Session(work_kb=WORK_KB) as s:
            s.put(frame)
            s.run(f"OLS {' '.join(NAMES)}")
        return time.perf_counter() - start
    return best_of(3, once)


def longley_overhead():
    data = pd.read_csv(os.path.join(ROOT, "tests", "data", "Longley.txt"), sep=r"\s+",
                       header=None, names=["Y", "X1", "X2", "X3", "X4", "X5", "X6"])
    with tarvex.Session() as s:
        s.put(data)
        total, engine = [], []
        for _ in range(200):
            start = time.perf_counter()
            out = s.run("OLS Y X1 X2 X3 X4 X5 X6")
            total.append(time.perf_counter() - start)
            engine.append(out.engine_seconds)
    total, engine = np.array(total), np.array(engine)
    return np.median(total), np.median(engine), np.median(total - engine)


def main():
    frame = large_frame()
    with tempfile.TemporaryDirectory() as directory:
        program = program_seconds(frame, directory)
    session = session_seconds(frame)
    print(f"1,000,000 x 10: program READ + OLS {program:.3f} s, session put + OLS {session:.3f} s,"
          f" difference {session - program:+.3f} s (goal: at most +0.3 s)")
    total, engine, overhead = longley_overhead()
    print(f"Longley OLS: run() {total * 1e3:.3f} ms, engine {engine * 1e3:.3f} ms, "
          f"overhead {overhead * 1e3:.3f} ms (goal: under 2 ms)")


if __name__ == "__main__":
    main()
