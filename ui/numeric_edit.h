#pragma once
// A single-line edit that holds a signed decimal number with bounded digit counts.
// Typing, deleting, cutting, pasting (keys, context menu, middle click, drag and drop)
// and setting the text all keep the text canonical. Where expressions are allowed, a
// character that only an expression holds ("*" after "2") makes the text a free constant
// expression, evaluated when the edit is committed (Enter, focus leaving): a fitting
// value replaces it.

#include "grid/number_entry.h"

#include <QLineEdit>

#include <string>

class QMenu;

class NumericEdit : public QLineEdit {
    Q_OBJECT

public:
    // A negative `integerDigitLimit` means its absolute value with negatives not allowed.
    // The point and group separator come from the user's locale, read once here; the
    // sign is always '-' (a minus sign of any locale is read as one), and the locale's
    // decimal separator is also taken as the point.
    explicit NumericEdit(int integerDigitLimit = 9, int fractionDigitLimit = 4, QWidget* parent = nullptr);
    ~NumericEdit() override;

    // Bounds are kept for a range check (RangeMessage); they never alter the text.
    void SetBounds(double lower, double upper);
    void SetFractionDigitLimit(int limit);
    // Negative: |limit| digits and no negatives; 0 or more: negatives allowed.
    void SetIntegerDigitLimit(int limit);
    // When both are equal the group separator becomes "." (point ",") or ",".
    void SetSeparatorChars(wchar_t decimalPoint, wchar_t groupSeparator);

    // Shows x with six decimals, trimmed of trailing zeros and point when `trim`.
    void SetNumber(double x, bool trim = true);
    // The number the text denotes; empty text or a sign alone give 0 (never -0). An
    // expression's value, 0 while it has none.
    double GetNumber() const;

    // Off by default: every character that does not fit a number is refused.
    void SetExpressionsAllowed(bool on) { expressionsAllowed_ = on; }
    // True while the text is an expression not yet committed.
    bool IsExpression() const { return expression_; }
    // Why the expression in the text gives no value for this field; empty otherwise.
    QString Problem() const;
    // Evaluates an expression in the text: a value that fits the field's digits and
    // bounds replaces it (emitting expressionCommitted); otherwise it stays.
    void CommitExpression();

    // Both set the canonical form of `text`.
    void setText(const QString& text);
    void SetWindowText(const std::wstring& text);
    std::wstring GetWindowText() const;

    // The edit commands, as the keyboard and context menu run them.
    void Cut();
    void Clear();  // deletes the selection, if any
    void Paste();

    // The prompt a range check would show for this field's bounds.
    std::wstring RangeMessage() const;

    const plotwright::grid::NumberFormat& format() const { return format_; }
    double lowerBound() const { return lower_; }
    double upperBound() const { return upper_; }

    // The context menu, with edit commands that obey the rules of the field. Caller owns it.
    QMenu* createContextMenu();

signals:
    // An expression was replaced by `value`, which the text may show rounded.
    void expressionCommitted(double value);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void typeCharacter(QChar ch);
    void pasteText(const QString& text);
    void refilter();
    void applyState(const plotwright::grid::EditState& state);
    plotwright::grid::EditState state() const;
    void onTextChanged();
    bool startExpression(const QString& typed);

    plotwright::grid::NumberFormat format_;
    double lower_;
    double upper_;
    bool busy_ = false;
    bool expressionsAllowed_ = false;
    bool expression_ = false;  // our own edit in progress: the text-changed guard stands aside
};
