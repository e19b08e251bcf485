#include "app/curve_edit_command.h"

#include "app/drawn_curve_commands.h"

void RunCurveEditCommand() { plotwright::app::EditDrawnCurve(); }

void RunAddToMyCurvesCommand() { plotwright::app::AddDrawnCurveToMyCurves(); }
