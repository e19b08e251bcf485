#pragma once
// A single-line edit that only ever holds a signed decimal number with bounded
// digit counts. Typing, deleting, cutting, pasting (keys, context menu, middle
// click, drag and drop) and setting the text all keep the text canonical.

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
    // The number the text denotes; empty text or a sign alone give 0 (never -0).
    double GetNumber() const;

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

    plotwright::grid::NumberFormat format_;
    double lower_;
    double upper_;
    bool busy_ = false;  // our own edit in progress: the text-changed guard stands aside
};
