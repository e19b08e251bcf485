# Makes a drawing whose draw-order tables move entities (case argv[1]), saves it to
# argv[2], and prints, for model space and for the block "B", the handles in the order
# ezdxf's reorder module draws them: "M h1 h2 ..." and "B h1 h2 ...".
import sys

import ezdxf
from ezdxf import reorder

case, out = sys.argv[1], sys.argv[2]
doc = ezdxf.new("R2018")
msp = doc.modelspace()
block = doc.blocks.new("B")
lines = [msp.add_line((k, 0), (k, 1)) for k in range(5)]
inner = [block.add_circle((0, 0), k + 1) for k in range(3)]
msp.add_blockref("B", (10, 0))
h = [e.dxf.handle for e in lines]

if case == "to_back":
    # The last line sent below all others, the second brought to the front.
    msp.set_redraw_order({h[4]: "1", h[1]: "FFFF"})
elif case == "equal_keys":
    # Two lines drawn by the same handle keep their order in the file.
    msp.set_redraw_order({h[3]: "2", h[0]: "2"})
elif case == "in_block":
    block.set_redraw_order({inner[2].dxf.handle: "1"})
elif case != "none":
    raise SystemExit("unknown case " + case)
doc.saveas(out)

for tag, layout in (("M", msp), ("B", block)):
    order = reorder.ascending(layout, layout.get_redraw_order()) if layout.get_redraw_order() else layout
    print(tag, " ".join(e.dxf.handle for e in order))
