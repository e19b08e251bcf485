#include "grid/number_entry.h"

#include <QLocale>
#include <QStringList>

#include <array>
#include <charconv>
#include <cmath>
#include <string>
#include <vector>

namespace plotwright::grid {
namespace {

// What each character of a shown number is.
enum class Slot { Sign, Placeholder, Whole, Group, Decimal, Fraction };

bool groupBefore(int digitsToTheRight, const NumberFormat& f)
{
    if (f.groupSeparator.isNull() || f.primaryGroup <= 0)
        return false;
    if (digitsToTheRight == f.primaryGroup)
        return true;
    return digitsToTheRight > f.primaryGroup && f.secondaryGroup > 0
           && (digitsToTheRight - f.primaryGroup) % f.secondaryGroup == 0;
}

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

std::pair<int, int> localeGrouping()
{
    QLocale locale = QLocale::system();
    locale.setNumberOptions(QLocale::DefaultNumberOptions);
    const QString separator = locale.groupSeparator();
    if (separator.isEmpty())
        return {3, 3};
    const QStringList groups = locale.toString(Q_INT64_C(1234567890123456)).split(separator);
    if (groups.size() < 2)
        return {3, 3};
    const int primary = static_cast<int>(groups.last().size());
    const int secondary = groups.size() >= 3 ? static_cast<int>(groups.at(groups.size() - 2).size()) : primary;
    if (primary <= 0 || secondary <= 0)
        return {3, 3};
    return {primary, secondary};
}

NumberDigits parseNumber(const QString& text, const NumberFormat& format)
{
    NumberDigits d;
    bool decimal = false;
    bool digit = false;
    for (QChar ch : text) {
        if (isDigit(ch)) {
            (decimal ? d.fraction : d.whole).append(ch);
            digit = true;
        } else if (!decimal && (ch == format.decimalSeparator || (ch == u'.' && format.groupSeparator != u'.'))) {
            decimal = true;
        } else if (ch == u'-' && !digit && !decimal) {
            d.negative = true;
        }
    }
    stripLeadingZeros(d, nullptr);
    const int places = std::max(format.fractionDigits, 0);
    d.fraction.truncate(places);
    d.fraction = d.fraction.leftJustified(places, u'0');
    return d;
}

QString formatNumber(const NumberDigits& d, const NumberFormat& format)
{
    QString text;
    for (const auto& [slot, i] : layout(d, format)) {
        switch (slot) {
        case Slot::Sign: text += u'-'; break;
        case Slot::Placeholder: text += u'0'; break;
        case Slot::Whole: text += d.whole.at(i); break;
        case Slot::Group: text += format.groupSeparator; break;
        case Slot::Decimal: text += format.decimalSeparator; break;
        case Slot::Fraction: text += d.fraction.at(i); break;
        }
    }
    return text;
}

NumberDigits digitsOf(double value, const NumberFormat& format)
{
    NumberFormat plain = format;
    plain.decimalSeparator = u'.';
    plain.groupSeparator = QChar();
    std::array<char, 400> buffer{};
    const int places = std::clamp(format.fractionDigits, 0, 40);
    const auto [end, ec] = std::isfinite(value)
                               ? std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                               std::chars_format::fixed, places)
                               : std::to_chars_result{buffer.data(), std::errc::value_too_large};
    if (ec != std::errc())
        return parseNumber(QString(), plain);
    NumberDigits d = parseNumber(QString::fromLatin1(buffer.data(), end - buffer.data()), plain);
    if (d.whole.isEmpty() && d.fraction.count(u'0') == d.fraction.size())
        d.negative = false;  // no "-0.00" for a tiny negative value
    return d;
}

double valueOf(const NumberDigits& d)
{
    std::string text = d.negative ? "-" : "";
    text += d.whole.isEmpty() ? std::string("0") : d.whole.toStdString();
    if (!d.fraction.isEmpty())
        text += "." + d.fraction.toStdString();
    double value = 0;
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    (void)ptr;
    if (ec == std::errc::result_out_of_range)
        return d.negative ? -HUGE_VAL : HUGE_VAL;
    return value;
}

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
    } else if (ch == format_.decimalSeparator) {
        if (format_.fractionDigits <= 0 || caret.zone == Caret::Fraction)
            return std::nullopt;
        caret = {Caret::Fraction, 0};
    } else if (ch == u'-') {
        const bool atStart = caret.zone == Caret::Sign || (caret.zone == Caret::Whole && caret.index == 0);
        if (d.negative || !atStart)
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

} // namespace plotwright::grid
