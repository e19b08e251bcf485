#pragma once
// The commands on curves already drawn, as the module runs them: the curve dialog with a
// drawn curve's definition that draws it again in place, and keeping the definition in
// the user's own curves. Both take the drawn curve from the editor's selection, or ask
// the user to pick one.

namespace plotwright::app {

void EditDrawnCurve();
void AddDrawnCurveToMyCurves();

} // namespace plotwright::app
