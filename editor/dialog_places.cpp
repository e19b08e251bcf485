#include "editor/dialog_places.h"

#include "editor/editor_settings.h"

#include <QDialog>
#include <QEvent>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <QSettings>

namespace plotwright::editor {

namespace {

// Only the module's own dialogs: message boxes and file dialogs place themselves.
bool remembered(QObject* watched)
{
    auto* dialog = qobject_cast<QDialog*>(watched);
    return dialog && dialog->isWindow() && dialog->inherits("CAdUiBaseDialog");
}

QString key(QObject* dialog) { return QStringLiteral("Editor/DialogPlaces/") + dialog->metaObject()->className(); }

} // namespace

DialogPlaces::DialogPlaces(QObject* parent) : QObject(parent) {}

bool DialogPlaces::eventFilter(QObject* watched, QEvent* event)
{
    if ((event->type() != QEvent::Show && event->type() != QEvent::Hide) || !remembered(watched))
        return false;
    auto* dialog = static_cast<QDialog*>(watched);
    // The place is the client area's: pos() includes the window manager's frame but a
    // move() before the first show places the client area, so the dialog would creep
    // up by the title bar's height at every session.
    if (event->type() == QEvent::Hide) {
        editorSettings()->setValue(key(dialog), dialog->geometry().topLeft());
    } else if (!dialog->property("plotwrightPlaced").toBool()) {
        // The first show only: during a draw the dialog hides and comes back by itself.
        dialog->setProperty("plotwrightPlaced", true);
        const QVariant stored = editorSettings()->value(key(dialog));
        if (stored.canConvert<QPoint>() && stored.isValid()) {
            const QPoint place = stored.toPoint();
            if (QGuiApplication::screenAt(place + QPoint(20, 20)))
                dialog->setGeometry(QRect(place, dialog->size()));
        }
    }
    return false;
}

} // namespace plotwright::editor
