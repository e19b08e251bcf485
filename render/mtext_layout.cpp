#include "render/mtext_layout.h"

#include <algorithm>
#include <cmath>

#include "db/entities.h"
#include "render/text_layout.h"

namespace plotwright::db::detail {
namespace {

// Stacked parts are this share of the height they stand in.
constexpr double kStackScale = 0.7;
// Tab stops every this many text heights where a paragraph sets none.
constexpr double kDefaultTab = 4.0;

double pieceWidth(const MTextPiece& p)
{
    const MTextFormat& f = p.format;
    if (p.stack == L'\t')
        return estimatedTextWidth(L" ", f.height, f.widthFactor);  // at least; placing decides
    if (p.stack == 0)
        return estimatedTextWidth(p.text, f.height, f.widthFactor) * f.tracking;
    const double h = f.height * kStackScale;
    const double upper = estimatedTextWidth(p.text, h, f.widthFactor);
    const double lower = estimatedTextWidth(p.lower, h, f.widthFactor);
    return p.stack == L'#' ? upper + lower + f.height * 0.3 : std::max(upper, lower);
}

using Line = std::vector<MTextPiece>;

double lineWidth(const Line& line)
{
    double w = 0;
    for (const MTextPiece& p : line)
        w += pieceWidth(p);
    return w;
}

// A paragraph broken at blanks into lines no wider than `first` (the first line) and
// `rest` (<= 0: no limit); the blanks at a break are dropped and a word wider than the
// width stands alone.
std::vector<Line> wrapParagraph(const std::vector<MTextPiece>& paragraph, double first, double rest)
{
    // Words with the blanks before them, each a list of pieces; a stack or tab is a word.
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
    std::vector<Line> lines(1);
    double used = 0;
    for (Word& word : words) {
        const double width = lines.size() == 1 ? first : rest;
        const double lead = lineWidth(word.lead), own = lineWidth(word.pieces);
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
    return !f.underline && !f.overline && !f.strike && f.tracking == 1.0;
}

// Where a line's pieces go: tab stops from `tabOrigin` (in the text's frame), each
// blank widened by `extra` (justified lines).
struct LineSetting {
    double tabOrigin = 0.0;
    const std::vector<MTextParagraphFormat::TabStop>* tabs = nullptr;
    double unit = 1.0;   // the text's height: tab stops are multiples of it
    double extra = 0.0;
};

// The pieces of a line with their offsets from `left`, tabs resolved; the width in `width`.
std::vector<std::pair<MTextPiece, double>> setLine(const Line& line, double left, const LineSetting& s, double& width)
{
    std::vector<std::pair<MTextPiece, double>> out;
    // The width from each piece up to the next tab, for centre and right stops.
    std::vector<double> untilTab(line.size() + 1, 0.0);
    for (std::size_t k = line.size(); k-- > 0;)
        untilTab[k] = line[k].stack == L'\t' ? 0.0 : pieceWidth(line[k]) + untilTab[k + 1];
    double x = 0;
    for (std::size_t k = 0; k < line.size(); ++k) {
        const MTextPiece& p = line[k];
        if (p.stack == L'\t') {
            // The next stop past the pen; a centre or right stop places the text up to
            // the next tab around it.
            const double pen = left + x - s.tabOrigin;
            double stop = -1;
            wchar_t kind = L'l';
            if (s.tabs && s.unit > 0) {
                // The stops are sorted: the first one past the pen.
                const auto t = std::upper_bound(s.tabs->begin(), s.tabs->end(), pen / s.unit + 1e-9,
                                                [](double at, const auto& tab) { return at < tab.at; });
                if (t != s.tabs->end()) {
                    stop = t->at * s.unit;
                    kind = t->kind;
                }
            }
            if (stop < 0) {
                const double step = kDefaultTab * s.unit;
                stop = step > 0 ? (std::floor(pen / step + 1e-9) + 1) * step : pen;
            }
            const double following = untilTab[k + 1];
            const double start = kind == L'r' ? stop - following : kind == L'c' ? stop - following / 2 : stop;
            x = std::max(x, start - left + s.tabOrigin);
            continue;
        }
        if (p.stack != 0 || s.extra <= 0) {
            out.emplace_back(p, x);
            x += pieceWidth(p);
            continue;
        }
        // Justified: each run of letters placed by itself, the blanks widened.
        std::size_t i = 0;
        while (i < p.text.size()) {
            if (p.text[i] == L' ') {
                x += estimatedTextWidth(L" ", p.format.height, p.format.widthFactor) * p.format.tracking + s.extra;
                ++i;
                continue;
            }
            const std::size_t end = std::min(p.text.find(L' ', i), p.text.size());
            MTextPiece run = p;
            run.text = p.text.substr(i, end - i);
            out.emplace_back(run, x);
            x += pieceWidth(run);
            i = end;
        }
    }
    width = x;
    return out;
}

// One line's pieces and rules, set by `setLine`, with its baseline at `baseline`.
void placeLine(const std::vector<std::pair<MTextPiece, double>>& pieces, double left, double baseline, double lineCap,
               MTextPlacement& out)
{
    for (const auto& [p, offset] : pieces) {
        const double x = left + offset;
        const MTextFormat& f = p.format;
        const double w = pieceWidth(p);
        if (p.stack == 0) {
            // \A: smaller pieces centred on the line's capitals or hung from their tops.
            const double lift = f.vertical == 1 ? (lineCap - f.height) / 2 : f.vertical == 2 ? lineCap - f.height : 0.0;
            const double base = baseline + std::max(0.0, lift);
            out.texts.push_back({{x, base + f.height}, p.text, f, DisplayText::kLeft, f.tracking != 1.0 ? w : 0.0});
            const auto rule = [&](double y) { out.rules.push_back({{x, y}, {x + w, y}, f}); };
            if (f.underline)
                rule(base - f.height * 0.2);
            if (f.overline)
                rule(base + f.height * 1.2);
            if (f.strike)
                rule(base + f.height * 0.5);
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
    }
}

// Blanks inside a line, which justification widens.
std::size_t blanksOf(const Line& line)
{
    std::size_t n = 0;
    for (const MTextPiece& p : line)
        if (p.stack == 0)
            n += static_cast<std::size_t>(std::count(p.text.begin(), p.text.end(), L' '));
    return n;
}

} // namespace

MTextPlacement placeMText(const AcDbMTextProps& t, const MTextFormat& base)
{
    const bool columned = t.columnCount > 1 && t.columnWidth > 0 && std::isfinite(t.columnWidth);
    const double wrapWidth = columned ? t.columnWidth : t.width;
    const bool wraps = wrapWidth > 0 && std::isfinite(wrapWidth);
    const double factor = t.lineSpacing > 0 && std::isfinite(t.lineSpacing) ? t.lineSpacing : 1.0;
    const double unit = base.height > 0 && std::isfinite(base.height) ? base.height : 1.0;

    // Lines of each column with their baselines from the column's top; a column full to
    // its height passes the rest on to the next one.
    struct Placed {
        Line line;
        double baseline;
        const MTextParagraphFormat* paragraph;
        bool first;  // of its paragraph
        bool last;
    };
    std::vector<std::vector<Placed>> columns(1);
    const double limit = columned && t.columnHeight > 0 && std::isfinite(t.columnHeight) ? t.columnHeight : 0.0;
    const MTextColumns source = mtextPieces(t.contents, base);
    double widest = 0;  // of lines and their indents, where no width is set
    for (std::size_t c = 0; c < source.size(); ++c) {
        if (c > 0 && !columns.back().empty())
            columns.emplace_back();
        for (const MTextParagraph& paragraph : source[c]) {
            const MTextParagraphFormat& pf = paragraph.format;
            const double left = pf.left * unit, right = pf.right * unit;
            const double firstLeft = std::max(0.0, left + pf.firstIndent * unit);
            const double room = std::max(wrapWidth - std::max(0.0, left) - right, wrapWidth * 0.05);
            const double firstRoom = std::max(wrapWidth - firstLeft - right, wrapWidth * 0.05);
            std::vector<Line> lines = wrapParagraph(paragraph.pieces, wraps ? firstRoom : 0.0, wraps ? room : 0.0);
            for (std::size_t k = 0; k < lines.size(); ++k) {
                Line& line = lines[k];
                widest = std::max(widest, lineWidth(line) + (k == 0 ? firstLeft : std::max(0.0, left)) + std::max(0.0, right));
                const double h = tallest(line, base.height);
                const double previous = columns.back().empty() ? 0.0 : columns.back().back().baseline;
                double baseline = columns.back().empty() ? -h : previous - h * 5.0 / 3.0 * factor;
                const std::size_t at = columns.size() - 1;
                const double own = at < t.columnHeights.size() && t.columnHeights[at] > 0 ? t.columnHeights[at] : limit;
                if (columned && own > 0 && !columns.back().empty() && -baseline > own && int(columns.size()) < t.columnCount) {
                    columns.emplace_back();
                    baseline = -h;
                }
                columns.back().push_back({std::move(line), baseline, &pf, k == 0, k + 1 == lines.size()});
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

    const double boxWidth = columned ? t.columnWidth : wraps ? wrapWidth : widest;
    const double blockWidth = columned ? double(t.columnCount) * t.columnWidth + double(t.columnCount - 1) * t.columnGutter
                                       : boxWidth;
    const double blockLeft = -blockWidth * double(align) / 2;
    MTextPlacement out;
    for (std::size_t c = 0; c < columns.size(); ++c) {
        const double columnLeft = blockLeft + (columned ? double(c) * (t.columnWidth + t.columnGutter) : 0.0);
        for (const Placed& p : columns[c]) {
            const double baseline = top + p.baseline;
            const MTextParagraphFormat& pf = *p.paragraph;
            const double from = columnLeft + (p.first ? std::max(0.0, (pf.left + pf.firstIndent) * unit)
                                                      : std::max(0.0, pf.left * unit));
            const double to = columnLeft + boxWidth - std::max(0.0, pf.right * unit);
            int lineAlign = align;
            bool justify = false;
            switch (pf.align) {
            case MTextParagraphFormat::kLeft: lineAlign = 0; break;
            case MTextParagraphFormat::kCenter: lineAlign = 1; break;
            case MTextParagraphFormat::kRight: lineAlign = 2; break;
            case MTextParagraphFormat::kJustified: lineAlign = 0; justify = !p.last; break;
            case MTextParagraphFormat::kDistributed: lineAlign = 0; justify = true; break;
            default: break;
            }
            const bool hasTab = std::any_of(p.line.begin(), p.line.end(), [](const MTextPiece& m) { return m.stack == L'\t'; });
            if (plainLine(p.line) && !columned && !justify && !hasTab) {
                // One piece alone: the display aligns it with its own font's widths.
                const MTextFormat& f = p.line.empty() ? base : p.line[0].format;
                const double x = lineAlign == 0 ? from : lineAlign == 1 ? (from + to) / 2 : to;
                out.texts.push_back({{x, baseline + f.height}, p.line.empty() ? L"" : p.line[0].text, f, lineAlign});
                continue;
            }
            LineSetting setting;
            setting.tabOrigin = columnLeft;
            setting.tabs = &pf.tabs;
            setting.unit = unit;
            double w = 0;
            auto pieces = setLine(p.line, from, setting, w);
            if (justify && to - from > w) {
                const std::size_t blanks = blanksOf(p.line);
                if (blanks > 0) {
                    setting.extra = (to - from - w) / double(blanks);
                    pieces = setLine(p.line, from, setting, w);
                }
            }
            const double left = lineAlign == 0 ? from : lineAlign == 1 ? (from + to - w) / 2 : to - w;
            placeLine(pieces, left, baseline, tallest(p.line, base.height), out);
        }
    }
    return out;
}

} // namespace plotwright::db::detail
