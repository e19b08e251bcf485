#include "ui/numeric_edit.h"

#include "grid/expression_entry.h"
#include "ui/constant_entry.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLocale>
#include <QMenu>
#include <QMimeData>

#include <cmath>
#include <limits>

using plotwright::grid::EditState;

namespace {

QChar firstCharacter(const QString& text, QChar fallback)
{
    // Right-to-left locales put a direction mark before the character itself.
    const QString plain = plotwright::grid::normalizedNumberText(text);
    return plain.isEmpty() ? fallback : plain.at(0);
}

QChar distinctGroupSeparator(QChar decimalPoint, QChar groupSeparator)
{
    if (groupSeparator != decimalPoint)
        return groupSeparator;
    return decimalPoint == u',' ? u'.' : u',';
}

// A single-line edit takes a pasted text up to its first line break.
QString firstLine(const QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\r' || text[i] == u'\n')
            return text.left(i);
    }
    return text;
}

bool isTypedText(const QString& text)
{
    if (text.isEmpty())
        return false;
    for (const QChar c : text) {
        if (!c.isPrint())
            return false;
    }
    return true;
}

} // namespace

NumericEdit::NumericEdit(int integerDigitLimit, int fractionDigitLimit, QWidget* parent)
    : QLineEdit(parent)
    , lower_(std::numeric_limits<double>::lowest())
    , upper_(std::numeric_limits<double>::max())
{
    format_.maxWholeDigits = std::abs(integerDigitLimit);
    format_.negativesAllowed = integerDigitLimit >= 0;
    format_.fractionDigits = std::max(0, fractionDigitLimit);
    format_.primaryGroup = 0;  // never grouped

    const QLocale locale;
    format_.decimalSeparator = firstCharacter(locale.decimalPoint(), u'.');
    format_.groupSeparator = distinctGroupSeparator(format_.decimalSeparator, firstCharacter(locale.groupSeparator(), u','));
    format_.alternateDecimal = plotwright::grid::localeAlternateDecimal(format_.decimalSeparator, format_.groupSeparator);

    // Whatever reaches the text past the rules below (undo, a base-class setText)
    // is brought back to the canonical form.
    connect(this, &QLineEdit::textChanged, this, &NumericEdit::onTextChanged);
    connect(this, &QLineEdit::editingFinished, this, &NumericEdit::CommitExpression);
}

NumericEdit::~NumericEdit() = default;

void NumericEdit::SetBounds(double lower, double upper)
{
    lower_ = lower;
    upper_ = upper;
    refilter();
}

void NumericEdit::SetFractionDigitLimit(int limit)
{
    limit = std::max(0, limit);
    if (limit == format_.fractionDigits)
        return;
    format_.fractionDigits = limit;
    refilter();
}

void NumericEdit::SetIntegerDigitLimit(int limit)
{
    const int digits = std::abs(limit);
    const bool negatives = limit >= 0;
    if (digits == format_.maxWholeDigits && negatives == format_.negativesAllowed)
        return;
    format_.maxWholeDigits = digits;
    format_.negativesAllowed = negatives;
    refilter();
}

void NumericEdit::SetSeparatorChars(wchar_t decimalPoint, wchar_t groupSeparator)
{
    const QChar point(static_cast<char16_t>(decimalPoint));
    const QChar group(static_cast<char16_t>(groupSeparator));
    if (point == format_.decimalSeparator && group == format_.groupSeparator)
        return;
    format_.decimalSeparator = point;
    format_.groupSeparator = distinctGroupSeparator(point, group);
    format_.alternateDecimal = plotwright::grid::localeAlternateDecimal(point, format_.groupSeparator);
    refilter();
}

void NumericEdit::SetNumber(double x, bool trim)
{
    SetWindowText(plotwright::grid::formatFixed(x, trim, format_).toStdWString());
}

double NumericEdit::GetNumber() const
{
    if (expression_)
        return plotwright::ui::evaluateConstant(text(), format_, lower_, upper_).value.value_or(0.0);
    return plotwright::grid::parseValue(text(), format_);
}

void NumericEdit::setText(const QString& text)
{
    SetWindowText(text.toStdWString());
}

QString NumericEdit::Problem() const
{
    if (!expression_)
        return {};
    return plotwright::ui::evaluateConstant(text(), format_, lower_, upper_).refusal;
}

void NumericEdit::CommitExpression()
{
    if (!expression_)
        return;
    const plotwright::ui::ConstantEntry entry = plotwright::ui::evaluateConstant(text(), format_, lower_, upper_);
    if (!entry.value)
        return;
    SetNumber(*entry.value, true);
    emit expressionCommitted(*entry.value);
}

