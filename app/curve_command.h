#pragma once
// The function of the vexilo command.

// Runs the curve dialog modally (no parent window) and destroys it when it ends.
// Reads nothing from the command line and prints nothing.
void RunCurveCommand();
