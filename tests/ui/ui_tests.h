#pragma once
// The QtTest classes of the ui_widgets executable, run one after the other by its main.

#include <memory>

class NumericEdit;

int runNumericEditTests(int argc, char** argv);
int runNumericEditPasteTests(int argc, char** argv);
int runBitmapButtonTests(int argc, char** argv);
int runSaveAsTests(int argc, char** argv);

// The fields of the curve dialog, configured as the dialog does: constructed with
// (9, 4), then bounds, fraction limit, integer limit, separators, value.
enum class Field { Minimum, Increment, WholeNumbers, Unsigned };
std::unique_ptr<NumericEdit> makeField(Field field);
