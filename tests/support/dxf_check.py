#!/usr/bin/python3
"""Checks a DXF file with an independent reader (ezdxf) and prints a JSON report.

Usage: dxf_check.py FILE [--no-points] [--text]

Report: {"ok", "error", "version", "audit_errors", "audit_fixes", "handseed",
"handle_problems", "modelspace": [entity...], "paperspace": [entity...]}. Every float
is a repr() string, so a caller compares the exact double. Polylines list their
vertices as [x, y] (LWPOLYLINE) or [x, y, z] (POLYLINE).

--text prints the same as lines that are easy to read without a JSON parser:
"ok 1", "error TEXT", "version AC1015", "audit_error TEXT", "handle_problem TEXT",
"handseed HEX", then per entity "entity SPACE TYPE HANDLE LAYER key=value..." followed
by one "vertex X Y [Z]" line per vertex.
"""
import json
import sys

import ezdxf


def r(value):
    return repr(float(value))


def raw_handles(path):
    """Handles of the file by a plain scan of its pairs: (handles, $HANDSEED)."""
    with open(path, "rb") as f:
        lines = f.read().decode("latin-1").splitlines()
    handles, seed = [], None
    section, entry, variable = None, None, None
    for i in range(0, len(lines) - 1, 2):
        code, value = int(lines[i].strip()), lines[i + 1]
        if code == 0:
            entry = value.strip()
            if entry == "SECTION":
                section = None
            continue
        if code == 2 and entry == "SECTION":
            section = value.strip()
            continue
        if section == "HEADER":
            if code == 9:
                variable = value.strip()
            elif code == 5 and variable == "$HANDSEED":
                seed = int(value.strip(), 16)
            continue
        # DIMSTYLE entries carry their handle in 105; their 5 is an old block name.
        if code == 105 or (code == 5 and entry != "DIMSTYLE"):
            handles.append(int(value.strip(), 16))
    return handles, seed


def entity_report(e, points):
    out = {"type": e.dxftype(), "handle": e.dxf.handle, "layer": e.dxf.layer}
    if e.dxftype() == "LWPOLYLINE":
        out["closed"] = bool(e.closed)
        out["elevation"] = r(e.dxf.elevation)
        out["count"] = len(e)
        out["owner"] = e.dxf.owner
        if points:
            out["points"] = [[r(x), r(y)] for x, y, *_ in e.get_points("xy")]
            out["bulges"] = [r(b) for *_, b in e.get_points("xyb")]
    elif e.dxftype() == "POLYLINE":
        out["closed"] = bool(e.is_closed)
        out["count"] = len(e.vertices)
        if points:
            out["points"] = [[r(v.dxf.location.x), r(v.dxf.location.y), r(v.dxf.location.z)] for v in e.vertices]
    elif e.dxftype() == "LINE":
        out["points"] = [[r(c) for c in e.dxf.start], [r(c) for c in e.dxf.end]]
    return out


def print_text(report):
    print("ok %d" % (1 if report["ok"] else 0))
    if "error" in report:
        print("error " + report["error"].replace("\n", " "))
        return
    print("version " + report["version"])
    for message in report["audit_errors"]:
        print("audit_error " + message.replace("\n", " "))
    for message in report["handle_problems"]:
        print("handle_problem " + message)
    print("handseed %s" % report["handseed"])
    for space in ("modelspace", "paperspace"):
        for e in report[space]:
            keys = " ".join("%s=%s" % (k, e[k]) for k in ("closed", "elevation", "count", "owner") if k in e)
            print("entity %s %s %s %s %s" % (space, e["type"], e["handle"], e["layer"], keys))
            for p in e.get("points", []):
                print("vertex " + " ".join(p))


def main():
    path = sys.argv[1]
    points = "--no-points" not in sys.argv
    report = {"ok": False}
    emit = print_text if "--text" in sys.argv else (lambda rep: print(json.dumps(rep)))
    try:
        doc = ezdxf.readfile(path, errors="strict")
    except Exception as exc:  # the report names every failure
        report["error"] = "%s: %s" % (type(exc).__name__, exc)
        emit(report)
        return
    auditor = doc.audit()
    report["version"] = doc.dxfversion
    report["audit_errors"] = [str(err.message) for err in auditor.errors]
    report["audit_fixes"] = [str(fix.message) for fix in auditor.fixes]
    handles, seed = raw_handles(path)
    problems = []
    if len(set(handles)) != len(handles):
        problems.append("duplicate handles")
    if handles and seed is not None and max(handles) >= seed:
        problems.append("handle %X not below $HANDSEED %X" % (max(handles), seed))
    report["handseed"] = None if seed is None else "%X" % seed
    report["handle_problems"] = problems
    report["modelspace"] = [entity_report(e, points) for e in doc.modelspace()]
    report["paperspace"] = [entity_report(e, points) for e in doc.layouts.active_layout()]
    report["ok"] = not report["audit_errors"] and not problems
    emit(report)


if __name__ == "__main__":
    main()
