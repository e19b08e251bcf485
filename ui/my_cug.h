#pragma once
// The parameter grid of the curve dialog: shows the constants and the running
// variable of one curve in two sections and edits their values in place, each
// checked against its bounds. The cells refer to the curve's own parameter objects.

#include "grid/ug_ctrl.h"
#include "grid/ut_numeric_edit.h"
#include "model/equation.h"
#include "ui/font_list.h"

#include <optional>

class MyCug : public CUGCtrl {
    Q_OBJECT

public:
    // Control id of the numeric editor window.
    static constexpr int NumericEditId = 320002;

    explicit MyCug(QWidget* parent = nullptr);
    ~MyCug() override;

    // Clears the grid and shows the parameters of `equation`; null leaves it empty.
    // The cells point into the equation's parameters, so the equation must outlive
    // its display (until the next SetEquation).
    void SetEquation(CEquation* equation);

    // True while the editor holds a value its cell refused; the editor is then coloured
    // and RefusalMessage() names the allowed range.
    bool HasRefusedValue() const { return refused_; }
    QString RefusalMessage() const { return refusal_; }

    // A number of the current cell that a slider can set: a constant's value or an end of
    // the running variable's range (not the increment, a heading or a name).
    struct CellNumber {
        int col = -1;
        int row = -1;
        QString name;     // "a", or "t min." and "t max." for the range ends
        double value = 0;
        double low = 0;   // the bounds the cell checks; equal: none
        double high = 0;
    };
    // Empty when the current cell holds no such number.
    std::optional<CellNumber> CurrentNumber() const;
    // Offers `value` to the cell as if it were typed there and accepted: outside the
    // cell's bounds it is refused (the parameter and the cell keep their values) and the
    // refusal is returned; otherwise it is written, valuesChanged is emitted and the
    // result is empty. An open editor is closed first without writing its entry.
    QString OfferValue(int col, int row, double value);

signals:
    // A value was accepted into a parameter, or a refusal began or ended.
    void valuesChanged();
    // The current cell moved, or the grid shows another curve.
    void currentNumberChanged();

protected:
    void OnSetup() override;
    void OnCharDown(int* key) override;
    bool OnEditStart(int col, int row, QWidget** editor) override;
    bool OnEditFinish(int col, int row, QWidget* editor, const QString& text, bool* cancelFlag) override;
    QColor OnGetDefBackColor(Section section) override;
    bool OnHint(int col, int row, Section section, QString* text) override;
    void OnDrawFocusRect(QPainter* painter, QRect rect) override;

private:
    void AddParameterRow(const CEquationParameterPtr& parameter, bool withHeading);
    void WriteHeadingRow(int row, int kind);
    void ApplySwitches();
    void SetRefusal(const QString& message);

    int lastRow_ = -1;
    FontList fonts_;
    const QFont* gridFont_ = nullptr;
    CUTNumericEdit numericEdit_;
    bool refused_ = false;
    QString refusal_;
};
