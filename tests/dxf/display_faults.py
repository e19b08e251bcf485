# Makes one drawing for a case of how real drawings are drawn (argv[1]), saves it to
# argv[2], and prints what ezdxf computes for each model-space entity, in the lines
# display_kinds.py prints (P paths, T texts, H not drawn).
import math
import sys

import ezdxf
from ezdxf import path as ezpath
from ezdxf.math import Matrix44, Vec3
from ezdxf.render import hatching
from ezdxf.render.linetypes import LineTypeRenderer

case, out = sys.argv[1], sys.argv[2]
doc = ezdxf.new("R2018", setup=True)
msp = doc.modelspace()


def fixture():
    """A block as a mirrored plan would hold it: off its base point, not symmetric."""
    block = doc.blocks.new("Bath", base_point=(1, 0))
    block.add_lwpolyline([(0, 0), (4, 0), (4, 2), (0, 2)], close=True)
    block.add_circle((3, 1), 0.5)
    block.add_arc((1, 1), 0.6, 90, 270)
    return block


def mirrored_insert():
    fixture()
    msp.add_lwpolyline([(0, 0), (20, 0), (20, 10), (0, 10)], close=True)
    # Mirrored about the y axis: the insertion point is in the reference's OCS, whose
    # x axis points the other way.
    msp.add_blockref("Bath", (-15, 2), dxfattribs={"extrusion": (0, 0, -1), "rotation": 10})
    msp.add_blockref("Bath", (-5, 6), dxfattribs={"extrusion": (0, 0, -1), "xscale": 0.5, "yscale": 0.5})


def tilted_insert():
    fixture()
    msp.add_line((0, 0), (10, 0))
    msp.add_blockref("Bath", (3, 4, 1), dxfattribs={"extrusion": (0.3, -0.2, 0.9), "rotation": 30})


def pattern_hatch():
    msp.add_line((0, 0), (0, 0.001))
    for k, (name, scale, angle) in enumerate([("ANSI31", 0.5, 0), ("ANSI37", 0.4, 15), ("BRICK", 0.1, 30),
                                              ("DOTS", 0.5, 0)]):
        x = 12 * k
        hatch = msp.add_hatch(color=k + 1)
        hatch.set_pattern_fill(name, scale=scale, angle=angle)
        hatch.paths.add_polyline_path([(x, 0), (x + 10, 0), (x + 10, 8), (x + 5, 10), (x, 8)], is_closed=True)
        hatch.paths.add_polyline_path([(x + 3, 3), (x + 6, 3), (x + 6, 5), (x + 3, 5)], is_closed=True)


def edge_hatch():
    # A solid fill bounded by edges in no particular direction: a clockwise arc, and a
    # line listed end first.
    hatch = msp.add_hatch(color=3)
    edges = hatch.paths.add_edge_path()
    edges.add_line((0, 0), (10, 0))
    edges.add_arc((10, 5), radius=5, start_angle=90, end_angle=270, ccw=False)
    edges.add_line((0, 10), (10, 10))
    edges.add_line((0, 10), (0, 0))
    # Elliptic edges store angles seen from the centre, not parameters.
    for k, ccw in enumerate((True, False)):
        hatch = msp.add_hatch(color=4)
        edges = hatch.paths.add_edge_path()
        arc = edges.add_ellipse((30, 5 + 10 * k), major_axis=(6, 2), ratio=0.4, start_angle=20, end_angle=250, ccw=ccw)
        tool = arc.construction_tool()
        edges.add_line(tool.end_point, tool.start_point)


def spline_edge_hatch():
    # A fill bounded by a spline edge that is followed by more edges: newer files give
    # the spline's fit data (97, here none) before the next edge.
    hatch = msp.add_hatch(color=2)
    edges = hatch.paths.add_edge_path()
    edges.add_line((10, 8), (0, 8))
    edges.add_line((0, 8), (0, 0))
    edges.add_spline(control_points=[(0, 0), (3, 3), (6, -2), (8, 0)], degree=3,
                     knot_values=[2, 2, 2, 2, 7, 7, 7, 7])
    edges.add_line((8, 0), (10, 0))
    edges.add_line((10, 0), (10, 8))


