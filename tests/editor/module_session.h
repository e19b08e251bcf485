#pragma once
// What the tests that drive the real module share: the module's dialog on show, and a
// line typed into the command line as a user types it.

#include "command_input.h"

#include "dialogs/ad_ui_base_dialog.h"

#include <QApplication>

// The module's modal dialog when one is on show, else null.
inline CAdUiBaseDialog* shownDialog()
{
    auto* dialog = qobject_cast<CAdUiBaseDialog*>(QApplication::activeModalWidget());
    return dialog && dialog->isVisible() ? dialog : nullptr;
}
