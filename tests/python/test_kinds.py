"""Space and implicit curves from Python: the same points as the command-line tool,
3-D pieces for space curves, an implicit curve's window changed as a copy."""

import math
import struct

import numpy
import pytest

import plotwright
from conftest import csv_runs, run_tool


@pytest.mark.parametrize("curve, args", [
    (plotwright.Curve.space("cos(t)", "sin(t)", "t/4").with_range(0, 6, 0.25),
     ["--space", "cos(t)", "sin(t)", "t/4", "--range", "0:6:0.25"]),
    (plotwright.Curve.implicit("x^2/4+y^2-1", (-3, 3, -2, 2), grid=60),
     ["--implicit", "x^2/4+y^2-1", "--window", "-3:3,-2:2", "--grid", "60"]),
])
def test_sample_equals_the_tool_bit_for_bit(curve, args):
    runs = curve.sample(tolerance=1e-3)
    _, out, _ = run_tool("sample", *args, "--tolerance", "0.001")
    expected = csv_runs(out)
    assert len(runs) == len(expected)
    for got, want in zip(runs, expected):
        assert [struct.pack("<d", v) for v in got.ravel()] == [struct.pack("<d", v) for row in want for v in row]


def test_kinds_expressions_and_window():
    space = plotwright.Curve.space("a*cos(t)", "a*sin(t)", "t").with_constants(a=2)
    assert space.kind == "space"
    assert space.expressions == ("a*cos(t)", "a*sin(t)", "t")
    assert space.window is None
    implicit = plotwright.Curve.implicit("x^2+y^2-r^2", (-2, 2, -2, 2)).with_constants(r=1)
    assert implicit.kind == "implicit"
    assert implicit.window == (-2, 2, -2, 2, 200)
    moved = implicit.with_window((0, 2, -2, 2), grid=40)
    assert moved.window == (0, 2, -2, 2, 40)
    assert implicit.window == (-2, 2, -2, 2, 200)
    with pytest.raises(plotwright.Error, match="only an implicit curve has a window"):
        space.with_window((0, 1, 0, 1))
    with pytest.raises(plotwright.Error, match="the window.s xmin 1 is not below its xmax 1"):
        plotwright.Curve.implicit("x-y", (1, 1, 0, 1)).sample()


def test_space_pieces_keep_z_and_implicit_pieces_close():
    helix = plotwright.Curve.space("cos(t)", "sin(t)", "t").with_range(0, 4 * math.pi, math.pi / 8)
    pieces = helix.shape(tolerance=1e-3, origin=(0, 0, 5))
    assert len(pieces) == 1 and pieces[0].points.shape[1] == 3
    assert pieces[0].points[0][2] == 5 and abs(pieces[0].points[-1][2] - (5 + 4 * math.pi)) < 1e-12
    circle = plotwright.Curve.implicit("x^2+y^2-1", (-2, 2, -2, 2))
    pieces = circle.shape(tolerance=1e-4)
    assert len(pieces) == 1 and pieces[0].closed
    radii = numpy.hypot(pieces[0].points[:, 0], pieces[0].points[:, 1])
    assert numpy.all(numpy.abs(radii - 1) <= 1e-5)