def visibility():
    doc.layers.add("Off").off()
    doc.layers.add("Frozen").freeze()
    doc.layers.add("Walls")
    mixed = doc.blocks.new("Mixed")
    mixed.add_line((0, 0), (5, 0))
    mixed.add_circle((2, 2), 1, dxfattribs={"layer": "Walls"})
    msp.add_line((0, 0), (10, 5))
    hidden = msp.add_line((0, 10), (10, 10), dxfattribs={"invisible": 1})
    INVISIBLE.append(hidden.dxf.handle)
    msp.add_blockref("Mixed", (20, 0), dxfattribs={"layer": "Off"})
    msp.add_blockref("Mixed", (40, 0), dxfattribs={"layer": "Frozen"})
    msp.add_blockref("Mixed", (60, 0))
    msp.add_point((5, 5), dxfattribs={"layer": "Defpoints"})
    msp.add_line((0, -50), (500, -50), dxfattribs={"layer": "DEFPOINTS"})


def spline_without_knots():
    # Control points only: the knots are uniform and clamped at both ends.
    spline = msp.add_open_spline([(0, 0), (2, 6), (6, -2), (10, 4), (12, 0)], degree=3)
    spline.knots = []
    closed = msp.add_open_spline([(20, 0), (22, 6), (26, -2), (30, 4)], degree=2)
    closed.knots = []


def linetypes():
    doc.header["$LTSCALE"] = 0.5
    doc.layers.add("Hidden", linetype="DIVIDE")
    msp.add_line((0, 0), (20, 0), dxfattribs={"linetype": "DASHED"})
    # (CENTER2 and PHANTOM2: ezdxf's simplified CENTER and PHANTOM patterns have an odd
    # number of elements, which turns its dashes into gaps every other period.)
    msp.add_line((0, 2), (20, 7), dxfattribs={"linetype": "CENTER2", "ltscale": 2})
    msp.add_line((0, 10), (20, 10), dxfattribs={"linetype": "DOT"})
    msp.add_arc((30, 5), 4, 20, 340, dxfattribs={"layer": "Hidden"})
    msp.add_lwpolyline([(40, 0), (50, 0), (50, 8), (42, 10)], close=True, dxfattribs={"linetype": "DASHDOT"})
    msp.add_line((0, 14), (20, 14), dxfattribs={"linetype": "Continuous"})
    block = doc.blocks.new("Dashed")
    block.add_line((0, 0), (6, 0), dxfattribs={"linetype": "BYBLOCK"})
    block.add_arc((0, 0), 3, 0, 180, dxfattribs={"linetype": "DASHED"})
    msp.add_blockref("Dashed", (60, 0), dxfattribs={"linetype": "PHANTOM2", "xscale": 2, "yscale": 2})


def meshes():
    face = msp.add_polyface()
    face.append_face([(0, 0, 0), (4, 0, 0), (4, 4, 1)])
    face.append_face([(4, 4, 1), (0, 4, 0), (0, 0, 0), (-2, 2, 0)])
    mesh = msp.add_mesh()
    with mesh.edit_data() as data:
        data.vertices = [(10, 0, 0), (14, 0, 0), (14, 4, 0), (10, 4, 2), (12, 6, 0)]
        data.faces = [(0, 1, 2, 3), (3, 2, 4)]


def multilines():
    msp.add_mline([(0, 0), (10, 0), (10, 6), (3, 9)])
    msp.add_mline([(20, 0), (26, 0), (26, 5)], close=True, dxfattribs={"scale_factor": 2})


