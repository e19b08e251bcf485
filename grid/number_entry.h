#pragma once
// The text rules of the grid's numeric editor, free of widgets: a number is shown as
// [-]whole[<decimal>fraction] with the whole digits grouped and a fixed count of
// fraction digits. Typing inserts whole digits and overwrites fraction digits, so the
// text keeps its shape after every keystroke; a keystroke that does not fit is refused.

#include <QString>

#include <optional>

namespace plotwright::grid {

struct NumberFormat {
    int maxWholeDigits = 12;
    int fractionDigits = 0;    // always shown, filled with zeros
    QChar decimalSeparator = u'.';
    QChar groupSeparator;      // null: no grouping
    int primaryGroup = 3;      // digits in the group next to the decimal separator
    int secondaryGroup = 3;    // digits in each group further left
    bool leadingZero = true;   // "0.5" rather than ".5"
};

// The group sizes of the user's locale, (3, 3) where it does not group.
std::pair<int, int> localeGrouping();

// A number as digits: `whole` has no leading zeros, `fraction` exactly the format's count.
struct NumberDigits {
    bool negative = false;
    QString whole;
    QString fraction;
    bool operator==(const NumberDigits&) const = default;
};

// Reads any text leniently: ASCII digits, the first decimal separator (or "." where "."
// does not group), a "-" before the digits; everything else is skipped. Whole digits
// beyond the limit are kept; fraction digits beyond the count are cut off.
NumberDigits parseNumber(const QString& text, const NumberFormat& format);
QString formatNumber(const NumberDigits& digits, const NumberFormat& format);
// The digits of `value` rounded to the format's fraction count; non-finite values give 0.
NumberDigits digitsOf(double value, const NumberFormat& format);
// The value the digits denote, whatever the locale.
double valueOf(const NumberDigits& digits);

// One keystroke applied to the shown text with its selection [selStart, selEnd) and caret.
struct EntryChange {
    QString text;
    int caret = 0;
};
class NumberEntry {
public:
    explicit NumberEntry(const NumberFormat& format) : format_(format) {}

    // A typed character; nullopt when it does not fit (the text stays as it was).
    std::optional<EntryChange> type(const QString& text, int selStart, int selEnd, int caret, QChar ch) const;
    // Backspace (`backwards`) or Delete. Never refused: at the edges it does nothing.
    EntryChange erase(const QString& text, int selStart, int selEnd, int caret, bool backwards) const;

private:
    struct Caret;
    Caret caretAt(const NumberDigits& digits, int position) const;
    int positionOf(const NumberDigits& digits, const Caret& caret) const;
    Caret removeSelection(NumberDigits& digits, int selStart, int selEnd) const;
    EntryChange result(NumberDigits digits, Caret caret) const;

    NumberFormat format_;
};

} // namespace plotwright::grid
