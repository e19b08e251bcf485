#pragma once
// Internal to the entity services: multi-line text with its inline formatting (colour,
// height, font, underline, overline, strike-through, stacked fractions, column breaks),
// read into pieces and placed in the text's own frame. Widths are the estimate of
// estimatedTextWidth, as everywhere a position depends on a text's width.

#include <cstdint>
#include <string>
#include <vector>

#include "render/display_shapes.h"

struct AcDbMTextProps;

namespace plotwright::db::detail {

// What a stretch of text looks like, as the inline codes leave it.
struct MTextFormat {
    double height = 1.0;        // of capitals, in the text's units (\H)
    int colorIndex = -1;        // \C: 1..255, 0 ByBlock, 256 ByLayer; -1 the entity's colour
    std::int32_t rgb = -1;      // \c as 0xRRGGBB; >= 0 overrides colorIndex
    std::wstring family;        // \f, \F; empty: the text style's
    bool bold = false;
    bool italic = false;
    bool underline = false;     // \L \l
    bool overline = false;      // \O \o
    bool strike = false;        // \K \k
    double widthFactor = 1.0;   // \W
    double oblique = 0.0;       // \Q, radians clockwise from upright
    double tracking = 1.0;      // \T: the spacing of the characters, times their own
    int vertical = 0;           // \A: in a line of mixed heights 0 on the baseline, 1 centred, 2 at the top
    friend bool operator==(const MTextFormat&, const MTextFormat&) = default;
};

// How a paragraph is set (\p): its alignment, indents and tab stops, in multiples of
// the text's height (the entity's, not the inline one).
struct MTextParagraphFormat {
    enum Align { kDefault, kLeft, kRight, kCenter, kJustified, kDistributed };
    int align = kDefault;     // kDefault: as the attachment point aligns the text
    double firstIndent = 0.0; // of the first line, from `left`
    double left = 0.0;
    double right = 0.0;
    struct TabStop {
        double at = 0.0;       // from the paragraph's left edge
        wchar_t kind = L'l';   // 'l' text starts there, 'c' centred on it, 'r' ends there
        friend bool operator==(const TabStop&, const TabStop&) = default;
    };
    std::vector<TabStop> tabs;
    friend bool operator==(const MTextParagraphFormat&, const MTextParagraphFormat&) = default;
};

// Text in one format, a stack (\S): `text` over `lower`, or a tab.
struct MTextPiece {
    std::wstring text;
    std::wstring lower;
    wchar_t stack = 0;  // 0 text; '^' without a line, '/' with a bar, '#' slanted; '\t' a tab
    MTextFormat format;
    friend bool operator==(const MTextPiece&, const MTextPiece&) = default;
};

struct MTextParagraph {
    std::vector<MTextPiece> pieces;
    MTextParagraphFormat format;
    friend bool operator==(const MTextParagraph&, const MTextParagraph&) = default;
};
// Paragraphs (\P, line breaks, ^J) of each column (\N starts the next).
using MTextColumns = std::vector<std::vector<MTextParagraph>>;

// The contents read with `base` as the format they start in; braces keep a format
// change inside them. Pieces of equal format next to each other are joined.
MTextColumns mtextPieces(const std::wstring& contents, const MTextFormat& base);

// The family a font file of a text style or a \F code stands for ("arial.ttf" gives
// "Arial"); empty for the line fonts of CAD programs (".shx", or no extension), which
// displays replace with their own.
std::wstring fontFamilyOfFile(const std::wstring& file);

// A piece of text placed in the frame of the text (x along the first line, y up, the
// insertion point at 0, 0), anchored by the tops of its capitals.
struct PlacedText {
    DisplayPoint at;
    std::wstring text;
    MTextFormat format;
    int hAlign = DisplayText::kLeft;
    double span = 0.0;  // > 0: the advance the display spreads the text over (tracking)
};
// A rule: underline, overline, strike-through or a fraction's bar.
struct PlacedRule {
    DisplayPoint from;
    DisplayPoint to;
    MTextFormat format;
};
struct MTextPlacement {
    std::vector<PlacedText> texts;
    std::vector<PlacedRule> rules;
};

// Places the text's pieces: paragraphs wrapped at the reference width (a column's width
// when it has columns) less their indents, lines 5/3 of their tallest piece apart
// (times the line spacing), the block set by its attachment and each paragraph's lines
// by its own alignment (the attachment's by default) and tab stops. Columns stand side by side, a gutter
// apart; a column takes lines down to the columns' height, when there is one, and at
// a column break; the rest flows into the next.
MTextPlacement placeMText(const AcDbMTextProps& t, const MTextFormat& base);

} // namespace plotwright::db::detail
