#pragma once
// The two typing rules of the numeric text engine (number_format.h).
// Fixed shape (the grid's cell editor): [-]whole[<decimal>fraction] with the whole digits
// grouped and a fixed count of fraction digits; typing inserts whole digits and
// overwrites fraction digits, so the text keeps its shape; a keystroke that does not fit
// is refused.
// Free shape (the dialog's range fields): the canonical text of canonicalNumberText,
// kept so after every keystroke.

#include "grid/number_format.h"

#include <QString>

#include <optional>

namespace plotwright::grid {

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

// Text and selection of an edit; the selection is [start, end), start == end for a caret.
struct EditState {
    QString text;
    int start = 0;
    int end = 0;
    bool operator==(const EditState&) const = default;
};

// The free-shape state after the user typed the printable character `ch` into `state`
// (assumed canonical). A minus sign of any locale types '-', the alternate decimal types
// the point. Returns false when the character is refused; `state` is then unchanged.
bool applyTypedCharacter(EditState& state, QChar ch, const NumberFormat& format);

} // namespace plotwright::grid
