#include "app/curve_edit_command.h"

#include "ui/drawn_curve_commands.h"

// The work lives in the dialogs' library, whose symbols stay out of the module's exports.
void RunCurveEditCommand() { plotwright::ui::EditDrawnCurve(); }

void RunAddToMyCurvesCommand() { plotwright::ui::AddDrawnCurveToMyCurves(); }
