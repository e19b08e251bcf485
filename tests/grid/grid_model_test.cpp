// The grid's cells, defaults, sizes and joins, through the grid API, with the
// model checked by QAbstractItemModelTester throughout.
#include "grid/ug_ctrl.h"
#include "grid_tests.h"

#include <QAbstractItemModelTester>
#include <QTest>

namespace {

std::unique_ptr<QAbstractItemModelTester> watch(CUGCtrl& grid)
{
    return std::make_unique<QAbstractItemModelTester>(grid.model(),
                                                      QAbstractItemModelTester::FailureReportingMode::QtTest);
}

QString textAt(const CUGCtrl& grid, int col, int row)
{
    CUGCell cell;
    return grid.GetCell(col, row, &cell) ? cell.GetText() : QStringLiteral("<outside>");
}

void fillTexts(CUGCtrl& grid)
{
    for (int r = 0; r < grid.GetNumberRows(); ++r)
        for (int c = 0; c < grid.GetNumberCols(); ++c)
            grid.QuickSetText(c, r, QStringLiteral("%1%2").arg(QChar(u'a' + c)).arg(r));
}

} // namespace

class GridModelTest : public QObject {
    Q_OBJECT

private slots:
    void cell_layers_grid_default_column_default_and_own_settings();
    void new_columns_copy_the_grid_default_of_their_time();
    void resizing_keeps_the_cells_inside();
    void delete_row_data();
    void delete_row();
    void join_refuses_data();
    void join_refuses();
    void clearing_cells_keeps_sizes_defaults_and_joins();
    void model_roles_follow_the_cells();
};

void GridModelTest::cell_layers_grid_default_column_default_and_own_settings()
{
    CUGCtrl grid;
    const auto tester = watch(grid);
    QFont gridFont(QStringLiteral("DejaVu Sans"), 9);
    CUGCell def;
    def.SetFont(gridFont);
    def.SetReadOnly(true);
    def.SetAlignment(Qt::AlignRight);
    grid.SetGridDefault(def);
    grid.SetNumberRows(2);
    grid.SetNumberCols(2);

    CUGCell colDef;
    QVERIFY(grid.GetColDefault(1, &colDef));
    colDef.SetAlignment(Qt::AlignTop);
    colDef.SetBackColor(Qt::red);
    QVERIFY(grid.SetColDefault(1, colDef));

    CUGCell own;
    own.SetText(QStringLiteral("x"));
    own.SetReadOnly(false);
    own.SetBackColor(Qt::blue);
    int param = 0;
    own.SetParam(&param);
    QVERIFY(grid.SetCell(1, 1, own));

    CUGCell plain;
    QVERIFY(grid.GetCell(0, 0, &plain));
    QCOMPARE(plain.GetFont(), gridFont);
    QVERIFY(plain.GetReadOnly());
    QCOMPARE(plain.GetAlignment(), Qt::AlignRight | Qt::AlignVCenter);
    QVERIFY(!plain.GetBackColor().isValid());
    QCOMPARE(plain.GetParam(), nullptr);

    CUGCell columnOnly;
    QVERIFY(grid.GetCell(1, 0, &columnOnly));
    QCOMPARE(columnOnly.GetAlignment(), Qt::AlignRight | Qt::AlignTop);
    QCOMPARE(columnOnly.GetBackColor(), QColor(Qt::red));

    CUGCell layered;
    QVERIFY(grid.GetCell(1, 1, &layered));
    QCOMPARE(layered.GetText(), QStringLiteral("x"));
    QVERIFY(!layered.GetReadOnly());
    QCOMPARE(layered.GetBackColor(), QColor(Qt::blue));
    QCOMPARE(layered.GetAlignment(), Qt::AlignRight | Qt::AlignTop);
    QCOMPARE(layered.GetFont(), gridFont);
    QCOMPARE(layered.GetParam(), &param);

    QVERIFY(!grid.GetCell(2, 0, &layered));
    QVERIFY(!grid.GetCell(0, -1, &layered));
}

void GridModelTest::new_columns_copy_the_grid_default_of_their_time()
{
    CUGCtrl grid;
    const auto tester = watch(grid);
    CUGCell def;
    def.SetReadOnly(true);
    grid.SetGridDefault(def);
    grid.SetNumberRows(1);
    grid.SetNumberCols(1);
    def.SetReadOnly(false);
    grid.SetGridDefault(def);
    grid.SetNumberCols(2);

    CUGCell cell;
    QVERIFY(grid.GetCell(0, 0, &cell));
    QVERIFY2(cell.GetReadOnly(), "an existing column keeps its copy of the old default");
    QVERIFY(grid.GetCell(1, 0, &cell));
    QVERIFY(!cell.GetReadOnly());
    QVERIFY(!(grid.model()->flags(grid.model()->index(0, 0)) & Qt::ItemIsEditable));
    QVERIFY(grid.model()->flags(grid.model()->index(0, 1)) & Qt::ItemIsEditable);
}

void GridModelTest::resizing_keeps_the_cells_inside()
{
    CUGCtrl grid;
    const auto tester = watch(grid);
    grid.SetNumberRows(3);
    grid.SetNumberCols(3);
    fillTexts(grid);

    grid.SetNumberCols(2);
    grid.SetNumberRows(2);
    QCOMPARE(grid.GetNumberCols(), 2);
    QCOMPARE(grid.GetNumberRows(), 2);
    QCOMPARE(textAt(grid, 1, 1), QStringLiteral("b1"));
    QCOMPARE(textAt(grid, 2, 2), QStringLiteral("<outside>"));

    grid.SetNumberCols(4);
    grid.SetNumberRows(3);
    QCOMPARE(textAt(grid, 0, 0), QStringLiteral("a0"));
    QCOMPARE(textAt(grid, 1, 1), QStringLiteral("b1"));
    QCOMPARE(textAt(grid, 2, 1), QString());
    QCOMPARE(textAt(grid, 1, 2), QString());

    grid.SetNumberRows(0);
    grid.SetNumberCols(0);
    QCOMPARE(grid.model()->rowCount(), 0);
    QCOMPARE(grid.model()->columnCount(), 0);
}

