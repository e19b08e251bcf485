#include "app/curve_command.h"

#include "ui/dlg_curve.h"

void RunCurveCommand()
{
    // No parent window: the dialog is application-modal over the editor, and it goes
    // with this scope when its modal run ends.
    CDlgCurve dialog;
    dialog.DoModal();
}
