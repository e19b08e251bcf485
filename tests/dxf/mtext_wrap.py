# Makes a drawing of MTEXT entities with reference widths (argv[2], argv[3] as text and
# width, argv[4], argv[5], ...), saves it to argv[1], and prints how ezdxf's own MTEXT
# layout engine breaks each into lines when every character is 0.8 of the cap height
# wide (the display's width estimate):
#   W HANDLE N1 N2 ...   the number of words on each line, top to bottom
import sys
import ezdxf
from ezdxf.tools import fonts
from ezdxf.tools.text_size import WordSizeDetector


class EstimatedWidths(WordSizeDetector):
    def get_font(self, ctx):
        return fonts.MonospaceFont(ctx.cap_height, 0.8)


doc = ezdxf.new("R2018")
msp = doc.modelspace()
entities = []
args = sys.argv[2:]
for k in range(0, len(args), 2):
    entities.append(msp.add_mtext(args[k], dxfattribs={
        "char_height": 1.0, "width": float(args[k + 1]), "insert": (0, -20 * k)}))
doc.saveas(sys.argv[1])
for m in entities:
    tool = EstimatedWidths()
    tool.measure(m)
    lines = {}
    for low, _ in tool.word_boxes():
        key = round(low.y, 6)
        lines[key] = lines.get(key, 0) + 1
    print("W", m.dxf.handle, " ".join(str(lines[y]) for y in sorted(lines, reverse=True)))
