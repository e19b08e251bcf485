"""Runs every ```python block of a Markdown page, in order, in one fresh temporary
folder (later blocks may use the files earlier ones wrote); fails on the first error."""

import os
import re
import subprocess
import sys
import tempfile


def main(page):
    with open(page, encoding="utf-8") as f:
        blocks = re.findall(r"```python\n(.*?)```", f.read(), re.S)
    if not blocks:
        sys.exit(f"{page}: no python example")
    with tempfile.TemporaryDirectory() as folder:
        for number, block in enumerate(blocks, 1):
            done = subprocess.run([sys.executable, "-c", block], cwd=folder)
            if done.returncode != 0:
                sys.exit(f"{page}: example {number} failed with status {done.returncode}")
    print(f"{len(blocks)} passed, 0 failed")


if __name__ == "__main__":
    main(sys.argv[1])