void GridModelTest::delete_row_data()
{
    // A 4 x 3 grid with row 1, columns 0 to 2 joined.
    QTest::addColumn<int>("deleted");
    QTest::addColumn<int>("joinedRowAfter");  // -1: the join is gone
    QTest::addColumn<QString>("row1col0After");

    QTest::newRow("row above the join") << 0 << 0 << QStringLiteral("a2");
    QTest::newRow("the joined row") << 1 << -1 << QStringLiteral("a2");
    QTest::newRow("row below the join") << 2 << 1 << QStringLiteral("a1");
    QTest::newRow("last row") << 3 << 1 << QStringLiteral("a1");
}

void GridModelTest::delete_row()
{
    QFETCH(int, deleted);
    QFETCH(int, joinedRowAfter);
    QFETCH(QString, row1col0After);

    CUGCtrl grid;
    const auto tester = watch(grid);
    grid.SetNumberRows(4);
    grid.SetNumberCols(3);
    fillTexts(grid);
    QVERIFY(grid.JoinCells(0, 1, 2, 1));
    QCOMPARE(grid.columnSpan(1, 0), 3);

    QVERIFY(grid.DeleteRow(deleted));
    QCOMPARE(grid.GetNumberRows(), 3);
    QCOMPARE(textAt(grid, 0, 1), row1col0After);
    for (int r = 0; r < 3; ++r)
        QCOMPARE(grid.columnSpan(r, 0), r == joinedRowAfter ? 3 : 1);
    QVERIFY(!grid.DeleteRow(3));
}

void GridModelTest::join_refuses_data()
{
    // A 3 x 4 grid with row 0, columns 1 to 2 joined.
    QTest::addColumn<QRect>("range");  // left, top, right, bottom as cols and rows

    QTest::newRow("overlapping an existing join") << QRect(QPoint(2, 0), QPoint(3, 0));
    QTest::newRow("containing an existing join") << QRect(QPoint(0, 0), QPoint(3, 1));
    QTest::newRow("past the last column") << QRect(QPoint(2, 1), QPoint(4, 1));
    QTest::newRow("past the last row") << QRect(QPoint(0, 2), QPoint(0, 3));
    QTest::newRow("reversed") << QRect(QPoint(3, 1), QPoint(1, 1));
    QTest::newRow("negative") << QRect(QPoint(-1, 1), QPoint(1, 1));
}

void GridModelTest::join_refuses()
{
    QFETCH(QRect, range);
    CUGCtrl grid;
    const auto tester = watch(grid);
    grid.SetNumberRows(3);
    grid.SetNumberCols(4);
    QVERIFY(grid.JoinCells(1, 0, 2, 0));
    QVERIFY(!grid.JoinCells(range.left(), range.top(), range.right(), range.bottom()));
    QVERIFY(grid.JoinCells(0, 1, 3, 1));
    QCOMPARE(grid.columnSpan(0, 1), 2);
    QCOMPARE(grid.columnSpan(1, 0), 4);
}

void GridModelTest::clearing_cells_keeps_sizes_defaults_and_joins()
{
    CUGCtrl grid;
    const auto tester = watch(grid);
    CUGCell def;
    def.SetReadOnly(true);
    grid.SetGridDefault(def);
    grid.SetNumberRows(2);
    grid.SetNumberCols(3);
    fillTexts(grid);
    CUGCell own;
    own.SetReadOnly(false);
    own.SetBackColor(Qt::green);
    grid.SetCell(2, 1, own);
    grid.JoinCells(0, 0, 2, 0);

    grid.ClearAllCells();
    QCOMPARE(grid.GetNumberRows(), 2);
    QCOMPARE(grid.GetNumberCols(), 3);
    QCOMPARE(grid.columnSpan(0, 0), 3);
    CUGCell cell;
    QVERIFY(grid.GetCell(2, 1, &cell));
    QCOMPARE(cell.GetText(), QString());
    QVERIFY(!cell.GetBackColor().isValid());
    QVERIFY(cell.GetReadOnly());
}

void GridModelTest::model_roles_follow_the_cells()
{
    CUGCtrl grid;
    const auto tester = watch(grid);
    grid.SetNumberRows(1);
    grid.SetNumberCols(2);
    CUGCell cell;
    cell.SetText(QStringLiteral(" 0.10"));
    cell.SetAlignment(Qt::AlignRight | Qt::AlignVCenter);
    cell.SetBackColor(QColor(17, 237, 250));
    cell.SetReadOnly(true);
    grid.SetCell(0, 0, cell);

    const QAbstractItemModel* model = grid.model();
    const QModelIndex index = model->index(0, 0);
    QCOMPARE(model->data(index).toString(), QStringLiteral(" 0.10"));
    QCOMPARE(model->data(index, Qt::TextAlignmentRole).toInt(), int(Qt::AlignRight | Qt::AlignVCenter));
    QCOMPARE(model->data(index, Qt::BackgroundRole).value<QBrush>().color(), QColor(17, 237, 250));
    QVERIFY(!(model->flags(index) & Qt::ItemIsEditable));
    QVERIFY(!model->data(model->index(0, 1), Qt::BackgroundRole).isValid());
    QVERIFY(model->flags(model->index(0, 1)) & Qt::ItemIsEditable);
}

int runGridModelTests(int argc, char** argv)
{
    GridModelTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "grid_model_test.moc"
