// In-place editing driven by real key and mouse events: how an edit starts, how each
// end key ends it and moves on, and what a refused edit does.
#include "grid_tests.h"
#include "test_grid.h"

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

namespace {

QLineEdit* editorOf(const CUGCtrl& grid)
{
    return qobject_cast<QLineEdit*>(grid.GetEditor());
}

QString textAt(const CUGCtrl& grid, int col, int row)
{
    CUGCell cell;
    grid.GetCell(col, row, &cell);
    return cell.GetText();
}

QPoint centreOf(const CUGCtrl& grid, int col, int row)
{
    return grid.visualRect(grid.model()->index(row, col)).center();
}

enum class Leave { Tab, Return, Escape, ClickOtherCell, FocusOtherWidget };

} // namespace

Q_DECLARE_METATYPE(Leave)

class GridEditTest : public QObject {
    Q_OBJECT

private slots:
    void nothing_starts_an_edit_data();
    void nothing_starts_an_edit();
    void end_keys_data();
    void end_keys();
    void left_and_right_inside_the_text_move_the_caret();
    void escape_sets_the_cancel_flag_and_keeps_the_cell();
    void refused_edit_keeps_the_editor_data();
    void refused_edit_keeps_the_editor();
    void enter_on_the_grid_stays_in_the_grid();
};

void GridEditTest::nothing_starts_an_edit_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("typing on a read-only cell") << "read-only";
    QTest::newRow("double click on an editable cell") << "double click";
    QTest::newRow("typing when the start is refused") << "refused";
}

void GridEditTest::nothing_starts_an_edit()
{
    QFETCH(QString, how);
    GridWindow w;
    TestGrid& grid = *w.grid;
    if (how == QStringLiteral("double click")) {
        QTest::mouseDClick(grid.viewport(), Qt::LeftButton, {}, centreOf(grid, 2, 1));
    } else {
        grid.allowEdit = how != QStringLiteral("refused");
        QVERIFY(grid.GotoCell(how == QStringLiteral("read-only") ? 0 : 2, 1));
        QTest::keyClicks(&grid, QStringLiteral("5x"));
    }
    QVERIFY(!grid.IsEditing());
    QCOMPARE(grid.editStarts, how == QStringLiteral("refused") ? 2 : 0);
    QCOMPARE(QApplication::focusWidget(), &grid);
    QCOMPARE(textAt(grid, grid.GetCurrentCol(), 1), QStringLiteral("r1c%1").arg(grid.GetCurrentCol()));
}

void GridEditTest::end_keys_data()
{
    QTest::addColumn<int>("col");
    QTest::addColumn<int>("row");
    QTest::addColumn<QList<int>>("keys");
    QTest::addColumn<int>("endCol");
    QTest::addColumn<int>("endRow");
    QTest::addColumn<bool>("editing");

    // Column 0 is read-only; row 2, columns 1 to 3 are one joined cell.
    QTest::newRow("Tab moves right and edits on") << 1 << 0 << QList<int>{Qt::Key_Tab} << 2 << 0 << true;
    QTest::newRow("Shift+Tab onto a read-only cell moves without editing")
        << 1 << 0 << QList<int>{Qt::Key_Backtab} << 0 << 0 << false;
    QTest::newRow("Enter moves down") << 1 << 0 << QList<int>{Qt::Key_Return} << 1 << 1 << true;
    QTest::newRow("keypad Enter moves down") << 3 << 0 << QList<int>{Qt::Key_Enter} << 3 << 1 << true;
    QTest::newRow("Down moves down") << 2 << 0 << QList<int>{Qt::Key_Down} << 2 << 1 << true;
    QTest::newRow("Up moves up") << 2 << 1 << QList<int>{Qt::Key_Up} << 2 << 0 << true;
    QTest::newRow("Up from the first row stays") << 2 << 0 << QList<int>{Qt::Key_Up} << 2 << 0 << false;
    QTest::newRow("Tab from the last column stays") << 3 << 1 << QList<int>{Qt::Key_Tab} << 3 << 1 << false;
    QTest::newRow("Right at the end of the text") << 1 << 1 << QList<int>{Qt::Key_Right} << 2 << 1 << true;
    QTest::newRow("Left at the start of the text")
        << 2 << 1 << QList<int>{Qt::Key_Home, Qt::Key_Left} << 1 << 1 << true;
    QTest::newRow("Down into a joined row lands on its first cell")
        << 3 << 1 << QList<int>{Qt::Key_Down} << 1 << 2 << true;
    QTest::newRow("Tab out of a joined cell past the last column stays")
        << 1 << 2 << QList<int>{Qt::Key_Tab} << 1 << 2 << false;
    QTest::newRow("Shift+Tab out of a joined cell onto a read-only cell")
        << 1 << 2 << QList<int>{Qt::Key_Backtab} << 0 << 2 << false;
    QTest::newRow("Up out of a joined cell keeps its first column") << 1 << 2 << QList<int>{Qt::Key_Up} << 1 << 1 << true;
    QTest::newRow("Enter in the last row stays") << 1 << 2 << QList<int>{Qt::Key_Return} << 1 << 2 << false;
}

