"""Sampling 1,000,001 points from Python against the core's time for the same curve,
measured in the same run: runs bench_core_sample (Google Benchmark) and times
plotwright's Curve.sample, then prints both and their ratio. Processor time, not wall
time, so that other work on the machine does not decide the ratio (both run on one
thread).

    PYTHONPATH=build/default/python python3 bench/python/python_sample_bench.py \
        build/default/bench/python/bench_core_sample
"""

import json
import statistics
import subprocess
import sys
import time

import plotwright


def core_ms(program):
    out = subprocess.run([program, "--benchmark_format=json", "--benchmark_repetitions=5"],
                         capture_output=True, text=True, check=True).stdout
    runs = [b for b in json.loads(out)["benchmarks"] if b.get("run_type") == "iteration"]
    return statistics.median(b["cpu_time"] for b in runs)


def python_ms(repetitions=9):
    curve = plotwright.Curve.explicit("sin(x/1000)*100+x/50").with_range(0, 100000, 0.1)
    times = []
    for _ in range(repetitions):
        started = time.process_time()
        runs = curve.sample()
        times.append((time.process_time() - started) * 1000)
    assert sum(len(r) for r in runs) == 1000001
    return statistics.median(times)


def main(program):
    core = core_ms(program)
    python = python_ms()
    core_again = core_ms(program)
    core = min(core, core_again)
    print(f"core   {core:8.2f} ms per 1,000,001 samples")
    print(f"python {python:8.2f} ms per 1,000,001 samples")
    print(f"ratio  {python / core:8.3f} (target <= 1.2)")


if __name__ == "__main__":
    main(sys.argv[1])