def attribute_definitions():
    msp.add_attdef("ROOM", (0, 0), dxfattribs={"height": 2})
    msp.add_attdef("AREA", (0, 5), dxfattribs={"height": 1, "flags": 1})
    block = doc.blocks.new("Tagged")
    block.add_circle((0, 0), 1)
    block.add_attdef("HIDDEN", (1, 1))
    msp.add_blockref("Tagged", (10, 0))


def hidden_face_edges():
    for k, flags in enumerate((1, 2 | 8, 5)):
        x = 6 * k
        msp.add_3dface([(x, 0), (x + 4, 0), (x + 4, 4), (x, 4)], dxfattribs={"invisible": flags})
    msp.add_3dface([(20, 0), (24, 0), (22, 4), (22, 4)], dxfattribs={"invisible": 8})


def mirrored_text():
    # Seen from below (normal 0,0,-1) and through a block mirrored by a negative scale.
    msp.add_text("Below", dxfattribs={"height": 2, "extrusion": (0, 0, -1)}).set_pos((-10, 5))
    block = doc.blocks.new("Label")
    block.add_text("Mirrored", dxfattribs={"height": 1}).set_pos((1, 0))
    msp.add_blockref("Label", (20, 0), dxfattribs={"xscale": -1})


CASES = {f.__name__: f for f in (mirrored_text, spline_edge_hatch, hidden_face_edges, mirrored_insert, tilted_insert, pattern_hatch, edge_hatch, visibility,
                                 spline_without_knots, linetypes, meshes, multilines, attribute_definitions)}
INVISIBLE = []
CASES[case]()
doc.saveas(out)
# ezdxf 0.18 keeps the invisible flag (60) but does not write it: put it in after the
# entity's layer.
if INVISIBLE:
    with open(out) as f:
        text = f.read()
    for handle in INVISIBLE:
        start = text.index("\n  5\n%s\n" % handle)
        layer = text.index("\n  8\n", start)
        end = text.index("\n", layer + 5)
        text = text[:end] + "\n 60\n1" + text[end:]
    with open(out, "w") as f:
        f.write(text)


def flat(p, m):
    if m is not None:
        p = p.transform(m)
    return " ".join("%r,%r" % (v.x, v.y) for v in p.flattening(0.001))


def lines(pairs, m):
    found = []
    for s, e in pairs:
        s, e = Vec3(s), Vec3(e)
        if m is not None:
            s, e = m.transform(s), m.transform(e)
        found.append("%r,%r %r,%r" % (s.x, s.y, e.x, e.y))
    return found


# Whether `e` is drawn: entities on layer 0 of a block take the reference's layer;
# invisible ones and the definition points of dimensions never show; a reference on a
# layer that is off still shows its contents on other layers.
def shown(e, outer_layer=None):
    layer = e.dxf.layer
    if layer == "0" and outer_layer:
        layer = outer_layer
    # (A 3DFACE's "invisible" is its hidden edges, 70.)
    hidden = e.dxftype() != "3DFACE" and e.dxf.get("invisible", 0) == 1
    if hidden or layer.upper() == "DEFPOINTS":
        return False
    state = doc.layers.get(layer)
    return not state.is_frozen() and (e.dxftype() == "INSERT" or not state.is_off())


# The dash pattern of `e` in world units: its linetype (its layer's for ByLayer, the
# reference's for ByBlock), times $LTSCALE, its own scale and the blocks' scale.
def pattern(e, m, outer_layer, outer_linetype):
    name = e.dxf.get("linetype", "BYLAYER").upper()
    if name == "BYLAYER":
        layer = e.dxf.layer if e.dxf.layer != "0" or not outer_layer else outer_layer
        name = doc.layers.get(layer).dxf.get("linetype", "CONTINUOUS").upper()
    elif name == "BYBLOCK":
        name = (outer_linetype or "CONTINUOUS").upper()
    if name == "CONTINUOUS" or name not in doc.linetypes:
        return None
    dashes = doc.linetypes.get(name).simplified_line_pattern()
    if len(dashes) < 2:
        return None
    scale = doc.header.get("$LTSCALE", 1.0) * e.dxf.get("ltscale", 1.0)
    if m is not None:
        scale *= m.transform_direction((1, 0, 0)).magnitude
    return [d * scale for d in dashes]


