#!/usr/bin/python3
"""Prints the report of tests/host/dxf_check.py as lines a C++ test reads easily.

Usage: dxf_lines.py DXF_CHECK_SCRIPT FILE
Lines: "ok 1|0", "error TEXT", "audit TEXT" per audit error, "problem TEXT",
"entity TYPE HANDLE LAYER" per model-space entity, followed for an LWPOLYLINE by
"lwpolyline COUNT CLOSED ELEVATION" and one "vertex X Y" per vertex (floats as repr).
"""
import json
import subprocess
import sys

report = json.loads(subprocess.run([sys.executable, sys.argv[1], sys.argv[2]],
                                   check=True, capture_output=True, text=True).stdout)
print("ok", 1 if report.get("ok") else 0)
if "error" in report:
    print("error", report["error"])
for text in report.get("audit_errors", []):
    print("audit", text)
for text in report.get("handle_problems", []):
    print("problem", text)
for e in report.get("modelspace", []):
    print("entity", e["type"], e["handle"], e["layer"])
    if e["type"] == "LWPOLYLINE":
        print("lwpolyline", e["count"], 1 if e["closed"] else 0, e["elevation"])
        for x, y in e.get("points", []):
            print("vertex", x, y)
