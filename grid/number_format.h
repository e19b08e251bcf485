#pragma once
// The one numeric text engine of the dialogs, free of widgets: how a number is read
// from any text (typed, pasted, set), how it is shown, and the two typing rules built
// on them (number_entry.h). The grid's cell editor and the dialog's range fields both
// use it. The sign is always the ASCII '-', whatever the locale.

#include <QString>

#include <utility>

namespace plotwright::grid {

struct NumberFormat {
    int maxWholeDigits = 12;
    int fractionDigits = 0;        // most digits after the point; 0 forbids the point
    bool negativesAllowed = true;
    QChar decimalSeparator = u'.';
    QChar groupSeparator;          // null: none; never read as a decimal point
    QChar alternateDecimal;        // read as the decimal point too (the locale's ","); null: none
    int primaryGroup = 3;          // grid editor: digits in the group next to the point
    int secondaryGroup = 3;        // grid editor: digits in each group further left
    bool leadingZero = true;       // grid editor: "0.5" rather than ".5"
};

// True when a group separator stands before the digit that has `digitsToTheRight`
// whole digits after it.
bool groupBefore(int digitsToTheRight, const NumberFormat& format);

// The group sizes of the user's locale, (3, 3) where it does not group.
std::pair<int, int> localeGrouping();

// The locale's decimal separator when it is neither `decimal` nor `group`, else null:
// the character a user of that locale types for the point.
QChar localeAlternateDecimal(QChar decimal, QChar group);

// What a character of a number text stands for: the minus signs of all locales
// (U+2212, hyphen-like dashes) become '-', direction marks (which Qt puts into the
// negative sign of right-to-left locales) become null, i.e. are dropped.
QChar numberCharacter(QChar ch);
// The text with numberCharacter applied to every character.
QString normalizedNumberText(const QString& text);

// True when `ch` (already normalized) stands for the format's decimal point.
bool isDecimalPoint(QChar ch, const NumberFormat& format);

// A number as digits: `whole` has no leading zeros.
struct NumberDigits {
    bool negative = false;
    QString whole;
    QString fraction;
    bool operator==(const NumberDigits&) const = default;
};

// Reads any text leniently: ASCII digits, the first decimal point (the format's, its
// alternate, or "." where "." does not group), a '-' before the digits; everything else
// is skipped. Whole digits beyond the limit are kept; fraction digits are padded or cut
// to the format's count.
NumberDigits parseNumber(const QString& text, const NumberFormat& format);
// [-]whole[<decimal>fraction], whole digits grouped by the format's group separator.
QString formatNumber(const NumberDigits& digits, const NumberFormat& format);
// The digits of `value` rounded to the format's fraction count; non-finite values give 0.
NumberDigits digitsOf(double value, const NumberFormat& format);
// The value the digits denote, whatever the locale; never -0.
double valueOf(const NumberDigits& digits);

// The range fields' forms. Canonical text: '-' first when negatives are allowed and one
// was seen, at most maxWholeDigits digits (further ones dropped), then optionally the
// point and at most fractionDigits digits (the first further one ends the text).
// A text holding the format's own point reads "," as a group separator, so "1,234.5" is
// 1234.5; without it the alternate decimal counts as the point ("1,5" is 1.5).
QString canonicalNumberText(const QString& text, const NumberFormat& format);
// x printed with six decimals; with `trim`, trailing zeros and then a trailing point
// removed: 0.1 → "0.1", 100 → "100". -0 prints as "0".
QString formatFixed(double x, bool trim, const NumberFormat& format);
// The number a text denotes: its digits, its first decimal point and a sign anywhere;
// no digits, or only zeros, give 0 (never -0).
double parseValue(const QString& text, const NumberFormat& format);

// The prompt of a range check for [lower, upper]; a bound that is infinite or the
// largest finite double counts as absent. Bounds are formatted as formatFixed(trim).
QString rangeMessage(double lower, double upper, const NumberFormat& format);

} // namespace plotwright::grid
