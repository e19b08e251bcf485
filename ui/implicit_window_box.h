#pragma once
// The curve dialog's fields for an implicit curve, in place of the range: the window
// the curve is looked for in (x and y, each from min. to max.) and the grid that finds
// its branches, as a cell count along the window's longer side or as a cell size.

#include "model/equation.h"

#include <QWidget>

#include <array>

class NumericEdit;
class QComboBox;
class QLabel;

class ImplicitWindowBox : public QWidget {
    Q_OBJECT

public:
    // Object names of the fields, for tests and scripts.
    static constexpr const char* FieldNames[] = {"windowXMin", "windowXMax", "windowYMin", "windowYMax", "gridValue"};
    enum Field { XMin, XMax, YMin, YMax, Grid };

    explicit ImplicitWindowBox(QWidget* parent = nullptr);

    // Shows `window`; a grid count of 0 shows the default count.
    void SetWindow(const ImplicitWindow& window);
    // The window as the fields give it: a value the field shows rounded stays exact
    // until the field is changed, and so does a default grid count (0); the grid in the
    // unit the chooser names.
    ImplicitWindow Window() const;
    // Why a field's expression gives no value, with the field; empty when all do.
    QString Problem(Field* field = nullptr) const;
    // Marks `field` as the one at fault with `message` (empty clears every mark).
    void Mark(Field field, const QString& message);

    NumericEdit& FieldAt(Field field) const { return *fields_[field]; }
    QComboBox& GridUnit() const { return *gridUnit_; }

signals:
    void changed();

private:
    void SetGridUnit(bool cellSize);
    double Value(Field field) const;

    std::array<NumericEdit*, 5> fields_{};
    QComboBox* gridUnit_ = nullptr;
    struct Shown {
        QString text;  // as the field showed it; empty: nothing shown from a curve
        double exact = 0;
    };
    std::array<Shown, 5> shown_{};
};
