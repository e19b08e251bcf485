#include "ui/numeric_edit.h"
#include "ui_tests.h"

#include <QApplication>

std::unique_ptr<NumericEdit> makeField(Field field)
{
    std::unique_ptr<NumericEdit> edit;
    switch (field) {
    case Field::Minimum:
        edit = std::make_unique<NumericEdit>(9, 4);
        edit->SetBounds(-1000000, 1000000);
        edit->SetFractionDigitLimit(5);
        edit->SetIntegerDigitLimit(7);
        edit->SetSeparatorChars(L'.', L'\'');
        edit->SetNumber(0, true);
        break;
    case Field::Increment:
        edit = std::make_unique<NumericEdit>(9, 4);
        edit->SetBounds(0, 1000);
        edit->SetFractionDigitLimit(5);
        edit->SetIntegerDigitLimit(3);
        edit->SetSeparatorChars(L'.', L'\'');
        edit->SetNumber(0.1, true);
        break;
    case Field::WholeNumbers:
        edit = std::make_unique<NumericEdit>(5, 0);
        edit->SetSeparatorChars(L'.', L',');
        break;
    case Field::Unsigned:
        edit = std::make_unique<NumericEdit>(-5, 2);
        edit->SetSeparatorChars(L'.', L',');
        break;
    }
    return edit;
}

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    int failures = 0;
    failures += runNumericEditTests(argc, argv);
    failures += runNumericEditPasteTests(argc, argv);
    failures += runBitmapButtonTests(argc, argv);
    failures += runSaveAsTests(argc, argv);
    return failures;
}
