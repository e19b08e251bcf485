#include "dialogs/ui_library.h"

#include <QApplication>

bool InitAcUiDLL()
{
    // The framework keeps no state of its own beyond what QApplication holds: dialogs
    // need only that object, which the editor creates before it loads any module.
    return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr;
}