void GridEditTest::end_keys()
{
    QFETCH(int, col);
    QFETCH(int, row);
    QFETCH(QList<int>, keys);
    QFETCH(int, endCol);
    QFETCH(int, endRow);
    QFETCH(bool, editing);

    GridWindow w;
    TestGrid& grid = *w.grid;
    QVERIFY(grid.GotoCell(col, row));
    QTest::keyClicks(&grid, QStringLiteral("v"));
    QLineEdit* editor = editorOf(grid);
    QVERIFY(editor);
    for (int key : keys)
        QTest::keyClick(editor, Qt::Key(key));

    QCOMPARE(textAt(grid, col, row), QStringLiteral("v"));  // the first key replaced the old text
    QCOMPARE(grid.finishes.size(), std::size_t(1));
    QCOMPARE(grid.finishes[0].col, col);
    QCOMPARE(grid.finishes[0].row, row);
    QCOMPARE(grid.finishes[0].text, QStringLiteral("v"));
    QCOMPARE(grid.GetCurrentCol(), endCol);
    QCOMPARE(grid.GetCurrentRow(), endRow);
    QCOMPARE(grid.IsEditing(), editing);
    if (editing) {
        QLineEdit* next = editorOf(grid);
        QVERIFY(next);
        QCOMPARE(next->geometry(), grid.visualRect(grid.model()->index(endRow, endCol)));
        QCOMPARE(next->text(), textAt(grid, endCol, endRow));
        QCOMPARE(next->selectedText(), next->text());
        QCOMPARE(QApplication::focusWidget(), next);
    } else {
        QCOMPARE(QApplication::focusWidget(), &grid);
    }
}

void GridEditTest::left_and_right_inside_the_text_move_the_caret()
{
    GridWindow w;
    TestGrid& grid = *w.grid;
    QVERIFY(grid.GotoCell(2, 0));
    QTest::keyClicks(&grid, QStringLiteral("a"));
    QLineEdit* editor = editorOf(grid);
    QTest::keyClicks(editor, QStringLiteral("b"));
    QTest::keyClick(editor, Qt::Key_Left);
    QTest::keyClick(editor, Qt::Key_Right);
    QTest::keyClick(editor, Qt::Key_Home);
    QTest::keyClick(editor, Qt::Key_Right, Qt::ShiftModifier);
    QTest::keyClick(editor, Qt::Key_Left);  // only collapses the selection
    QVERIFY(grid.IsEditing());
    QVERIFY(grid.finishes.empty());
}

