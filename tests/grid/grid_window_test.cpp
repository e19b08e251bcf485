// The grid as a window: attaching to a dialog's placeholder, sizes and headings,
// painting outside and inside the cells, the focus frame and hints.
#include "grid_tests.h"
#include "test_grid.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QTest>
#include <QVBoxLayout>

class GridWindowTest : public QObject {
    Q_OBJECT

private slots:
    void attach_takes_the_placeholder_place_data();
    void attach_takes_the_placeholder_place();
    void attach_without_placeholder_fails();
    void sizes_and_headings();
    void outside_the_cells_paints_the_default_background();
    void focus_frame_is_drawn_through_the_notification();
};

void GridWindowTest::attach_takes_the_placeholder_place_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("by control id property") << QStringLiteral("property");
    QTest::newRow("by object name inside a group box") << QStringLiteral("name");
    QTest::newRow("in a layout") << QStringLiteral("layout");
}

void GridWindowTest::attach_takes_the_placeholder_place()
{
    QFETCH(QString, how);
    QWidget dialog;
    dialog.resize(400, 300);
    dialog.setFont(QFont(QStringLiteral("DejaVu Serif"), 11));
    QWidget* parent = &dialog;
    auto* before = new QLabel(QStringLiteral("before"), &dialog);
    QLabel* placeholder = nullptr;
    if (how == QStringLiteral("layout")) {
        auto* layout = new QVBoxLayout(&dialog);
        layout->addWidget(before);
        placeholder = new QLabel(&dialog);
        layout->addWidget(placeholder);
        placeholder->setProperty("controlId", 103);
    } else if (how == QStringLiteral("name")) {
        parent = new QGroupBox(&dialog);
        parent->setGeometry(5, 5, 380, 280);
        placeholder = new QLabel(parent);
        placeholder->setObjectName(QStringLiteral("control103"));
        placeholder->setGeometry(16, 35, 312, 109);
    } else {
        placeholder = new QLabel(&dialog);
        placeholder->setProperty("controlId", 103);
        placeholder->setGeometry(16, 35, 312, 109);
    }
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    const QRect place = placeholder->geometry();

    TestGrid grid;
    QVERIFY(grid.AttachGrid(&dialog, 103));
    QCOMPARE(grid.parentWidget(), parent);
    QCOMPARE(grid.setups, 1);
    QCOMPARE(grid.font(), dialog.font());
    QVERIFY(grid.isVisible());
    QVERIFY(placeholder->isHidden());
    QCOMPARE(grid.property("controlId").toInt(), 103);
    QCOMPARE(grid.objectName(), QStringLiteral("control103"));
    QCOMPARE(placeholder->property("controlId").isValid(), false);
    if (how == QStringLiteral("layout")) {
        QCOMPARE(dialog.layout()->indexOf(&grid), 1);
    } else {
        QCOMPARE(grid.geometry(), place);
    }
}

void GridWindowTest::attach_without_placeholder_fails()
{
    QWidget dialog;
    auto* label = new QLabel(&dialog);
    label->setProperty("controlId", 104);
    TestGrid grid;
    QVERIFY(!grid.AttachGrid(&dialog, 103));
    QVERIFY(!grid.AttachGrid(nullptr, 103));
    QCOMPARE(grid.setups, 0);
    QCOMPARE(grid.parentWidget(), nullptr);
}

void GridWindowTest::sizes_and_headings()
{
    GridWindow w;
    TestGrid& grid = *w.grid;
    grid.SetDefaultCellBorders(false);
    QCOMPARE(grid.visualRect(grid.model()->index(0, 0)), QRect(0, 0, 75, 20));
    grid.SetRowHeight(1, 30);
    QCOMPARE(grid.GetRowHeight(1), 30);
    QCOMPARE(grid.rowViewportPosition(2), 50);
    grid.SetNumberRows(5);
    QCOMPARE(grid.GetRowHeight(4), 20);
    QCOMPARE(grid.GetColWidth(3), 75);
    QCOMPARE(grid.viewport()->pos(), QPoint(grid.frameWidth(), grid.frameWidth()));

    grid.SetTopHeadingHeight(25);
    grid.SetSideHeadingWidth(40);
    QTRY_COMPARE(grid.viewport()->pos(), QPoint(grid.frameWidth() + 40, grid.frameWidth() + 25));
}

void GridWindowTest::outside_the_cells_paints_the_default_background()
{
    GridWindow w;
    TestGrid& grid = *w.grid;
    grid.SetDefaultCellBorders(false);
    grid.background = QColor(255, 0, 255);
    CUGCell coloured;
    coloured.SetBackColor(QColor(17, 237, 250));
    grid.SetCell(2, 1, coloured);
    QVERIFY(grid.GotoCell(3, 2));
    grid.clearFocus();

    const QImage image = grid.viewport()->grab().toImage();
    QCOMPARE(image.pixelColor(350, 10), QColor(255, 0, 255));   // right of the last column
    QCOMPARE(image.pixelColor(10, 100), QColor(255, 0, 255));   // below the last row
    QCOMPARE(image.pixelColor(75 + 2, 2), grid.palette().color(QPalette::Base));
    QCOMPARE(image.pixelColor(150 + 2, 20 + 2), QColor(17, 237, 250));
}

void GridWindowTest::focus_frame_is_drawn_through_the_notification()
{
    GridWindow w;
    TestGrid& grid = *w.grid;
    grid.SetDefaultCellBorders(false);
    QVERIFY(grid.GotoCell(2, 1));
    grid.focusRects.clear();
    grid.viewport()->repaint();
    QCOMPARE(grid.focusRects.size(), std::size_t(1));
    QCOMPARE(grid.focusRects[0], QRect(150, 20, 75, 20));

    QVERIFY(grid.GotoCell(2, 2));  // inside the joined cell: its first cell becomes current
    QCOMPARE(grid.GetCurrentCol(), 1);
    grid.focusRects.clear();
    grid.viewport()->repaint();
    QCOMPARE(grid.focusRects.size(), std::size_t(1));
    QCOMPARE(grid.focusRects[0], QRect(75, 40, 225, 20));

    // The default frame inverts every other pixel of the outline.
    const QImage image = grid.viewport()->grab().toImage();
    const QColor inside = image.pixelColor(77, 42);
    const int differing = (image.pixelColor(75, 40) != inside) + (image.pixelColor(76, 40) != inside);
    QCOMPARE(differing, 1);

    grid.clearFocus();
    grid.focusRects.clear();
    grid.viewport()->repaint();
    QVERIFY2(grid.focusRects.empty(), "no frame while the grid has no focus");
}

int runGridWindowTests(int argc, char** argv)
{
    GridWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "grid_window_test.moc"
