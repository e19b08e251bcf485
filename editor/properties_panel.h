#pragma once
// The properties of the selection, in a dock: how many of each kind, and for a single
// entity its kind, handle, layer and colour, for polylines whether closed, the vertex
// count and the length, and the curve definition stored with it. Above them, the layer
// and colour of the selection, which can be changed for all of it at once.

#include "core/drawing_names.h"

#include <QDockWidget>
#include <QString>

#include <vector>

class QComboBox;
class QLabel;
class QPushButton;
class QWidget;

namespace plotwright::editor {

class PropertiesPanel : public QDockWidget {
    Q_OBJECT

public:
    explicit PropertiesPanel(QWidget* parent = nullptr);

    // Shows the entities `handles` of `database` (null: no drawing).
    void showSelection(const core::DrawingData* database, const std::vector<core::Handle>& handles);

    QLabel* summary() const { return summary_; }
    QComboBox* layerBox() const { return layerBox_; }
    QComboBox* colorBox() const { return colorBox_; }
    QLabel* curveDefinition() const { return curve_; }

signals:
    // A layer or colour chosen for the whole selection (colour: index 0..256).
    void layerChosen(const QString& layer);
    void colorChosen(int colorIndex);

    // The buttons below a drawn curve's definition (enabled only when one is shown).
    void editCurve();
    void addCurve();

private:
    QLabel* summary_;
    QWidget* appearance_;
    QComboBox* layerBox_;
    QComboBox* colorBox_;
    QLabel* curve_;
    QPushButton* editButton_;
    QPushButton* addButton_;
};

// The panel's text, one "Name: value" line each.
QString describeSelection(const core::DrawingData& database, const std::vector<core::Handle>& handles);

} // namespace plotwright::editor
