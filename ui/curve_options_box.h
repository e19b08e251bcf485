#pragma once
// The curve dialog's drawing options: output kind (chords, arcs, spline), adaptive
// sampling within a tolerance, the literal stepping of the increment, and the placement
// (turn, scale, mirror, offset).

#include "curve/curve_options.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QLineEdit;
class PlacementBox;

class CurveOptionsBox : public QWidget {
    Q_OBJECT

public:
    explicit CurveOptionsBox(QWidget* parent = nullptr);

    // What the fields say; a tolerance that is not a number above 0 ("." or the
    // locale's separator) counts as none, and its field is marked.
    plotwright::curve::CurveOptions Options() const;
    void SetOptions(const plotwright::curve::CurveOptions& options);
    // Why the options cannot be drawn with (a refused tolerance), empty when they can.
    QString Problem() const;
    // Whether the draw asks for the rotation after the origin (PlacementBox).
    bool AsksForRotation() const;

    // "Turn by a point" (PlacementBox).
    bool TurnsByPoint() const;
    void SetTurnsByPoint(bool on);

    // The user's last choice, kept in the user settings as the options' text form, and
    // "Turn by a point" beside it.
    static plotwright::curve::CurveOptions LoadStored();
    static void Store(const plotwright::curve::CurveOptions& options);
    static bool LoadStoredTurnsByPoint();
    static void StoreTurnsByPoint(bool on);

signals:
    void changed();

private:
    void FieldsEdited();

    QComboBox* output_;
    QCheckBox* adaptive_;
    QLineEdit* tolerance_;
    QCheckBox* literal_;
    PlacementBox* placement_;
};
