#pragma once
// The layers of the current drawing, in a dock: a row per layer with the current-layer
// mark, its name, on, frozen and colour; double-clicking a name makes that layer
// current, double-clicking a colour asks for a colour (taken to the nearest of the
// 255 palette colours). A name field and New add a layer. Each change is one undo step.

#include "core/drawing_names.h"

#include <QDockWidget>
#include <QString>

#include <functional>
#include <string>

class QLineEdit;
class QPushButton;
class QTableWidget;
class QTableWidgetItem;

namespace plotwright::editor {

class UndoHistory;

class LayerPanel : public QDockWidget {
    Q_OBJECT

public:
    enum Column { kCurrent, kName, kOn, kFrozen, kColor, kColumns };

    explicit LayerPanel(QWidget* parent = nullptr);

    // Shows the layers of `database` (null: none); changes are recorded in `history`.
    void showDrawing(core::DrawingData* database, UndoHistory* history);
    // Reads the layers again (after an undo, or a change elsewhere).
    void refresh();

    // The changes the rows and buttons make; false with a message() when refused.
    bool addLayer(const QString& name);
    bool setCurrent(const QString& name);
    bool setOn(const QString& name, bool on);
    bool setFrozen(const QString& name, bool frozen);
    bool setColor(const QString& name, int colorIndex);
    // Asks for the colour of `name` in a colour dialog.
    void chooseColor(const QString& name);

    QTableWidget* table() const { return table_; }
    QLineEdit* nameField() const { return name_; }
    QPushButton* newButton() const { return new_; }

signals:
    // The drawing's layers changed: the view must be drawn again.
    void layersChanged();
    void message(const QString& text);

private:
    bool changeAppearance(const QString& name, const std::function<void(core::LayerAppearance&)>& change);
    void onItemChanged(QTableWidgetItem* item);
    void onDoubleClicked(int row, int column);
    void changed();

    core::DrawingData* database_ = nullptr;
    UndoHistory* history_ = nullptr;
    QTableWidget* table_;
    QLineEdit* name_;
    QPushButton* new_;
    bool filling_ = false;
};

} // namespace plotwright::editor
