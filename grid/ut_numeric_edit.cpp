#include "grid/ut_numeric_edit.h"

#include "grid/expression_entry.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QValidator>

#include <algorithm>

using plotwright::grid::EntryChange;
using plotwright::grid::NumberEntry;
using plotwright::grid::NumberFormat;

namespace {

// Brings any text that reaches the editor other than by a keystroke (setText, a paste
// from the context menu, undo) into the editor's form, so the text is always a number.
class NumberShape : public QValidator {
public:
    NumberShape(const NumberFormat& format, const bool& expression, QObject* parent)
        : QValidator(parent), format_(format), expression_(expression)
    {
    }

    State validate(QString& input, int& pos) const override
    {
        if (expression_)
            return Acceptable;  // an expression is judged when it is committed
        const QString shaped = plotwright::grid::formatNumber(plotwright::grid::parseNumber(input, format_), format_);
        if (shaped != input) {
            input = shaped;
            pos = static_cast<int>(shaped.size());
        }
        return Acceptable;
    }

private:
    const NumberFormat& format_;
    const bool& expression_;
};

} // namespace

CUTNumericEdit::CUTNumericEdit(QWidget* parent) : QLineEdit(parent)
{
    const auto [primary, secondary] = plotwright::grid::localeGrouping();
    format_.primaryGroup = primary;
    format_.secondaryGroup = secondary;
    format_.alternateDecimal = plotwright::grid::localeAlternateDecimal(format_.decimalSeparator, format_.groupSeparator);
    setFrame(false);
    setAttribute(Qt::WA_InputMethodEnabled, false);
    setDragEnabled(false);
    setAcceptDrops(false);
    setValidator(new NumberShape(format_, expression_, this));
    connect(this, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (!expression_)
            value_ = plotwright::grid::valueOf(plotwright::grid::parseNumber(text, format_));
    });
    setText(QString());
    if (!parent)
        hide();
}

void CUTNumericEdit::Create(QWidget* parent, const QRect& rect, int controlId)
{
    setParent(parent);
    setGeometry(rect);
    setProperty("controlId", controlId);
    setObjectName(QStringLiteral("control%1").arg(controlId));
    created_ = true;
    show();
}

void CUTNumericEdit::SetMaxWholeDigits(int digits)
{
    NumberFormat f = format_;
    f.maxWholeDigits = std::max(digits, 1);
    ChangeFormat(f);
}

void CUTNumericEdit::SetFractionDigits(int digits)
{
    NumberFormat f = format_;
    f.fractionDigits = std::clamp(digits, 0, 40);
    ChangeFormat(f);
}

void CUTNumericEdit::SetDecimalSeparator(QChar separator)
{
    NumberFormat f = format_;
    f.decimalSeparator = separator;
    ChangeFormat(f);
}

void CUTNumericEdit::SetGroupSeparator(QChar separator)
{
    NumberFormat f = format_;
    f.groupSeparator = separator;
    ChangeFormat(f);
}

void CUTNumericEdit::SetLeadingZero(bool on)
{
    NumberFormat f = format_;
    f.leadingZero = on;
    ChangeFormat(f);
}

void CUTNumericEdit::SetToolTipText(const QString& text)
{
    setToolTip(text);
}

void CUTNumericEdit::SetExpressionsAllowed(bool on)
{
    expressionsAllowed_ = on;
}

void CUTNumericEdit::SetValue(double value)
{
    expression_ = false;
    setText(plotwright::grid::formatNumber(plotwright::grid::digitsOf(value, format_), format_));
}

void CUTNumericEdit::ChangeFormat(const NumberFormat& requested)
{
    NumberFormat format = requested;
    format.alternateDecimal = plotwright::grid::localeAlternateDecimal(format.decimalSeparator, format.groupSeparator);
    // Read the number in the old form before the validator sees the new one.
    auto digits = plotwright::grid::parseNumber(text(), format_);
    expression_ = false;
    format_ = format;
    digits.fraction = digits.fraction.left(format_.fractionDigits).leftJustified(format_.fractionDigits, u'0');
    setText(plotwright::grid::formatNumber(digits, format_));
    value_ = plotwright::grid::valueOf(digits);
}

void CUTNumericEdit::keyPressEvent(QKeyEvent* event)
{
    const NumberEntry entry(format_);
    const int selStart = hasSelectedText() ? selectionStart() : cursorPosition();
    const int selEnd = hasSelectedText() ? selectionEnd() : cursorPosition();

    if (expression_) {
        // Free text: the line edit's own editing, paste and undo included.
        QLineEdit::keyPressEvent(event);
        return;
    }
    if (event->key() == Qt::Key_Backspace || event->key() == Qt::Key_Delete) {
        Apply(entry.erase(text(), selStart, selEnd, cursorPosition(), event->key() == Qt::Key_Backspace));
        return event->accept();
    }
    if (event->matches(QKeySequence::Cut)) {
        if (hasSelectedText()) {
            copy();
            Apply(entry.erase(text(), selStart, selEnd, cursorPosition(), true));
        }
        return event->accept();
    }
    if (event->matches(QKeySequence::Paste)) {
        // A paste is typed character by character, so it meets the same rules.
        QString current = text();
        int start = selStart;
        int end = selEnd;
        int caret = cursorPosition();
        for (QChar ch : QApplication::clipboard()->text()) {
            const auto change = entry.type(current, start, end, caret, ch);
            if (!change) {
                if (StartExpression(QApplication::clipboard()->text(), selStart, selEnd))
                    return event->accept();
                Refuse();
                return event->accept();
            }
            current = change->text;
            start = end = caret = change->caret;
        }
        Apply({current, caret});
        return event->accept();
    }
    if (event->matches(QKeySequence::Undo) || event->matches(QKeySequence::Redo))
        return event->accept();

    const QString typed = event->text();
    const Qt::KeyboardModifiers mods = event->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier);
    // A direction mark, as right-to-left keyboards send with the minus sign: no character.
    if (typed.size() == 1 && plotwright::grid::numberCharacter(typed.at(0)).isNull())
        return event->accept();
    if (typed.size() == 1 && typed.at(0).isPrint() && mods == Qt::NoModifier) {
        if (const auto change = entry.type(text(), selStart, selEnd, cursorPosition(), typed.at(0)))
            Apply(*change);
        else if (!StartExpression(typed, selStart, selEnd))
            Refuse();
        return event->accept();
    }
    // Caret movement, selection, copy: the line edit's own handling.
    QLineEdit::keyPressEvent(event);
}

void CUTNumericEdit::Apply(const EntryChange& change)
{
    if (change.text != text()) {
        setText(change.text);
        setModified(true);  // setText clears it, but this change is the user's
    }
    setCursorPosition(change.caret);
}

bool CUTNumericEdit::StartExpression(const QString& typed, int selStart, int selEnd)
{
    if (!expressionsAllowed_ || !std::any_of(typed.begin(), typed.end(), plotwright::grid::isExpressionCharacter))
        return false;
    const QString line = typed.section(u'\n', 0, 0).section(u'\r', 0, 0);
    const auto change = plotwright::grid::startExpression(text(), selStart, selEnd, line, format_);
    expression_ = true;
    Apply(change);
    return true;
}

void CUTNumericEdit::Refuse()
{
    QApplication::beep();
    emit keyRefused();
}
