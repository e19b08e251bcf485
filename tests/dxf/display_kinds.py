# Makes a drawing of every entity kind the display shows (ezdxf), saves it to
# argv[1], and prints what ezdxf computes for each model-space entity:
#   P HANDLE x,y x,y ...;x,y ...   the entity's paths, flattened within 0.001
#   T HANDLE x y TEXT              a text's anchor and plain text (one per line; for
#                                  multi-line text one per stretch of one format, as
#                                  ezdxf's parser reads its codes)
#   H HANDLE                       on a layer that is off or frozen: not drawn
import sys
import ezdxf
from ezdxf import path as ezpath
from ezdxf.render import hatching

def mtext_pieces(text):
    """The stretches of one format of each line, stacks as their two parts."""
    from ezdxf.tools.text import MTextParser, TokenType
    pieces, current, key = [], None, None
    def look(ctx):
        return (ctx.cap_height, ctx.aci, ctx.rgb, ctx.font_face, ctx.underline, ctx.overline,
                ctx.strike_through, ctx.width_factor, ctx.oblique)
    def flush():
        nonlocal current
        if current is not None:
            pieces.append(current)
        current = None
    for token in MTextParser(text):
        if token.type == TokenType.NEW_PARAGRAPH:
            flush()
            continue
        if token.type == TokenType.STACK:
            flush()
            pieces.extend(token.data[:2])
            continue
        word = {TokenType.WORD: token.data, TokenType.SPACE: " ", TokenType.NBSP: "\u00a0"}.get(token.type)
        if word is None:
            continue
        if current is not None and look(token.ctx) == key:
            current += word
        else:
            flush()
            current, key = word, look(token.ctx)
    flush()
    return pieces


doc = ezdxf.new("R2018", setup=True)
msp = doc.modelspace()
doc.layers.add("Off", color=1).off()
doc.layers.add("Frozen", color=2).freeze()
doc.layers.add("Blue", color=5)

msp.add_line((0, 0), (10, 5), dxfattribs={"layer": "Blue"})
msp.add_circle((20, 5), 3, dxfattribs={"extrusion": (0, 0, -1)})
msp.add_arc((30, 5), 3, 30, 250)
msp.add_lwpolyline([(0, 20, 0, 0, 0.5), (5, 22, 0, 0, -1), (10, 20, 0, 0, 0)], format="xyseb", close=True)
msp.add_polyline2d([(0, 30), (5, 35), (10, 30)])
msp.add_polyline3d([(12, 30, 0), (15, 35, 1), (18, 30, 2)])
msp.add_ellipse((20, 20), major_axis=(4, 2), ratio=0.4, start_param=0.3, end_param=4.0)
msp.add_open_spline([(30, 20), (32, 26), (36, 18), (40, 24), (42, 20)], degree=3)
msp.add_rational_spline([(44, 20), (44, 24), (48, 24)], weights=[1, 0.7071, 1], degree=2)
# Fit points only, with end tangents: the file defines the curve fully. (Without
# tangents, programs choose end conditions of their own; tests/db checks ours.)
tangents = msp.add_spline(fit_points=[(50, 60), (53, 66), (57, 58), (61, 64)])
tangents.dxf.start_tangent = (0, 1, 0)
tangents.dxf.end_tangent = (1, -1, 0)
hatch = msp.add_hatch(color=3)
hatch.paths.add_polyline_path([(40, 0), (50, 0, 0.4), (50, 10), (40, 10)], is_closed=True)
edges = hatch.paths.add_edge_path()
edges.add_line((42, 2), (48, 2))
edges.add_arc((45, 2), radius=3, start_angle=0, end_angle=180, ccw=True)
pattern = msp.add_hatch(color=4)
pattern.set_pattern_fill("ANSI31", scale=0.5)
pattern.paths.add_polyline_path([(52, 0), (58, 0), (55, 6)], is_closed=True)
msp.add_solid([(60, 0), (65, 0), (60, 5), (65, 5)])
msp.add_trace([(66, 0), (70, 0), (66, 3), (70, 4)])
msp.add_3dface([(72, 0, 0), (76, 0, 1), (76, 5, 2), (72, 5, 0)])
msp.add_leader([(80, 0), (85, 5), (90, 5)])
msp.add_xline((0, 0), (1, 1))
msp.add_ray((0, -5), (1, 0))
msp.add_wipeout([(100, 0), (105, 0), (105, 5), (100, 4)])

