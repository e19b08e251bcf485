"""Drawings from Python: draw, list_curves and redraw as the command-line tool does
them, and the ezdxf bridge, checked by the tool and by ezdxf's audit."""

import json
import os
import shutil
import signal
import subprocess
import sys
import textwrap
import time

import ezdxf
import pytest

import plotwright
import plotwright.ezdxf as bridge
from conftest import DATA, run_tool


def audit_clean(path):
    doc = ezdxf.readfile(path)
    auditor = doc.audit()
    assert not auditor.has_errors, [str(e) for e in auditor.errors]
    return doc


def test_draw_creates_a_drawing_the_tool_lists(tmp_path):
    path = str(tmp_path / "new.dxf")
    cycloid = plotwright.library()["Cycloid"].with_constants(a=2)
    handles = plotwright.draw(path, cycloid, origin=(10, 5), tolerance=0.01, output="arcs", layer="CUT")
    assert handles and all(isinstance(h, str) for h in handles)
    curves = plotwright.list_curves(path)
    _, out, _ = run_tool("list", path, "--format", "json")
    assert curves == json.loads(out)
    assert curves[0]["handles"] == handles
    doc = audit_clean(path)
    assert all(doc.entitydb[h].dxf.layer == "CUT" for h in handles)


def test_draw_adds_to_a_drawing_of_another_program_and_keeps_it(tmp_path):
    source = os.path.join(DATA, "golden", "in", "other_r2018.dxf")
    path = str(tmp_path / "other.dxf")
    shutil.copy(source, path)
    before = {e.dxf.handle for e in ezdxf.readfile(path).modelspace()}
    plotwright.draw(path, plotwright.Curve.polar("1+cos(t)"))
    after = {e.dxf.handle for e in audit_clean(path).modelspace()}
    assert before < after


def test_draw_into_a_file_without_room_for_definitions_warns(tmp_path):
    path = tmp_path / "bare.dxf"
    path.write_text("  0\nSECTION\n  2\nENTITIES\n  0\nENDSEC\n  0\nEOF\n")
    with pytest.warns(UserWarning, match="not their definitions"):
        handles = plotwright.draw(str(path), plotwright.library()["Cycloid"])
    assert handles and plotwright.list_curves(str(path)) == []


def test_draw_failures_raise_and_leave_no_file(tmp_path):
    path = tmp_path / "never.dxf"
    with pytest.raises(plotwright.Error) as caught:
        plotwright.draw(str(path), plotwright.Curve.explicit("sin(x"))
    assert caught.value.message.startswith("Error in equation")
    assert not path.exists()


def test_redraw_replaces_the_curve_in_place(tmp_path):
    path = str(tmp_path / "redraw.dxf")
    first = plotwright.draw(path, plotwright.library()["Deltoid"], layer="A")
    new = plotwright.redraw(path, first[0], constants={"b": 3}, range=(0, 6.28, 0.05))
    assert new and set(new).isdisjoint(first)
    curves = plotwright.list_curves(path)
    assert len(curves) == 1 and curves[0]["handles"] == new
    b = next(p for p in curves[0]["parameters"] if p["name"] == "b")
    assert b["value"] == 3
    audit_clean(path)


def test_redraw_of_a_missing_curve_raises(tmp_path):
    path = str(tmp_path / "one.dxf")
    plotwright.draw(path, plotwright.library()["Cycloid"])
    with pytest.raises(plotwright.Error) as caught:
        plotwright.redraw(path, "FFFFFF")
    assert "FFFFFF" in caught.value.message


@pytest.mark.parametrize("output", ["polyline", "arcs", "spline"])
def test_ezdxf_bridge_round_trip(tmp_path, output):
    path = str(tmp_path / f"bridge_{output}.dxf")
    doc = ezdxf.new("R2018")
    msp = doc.modelspace()
    msp.add_line((0, 0), (10, 0), dxfattribs={"layer": "KEEP"})
    spiral = plotwright.Curve.polar("a*t").with_constants(a=0.5).with_range(0, 12, 0.05)
    added = bridge.add_curve(msp, spiral, origin=(3, 4), tolerance=0.01, output=output,
                             dxfattribs={"layer": "SPIRAL"})
    assert added and all(e.dxf.layer == "SPIRAL" for e in added)
    doc.saveas(path)

    listed = plotwright.list_curves(path)
    assert len(listed) == 1 and listed[0]["handles"] == [e.dxf.handle for e in added]
    new = plotwright.redraw(path, listed[0]["id"], constants={"a": 0.75})
    assert len(new) >= 1
    doc = audit_clean(path)
    assert any(e.dxftype() == "LINE" and e.dxf.layer == "KEEP" for e in doc.modelspace())
    assert all(doc.entitydb[h].dxf.layer == "SPIRAL" for h in new)


def test_ctrl_c_interrupts_a_long_sample_quickly(tmp_path):
    script = textwrap.dedent("""
        import sys, time, plotwright
        curve = plotwright.Curve.explicit(
            "sin(x)+sin(x/2)+sin(x/3)+sin(x/4)+sin(x/5)+sin(x/6)+sin(x/7)+sin(x/8)").with_range(0, 999999, 0.1)
        print("ready", flush=True)
        started = time.monotonic()
        try:
            curve.sample()
        except KeyboardInterrupt:
            print("interrupted", flush=True)
        """)
    proc = subprocess.Popen([sys.executable, "-c", script], stdout=subprocess.PIPE, text=True,
                            env=dict(os.environ))
    assert proc.stdout.readline().strip() == "ready"
    time.sleep(0.2)
    sent = time.monotonic()
    proc.send_signal(signal.SIGINT)
    out = proc.stdout.readline().strip()
    took = time.monotonic() - sent
    proc.wait(timeout=10)
    assert out == "interrupted"
    assert took < 0.2


def test_placement_and_offset_are_drawn_kept_and_changed_as_the_tool_does(tmp_path):
    path, fresh = str(tmp_path / "placed.dxf"), str(tmp_path / "fresh.dxf")
    epicycloid = plotwright.library()["Epicycloid"].with_constants(b=2.5)
    first = plotwright.draw(path, epicycloid, tolerance=0.05, rotate=30, scale=2, mirror=True, offset=1)
    options = plotwright.list_curves(path)[0]["options"]
    assert (options["rotation"], options["scale"], options["mirror"], options["offset"]) == (30, 2, True, 1)
    new = plotwright.redraw(path, first[0], rotate=45, offset=0.5, offset_both=True)
    assert len(new) == 2
    run_tool("draw", "Epicycloid", "--set", "b=2.5", "--tolerance", "0.05", "--rotate", "45", "--scale", "2",
             "--mirror", "--offset-both", "0.5", "--out", fresh)
    def vertices(p):
        return [[tuple(v) for v in e.get_points("xyb")] for e in audit_clean(p).modelspace()]
    assert vertices(path) == vertices(fresh)
    with pytest.raises(plotwright.Error) as caught:
        plotwright.draw(path, plotwright.Curve.parametric("5*cos(t)", "5*sin(t)"), offset=6)
    assert "leaves nothing" in caught.value.message