def dashed(p, m, dashes):
    if m is not None:
        p = p.transform(m)
    renderer = LineTypeRenderer(dashes)
    return ["%r,%r %r,%r" % (s.x, s.y, e.x, e.y) for s, e in renderer.line_segments(p.flattening(0.001))]


def paths(e, m=None, outer_layer=None, outer_linetype=None):
    kind = e.dxftype()
    if kind == "INSERT":
        inner = e.matrix44() if m is None else e.matrix44() @ m
        layer = e.dxf.layer if e.dxf.layer != "0" or not outer_layer else outer_layer
        linetype = e.dxf.get("linetype", "BYLAYER")
        for child in doc.blocks[e.dxf.name]:
            if shown(child, layer):
                yield from paths(child, inner, layer, linetype)
    elif kind == "ATTDEF":
        return
    elif kind == "3DFACE":
        # Bit k of 70 hides the edge from corner k to the next.
        corners = [e.dxf.vtx0, e.dxf.vtx1, e.dxf.vtx2, e.dxf.vtx3]
        for k in range(4):
            a, b = corners[k], corners[(k + 1) % 4]
            if not e.dxf.invisible & (1 << k) and not a.isclose(b):
                m_a, m_b = (a, b) if m is None else (m.transform(a), m.transform(b))
                yield "%r,%r %r,%r" % (m_a.x, m_a.y, m_b.x, m_b.y)
    elif kind == "POLYLINE" and e.is_poly_face_mesh:
        for face in e.faces():
            corners = [v.dxf.location for v in face[:-1]]
            yield " ".join("%r,%r" % (v.x, v.y) for v in corners + corners[:1])
    elif kind == "MESH":
        for face in e.faces:
            corners = [e.vertices[i] for i in face]
            yield " ".join("%r,%r" % (v[0], v[1]) for v in corners + corners[:1])
    elif kind == "MLINE":
        for line in e.virtual_entities():
            if line.dxftype() == "LINE":
                yield "%r,%r %r,%r" % (line.dxf.start.x, line.dxf.start.y, line.dxf.end.x, line.dxf.end.y)
    elif kind in ("LINE", "CIRCLE", "ARC", "LWPOLYLINE") and pattern(e, m, outer_layer, outer_linetype):
        yield from dashed(ezpath.make_path(e), m, pattern(e, m, outer_layer, outer_linetype))
    elif kind == "HATCH":
        if e.dxf.solid_fill:
            for p in ezpath.from_hatch(e):
                yield flat(p, m)
        else:
            yield from lines(hatching.hatch_entity(e), m)
    else:
        yield flat(ezpath.make_path(e), m)


for e in msp:
    if e.dxftype() == "TEXT":
        anchor = e.ocs().to_wcs(e.dxf.insert)
        print("T", e.dxf.handle, repr(anchor.x), repr(anchor.y), e.dxf.text)
        continue
    if e.dxftype() == "INSERT" and case == "mirrored_text":
        for child in doc.blocks[e.dxf.name]:
            anchor = e.matrix44().transform(child.dxf.insert)
            print("T", e.dxf.handle, repr(anchor.x), repr(anchor.y), child.dxf.text)
        continue
    if e.dxftype() == "ATTDEF":
        print("T", e.dxf.handle, repr(e.dxf.insert.x), repr(e.dxf.insert.y), e.dxf.tag)
        continue
    found = [p for p in paths(e) if p] if shown(e) else []
    if found:
        print("P", e.dxf.handle, ";".join(found))
    else:
        print("H", e.dxf.handle)
