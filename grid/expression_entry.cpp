#include "grid/expression_entry.h"

#include <algorithm>

namespace plotwright::grid {
namespace {

// The number text as the expression language reads it: the point as ".", no group
// separators, direction marks dropped, any minus sign as '-'.
QString plainNumber(const QString& text, const NumberFormat& format)
{
    QString plain;
    for (QChar ch : text) {
        ch = numberCharacter(ch);
        if (ch.isNull() || (!format.groupSeparator.isNull() && ch == format.groupSeparator))
            continue;
        plain += isDecimalPoint(ch, format) ? QChar(u'.') : ch;
    }
    return plain;
}

} // namespace

bool isExpressionCharacter(QChar ch)
{
    if (ch.isLetter())
        return true;
    static const QString operators = QStringLiteral("+-*/^(),");
    return operators.contains(ch);
}

EntryChange startExpression(const QString& text, int selStart, int selEnd, const QString& typed,
                            const NumberFormat& format)
{
    const int size = static_cast<int>(text.size());
    selStart = std::clamp(selStart, 0, size);
    selEnd = std::clamp(selEnd, selStart, size);
    QString left = plainNumber(text.left(selStart), format);
    QString right = plainNumber(text.mid(selEnd), format);
    // Zeros after the caret in the fraction are padding the user never typed.
    if (left.contains(u'.') || right.contains(u'.')) {
        while (right.endsWith(u'0'))
            right.chop(1);
        if (right.endsWith(u'.'))
            right.chop(1);
    }
    EntryChange change;
    change.text = left + typed + right;
    change.caret = static_cast<int>(left.size() + typed.size());
    return change;
}

} // namespace plotwright::grid
