#pragma once
// Building the dialog base's controls from their templates (internal to host_ui).

#include "dialogs/dialog_template.h"

#include <functional>

class QObject;
class QWidget;
class CAdUiBaseDialog;

namespace plotwright::host {

// A new widget of the template's kind, a child of `parent`.
QWidget* createControl(const ControlTemplate& control, QWidget* parent);

// Gives `widget` the place, identity (property "controlId", object name
// "control<id>"), focus behaviour and style of the template.
void applyTemplate(const ControlTemplate& control, QWidget& widget, const CAdUiBaseDialog& dialog);

// Forwards the widget's notifications to `send(id, notification)`, once per widget;
// the connections live as long as `context`.
void connectNotifications(QWidget& widget, int id, QObject* context, std::function<void(int, int)> send);

} // namespace plotwright::host
