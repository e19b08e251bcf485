#!/usr/bin/python3
"""The baseline of the draw benchmark: ezdxf writes one LWPOLYLINE of N vertices, the
same curve `plotwright draw --explicit "sin(x/1000)*100" --range 0:N-1:1` draws, into a
new R2000 drawing. Usage: ezdxf_lwpolyline.py N OUT.dxf"""
import math
import sys

import ezdxf

n, out = int(sys.argv[1]), sys.argv[2]
doc = ezdxf.new("R2000")
points = [(float(i), math.sin(i / 1000) * 100) for i in range(n)]
doc.modelspace().add_lwpolyline(points, format="xy")
doc.saveas(out)
