#pragma once
// The properties of the selection, in a dock: how many of each kind, and for a single
// entity its kind, handle, layer and colour, for polylines whether closed, the vertex
// count and the length, and the curve definition stored with it.

#ifndef Q_MOC_RUN // moc cannot parse <compare>
#include "db/object_id.h"
#endif

#include <QDockWidget>
#include <QString>

#include <vector>

class AcDbDatabase;
class QLabel;
class QPushButton;

namespace plotwright::editor {

class PropertiesPanel : public QDockWidget {
    Q_OBJECT

public:
    explicit PropertiesPanel(QWidget* parent = nullptr);

    // Shows the entities `handles` of `database` (null: no drawing).
    void showSelection(const AcDbDatabase* database, const std::vector<AcDbHandle>& handles);

    QLabel* summary() const { return summary_; }
    QLabel* curveDefinition() const { return curve_; }

signals:
    // The buttons below a drawn curve's definition (enabled only when one is shown).
    void editCurve();
    void addCurve();

private:
    QLabel* summary_;
    QLabel* curve_;
    QPushButton* editButton_;
    QPushButton* addButton_;
};

// The panel's text, one "Name: value" line each.
QString describeSelection(const AcDbDatabase& database, const std::vector<AcDbHandle>& handles);

} // namespace plotwright::editor
