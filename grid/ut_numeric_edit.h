#pragma once
// The grid's numeric editor: a line edit that holds one number with a limit on its
// whole digits, a fixed count of fraction digits (always shown), its own decimal and
// digit-group separators. A keystroke that does not fit is refused with a beep.
// Until Create it is a bare object without parent, so an owner can hold it by value.

#include "grid/number_entry.h"

#include <QLineEdit>

class CUTNumericEdit : public QLineEdit {
    Q_OBJECT

public:
    explicit CUTNumericEdit(QWidget* parent = nullptr);

    // Makes the editor a shown child of `parent` at `rect`, identified by `controlId`
    // (property "controlId", object name "control<id>").
    void Create(QWidget* parent, const QRect& rect, int controlId);
    bool IsCreated() const { return created_; }

    // Each setting re-shows the current number in the new form.
    void SetMaxWholeDigits(int digits);
    void SetFractionDigits(int digits);
    void SetDecimalSeparator(QChar separator);
    // A null character turns grouping off. Digits are grouped as the user's locale groups them.
    void SetGroupSeparator(QChar separator);
    void SetLeadingZero(bool on);
    void SetToolTipText(const QString& text);
    // Off by default. On, a refused character that only an expression holds ("*" after
    // "2") turns the text into a free expression until the next SetValue; the owner
    // evaluates text() when the edit is committed.
    void SetExpressionsAllowed(bool on);
    bool IsExpression() const { return expression_; }
    const plotwright::grid::NumberFormat& Format() const { return format_; }

    // isModified() tells whether the user changed the number since it was last set.
    // The number shown, updated at every keystroke; 0 for an empty text. Meaningless
    // while the text is an expression.
    double GetValue() const { return value_; }
    void SetValue(double value);

signals:
    // A keystroke was refused (and the beep sounded).
    void keyRefused();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void ChangeFormat(const plotwright::grid::NumberFormat& format);
    void Apply(const plotwright::grid::EntryChange& change);
    void Refuse();
    bool StartExpression(const QString& typed, int selStart, int selEnd);

    plotwright::grid::NumberFormat format_;
    double value_ = 0;
    bool created_ = false;
    bool expressionsAllowed_ = false;
    bool expression_ = false;
};