bool NumericEdit::startExpression(const QString& typed)
{
    if (!expressionsAllowed_ || !std::any_of(typed.begin(), typed.end(), plotwright::grid::isExpressionCharacter))
        return false;
    const EditState before = state();
    const auto change = plotwright::grid::startExpression(before.text, before.start, before.end, typed, format_);
    expression_ = true;
    applyState({change.text, change.caret, change.caret});
    return true;
}

void NumericEdit::SetWindowText(const std::wstring& text)
{
    expression_ = false;
    busy_ = true;
    QLineEdit::setText(plotwright::grid::canonicalNumberText(QString::fromStdWString(text), format_));
    busy_ = false;
}

std::wstring NumericEdit::GetWindowText() const
{
    return text().toStdWString();
}

std::wstring NumericEdit::RangeMessage() const
{
    return plotwright::grid::rangeMessage(lower_, upper_, format_).toStdWString();
}

EditState NumericEdit::state() const
{
    EditState s;
    s.text = text();
    if (hasSelectedText()) {
        s.start = selectionStart();
        s.end = selectionEnd();
    } else {
        s.start = s.end = cursorPosition();
    }
    return s;
}

void NumericEdit::applyState(const EditState& s)
{
    busy_ = true;
    if (s.text != text())
        QLineEdit::setText(s.text);
    if (s.start == s.end)
        setCursorPosition(s.start);
    else
        setSelection(s.start, s.end - s.start);
    busy_ = false;
}

void NumericEdit::refilter()
{
    if (expression_) {
        // Erased back to a plain number, the field follows the number rules again.
        if (plotwright::grid::canonicalNumberText(text(), format_) == text())
            expression_ = false;
        return;
    }
    EditState s = state();
    QString canonical = plotwright::grid::canonicalNumberText(s.text, format_);
    if (canonical == s.text)
        return;
    const int length = static_cast<int>(canonical.size());
    s.text = std::move(canonical);
    s.start = std::min(s.start, length);
    s.end = std::min(s.end, length);
    applyState(s);
}

void NumericEdit::onTextChanged()
{
    if (!busy_)
        refilter();
}

void NumericEdit::typeCharacter(QChar ch)
{
    const EditState before = state();
    EditState after = before;
    if (expression_) {
        ch = plotwright::grid::numberCharacter(ch);  // any minus sign is '-'
        if (ch.isNull())
            return;
        busy_ = true;
        insert(QString(ch));
        busy_ = false;
        refilter();
        return;
    }
    if (!plotwright::grid::applyTypedCharacter(after, ch, format_)) {
        startExpression(QString(ch));  // or refused silently
        return;
    }

    // A plain insertion goes through the edit itself, so that undo knows it.
    EditState plain = before;
    plain.text.replace(plain.start, plain.end - plain.start, QString(ch));
    plain.start = plain.end = before.start + 1;
    if (after == plain) {
        busy_ = true;
        insert(QString(ch));
        busy_ = false;
        return;
    }
    applyState(after);
}

void NumericEdit::pasteText(const QString& pasted)
{
    if (isReadOnly())
        return;
    const EditState before = state();
    busy_ = true;
    insert(firstLine(pasted));
    busy_ = false;
    if (expression_)
        return;
    EditState s = state();
    QString canonical = plotwright::grid::canonicalNumberText(s.text, format_);
    if (canonical == s.text)
        return;
    // An expression ("2*PI") stays as pasted, to be evaluated when committed.
    if (expressionsAllowed_ && std::any_of(pasted.begin(), pasted.end(), plotwright::grid::isExpressionCharacter)) {
        applyState(before);
        startExpression(firstLine(pasted));
        return;
    }
    // Not a number as it stands: keep its canonical form and the selection of before.
    const int length = static_cast<int>(canonical.size());
    s.text = std::move(canonical);
    s.start = std::min(before.start, length);
    s.end = std::min(before.end, length);
    applyState(s);
}

void NumericEdit::Cut()
{
    if (!hasSelectedText())
        return;
    copy();
    if (isReadOnly())
        return;
    busy_ = true;
    del();
    busy_ = false;
    // Cutting the point out of a full number would join both parts beyond the limits.
    refilter();
}

void NumericEdit::Clear()
{
    if (!hasSelectedText() || isReadOnly())
        return;
    const EditState before = state();
    busy_ = true;
    del();
    busy_ = false;
    refilter();
    if (before.end == static_cast<int>(before.text.size()))
        setCursorPosition(std::min(before.start, static_cast<int>(text().size())));
}

void NumericEdit::Paste()
{
    pasteText(QGuiApplication::clipboard()->text(QClipboard::Clipboard));
}