void GridEditTest::escape_sets_the_cancel_flag_and_keeps_the_cell()
{
    GridWindow w;
    TestGrid& grid = *w.grid;
    QVERIFY(grid.GotoCell(3, 1));
    QTest::keyClicks(&grid, QStringLiteral("z"));
    QTest::keyClicks(editorOf(grid), QStringLiteral("zz"));
    QTest::keyClick(editorOf(grid), Qt::Key_Escape);

    QVERIFY(!grid.IsEditing());
    QCOMPARE(grid.finishes.size(), std::size_t(1));
    QVERIFY(grid.finishes[0].cancelOnEntry);
    QCOMPARE(grid.finishes[0].text, QStringLiteral("zzz"));
    QCOMPARE(textAt(grid, 3, 1), QStringLiteral("r1c3"));
    QCOMPARE(QApplication::focusWidget(), &grid);
    QCOMPARE(grid.GetCurrentCol(), 3);
    QCOMPARE(grid.GetCurrentRow(), 1);
}

void GridEditTest::refused_edit_keeps_the_editor_data()
{
    QTest::addColumn<Leave>("leave");
    QTest::newRow("Tab") << Leave::Tab;
    QTest::newRow("Enter") << Leave::Return;
    QTest::newRow("Escape") << Leave::Escape;
    QTest::newRow("click on another cell") << Leave::ClickOtherCell;
    QTest::newRow("focus to another widget") << Leave::FocusOtherWidget;
}

void GridEditTest::refused_edit_keeps_the_editor()
{
    QFETCH(Leave, leave);
    GridWindow w;
    TestGrid& grid = *w.grid;
    auto* other = new QLineEdit(&w.window);
    other->setGeometry(0, 150, 100, 20);
    other->show();
    grid.finish = [](const TestGrid::Finish& f, bool*) { return f.text != QStringLiteral("bad"); };

    QVERIFY(grid.GotoCell(1, 0));
    QTest::keyClicks(&grid, QStringLiteral("b"));
    QLineEdit* editor = editorOf(grid);
    QTest::keyClicks(editor, QStringLiteral("ad"));
    switch (leave) {
    case Leave::Tab: QTest::keyClick(editor, Qt::Key_Tab); break;
    case Leave::Return: QTest::keyClick(editor, Qt::Key_Return); break;
    case Leave::Escape: QTest::keyClick(editor, Qt::Key_Escape); break;
    case Leave::ClickOtherCell: QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, centreOf(grid, 2, 1)); break;
    case Leave::FocusOtherWidget: other->setFocus(Qt::OtherFocusReason); break;
    }

    QCOMPARE(grid.finishes.size(), std::size_t(1));
    QVERIFY(grid.IsEditing());
    QCOMPARE(editorOf(grid), editor);
    QVERIFY(editor->isVisible());
    QCOMPARE(editor->text(), QStringLiteral("bad"));
    QTRY_COMPARE(QApplication::focusWidget(), editor);
    QCOMPARE(grid.GetCurrentCol(), 1);
    QCOMPARE(grid.GetCurrentRow(), 0);
    QCOMPARE(textAt(grid, 1, 0), QStringLiteral("r0c1"));

    editor->selectAll();
    QTest::keyClicks(editor, QStringLiteral("good"));
    QTest::keyClick(editor, Qt::Key_Return);
    QVERIFY(grid.finishes.size() >= 2);
    QCOMPARE(textAt(grid, 1, 0), QStringLiteral("good"));
    QCOMPARE(grid.GetCurrentRow(), 1);
}

void GridEditTest::enter_on_the_grid_stays_in_the_grid()
{
    QDialog dialog;
    auto* button = new QPushButton(QStringLiteral("Close"), &dialog);
    button->setDefault(true);
    auto* grid = new TestGrid;
    grid->setParent(&dialog);
    grid->setGeometry(0, 30, 300, 100);
    grid->SetNumberRows(2);
    grid->SetNumberCols(2);
    dialog.show();
    dialog.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    grid->setFocus();
    QVERIFY(grid->GotoCell(0, 0));
    QSignalSpy clicks(button, &QPushButton::clicked);
    QTest::keyClick(grid, Qt::Key_Return);
    QCOMPARE(clicks.count(), 0);
    QVERIFY(dialog.isVisible());
}

int runGridEditTests(int argc, char** argv)
{
    GridEditTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "grid_edit_test.moc"
