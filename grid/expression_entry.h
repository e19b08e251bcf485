#pragma once
// Where a number field leaves its typing rules for a constant expression ("2*PI",
// "360/7"): the characters that can only belong to an expression, and the text the
// expression starts from. The owner of the field evaluates it when it is committed.

#include "grid/number_entry.h"

#include <QString>

namespace plotwright::grid {

// True for a character that no number holds but an expression may start from: letters,
// the operators + - * / ^, brackets and the argument comma. ('-' counts, since the
// typing rules refuse it after the first digit.)
bool isExpressionCharacter(QChar ch);

// The expression after `typed` replaced the selection [selStart, selEnd) of the shown
// number `text`: the number as typed so far, with "." for its point, without group
// separators and without the padding zeros after the caret that a fixed count of
// fraction digits shows ("2|.000000" and "*" give "2*"). The caret follows `typed`.
EntryChange startExpression(const QString& text, int selStart, int selEnd, const QString& typed,
                            const NumberFormat& format);

} // namespace plotwright::grid
