#include "grid/number_entry.h"

#include <algorithm>
#include <vector>

namespace plotwright::grid {
namespace {

// What each character of a shown number is.
enum class Slot { Sign, Placeholder, Whole, Group, Decimal, Fraction };

// The shape of the shown text; whole and fraction shape are numbered from the left.
std::vector<std::pair<Slot, int>> layout(const NumberDigits& d, const NumberFormat& f)
{
    std::vector<std::pair<Slot, int>> shape;
    if (d.negative)
        shape.emplace_back(Slot::Sign, 0);
    const int n = static_cast<int>(d.whole.size());
    if (n == 0 && f.leadingZero)
        shape.emplace_back(Slot::Placeholder, 0);
    for (int i = 0; i < n; ++i) {
        if (i > 0 && groupBefore(n - i, f))
            shape.emplace_back(Slot::Group, 0);
        shape.emplace_back(Slot::Whole, i);
    }
    if (f.fractionDigits > 0) {
        shape.emplace_back(Slot::Decimal, 0);
        for (int j = 0; j < f.fractionDigits; ++j)
            shape.emplace_back(Slot::Fraction, j);
    }
    return shape;
}

bool isDigit(QChar ch)
{
    return ch >= u'0' && ch <= u'9';
}

// Drops leading zeros of the whole part, keeping a whole-part caret on the same digit.
void stripLeadingZeros(NumberDigits& d, int* wholeCaret)
{
    qsizetype zeros = 0;
    while (zeros < d.whole.size() && d.whole.at(zeros) == u'0')
        ++zeros;
    d.whole.remove(0, zeros);
    if (wholeCaret)
        *wholeCaret -= std::min<int>(static_cast<int>(zeros), *wholeCaret);
}

} // namespace

// A caret in terms of digits: before whole digit `index`, before fraction digit
// `index`, or before the sign.
struct NumberEntry::Caret {
    enum Zone { Sign, Whole, Fraction } zone = Whole;
    int index = 0;
};

NumberEntry::Caret NumberEntry::caretAt(const NumberDigits& d, int position) const
{
    const auto shape = layout(d, format_);
    position = std::clamp(position, 0, static_cast<int>(shape.size()));
    if (d.negative && position == 0)
        return {Caret::Sign, 0};
    int whole = 0;
    int fraction = 0;
    bool decimal = false;
    for (int p = 0; p < position; ++p) {
        switch (shape[p].first) {
        case Slot::Whole: ++whole; break;
        case Slot::Fraction: ++fraction; break;
        case Slot::Decimal: decimal = true; break;
        default: break;
        }
    }
    return decimal ? Caret{Caret::Fraction, fraction} : Caret{Caret::Whole, whole};
}

int NumberEntry::positionOf(const NumberDigits& d, const Caret& caret) const
{
    const auto shape = layout(d, format_);
    const int size = static_cast<int>(shape.size());
    if (caret.zone == Caret::Sign)
        return 0;
    int decimalAt = size;
    for (int p = 0; p < size; ++p) {
        if (shape[p].first == Slot::Decimal)
            decimalAt = p;
        if (caret.zone == Caret::Whole && shape[p].first == Slot::Whole && shape[p].second == caret.index)
            return p;
    }
    if (caret.zone == Caret::Whole)
        return decimalAt;  // after the last whole digit or the placeholder
    return std::min(decimalAt + 1 + caret.index, size);
}

NumberEntry::Caret NumberEntry::removeSelection(NumberDigits& d, int selStart, int selEnd) const
{
    Caret caret = caretAt(d, selStart);
    const auto shape = layout(d, format_);
    const int last = std::min(selEnd, static_cast<int>(shape.size()));
    QString whole;
    std::vector<bool> removed(d.whole.size(), false);
    for (int p = std::max(selStart, 0); p < last; ++p) {
        const auto [slot, i] = shape[p];
        if (slot == Slot::Sign)
            d.negative = false;
        else if (slot == Slot::Whole)
            removed[i] = true;
        else if (slot == Slot::Fraction)
            d.fraction[i] = u'0';
    }
    for (qsizetype i = 0; i < d.whole.size(); ++i)
        if (!removed[i])
            whole += d.whole.at(i);
    d.whole = whole;
    if (caret.zone == Caret::Sign && !d.negative)
        caret = {Caret::Whole, 0};
    if (caret.zone == Caret::Whole)
        stripLeadingZeros(d, &caret.index);
    else
        stripLeadingZeros(d, nullptr);
    return caret;
}

std::optional<EntryChange> NumberEntry::type(const QString& text, int selStart, int selEnd, int caretPos,
                                             QChar ch) const
{
    ch = numberCharacter(ch);
    NumberDigits d = parseNumber(text, format_);
    Caret caret = selStart != selEnd ? removeSelection(d, selStart, selEnd) : caretAt(d, caretPos);
    if (isDigit(ch)) {
        if (caret.zone == Caret::Sign)
            caret = {Caret::Whole, 0};
        if (caret.zone == Caret::Whole) {
            if (d.whole.size() >= format_.maxWholeDigits)
                return std::nullopt;
            d.whole.insert(caret.index++, ch);
            stripLeadingZeros(d, &caret.index);
        } else {
            if (caret.index >= format_.fractionDigits)
                return std::nullopt;
            d.fraction[caret.index++] = ch;
        }
    } else if (isDecimalPoint(ch, format_)) {
        if (format_.fractionDigits <= 0 || caret.zone == Caret::Fraction)
            return std::nullopt;
        caret = {Caret::Fraction, 0};
    } else if (ch == u'-') {
        const bool atStart = caret.zone == Caret::Sign || (caret.zone == Caret::Whole && caret.index == 0);
        if (d.negative || !atStart || !format_.negativesAllowed)
            return std::nullopt;
        d.negative = true;
        caret = {Caret::Whole, 0};
    } else {
        return std::nullopt;
    }
    return result(std::move(d), caret);
}

EntryChange NumberEntry::erase(const QString& text, int selStart, int selEnd, int caretPos, bool backwards) const
{
    NumberDigits d = parseNumber(text, format_);
    if (selStart != selEnd) {
        const Caret caret = removeSelection(d, selStart, selEnd);
        return result(std::move(d), caret);
    }
    Caret caret = caretAt(d, caretPos);
    const int wholeDigits = static_cast<int>(d.whole.size());
    if (backwards) {
        if (caret.zone == Caret::Whole && caret.index > 0) {
            d.whole.remove(--caret.index, 1);
            stripLeadingZeros(d, &caret.index);
        } else if (caret.zone == Caret::Whole) {
            d.negative = false;  // the sign is the character before the whole digits
        } else if (caret.zone == Caret::Fraction && caret.index > 0) {
            d.fraction[--caret.index] = u'0';
        } else if (caret.zone == Caret::Fraction) {
            caret = {Caret::Whole, wholeDigits};  // step over the separator
        }
    } else {
        if (caret.zone == Caret::Sign) {
            d.negative = false;
            caret = {Caret::Whole, 0};
        } else if (caret.zone == Caret::Whole && caret.index < wholeDigits) {
            d.whole.remove(caret.index, 1);
            stripLeadingZeros(d, &caret.index);
        } else if (caret.zone == Caret::Whole && format_.fractionDigits > 0) {
            caret = {Caret::Fraction, 0};  // step over the separator
        } else if (caret.zone == Caret::Fraction && caret.index < format_.fractionDigits) {
            d.fraction[caret.index++] = u'0';
        }
    }
    return result(std::move(d), caret);
}

EntryChange NumberEntry::result(NumberDigits digits, Caret caret) const
{
    return {formatNumber(digits, format_), positionOf(digits, caret)};
}


namespace {

// Replaces [from, to) of the state's text by `insert` and puts the caret after it.
void replaceRange(EditState& s, int from, int to, const QString& insert)
{
    s.text.replace(from, to - from, insert);
    s.start = s.end = from + static_cast<int>(insert.size());
}

// Inserts a character in place of the selection, then brings the text back to its
// canonical form; the caret stays where the insertion left it (within the text).
void insertAndRefilter(EditState& s, QChar ch, const NumberFormat& format)
{
    replaceRange(s, s.start, s.end, QString(ch));
    QString canonical = canonicalNumberText(s.text, format);
    if (canonical != s.text) {
        s.text = std::move(canonical);
        s.start = s.end = std::min(s.start, static_cast<int>(s.text.size()));
    }
}

bool typeSign(EditState& s)
{
    const int length = static_cast<int>(s.text.size());
    const bool hasSign = s.text.startsWith(u'-');
    if (s.start == 0) {
        if (!hasSign)
            replaceRange(s, s.start, s.end, QStringLiteral("-"));
        else if (s.end == length)
            replaceRange(s, 0, length, QStringLiteral("-"));
        else
            replaceRange(s, 0, 1, QStringLiteral("-"));  // the text stays as it is
        return true;
    }
    // The caret is inside the number: the sign toggles and the selection follows the text.
    if (hasSign) {
        s.text.remove(0, 1);
        --s.start;
        --s.end;
    } else {
        s.text.prepend(u'-');
        ++s.start;
        ++s.end;
    }
    return true;
}

bool typePoint(EditState& s, const NumberFormat& format)
{
    const qsizetype point = s.text.indexOf(format.decimalSeparator);
    if (point < 0 || (point >= s.start && point < s.end)) {
        insertAndRefilter(s, format.decimalSeparator, format);
    } else {
        // There is a point already: typing one steps over to the fraction.
        s.start = s.end = static_cast<int>(point) + 1;
    }
    return true;
}

bool typeDigit(EditState& s, QChar digit, const NumberFormat& format)
{
    const int length = static_cast<int>(s.text.size());
    const qsizetype pointAt = s.text.indexOf(format.decimalSeparator);
    const int point = pointAt < 0 ? length : static_cast<int>(pointAt);
    const int signLength = s.text.startsWith(u'-') ? 1 : 0;

    if (s.start <= point) {
        const bool full = point - signLength >= format.maxWholeDigits;
        if (!full) {
            insertAndRefilter(s, digit, format);
            return true;
        }
        if (s.start == signLength + format.maxWholeDigits && s.start == s.end)
            return false;
        // A selection reaching the end is replaced; any other overwrites the character
        // after its start, as a caret does ("123" with "12" selected, 9 gives "923").
        if (s.start != s.end && s.end >= length) {
            insertAndRefilter(s, digit, format);
            return true;
        }
        // Overwrite mode; a caret before the sign overwrites the first digit, not the sign.
        const int at = std::max(s.start, signLength);
        replaceRange(s, at, at + 1, QString(digit));
        return true;
    }

    const int fraction = length - point - 1;
    if (fraction < format.fractionDigits || s.start != s.end) {
        insertAndRefilter(s, digit, format);
        return true;
    }
    if (s.start >= length)
        return false;
    replaceRange(s, s.start, s.start + 1, QString(digit));
    return true;
}

} // namespace

bool applyTypedCharacter(EditState& state, QChar typed, const NumberFormat& format)
{
    const QChar ch = numberCharacter(typed);
    EditState s = state;
    const int length = static_cast<int>(s.text.size());
    s.start = std::clamp(std::min(state.start, state.end), 0, length);
    s.end = std::clamp(std::max(state.start, state.end), 0, length);

    bool accepted = false;
    if (ch == u'-' && format.negativesAllowed)
        accepted = typeSign(s);
    else if (isDecimalPoint(ch, format) && format.fractionDigits > 0)
        accepted = typePoint(s, format);
    else if (isDigit(ch))
        accepted = typeDigit(s, ch, format);
    if (accepted)
        state = std::move(s);
    return accepted;
}

} // namespace plotwright::grid