msp.add_text("Hello", dxfattribs={"height": 2, "rotation": 30}).set_pos((0, 50), align="MIDDLE_CENTER")
msp.add_text("Left", dxfattribs={"height": 1.5}).set_pos((0, 55))
msp.add_text("Fitted", dxfattribs={"height": 1.5}).set_pos((0, 60), (12, 62), align="FIT")
msp.add_text("Aligned", dxfattribs={"height": 1.5}).set_pos((0, 64), (12, 64), align="ALIGNED")
msp.add_mtext("{\\fArial|b1;Größe} ÄÖÜ\\P\\C1;二行目 {\\H1.5x;Ende}", dxfattribs={
    "char_height": 2, "insert": (20, 50), "attachment_point": 5, "rotation": 15})

inner = doc.blocks.new("Inner", base_point=(1, 0))
inner.add_line((0, 0), (1, 0))
inner.add_circle((0, 0), 0.5)
inner.add_lwpolyline([(0, 1, 0, 0, 1), (2, 1, 0, 0, 0)], format="xyseb")
inner.add_ellipse((0, 2), major_axis=(1, 0), ratio=0.5)
outer = doc.blocks.new("Outer")
outer.add_blockref("Inner", (5, 0), dxfattribs={"xscale": 2, "yscale": 3, "rotation": 90})
outer.add_arc((0, 0), 2, 0, 120)
msp.add_blockref("Outer", (40, 40), dxfattribs={"xscale": 1.5, "yscale": 0.5, "rotation": 20})
msp.add_blockref("Inner", (60, 40), dxfattribs={
    "column_count": 3, "row_count": 2, "column_spacing": 4, "row_spacing": 3})
tag = doc.blocks.new("Tag")
tag.add_circle((0, 0), 1)
tag.add_attdef("NAME", (1.5, 0), dxfattribs={"height": 1})
ref = msp.add_blockref("Tag", (80, 40), dxfattribs={"rotation": 45})
ref.add_auto_attribs({"NAME": "Mörtel"})
dim = msp.add_linear_dim(base=(0, 70), p1=(0, 62), p2=(10, 62))
dim.render()
msp.add_line((0, 0), (100, 100), dxfattribs={"layer": "Off"})
msp.add_circle((50, 50), 5, dxfattribs={"layer": "Frozen"})
doc.saveas(sys.argv[1])

TEXTS = ("TEXT", "MTEXT", "ATTRIB", "ATTDEF")


def flat(p, m):
    if m is not None:
        p = p.transform(m)
    return " ".join("%r,%r" % (v.x, v.y) for v in p.flattening(0.001))


# Block references through their matrices (each copy of an array on its own), the
# block's entities transformed by the product: block in block in model space.
def paths(e, m=None):
    kind = e.dxftype()
    if kind == "INSERT":
        for copy in e.multi_insert():
            inner = copy.matrix44() if m is None else copy.matrix44() @ m
            for child in doc.blocks[copy.dxf.name]:
                if child.dxftype() not in ("ATTDEF",):
                    yield from paths(child, inner)
    elif kind == "DIMENSION":
        for child in doc.blocks[e.dxf.geometry]:
            yield from paths(child, m)
    elif kind in TEXTS or kind in ("XLINE", "RAY", "POINT"):
        return
    elif kind == "LEADER":
        yield flat(ezpath.from_vertices(e.vertices), m)
    elif kind == "HATCH" and not e.dxf.solid_fill:
        # A pattern is drawn by its lines, clipped to the boundary.
        for s, t in hatching.hatch_entity(e):
            yield "%r,%r %r,%r" % (s.x, s.y, t.x, t.y)
    elif kind == "HATCH":
        for p in ezpath.from_hatch(e):
            yield flat(p, m)
    else:
        yield flat(ezpath.make_path(e), m)


for e in msp:
    handle = e.dxf.handle
    layer = doc.layers.get(e.dxf.layer)
    if layer.is_off() or layer.is_frozen():
        print("H", handle)
        continue
    kind = e.dxftype()
    if kind == "TEXT":
        anchor = e.dxf.insert if e.get_align() in ("LEFT", "FIT", "ALIGNED") else e.dxf.align_point
        print("T", handle, repr(anchor.x), repr(anchor.y), e.plain_text())
    elif kind == "MTEXT":
        for piece in mtext_pieces(e.text):
            print("T", handle, "-", "-", piece)
    elif kind == "INSERT":
        for a in e.attribs:
            anchor = a.dxf.insert if a.get_align() == "LEFT" else a.dxf.align_point
            print("T", handle, repr(anchor.x), repr(anchor.y), a.dxf.text)
    found = list(paths(e))
    if found:
        print("P", handle, ";".join(found))
