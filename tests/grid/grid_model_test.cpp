// The grid's cells, defaults, sizes and joins, with the model checked by
// QAbstractItemModelTester throughout.
#include "grid/ug_ctrl.h"
#include "grid_tests.h"

#include <QAbstractItemModelTester>
#include <QTest>

namespace {

// A grid of `rows` x `cols` with texts "<column letter><row>", watched by the model tester.
struct Watched {
    Watched(int rows, int cols)
    {
        grid.SetNumberRows(rows);
        grid.SetNumberCols(cols);
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < cols; ++c)
                grid.QuickSetText(c, r, QStringLiteral("%1%2").arg(QChar(u'a' + c)).arg(r));
    }
    CUGCtrl grid;
    QAbstractItemModelTester tester{grid.model(), QAbstractItemModelTester::FailureReportingMode::QtTest};

    CUGCell at(int col, int row) const
    {
        CUGCell cell;
        grid.GetCell(col, row, &cell);
        return cell;
    }
};

} // namespace

class GridModelTest : public QObject {
    Q_OBJECT

private slots:
    void cell_layers_grid_default_column_default_and_own_settings();
    void new_columns_copy_the_grid_default_of_their_time();
    void resizing_and_clearing_keep_what_stays_inside();
    void delete_row_data();
    void delete_row();
    void join_refuses_overlaps_and_ranges_outside();
};

void GridModelTest::cell_layers_grid_default_column_default_and_own_settings()
{
    Watched w(0, 0);
    const QFont gridFont(QStringLiteral("DejaVu Sans"), 9);
    CUGCell def;
    def.SetFont(gridFont);
    def.SetReadOnly(true);
    def.SetAlignment(Qt::AlignRight);
    w.grid.SetGridDefault(def);
    w.grid.SetNumberRows(2);
    w.grid.SetNumberCols(2);
    CUGCell colDef;
    QVERIFY(w.grid.GetColDefault(1, &colDef));
    colDef.SetAlignment(Qt::AlignTop);
    colDef.SetBackColor(Qt::red);
    QVERIFY(w.grid.SetColDefault(1, colDef));
    CUGCell own;
    own.SetText(QStringLiteral(" 0.10"));
    own.SetReadOnly(false);
    own.SetBackColor(Qt::blue);
    int param = 0;
    own.SetParam(&param);
    QVERIFY(w.grid.SetCell(1, 1, own));

    QCOMPARE(w.at(0, 0).GetFont(), gridFont);
    QVERIFY(w.at(0, 0).GetReadOnly());
    QCOMPARE(w.at(0, 0).GetAlignment(), Qt::AlignRight | Qt::AlignVCenter);
    QCOMPARE(w.at(1, 0).GetAlignment(), Qt::AlignRight | Qt::AlignTop);
    QCOMPARE(w.at(1, 0).GetBackColor(), QColor(Qt::red));
    const CUGCell layered = w.at(1, 1);
    QCOMPARE(layered.GetText(), QStringLiteral(" 0.10"));
    QVERIFY(!layered.GetReadOnly());
    QCOMPARE(layered.GetBackColor(), QColor(Qt::blue));
    QCOMPARE(layered.GetFont(), gridFont);
    QCOMPARE(layered.GetParam(), &param);
    CUGCell outside;
    QVERIFY(!w.grid.GetCell(2, 0, &outside));

    // The view sees the same layers.
    const QAbstractItemModel* model = w.grid.model();
    QCOMPARE(model->data(model->index(1, 1)).toString(), QStringLiteral(" 0.10"));
    QCOMPARE(model->data(model->index(1, 1), Qt::TextAlignmentRole).toInt(), int(Qt::AlignRight | Qt::AlignTop));
    QCOMPARE(model->data(model->index(1, 1), Qt::BackgroundRole).value<QBrush>().color(), QColor(Qt::blue));
    QVERIFY(!model->data(model->index(0, 0), Qt::BackgroundRole).isValid());
    QVERIFY(model->flags(model->index(1, 1)) & Qt::ItemIsEditable);
    QVERIFY(!(model->flags(model->index(0, 1)) & Qt::ItemIsEditable));
}

