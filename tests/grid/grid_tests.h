#pragma once
// The QtTest classes of the grid executable, run one after the other by its main.

int runGridModelTests(int argc, char** argv);
int runGridEditTests(int argc, char** argv);
int runGridWindowTests(int argc, char** argv);
int runNumericEditTests(int argc, char** argv);
