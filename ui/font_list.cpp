#include "ui/font_list.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>

#include <algorithm>
#include <iterator>

namespace {

QFont::StyleHint styleHintOf(int pitchAndFamily)
{
    switch (pitchAndFamily & 0xF0) {
    case 0x10: return QFont::Serif;       // roman
    case 0x20: return QFont::SansSerif;   // swiss
    case 0x30: return QFont::Monospace;   // modern
    case 0x40: return QFont::Cursive;     // script
    case 0x50: return QFont::Decorative;
    default: return QFont::AnyStyle;
    }
}

} // namespace

const QFont& FontList::FindOrCreate(const LogicalFont& description)
{
    for (const auto& [known, font] : fonts_)
        if (known == description)
            return font;
    fonts_.emplace_front(description, Make(description));
    return fonts_.front().second;
}

int FontList::size() const
{
    return static_cast<int>(std::distance(fonts_.begin(), fonts_.end()));
}

QFont FontList::Make(const LogicalFont& d)
{
    QFont font;
    if (!d.faceName.isEmpty()) {
        font.setFamily(d.faceName);
        QFont::StyleHint hint = styleHintOf(d.pitchAndFamily);
        if (hint == QFont::AnyStyle && d.faceName.compare(QStringLiteral("Arial"), Qt::CaseInsensitive) == 0)
            hint = QFont::SansSerif;
        font.setStyleHint(hint);
        // Name the face actually used, so that the font says what it shows.
        if (!QFontDatabase::hasFamily(d.faceName))
            font.setFamily(QFontInfo(font).family());
    }
    if ((d.pitchAndFamily & 0x03) == 1)
        font.setFixedPitch(true);
    if (d.weight > 0)
        font.setWeight(QFont::Weight(std::clamp(d.weight, 1, 1000)));
    font.setItalic(d.italic);
    font.setUnderline(d.underline);
    font.setStrikeOut(d.strikeOut);
    if (d.quality == 3)
        font.setStyleStrategy(QFont::NoAntialias);
    else if (d.quality == 4 || d.quality == 5)
        font.setStyleStrategy(QFont::PreferAntialias);

    if (d.height < 0) {
        font.setPixelSize(-d.height);
    } else if (d.height > 0) {
        // A positive height is the whole cell: shrink the character size until
        // ascent plus descent fits.
        int pixels = d.height;
        font.setPixelSize(pixels);
        while (pixels > 1 && QFontMetrics(font).height() > d.height)
            font.setPixelSize(--pixels);
    }
    if (d.width > 0) {
        const int natural = QFontMetrics(font).averageCharWidth();
        if (natural > 0)
            font.setStretch(std::clamp(100 * d.width / natural, 1, 4000));
    }
    return font;
}
