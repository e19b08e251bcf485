"""Curves into drawings that ezdxf holds open.

``add_curve`` adds a curve's pieces to an ezdxf layout (model space or a block) as
LWPOLYLINE or SPLINE entities that carry the curve's definition in the same form
``plotwright draw`` writes, so that ``plotwright list`` lists the curve and
``plotwright redraw`` redraws it once the drawing is saved. ezdxf is imported only
by this module.
"""

import ezdxf as _ezdxf  # noqa: F401  (fails early, with ezdxf's own message, without it)

from plotwright import _plotwright

APP_NAME = "PLOTWRIGHT"
XRECORD_NAME = "PLOTWRIGHT_CURVE"

# Extended data holds at most 16 KB per entity; larger definitions go to an XRECORD in
# the entity's extension dictionary, with the same values under other group codes.
_XDATA_LIMIT = 16000
_XRECORD_CODES = {1000: 1, 1040: 40, 1070: 70, 1071: 90}


def _xdata_size(tags):
    return sum(len(str(value).encode("utf-8")) + 8 for _, value in tags)


def _attach(entity, tags):
    if _xdata_size(tags) <= _XDATA_LIMIT:
        entity.set_xdata(APP_NAME, tags)
        return
    xdict = entity.new_extension_dict()
    xrecord = xdict.add_xrecord(XRECORD_NAME)
    xrecord.reset([(_XRECORD_CODES[code], value) for code, value in tags])


def add_curve(layout, curve, origin=(0, 0), tolerance=None, output="polyline", dxfattribs=None):
    """Adds ``curve`` (a plotwright.Curve) to the ezdxf ``layout`` at ``origin``.

    The pieces become LWPOLYLINE (output "polyline" or "arcs") or SPLINE (output
    "spline") entities with ``dxfattribs`` (layer, color, ...), each carrying the
    curve's definition as extended data of the application PLOTWRIGHT, registered
    in the drawing when missing. Returns the new entities, in piece order. Raises
    plotwright.Error as plotwright.draw does.
    """
    doc = layout.doc
    if doc is None:
        raise ValueError("the layout belongs to no document")
    if APP_NAME not in doc.appids:
        doc.appids.new(APP_NAME)
    r2007_or_later = doc.dxfversion >= "AC1021"
    origin = tuple(float(v) for v in origin)
    entities = []
    for piece, elevation, tags in _plotwright._curve_data(curve, origin, tolerance, output, r2007_or_later):
        attribs = dict(dxfattribs or {})
        if piece.kind == "spline":
            # As plotwright writes splines: planar, clamped, tolerances of 1e-10.
            attribs.update(degree=piece.degree, flags=8, knot_tolerance=1e-10, control_point_tolerance=1e-10)
            entity = layout.add_spline(dxfattribs=attribs)
            entity.control_points = [tuple(p) for p in piece.control_points.tolist()]
            entity.knots = piece.knots.tolist()
            if len(piece.fit_points):
                entity.fit_points = [tuple(p) for p in piece.fit_points.tolist()]
                entity.dxf.fit_tolerance = 1e-10
        else:
            attribs.setdefault("elevation", elevation)
            points = [(x, y, 0.0, 0.0, b) for (x, y), b in zip(piece.points.tolist(), piece.bulges.tolist())]
            entity = layout.add_lwpolyline(points, format="xyseb", close=piece.closed, dxfattribs=attribs)
        _attach(entity, tags)
        entities.append(entity)
    return entities
