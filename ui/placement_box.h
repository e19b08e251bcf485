#pragma once
// The curve dialog's placement fields beside the drawing options: the turn, the scale
// and the mirror about the curve's own x axis, and an offset to one side or to both
// (for a tool's radius or a kerf). Empty fields mean none.

#include "curve/curve_options.h"

#include <QWidget>

class QCheckBox;
class QLineEdit;

class PlacementBox : public QWidget {
    Q_OBJECT

public:
    explicit PlacementBox(QWidget* parent = nullptr);

    // Writes the fields into `options`; a field that is refused (see Problem) leaves
    // `options`' value as it was.
    void ApplyTo(plotwright::curve::CurveOptions& options) const;
    void SetFrom(const plotwright::curve::CurveOptions& options);
    // Why a field cannot be used, empty when every one can.
    QString Problem() const;
    // "Turn by a point" is checked and Rotate is empty: the draw asks for the rotation
    // after the origin. An angle in Rotate is used as it stands.
    bool AsksForRotation() const;
    // The "Turn by a point" box itself (a way of picking, kept apart from the options).
    bool TurnsByPoint() const;
    void SetTurnsByPoint(bool on);

signals:
    void changed();

private:
    void FieldsEdited();

    QLineEdit* rotation_;
    QLineEdit* scale_;
    QCheckBox* mirror_;
    QLineEdit* offset_;
    QCheckBox* both_;
    QCheckBox* rotationByPoint_;
};
