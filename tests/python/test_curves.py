"""Curves, libraries and sampling from Python, checked against the command-line tool."""

import math
import struct

import numpy
import pytest

import plotwright
from conftest import csv_runs, run_tool


def bits(values):
    return [struct.pack("<d", v) for v in values]


def test_version_is_the_projects():
    code, out, _ = run_tool("--version")
    assert plotwright.__version__ in out


@pytest.mark.parametrize("source", ["default", "gallery"])
def test_library_lists_names_in_order_and_gives_curves(source):
    lib = plotwright.library(source)
    _, out, _ = run_tool("curves", *([] if source == "default" else ["--library", "gallery"]))
    assert lib.names() == out.splitlines()
    first = lib[lib.names()[0]]
    assert first.name == lib.names()[0]
    with pytest.raises(KeyError):
        lib["no such curve"]


def test_library_file_that_cannot_be_read_raises_error(tmp_path):
    with pytest.raises(plotwright.Error) as caught:
        plotwright.library(str(tmp_path / "missing.xml"))
    assert "missing.xml" in caught.value.message


CASES = [
    # (curve, sample keywords, command-line arguments)
    ("Cycloid", {}, ["Cycloid"]),
    ("Epicycloid", {"tolerance": 0.01}, ["Epicycloid", "--tolerance", "0.01"]),
    ("Deltoid", {"literal_steps": True}, ["Deltoid", "--literal-steps"]),
]


@pytest.mark.parametrize("name,keywords,args", CASES)
def test_sample_equals_the_tool_bit_for_bit(name, keywords, args):
    runs = plotwright.library()[name].sample(**keywords)
    _, out, _ = run_tool("sample", *args)
    expected = csv_runs(out)
    assert len(runs) == len(expected)
    for run, want in zip(runs, expected):
        assert run.shape == (len(want), 3) and run.dtype == numpy.float64
        assert bits(run.ravel().tolist()) == bits(numpy.array(want).ravel().tolist())


def test_sample_breaks_where_the_curve_is_not_finite():
    runs = plotwright.Curve.explicit("1/x").with_range(-1, 1, 0.5).sample()
    assert [len(r) for r in runs] == [2, 2]
    _, out, _ = run_tool("sample", "--explicit", "1/x", "--range", "-1:1:0.5")
    assert [len(r) for r in csv_runs(out)] == [2, 2]


def test_typed_curves_have_kind_expressions_and_range():
    rows = [
        (plotwright.Curve.explicit("x^2"), "explicit", ("x^2",)),
        (plotwright.Curve.parametric("cos(t)", "sin(t)"), "parametric", ("cos(t)", "sin(t)")),
        (plotwright.Curve.polar("1+cos(t)"), "polar", ("1+cos(t)",)),
    ]
    for curve, kind, expressions in rows:
        assert (curve.kind, curve.expressions, curve.range, curve.name) == (kind, expressions, (0, 10, 0.1), "")


def test_with_constants_and_range_return_copies_and_keep_the_original():
    cycloid = plotwright.library()["Cycloid"]
    changed = cycloid.with_constants(a=2.5).with_range(0, 3, 0.5)
    assert changed.constants["a"] == 2.5 and changed.range == (0, 3, 0.5)
    assert cycloid.constants["a"] != 2.5 and cycloid.range != (0, 3, 0.5)


def test_typed_curve_takes_constants_its_expressions_use():
    circle = plotwright.Curve.parametric("a*cos(t)", "a*sin(t)").with_constants(a=5)
    assert circle.constants == {"a": 5}
    _, out, _ = run_tool("sample", "--parametric", "a*cos(t)", "a*sin(t)", "--set", "a=5")
    assert bits(numpy.concatenate(circle.sample()).ravel().tolist()) == bits(
        numpy.array(csv_runs(out)[0]).ravel().tolist())


@pytest.mark.parametrize("make,message", [
    (lambda: plotwright.library()["Cycloid"].with_constants(zz=1), 'no constant'),
    (lambda: plotwright.Curve.explicit("x").with_constants(x=1), "running variable"),
    (lambda: plotwright.Curve.explicit("x").with_constants(q=1), "no constant"),
])
def test_constants_that_do_not_exist_raise(make, message):
    with pytest.raises(plotwright.Error) as caught:
        make()
    assert message in caught.value.message


def test_value_outside_bounds_raises_with_the_tools_first_line():
    lib = plotwright.library("gallery")
    bounded = next(lib[n] for n in lib.names()
                   if any(True for _ in lib[n].constants))
    name = next(iter(bounded.constants))
    with pytest.raises(plotwright.Error) as caught:
        bounded.with_constants(**{name: 1e300})
    assert caught.value.message.splitlines()[0] == "Invalid parameter(s) provided!"
    assert isinstance(caught.value, ValueError)


@pytest.mark.parametrize("expression,position", [("sin(x", 5), ("x*1,5", 3), ("2+*x", 2)])
def test_errors_in_expressions_carry_the_character(expression, position):
    with pytest.raises(plotwright.Error) as caught:
        plotwright.Curve.explicit(expression).sample()
    error = caught.value
    assert error.message.splitlines()[0] == "Error in equation"
    code, _, err = run_tool("sample", "--explicit", expression, check=False)
    assert code == 2
    assert error.message.splitlines()[1] in err
    assert error.position is not None and abs(error.position - position) <= 1


@pytest.mark.parametrize("output,kind", [("polyline", "polyline"), ("arcs", "polyline"), ("spline", "spline")])
def test_shape_gives_pieces_of_the_output_kind(output, kind):
    pieces = plotwright.library()["Cycloid"].shape(tolerance=0.01, output=output, origin=(5, 7))
    assert pieces and all(p.kind == kind for p in pieces)
    piece = pieces[0]
    if kind == "polyline":
        assert piece.points.shape[1] == 2 and piece.bulges.shape == (len(piece.points),)
        assert piece.points[0].tolist() == pytest.approx([5, 7])
        assert (output == "arcs") == bool(numpy.any(piece.bulges != 0))
    else:
        assert piece.degree == 3 and piece.control_points.shape[1] == 3
        assert len(piece.knots) == len(piece.control_points) + piece.degree + 1


def test_closed_curve_shapes_closed():
    pieces = plotwright.Curve.parametric("cos(t)", "sin(t)").with_range(0, 2 * math.pi, 0.01).shape()
    assert len(pieces) == 1 and pieces[0].closed
