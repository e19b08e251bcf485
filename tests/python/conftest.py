"""Shared set-up of the Python module's tests: the command-line tool to compare with,
test data, and a temporary folder per test (pytest's tmp_path)."""

import math
import os
import subprocess

import pytest

TOOL = os.environ.get("PLOTWRIGHT_CLI", "plotwright")
DATA = os.environ.get("PLOTWRIGHT_TEST_DATA", os.path.join(os.path.dirname(__file__), "..", "data"))


def csv_runs(text):
    """The runs of finite points of `plotwright sample` CSV output (nan lines split)."""
    runs, run = [], []
    for line in text.splitlines():
        values = [float(v) for v in line.split(",")]
        if all(math.isfinite(v) for v in values):
            run.append(values)
        elif run:
            runs.append(run)
            run = []
    if run:
        runs.append(run)
    return runs


def run_tool(*args, check=True):
    """Runs the command-line tool; returns (exit status, stdout, stderr)."""
    done = subprocess.run([TOOL, *args], capture_output=True, text=True)
    if check and done.returncode != 0:
        raise AssertionError(f"plotwright {' '.join(args)} exited {done.returncode}: {done.stderr}")
    return done.returncode, done.stdout, done.stderr


@pytest.fixture
def tool():
    return run_tool
