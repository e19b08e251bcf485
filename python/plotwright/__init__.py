"""Plotwright: mathematical curves for DXF drawings.

Take a curve from a library or write one, sample it or shape it into polylines,
arcs or splines, and add it to a DXF file where it stays editable::

    import plotwright
    cycloid = plotwright.library()["Cycloid"].with_constants(a=2)
    plotwright.draw("out.dxf", cycloid, origin=(10, 0), tolerance=0.01, output="arcs")
    print(plotwright.list_curves("out.dxf"))

plotwright.ezdxf adds curves to drawings that ezdxf holds open.
"""

import json as _json

from plotwright._errors import Error
from plotwright._pieces import Piece
from plotwright._plotwright import Curve, Library, __version__, draw, library, redraw

__all__ = ["Curve", "Error", "Library", "Piece", "__version__", "draw", "library", "list_curves", "redraw"]


def list_curves(path):
    """The curves drawn into the DXF file ``path``.

    A list of dicts with the fields and values of ``plotwright list --format json``:
    id, handles, name, kind, expressions, parameters, origin, drawing options, state.
    """
    return _json.loads(_plotwright._list_curves_json(path))


from plotwright import _plotwright  # noqa: E402  (for list_curves)
