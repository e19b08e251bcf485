// The save-as dialog run by its buttons and keys: the result and the name handed back.
#include "support/screenshot.h"
#include "ui/dlg_save_as.h"
#include "ui_tests.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

enum class Edit { Keep, Clear, TypeName, TypeBlanks };
enum class End { OkButton, EnterInField, CancelButton, Escape, CloseBox };

} // namespace

class SaveAsTest : public QObject {
    Q_OBJECT

private slots:
    void naming_data();
    void naming();
    void long_suggestion_is_returned_whole();
    void typing_replaces_the_suggestion();
    void do_modal_returns_the_result();
    void layout_follows_the_template();
};

void SaveAsTest::naming_data()
{
    QTest::addColumn<int>("edit");
    QTest::addColumn<int>("end");
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("entered");
    const QString suggestion = QStringLiteral("sin(x); cos(x)");
    QTest::newRow("OK at once accepts the suggestion") << int(Edit::Keep) << int(End::OkButton) << 1 << suggestion;
    QTest::newRow("cleared field and OK gives an empty name") << int(Edit::Clear) << int(End::OkButton) << 1 << "";
    QTest::newRow("Enter in the field presses OK") << int(Edit::TypeName) << int(End::EnterInField) << 1 << "my <curve> & co";
    QTest::newRow("blanks are handed back as typed") << int(Edit::TypeBlanks) << int(End::OkButton) << 1 << "   ";
    QTest::newRow("Cancel still copies the field") << int(Edit::TypeName) << int(End::CancelButton) << 2
                                                  << "my <curve> & co";
    QTest::newRow("Escape cancels") << int(Edit::Keep) << int(End::Escape) << 2 << suggestion;
    QTest::newRow("close box cancels") << int(Edit::Clear) << int(End::CloseBox) << 2 << "";
}

void SaveAsTest::naming()
{
    QFETCH(int, edit);
    QFETCH(int, end);
    QFETCH(int, result);
    QFETCH(QString, entered);
    CDlgSaveAs dialog;
    dialog.SetSuggestedName(L"sin(x); cos(x)");
    QVERIFY(dialog.GetEnteredName().empty());
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    auto* field = dialog.control<QLineEdit>(CDlgSaveAs::IDC_NAME);
    QVERIFY(field);
    QCOMPARE(field->text(), QStringLiteral("sin(x); cos(x)"));

    if (Edit(edit) != Edit::Keep) {
        field->setFocus();
        field->selectAll();
        QTest::keyClick(field, Qt::Key_Delete);
    }
    if (Edit(edit) == Edit::TypeName)
        QTest::keyClicks(field, QStringLiteral("my <curve> & co"));
    if (Edit(edit) == Edit::TypeBlanks)
        QTest::keyClicks(field, QStringLiteral("   "));

    switch (End(end)) {
    case End::OkButton:
        QTest::mouseClick(dialog.control<QPushButton>(1), Qt::LeftButton);
        break;
    case End::EnterInField:
        QTest::keyClick(field, Qt::Key_Return);
        break;
    case End::CancelButton:
        QTest::mouseClick(dialog.control<QPushButton>(2), Qt::LeftButton);
        break;
    case End::Escape:
        QTest::keyClick(field, Qt::Key_Escape);
        break;
    case End::CloseBox:
        dialog.close();
        break;
    }

    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), result);
    QCOMPARE(QString::fromStdWString(dialog.GetEnteredName()), entered);
}

void SaveAsTest::long_suggestion_is_returned_whole()
{
    const std::wstring suggestion = L"a*(t-sin(t)) + " + std::wstring(300, L'1') + L"; a*(1-cos(t))";
    CDlgSaveAs dialog;
    dialog.SetSuggestedName(suggestion);
    dialog.show();
    auto* field = dialog.control<QLineEdit>(CDlgSaveAs::IDC_NAME);
    QVERIFY(field->fontMetrics().horizontalAdvance(field->text()) > field->width());
    QCOMPARE(field->cursorPosition(), 0);  // shown from its start
    QTest::mouseClick(dialog.control<QPushButton>(1), Qt::LeftButton);
    QCOMPARE(dialog.GetEnteredName(), suggestion);
}

void SaveAsTest::typing_replaces_the_suggestion()
{
    // A user types the name at once: letters and the space go into the field, and
    // nothing presses OK before Enter.
    CDlgSaveAs dialog;
    dialog.SetSuggestedName(L"sin(x)");
    QTimer::singleShot(0, &dialog, [&dialog] {
        // The dialog's focus child is what the keyboard reaches once the window is active.
        QWidget* focus = dialog.focusWidget();
        QCOMPARE(focus, dialog.control<QWidget>(CDlgSaveAs::IDC_NAME));
        QTest::keyClicks(focus, QStringLiteral("Sine wave"));
        QTest::keyClick(focus, Qt::Key_Return);
    });
    QCOMPARE(dialog.DoModal(), 1);
    QCOMPARE(dialog.GetEnteredName(), std::wstring(L"Sine wave"));
}

void SaveAsTest::do_modal_returns_the_result()
{
    CDlgSaveAs dialog;
    dialog.SetSuggestedName(L"x^2");
    QTimer::singleShot(0, &dialog, [&dialog] {
        auto* field = dialog.control<QLineEdit>(CDlgSaveAs::IDC_NAME);
        field->setFocus();
        QTest::keyClick(field, Qt::Key_End);
        QTest::keyClicks(field, QStringLiteral("+1"));
        QTest::keyClick(field, Qt::Key_Escape);  // ignored by nobody: the run ends with 2
    });
    QCOMPARE(dialog.DoModal(), 2);
    QCOMPARE(dialog.GetEnteredName(), std::wstring(L"x^2+1"));

}

void SaveAsTest::layout_follows_the_template()
{
    CDlgSaveAs dialog;
    dialog.SetSuggestedName(L"4*a*(cos(1/3*th))^3");
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Save as..."));
    QCOMPARE(dialog.size(), dialog.MapDialogRect(0, 0, 239, 60).size());
    QCOMPARE(dialog.minimumSize(), dialog.maximumSize());
    QCOMPARE(dialog.control<QPushButton>(1)->text(), QStringLiteral("OK"));
    QVERIFY(dialog.control<QPushButton>(1)->isDefault());
    QCOMPARE(dialog.control<QPushButton>(2)->text(), QStringLiteral("Cancel"));
    QCOMPARE(dialog.control<QLineEdit>(119)->geometry(), dialog.MapDialogRect(7, 17, 225, 14));
    QCOMPARE(dialog.control<QLabel>(-1)->text(), QStringLiteral("Equation name:"));
    // The name field has the focus; Tab walks the template order: OK, Cancel, the field.
    QTRY_COMPARE(QApplication::focusWidget(), dialog.control<QWidget>(119));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), dialog.control<QWidget>(1));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), dialog.control<QWidget>(2));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), dialog.control<QWidget>(119));
    QVERIFY(!plotwright::test::saveScreenshot(dialog, QStringLiteral("save_as_dialog")).isEmpty());
}

int runSaveAsTests(int argc, char** argv)
{
    SaveAsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "dlg_save_as_test.moc"
