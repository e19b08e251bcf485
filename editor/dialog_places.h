#pragma once
// Remembers where the user left the module's dialogs (the curve dialog) between runs:
// watches the application's top-level dialogs, stores the place of each kind when it
// hides and puts a new one there when it first shows, if that place is on a screen.

#include <QObject>

namespace plotwright::editor {

class DialogPlaces : public QObject {
public:
    explicit DialogPlaces(QObject* parent = nullptr);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace plotwright::editor