void GridModelTest::new_columns_copy_the_grid_default_of_their_time()
{
    Watched w(1, 0);
    CUGCell def;
    def.SetReadOnly(true);
    w.grid.SetGridDefault(def);
    w.grid.SetNumberCols(1);
    def.SetReadOnly(false);
    w.grid.SetGridDefault(def);
    w.grid.SetNumberCols(2);
    QVERIFY2(w.at(0, 0).GetReadOnly(), "an existing column keeps its copy of the old default");
    QVERIFY(!w.at(1, 0).GetReadOnly());
}

void GridModelTest::resizing_and_clearing_keep_what_stays_inside()
{
    Watched w(3, 3);
    QVERIFY(w.grid.JoinCells(0, 0, 1, 0));
    w.grid.SetNumberCols(2);
    w.grid.SetNumberRows(2);
    QCOMPARE(w.at(1, 1).GetText(), QStringLiteral("b1"));
    w.grid.SetNumberCols(4);
    w.grid.SetNumberRows(3);
    QCOMPARE(w.at(1, 1).GetText(), QStringLiteral("b1"));
    QCOMPARE(w.at(2, 1).GetText(), QString());
    QCOMPARE(w.at(1, 2).GetText(), QString());
    QCOMPARE(w.grid.columnSpan(0, 0), 2);

    w.grid.ClearAllCells();
    QCOMPARE(w.at(1, 1).GetText(), QString());
    QCOMPARE(w.grid.GetNumberRows(), 3);
    QCOMPARE(w.grid.columnSpan(0, 0), 2);

    w.grid.SetNumberCols(1);
    QCOMPARE(w.grid.columnSpan(0, 0), 1);
    w.grid.SetNumberRows(0);
    w.grid.SetNumberCols(0);
    QCOMPARE(w.grid.model()->rowCount(), 0);
}

void GridModelTest::delete_row_data()
{
    // A 4 x 3 grid with row 1, columns 0 to 2 joined.
    QTest::addColumn<int>("deleted");
    QTest::addColumn<int>("joinedRowAfter");  // -1: the join is gone
    QTest::addColumn<QString>("row1After");

    QTest::newRow("row above the join") << 0 << 0 << "a2";
    QTest::newRow("the joined row") << 1 << -1 << "a2";
    QTest::newRow("row below the join") << 2 << 1 << "a1";
    QTest::newRow("last row") << 3 << 1 << "a1";
}

void GridModelTest::delete_row()
{
    QFETCH(int, deleted);
    QFETCH(int, joinedRowAfter);
    QFETCH(QString, row1After);

    Watched w(4, 3);
    QVERIFY(w.grid.JoinCells(0, 1, 2, 1));
    QVERIFY(w.grid.DeleteRow(deleted));
    QCOMPARE(w.grid.GetNumberRows(), 3);
    QCOMPARE(w.at(0, 1).GetText(), row1After);
    for (int r = 0; r < 3; ++r)
        QCOMPARE(w.grid.columnSpan(r, 0), r == joinedRowAfter ? 3 : 1);
    QVERIFY(!w.grid.DeleteRow(3));
}

void GridModelTest::join_refuses_overlaps_and_ranges_outside()
{
    Watched w(3, 4);
    QVERIFY(w.grid.JoinCells(1, 0, 2, 0));
    const QRect refused[] = {
        QRect(QPoint(2, 0), QPoint(3, 0)),   // overlapping
        QRect(QPoint(0, 0), QPoint(3, 1)),   // containing
        QRect(QPoint(2, 1), QPoint(4, 1)),   // past the last column
        QRect(QPoint(3, 1), QPoint(1, 1)),   // reversed
        QRect(QPoint(-1, 1), QPoint(1, 1)),  // negative
    };
    for (const QRect& r : refused)
        QVERIFY(!w.grid.JoinCells(r.left(), r.top(), r.right(), r.bottom()));
    QVERIFY(w.grid.JoinCells(0, 1, 3, 1));
    QCOMPARE(w.grid.columnSpan(0, 1), 2);
    QCOMPARE(w.grid.columnSpan(1, 0), 4);
}

int runGridModelTests(int argc, char** argv)
{
    GridModelTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "grid_model_test.moc"
