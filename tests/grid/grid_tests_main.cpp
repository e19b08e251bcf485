#include "grid_tests.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    int failures = 0;
    failures += runGridModelTests(argc, argv);
    failures += runGridEditTests(argc, argv);
    failures += runGridWindowTests(argc, argv);
    failures += runNumericEditTests(argc, argv);
    return failures;
}
