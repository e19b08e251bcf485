#!/usr/bin/python3
"""ezdxf's view of the curve data Plotwright keeps in a drawing, and edits made by
another program, for the command-line tests.

Usage: curve_data.py COMMAND FILE [ARGS]
  check FILE         "audit N" (ezdxf's audit errors), then per model-space entity
                     "entity TYPE HANDLE LAYER COLOR FORM ID INDEX COUNT" (FORM xdata,
                     xrecord or none; ID INDEX COUNT "-" for none)
  geometry FILE      per model-space entity "piece TYPE HANDLE", then "v X Y" per vertex
                     (LWPOLYLINE: its vertices and bulges "b B"; SPLINE: control points)
  move FILE DX DY [DZ]  moves every model-space entity and saves in place
  restyle FILE LAYER COLOR  puts every model-space entity on LAYER (made when missing)
                     in colour COLOR and saves in place
  edit FILE          moves the first vertex of the first LWPOLYLINE and saves in place
  edit-inner FILE D  moves the middle vertex of the first LWPOLYLINE by D in y, in place
  resave FILE OUT    loads FILE and saves it as OUT (R2018, new handle order)
  undigest FILE      drops the geometry digest (the last 13 values) from every entity's
                     extended data, as definitions were written before it, in place
"""
import sys

import ezdxf


def curve_values(entity):
    if entity.has_xdata("PLOTWRIGHT"):
        return "xdata", list(entity.get_xdata("PLOTWRIGHT"))
    if entity.has_extension_dict:
        xdict = entity.get_extension_dict()
        if "PLOTWRIGHT_CURVE" in xdict:
            return "xrecord", list(xdict["PLOTWRIGHT_CURVE"].tags)
    return "none", []


def text_at(tags, i):
    """The text starting at tags[i] (count, chunks) and the index after it."""
    count = tags[i].value
    return "".join(t.value for t in tags[i + 1:i + 1 + count]), i + 1 + count


def check(path):
    doc = ezdxf.readfile(path)
    auditor = doc.audit()
    print("audit", len(auditor.errors))
    for e in doc.modelspace():
        form, tags = curve_values(e)
        ident, index, count = "-", "-", "-"
        if tags:
            ident, i = text_at(tags, 1)
            index, count = tags[i].value, tags[i + 1].value
        print("entity", e.dxftype(), e.dxf.handle, e.dxf.layer, e.dxf.color, form, ident, index, count)


def geometry(path):
    doc = ezdxf.readfile(path)
    for e in doc.modelspace():
        print("piece", e.dxftype(), e.dxf.handle)
        if e.dxftype() == "LWPOLYLINE":
            for x, y, _s, _e, b in e.get_points("xyseb"):
                print("v", repr(x), repr(y))
                print("b", repr(b))
        elif e.dxftype() == "SPLINE":
            for p in e.control_points:
                print("v", repr(p[0]), repr(p[1]))


def move(path, dx, dy, dz="0"):
    doc = ezdxf.readfile(path)
    for e in doc.modelspace():
        e.translate(float(dx), float(dy), float(dz))
    doc.saveas(path)


def restyle(path, layer, color):
    doc = ezdxf.readfile(path)
    if layer not in doc.layers:
        doc.layers.add(layer)
    for e in doc.modelspace():
        e.dxf.layer = layer
        e.dxf.color = int(color)
    doc.saveas(path)


def edit(path):
    doc = ezdxf.readfile(path)
    for e in doc.modelspace():
        if e.dxftype() == "LWPOLYLINE":
            points = list(e.get_points("xyseb"))
            x, y, s, en, b = points[0]
            points[0] = (x + 1.0, y, s, en, b)
            e.set_points(points, "xyseb")
            break
    doc.saveas(path)


def edit_inner(path, d):
    doc = ezdxf.readfile(path)
    for e in doc.modelspace():
        if e.dxftype() == "LWPOLYLINE":
            points = list(e.get_points("xyseb"))
            x, y, s, en, b = points[len(points) // 2]
            points[len(points) // 2] = (x, y + float(d), s, en, b)
            e.set_points(points, "xyseb")
            break
    doc.saveas(path)


def undigest(path):
    doc = ezdxf.readfile(path)
    for e in doc.modelspace():
        if e.has_xdata("PLOTWRIGHT"):
            tags = list(e.get_xdata("PLOTWRIGHT"))
            e.set_xdata("PLOTWRIGHT", [(t.code, t.value) for t in tags[:-13]])
    doc.saveas(path)


def resave(path, out):
    doc = ezdxf.readfile(path)
    doc.dxfversion = "AC1032"
    doc.saveas(out)


if __name__ == "__main__":
    command, args = sys.argv[1], sys.argv[2:]
    {"check": check, "geometry": geometry, "move": move, "restyle": restyle, "edit": edit,
     "edit-inner": edit_inner, "resave": resave,
     "undigest": undigest}[command](*args)