void NumericEdit::keyPressEvent(QKeyEvent* event)
{
    const auto mods = event->modifiers() & ~Qt::KeypadModifier;
    if (event->matches(QKeySequence::Paste) || (event->key() == Qt::Key_Insert && mods == Qt::ShiftModifier)) {
        Paste();
        event->accept();
        return;
    }
    if (event->matches(QKeySequence::Cut) || (event->key() == Qt::Key_Delete && mods == Qt::ShiftModifier)) {
        Cut();
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Delete && mods == Qt::NoModifier) {
        const EditState before = state();
        busy_ = true;
        QLineEdit::keyPressEvent(event);
        busy_ = false;
        refilter();
        if (before.end == static_cast<int>(before.text.size()))
            setCursorPosition(std::min(before.start, static_cast<int>(text().size())));
        return;
    }
    const bool editing = event->key() == Qt::Key_Backspace || event->matches(QKeySequence::DeleteEndOfWord)
        || event->matches(QKeySequence::DeleteStartOfWord) || event->matches(QKeySequence::DeleteEndOfLine)
        || event->matches(QKeySequence::DeleteCompleteLine) || event->matches(QKeySequence::Undo)
        || event->matches(QKeySequence::Redo);
    if (editing) {
        busy_ = true;
        QLineEdit::keyPressEvent(event);
        busy_ = false;
        refilter();
        return;
    }
    const bool command = mods & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    if (!command && isTypedText(event->text())) {
        if (!isReadOnly()) {
            for (const QChar c : event->text())
                typeCharacter(c);
        }
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void NumericEdit::inputMethodEvent(QInputMethodEvent* event)
{
    if (event->commitString().isEmpty()) {
        QLineEdit::inputMethodEvent(event);
        return;
    }
    if (!isReadOnly()) {
        for (const QChar c : event->commitString())
            typeCharacter(c);
    }
    event->accept();
}

QMenu* NumericEdit::createContextMenu()
{
    auto* menu = new QMenu(this);
    const bool editable = !isReadOnly();
    const bool selection = hasSelectedText();
    auto add = [&](const QString& name, const QString& text, QKeySequence::StandardKey key, bool enabled, auto slot) {
        const QString shortcut = QKeySequence(key).toString(QKeySequence::NativeText);
        QAction* action = menu->addAction(shortcut.isEmpty() ? text : text + u'\t' + shortcut);
        action->setObjectName(name);
        action->setEnabled(enabled);
        connect(action, &QAction::triggered, this, slot);
        return action;
    };
    add(QStringLiteral("edit-undo"), tr("&Undo"), QKeySequence::Undo, editable && isUndoAvailable(), [this] {
        undo();
        refilter();
    });
    add(QStringLiteral("edit-redo"), tr("&Redo"), QKeySequence::Redo, editable && isRedoAvailable(), [this] {
        redo();
        refilter();
    });
    menu->addSeparator();
    add(QStringLiteral("edit-cut"), tr("Cu&t"), QKeySequence::Cut, editable && selection, [this] { Cut(); });
    add(QStringLiteral("edit-copy"), tr("&Copy"), QKeySequence::Copy, selection, [this] { copy(); });
    const QMimeData* clip = QGuiApplication::clipboard()->mimeData();
    add(QStringLiteral("edit-paste"), tr("&Paste"), QKeySequence::Paste, editable && clip && clip->hasText(),
        [this] { Paste(); });
    add(QStringLiteral("edit-delete"), tr("Delete"), QKeySequence::UnknownKey, editable && selection,
        [this] { Clear(); });
    menu->addSeparator();
    add(QStringLiteral("select-all"), tr("Select All"), QKeySequence::SelectAll, !text().isEmpty(),
        [this] { selectAll(); });
    return menu;
}

void NumericEdit::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu* menu = createContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
    event->accept();
}

void NumericEdit::mouseReleaseEvent(QMouseEvent* event)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (event->button() == Qt::MiddleButton && clipboard->supportsSelection()) {
        // The selection paste of X11 follows the paste rule too.
        if (rect().contains(event->position().toPoint()))
            pasteText(clipboard->text(QClipboard::Selection));
        event->accept();
        return;
    }
    QLineEdit::mouseReleaseEvent(event);
}

void NumericEdit::dropEvent(QDropEvent* event)
{
    if (isReadOnly() || !event->mimeData()->hasText()) {
        event->ignore();
        return;
    }
    deselect();
    setCursorPosition(cursorPositionAt(event->position().toPoint()));
    pasteText(event->mimeData()->text());
    event->acceptProposedAction();
    setFocus(Qt::MouseFocusReason);
}
