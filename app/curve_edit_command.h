#pragma once
// The commands on curves already drawn: CURVEEDIT opens the curve dialog with a drawn
// curve's definition and draws it again in place; CURVEADD keeps the definition in the
// user's own curves. Both take the drawn curve from the editor's selection, or ask the
// user to pick one.

inline constexpr const wchar_t* kEditCommandName = L"CURVEEDIT";
inline constexpr const wchar_t* kAddCommandName = L"CURVEADD";

void RunCurveEditCommand();
void RunAddToMyCurvesCommand();
