#include "render/mtext_layout.h"

#include <algorithm>
#include <cmath>

#include "db/entities.h"
#include "render/text_layout.h"

namespace plotwright::db::detail {
namespace {

// Stacked parts are this share of the height they stand in.
constexpr double kStackScale = 0.7;

double pieceWidth(const MTextPiece& p)
{
    const MTextFormat& f = p.format;
    if (p.stack == 0)
        return estimatedTextWidth(p.text, f.height, f.widthFactor);
    const double h = f.height * kStackScale;
    const double upper = estimatedTextWidth(p.text, h, f.widthFactor);
    const double lower = estimatedTextWidth(p.lower, h, f.widthFactor);
    return p.stack == L'#' ? upper + lower + f.height * 0.3 : std::max(upper, lower);
}

using Line = std::vector<MTextPiece>;

// A paragraph broken at blanks into lines no wider than `width` (<= 0: no limit); the
// blanks at a break are dropped and a word wider than the width stands alone.
std::vector<Line> wrapParagraph(const MTextParagraph& paragraph, double width)
{
    // Words with the blanks before them, each a list of pieces; a stack is a word.
    struct Word {
        Line lead;    // the blanks before it
        Line pieces;
    };
    std::vector<Word> words(1);
    const auto append = [](Line& line, const MTextPiece& piece, std::wstring text) {
        if (!line.empty() && line.back().stack == 0 && line.back().format == piece.format) {
            line.back().text += text;
            return;
        }
        MTextPiece copy = piece;
        copy.text = std::move(text);
        line.push_back(std::move(copy));
    };
    for (const MTextPiece& piece : paragraph) {
        if (piece.stack != 0) {
            words.back().pieces.push_back(piece);
            continue;
        }
        for (wchar_t c : piece.text) {
            if (c == L' ') {
                if (!words.back().pieces.empty())
                    words.emplace_back();
                append(words.back().lead, piece, L" ");
            } else {
                append(words.back().pieces, piece, std::wstring(1, c));
            }
        }
    }
    const auto widthOf = [](const Line& line) {
        double w = 0;
        for (const MTextPiece& p : line)
            w += pieceWidth(p);
        return w;
    };
    std::vector<Line> lines(1);
    double used = 0;
    for (Word& word : words) {
        const double lead = widthOf(word.lead), own = widthOf(word.pieces);
        const bool wraps = width > 0 && std::isfinite(width) && !lines.back().empty() && !word.pieces.empty()
            && used + lead + own > width * (1 + 1e-12);
        if (wraps) {
            lines.emplace_back();
            used = 0;
        } else {
            for (MTextPiece& p : word.lead)
                append(lines.back(), p, p.text);
            used += lead;
        }
        for (MTextPiece& p : word.pieces) {
            if (p.stack != 0)
                lines.back().push_back(p);
            else
                append(lines.back(), p, p.text);
        }
        used += own;
    }
    return lines;
}

double tallest(const Line& line, double fallback)
{
    double h = 0;
    for (const MTextPiece& p : line)
        h = std::max(h, p.format.height);
    return h > 0 ? h : fallback;
}

bool plainLine(const Line& line)
{
    if (line.size() != 1 || line[0].stack != 0)
        return line.empty();
    const MTextFormat& f = line[0].format;
    return !f.underline && !f.overline && !f.strike;
}

// One line's pieces and rules at `left` with its baseline at `baseline`.
void placeLine(const Line& line, double left, double baseline, MTextPlacement& out)
{
    double x = left;
    for (const MTextPiece& p : line) {
        const MTextFormat& f = p.format;
        const double w = pieceWidth(p);
        if (p.stack == 0) {
            out.texts.push_back({{x, baseline + f.height}, p.text, f, DisplayText::kLeft});
            const auto rule = [&](double y) { out.rules.push_back({{x, y}, {x + w, y}, f}); };
            if (f.underline)
                rule(baseline - f.height * 0.2);
            if (f.overline)
                rule(baseline + f.height * 1.2);
            if (f.strike)
                rule(baseline + f.height * 0.5);
        } else {
            MTextFormat part = f;
            part.height = f.height * kStackScale;
            part.underline = part.overline = part.strike = false;
            if (p.stack == L'#') {
                const double upper = estimatedTextWidth(p.text, part.height, f.widthFactor);
                out.texts.push_back({{x, baseline + f.height * 1.15}, p.text, part, DisplayText::kLeft});
                out.texts.push_back({{x + upper + f.height * 0.3, baseline + f.height * 0.55}, p.lower, part,
                                     DisplayText::kLeft});
                out.rules.push_back({{x + upper, baseline - f.height * 0.1}, {x + upper + f.height * 0.3, baseline + f.height * 1.1}, part});
            } else {
                // Upper part above the middle of the capitals, lower part below it.
                out.texts.push_back({{x + w / 2, baseline + f.height * 1.3}, p.text, part, DisplayText::kCenter});
                out.texts.push_back({{x + w / 2, baseline + f.height * 0.4}, p.lower, part, DisplayText::kCenter});
                if (p.stack == L'/')
                    out.rules.push_back({{x, baseline + f.height * 0.5}, {x + w, baseline + f.height * 0.5}, part});
            }
        }
        x += w;
    }
}

double lineWidth(const Line& line)
{
    double w = 0;
    for (const MTextPiece& p : line)
        w += pieceWidth(p);
    return w;
}

} // namespace

MTextPlacement placeMText(const AcDbMTextProps& t, const MTextFormat& base)
{
    const bool columned = t.columnCount > 1 && t.columnWidth > 0 && std::isfinite(t.columnWidth);
    const double wrapWidth = columned ? t.columnWidth : t.width;
    const double factor = t.lineSpacing > 0 && std::isfinite(t.lineSpacing) ? t.lineSpacing : 1.0;

    // Lines of each column with their baselines from the column's top; a column full to
    // its height passes the rest on to the next one.
    struct Placed {
        Line line;
        double baseline;
    };
    std::vector<std::vector<Placed>> columns(1);
    const double limit = columned && t.columnHeight > 0 && std::isfinite(t.columnHeight) ? t.columnHeight : 0.0;
    const MTextColumns source = mtextPieces(t.contents, base);
    for (std::size_t c = 0; c < source.size(); ++c) {
        if (c > 0 && !columns.back().empty())
            columns.emplace_back();
        for (const MTextParagraph& paragraph : source[c]) {
            for (Line& line : wrapParagraph(paragraph, wrapWidth)) {
                const double h = tallest(line, base.height);
                const double previous = columns.back().empty() ? 0.0 : columns.back().back().baseline;
                double baseline = columns.back().empty() ? -h : previous - h * 5.0 / 3.0 * factor;
                const std::size_t at = columns.size() - 1;
                const double own = at < t.columnHeights.size() && t.columnHeights[at] > 0 ? t.columnHeights[at] : limit;
                if (columned && own > 0 && !columns.back().empty() && -baseline > own && int(columns.size()) < t.columnCount) {
                    columns.emplace_back();
                    baseline = -h;
                }
                columns.back().push_back({std::move(line), baseline});
            }
        }
    }

    // The attachment places the block: its top, middle or bottom line; left, centre or right.
    double blockHeight = 0;
    for (const auto& column : columns)
        if (!column.empty())
            blockHeight = std::max(blockHeight, -column.back().baseline);
    const int attachment = std::clamp(t.attachment, 1, 9);
    const int align = (attachment - 1) % 3;
    const int row = (attachment - 1) / 3;
    const double top = row == 0 ? 0.0 : row == 1 ? blockHeight / 2 : blockHeight;

    const double blockWidth = columned ? double(t.columnCount) * t.columnWidth + double(t.columnCount - 1) * t.columnGutter : 0.0;
    const double blockLeft = -blockWidth * double(align) / 2;
    MTextPlacement out;
    for (std::size_t c = 0; c < columns.size(); ++c) {
        const double columnLeft = columned ? double(c) * (t.columnWidth + t.columnGutter) : 0.0;
        for (const Placed& p : columns[c]) {
            const double baseline = top + p.baseline;
            if (plainLine(p.line) && !columned) {
                // One piece alone: the display aligns it with its own font's widths.
                const MTextFormat& f = p.line.empty() ? base : p.line[0].format;
                out.texts.push_back({{0.0, baseline + f.height}, p.line.empty() ? L"" : p.line[0].text, f, align});
                continue;
            }
            const double w = lineWidth(p.line);
            // Columns: the block of columns is aligned, each line within its column.
            const double left = columned ? blockLeft + columnLeft + (t.columnWidth - w) * double(align) / 2
                                         : (align == 0 ? 0.0 : align == 1 ? -w / 2 : -w);
            placeLine(p.line, left, baseline, out);
        }
    }
    return out;
}

} // namespace plotwright::db::detail
