// The parameter grid on a stand-in dialog, driven by real key and mouse events: the
// layout of the four shipped curves, the sections, and editing values within bounds.
#include "ui/font_list.h"
#include "ui/my_cug.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QDir>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QSignalSpy>
#include <QTest>

#include <cmath>
#include <memory>
#include <vector>

namespace {

CEquationParameterPtr running(const wchar_t* name, double minValue, double maxValue, double increment,
                              int minSet = 0, int maxSet = 0)
{
    return std::make_shared<CEquationParameter>(ParameterFields{.name = name,
                                                                .type = RunningVariable,
                                                                .increment = increment,
                                                                .minSet = minSet,
                                                                .maxSet = maxSet,
                                                                .minValue = minValue,
                                                                .maxValue = maxValue});
}

CEquationParameterPtr constant(const wchar_t* name, double value, double min = 0, double max = 0)
{
    return std::make_shared<CEquationParameter>(
        ParameterFields{.name = name, .type = Constant, .min = min, .max = max, .value = value});
}

CEquationPtr curve(const wchar_t* name, const std::vector<CEquationParameterPtr>& parameters)
{
    auto equation = std::make_shared<CEquation>();
    equation->SetName(name);
    for (const auto& p : parameters)
        equation->AddParameter(p);
    return equation;
}

// The four shipped curves, parameters in the library's order.
CEquationPtr shippedCurve(const QString& name)
{
    const auto range = [](const wchar_t* n) { return running(n, 0, 6.28319, 0.1); };
    if (name == QStringLiteral("Cayley's Sextic"))
        return curve(L"Cayley's Sextic", {range(L"th"), constant(L"a", 10)});
    if (name == QStringLiteral("Cycloid"))
        return curve(L"Cycloid", {range(L"t"), constant(L"a", 10)});
    if (name == QStringLiteral("Deltoid"))
        return curve(L"Deltoid", {range(L"fi"), constant(L"b", 10)});
    return curve(L"Epicycloid", {range(L"fi"), constant(L"a", 10), constant(L"b", 10)});
}

using Rows = QList<QStringList>;

const QColor headingBack(220, 200, 180);
const QColor nameBack(17, 237, 250);

// A dialog stand-in with placeholder 103 and the grid attached to it, shown and active.
struct Dialog {
    Dialog()
    {
        window.resize(520, 260);
        // Controls on either side of the grid in the tab order.
        before = new QLineEdit(&window);
        before->setGeometry(24, 10, 100, 20);
        auto* placeholder = new QLabel(&window);
        placeholder->setProperty("controlId", 103);
        placeholder->setGeometry(24, 57, 468, 177);
        grid = new MyCug;
        grid->AttachGrid(&window, 103);
        after = new QLineEdit(&window);
        after->setGeometry(24, 236, 100, 20);
        QWidget::setTabOrder(before, grid);
        QWidget::setTabOrder(grid, after);
        tester = std::make_unique<QAbstractItemModelTester>(grid->model(),
                                                            QAbstractItemModelTester::FailureReportingMode::QtTest);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        grid->setFocus();
    }
    QWidget window;
    QLineEdit* before = nullptr;
    QLineEdit* after = nullptr;
    MyCug* grid = nullptr;
    std::unique_ptr<QAbstractItemModelTester> tester;
};

CUGCell cellAt(const CUGCtrl& grid, int col, int row)
{
    CUGCell cell;
    grid.GetCell(col, row, &cell);
    return cell;
}

QStringList rowTexts(const CUGCtrl& grid, int row)
{
    QStringList texts;
    for (int col = 0; col < grid.GetNumberCols(); ++col)
        texts << cellAt(grid, col, row).GetText();
    return texts;
}

QLineEdit* editorOf(const CUGCtrl& grid)
{
    return qobject_cast<QLineEdit*>(grid.GetEditor());
}

// Types `text` on the current cell (the first character starts the edit) and ends with `end`.
void enter(MyCug& grid, int col, int row, const QString& text, Qt::Key end = Qt::Key_Return)
{
    QVERIFY(grid.GotoCell(col, row));
    QTest::keyClicks(&grid, text.left(1));
    QLineEdit* editor = editorOf(grid);
    QVERIFY(editor);
    QTest::keyClicks(editor, text.mid(1));
    QTest::keyClick(editor, end);
}

const QStringList constantHeading = {"Parameter", "min.", "max.", "Value", "", ""};
const QStringList variableHeading = {"Parameter", "min.", "max.", "value min.", "value max.", "increment"};
const QStringList emptyRow = {"", "", "", "", "", ""};

} // namespace

Q_DECLARE_METATYPE(CEquationParameterPtr)
Q_DECLARE_METATYPE(std::vector<CEquationParameterPtr>)

class MyCugTest : public QObject {
    Q_OBJECT

private slots:
    void shipped_curves_data();
    void shipped_curves();
    void sections_data();
    void sections();
    void no_equation_leaves_the_grid_empty();
    void editing_data();
    void editing();
    void refused_value_keeps_the_editor_after_leaving();
    void escape_discards_the_entry();
    void tab_continues_and_passing_through_keeps_the_value();
    void tab_leaves_the_grid_data();
    void tab_leaves_the_grid();
    void refused_value_is_coloured_with_its_range_data();
    void refused_value_is_coloured_with_its_range();
    void a_comma_is_the_point_in_a_comma_locale();
    void constant_expressions_data();
    void constant_expressions();
    void typing_on_a_read_only_cell_starts_nothing_data();
    void typing_on_a_read_only_cell_starts_nothing();
    void numeric_editor_setup();
    void outside_white_and_focus_frame_shrunk();
    void font_list_makes_each_font_once();
};

void MyCugTest::shipped_curves_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<Rows>("rows");

    for (const auto& [curveName, constant, variable] :
         {std::tuple{"Cayley's Sextic", "a", "th"}, {"Cycloid", "a", "t"}, {"Deltoid", "b", "fi"}}) {
        QTest::newRow(curveName) << QString(curveName)
                                 << Rows{constantHeading,
                                         {constant, "-", "-", "10.00", "", ""},
                                         variableHeading,
                                         {variable, "-", "-", " 0.00", " 6.28", " 0.10"}};
    }
    QTest::newRow("Epicycloid") << QStringLiteral("Epicycloid")
                                << Rows{constantHeading,
                                        {"a", "-", "-", "10.00", "", ""},
                                        {"b", "-", "-", "10.00", "", ""},
                                        variableHeading,
                                        {"fi", "-", "-", " 0.00", " 6.28", " 0.10"}};
}

void MyCugTest::shipped_curves()
{
    QFETCH(QString, name);
    QFETCH(Rows, rows);
    Dialog d;
    MyCug& grid = *d.grid;
    const CEquationPtr equation = shippedCurve(name);
    grid.SetEquation(equation.get());

    QCOMPARE(grid.GetNumberCols(), 6);
    QCOMPARE(grid.GetNumberRows(), rows.size());
    const int variableHeadingRow = static_cast<int>(rows.size()) - 2;
    for (int row = 0; row < rows.size(); ++row) {
        QCOMPARE(rowTexts(grid, row), rows[row]);
        const bool heading = row == 0 || row == variableHeadingRow;
        const bool constantRow = row < variableHeadingRow;
        QCOMPARE(grid.GetRowHeight(row), heading ? 20 : 30);
        QCOMPARE(grid.columnSpan(row, 3), constantRow ? 3 : 1);
        for (int col = 0; col < 6; ++col) {
            const CUGCell cell = cellAt(grid, col, row);
            const bool value = !heading && col >= 3 && (!constantRow || col == 3);
            QCOMPARE(cell.GetReadOnly(), !value);
            if (heading) {
                QCOMPARE(cell.GetBackColor(), headingBack);
                QCOMPARE(cell.GetAlignment(), Qt::AlignHCenter | Qt::AlignVCenter);
            } else if (col < 3) {
                QCOMPARE(cell.GetBackColor(), nameBack);
                QCOMPARE(cell.GetAlignment(), Qt::AlignLeft | Qt::AlignVCenter);
            } else if (value) {
                QVERIFY(!cell.GetBackColor().isValid());
                QCOMPARE(cell.GetAlignment(), Qt::AlignRight | Qt::AlignVCenter);
                QVERIFY(cell.GetParam() != nullptr);
            }
            QCOMPARE(cell.GetFont().weight(), QFont::ExtraLight);
        }
    }
    // The value cells refer to the curve's own parameter objects.
    QCOMPARE(cellAt(grid, 5, variableHeadingRow + 1).GetParam(), equation->GetParameters()[0].get());
    QCOMPARE(cellAt(grid, 3, 1).GetParam(), equation->GetParameters()[1].get());

    QString file = name;
    file.remove(u'\'').replace(u' ', u'_');
    const QString path = QStringLiteral(PLOTWRIGHT_BINARY_DIR "/tests/ui/my_cug_%1.png").arg(file.toLower());
    QDir().mkpath(QStringLiteral(PLOTWRIGHT_BINARY_DIR "/tests/ui"));
    QVERIFY(grid.grab().save(path));
}

void MyCugTest::sections_data()
{
    QTest::addColumn<std::vector<CEquationParameterPtr>>("parameters");
    QTest::addColumn<Rows>("rows");

    QTest::newRow("only a running variable")
        << std::vector{running(L"t", 0, 1, 0.5)}
        << Rows{variableHeading, {"t", "-", "-", " 0.00", " 1.00", " 0.50"}, emptyRow};
    QTest::newRow("two running variables share one heading")
        << std::vector{running(L"t", 0, 1, 0.5), running(L"u", 2, 3, 0.25)}
        << Rows{variableHeading,
                {"t", "-", "-", " 0.00", " 1.00", " 0.50"},
                {"u", "-", "-", " 2.00", " 3.00", " 0.25"},
                emptyRow};
    QTest::newRow("constants come first, in sequence order")
        << std::vector{running(L"t", 0, 1, 0.5), constant(L"b", 2), constant(L"a", -1.5)}
        << Rows{constantHeading,
                {"b", "-", "-", " 2.00", "", ""},
                {"a", "-", "-", "-1.50", "", ""},
                variableHeading,
                {"t", "-", "-", " 0.00", " 1.00", " 0.50"}};
    QTest::newRow("bounds shown where they differ")
        << std::vector{running(L"t", 0, 1, 0.5, 0, 10), constant(L"a", 3, 1, 5)}
        << Rows{constantHeading,
                {"a", " 1.00", " 5.00", " 3.00", "", ""},
                variableHeading,
                {"t", " 0.00", "10.00", " 0.00", " 1.00", " 0.50"}};
    auto odd = constant(L"q", 1);
    odd->SetType(3);
    QTest::newRow("a parameter of another kind gets no row")
        << std::vector{odd, constant(L"a", 123.456)}
        << Rows{constantHeading, {"a", "-", "-", "123.46", "", ""}, emptyRow, emptyRow};
}

void MyCugTest::sections()
{
    QFETCH(std::vector<CEquationParameterPtr>, parameters);
    QFETCH(Rows, rows);
    Dialog d;
    const CEquationPtr equation = curve(L"test", parameters);
    d.grid->SetEquation(equation.get());
    QCOMPARE(d.grid->GetNumberRows(), rows.size());
    for (int row = 0; row < rows.size(); ++row)
        QCOMPARE(rowTexts(*d.grid, row), rows[row]);
    const int last = static_cast<int>(rows.size()) - 1;
    if (rows[last] == emptyRow) {
        QCOMPARE(d.grid->GetRowHeight(last), 20);
        QVERIFY(cellAt(*d.grid, 3, last).GetReadOnly());
        QVERIFY(!cellAt(*d.grid, 3, last).GetBackColor().isValid());
    }
}

void MyCugTest::no_equation_leaves_the_grid_empty()
{
    Dialog d;
    QCOMPARE(d.grid->GetNumberRows(), 0);
    QCOMPARE(d.grid->GetNumberCols(), 0);
    const CEquationPtr equation = shippedCurve(QStringLiteral("Epicycloid"));
    d.grid->SetEquation(equation.get());
    d.grid->SetEquation(nullptr);
    QCOMPARE(d.grid->GetNumberRows(), 0);
    QCOMPARE(d.grid->GetNumberCols(), 0);
    QCOMPARE(d.grid->model()->rowCount(), 0);
}

void MyCugTest::editing_data()
{
    QTest::addColumn<CEquationParameterPtr>("parameter");
    QTest::addColumn<int>("col");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<double>("stored");

    // Constant a: value 3, bounds 1 to 5. Running variable t: 0 to 6.28319 by 0.1, bounds 0 to 10.
    const auto a = [] { return constant(L"a", 3, 1, 5); };
    const auto t = [] { return running(L"t", 0, 6.28319, 0.1, 0, 10); };
    const auto free = [] { return running(L"t", 0, 6.28319, 0.1); };
    QTest::newRow("constant above its maximum is refused") << a() << 3 << "7" << false << " 3.00" << 3.0;
    QTest::newRow("constant at its maximum") << a() << 3 << "5" << true << " 5.00" << 5.0;
    QTest::newRow("constant at its minimum") << a() << 3 << "1" << true << " 1.00" << 1.0;
    QTest::newRow("constant below its minimum is refused") << a() << 3 << "0.99" << false << " 3.00" << 3.0;
    QTest::newRow("constant with equal bounds takes any number")
        << constant(L"a", 3) << 3 << "12345.678" << true << "12345.68" << 12345.678;
    QTest::newRow("value min at the upper bound") << t() << 3 << "10" << true << "10.00" << 10.0;
    QTest::newRow("value min past the upper bound is refused") << t() << 3 << "10.5" << false << " 0.00" << 0.0;
    QTest::newRow("value min below the lower bound is refused") << t() << 3 << "-1" << false << " 0.00" << 0.0;
    QTest::newRow("value max past the upper bound is refused") << t() << 4 << "11" << false << " 6.28" << 6.28319;
    QTest::newRow("value max keeps every decimal") << free() << 4 << "3.14159" << true << " 3.14" << 3.14159;
    QTest::newRow("increment of zero") << t() << 5 << "0" << true << " 0.00" << 0.0;
    QTest::newRow("negative increment") << t() << 5 << "-2.5" << true << "-2.50" << -2.5;
}

void MyCugTest::editing()
{
    QFETCH(CEquationParameterPtr, parameter);
    QFETCH(int, col);
    QFETCH(QString, typed);
    QFETCH(bool, accepted);
    QFETCH(QString, shown);
    QFETCH(double, stored);

    Dialog d;
    MyCug& grid = *d.grid;
    const CEquationPtr equation = curve(L"test", {parameter});
    grid.SetEquation(equation.get());
    enter(grid, col, 1, typed);

    QCOMPARE(cellAt(grid, col, 1).GetText(), shown);
    const bool constantRow = parameter->GetType() == Constant;
    const double values[] = {parameter->GetMinValue(), parameter->GetMaxValue(), parameter->GetIncrement()};
    QCOMPARE(constantRow ? parameter->GetValue() : values[col - 3], stored);
    if (accepted) {
        QCOMPARE(grid.GetCurrentRow(), 2);  // Enter moved on
    } else {
        QVERIFY(grid.IsEditing());
        QCOMPARE(grid.GetCurrentCol(), col);
        QCOMPARE(grid.GetCurrentRow(), 1);
        QCOMPARE(editorOf(grid)->text().remove(u' ').toDouble(), typed.toDouble());
        QCOMPARE(QApplication::focusWidget(), editorOf(grid));
    }
}

void MyCugTest::refused_value_keeps_the_editor_after_leaving()
{
    Dialog d;
    MyCug& grid = *d.grid;
    const auto a = constant(L"a", 3, 1, 5);
    const CEquationPtr equation = curve(L"test", {a, running(L"t", 0, 1, 0.1)});
    grid.SetEquation(equation.get());
    enter(grid, 3, 1, QStringLiteral("7"), Qt::Key_Tab);
    QLineEdit* editor = editorOf(grid);
    QVERIFY(grid.IsEditing());

    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, grid.visualRect(grid.model()->index(3, 4)).center());
    QTRY_COMPARE(QApplication::focusWidget(), editor);
    QCOMPARE(grid.GetCurrentRow(), 1);
    QTest::keyClick(editor, Qt::Key_Down);
    QVERIFY(grid.IsEditing());
    QCOMPARE(editor->text(), QStringLiteral("7.000000"));
    QCOMPARE(a->GetValue(), 3.0);

    editor->selectAll();
    QTest::keyClicks(editor, QStringLiteral("4.5"));
    QTest::keyClick(editor, Qt::Key_Tab);
    QCOMPARE(a->GetValue(), 4.5);
    QCOMPARE(cellAt(grid, 3, 1).GetText(), QStringLiteral(" 4.50"));
    // Tab goes on to the next editable cell, the running variable's first value.
    QVERIFY(grid.IsEditing());
    QCOMPARE(grid.GetCurrentCol(), 3);
    QCOMPARE(grid.GetCurrentRow(), 3);
}

void MyCugTest::escape_discards_the_entry()
{
    Dialog d;
    MyCug& grid = *d.grid;
    const auto a = constant(L"a", 3, 1, 5);
    const CEquationPtr equation = curve(L"test", {a});
    grid.SetEquation(equation.get());

    enter(grid, 3, 1, QStringLiteral("4"), Qt::Key_Escape);
    QVERIFY(!grid.IsEditing());
    QCOMPARE(a->GetValue(), 3.0);
    QCOMPARE(cellAt(grid, 3, 1).GetText(), QStringLiteral(" 3.00"));
    QCOMPARE(QApplication::focusWidget(), &grid);

    enter(grid, 3, 1, QStringLiteral("9"));  // refused: stays open
    QVERIFY(grid.IsEditing());
    QTest::keyClick(editorOf(grid), Qt::Key_Escape);
    QVERIFY(!grid.IsEditing());
    QCOMPARE(a->GetValue(), 3.0);
    QCOMPARE(cellAt(grid, 3, 1).GetText(), QStringLiteral(" 3.00"));
}

void MyCugTest::tab_continues_and_passing_through_keeps_the_value()
{
    Dialog d;
    MyCug& grid = *d.grid;
    const CEquationPtr equation = shippedCurve(QStringLiteral("Cayley's Sextic"));
    const CEquationParameterPtr th = equation->GetParameters()[0];
    grid.SetEquation(equation.get());

    enter(grid, 3, 3, QStringLiteral("1"), Qt::Key_Tab);
    QCOMPARE(th->GetMinValue(), 1.0);
    QCOMPARE(grid.GetCurrentCol(), 4);
    QVERIFY(grid.IsEditing());
    QCOMPARE(editorOf(grid)->text(), QStringLiteral("6.280000"));
    QCOMPARE(editorOf(grid)->selectedText(), QStringLiteral("6.280000"));

    QTest::keyClick(editorOf(grid), Qt::Key_Tab);
    QCOMPARE(grid.GetCurrentCol(), 5);
    QCOMPARE(th->GetMaxValue(), 6.28319);
    QCOMPARE(cellAt(grid, 4, 3).GetText(), QStringLiteral(" 6.28"));

    QTest::keyClicks(editorOf(grid), QStringLiteral("0.05"));
    QTest::keyClick(editorOf(grid), Qt::Key_Backtab);
    QCOMPARE(th->GetIncrement(), 0.05);
    QCOMPARE(grid.GetCurrentCol(), 4);
    QVERIFY(grid.IsEditing());
}

void MyCugTest::tab_leaves_the_grid_data()
{
    // Epicycloid: constants a (row 1) and b (row 2), running variable fi (row 4).
    QTest::addColumn<int>("col");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("lands");  // "before", "after" or "col,row" of the next edit
    QTest::newRow("Tab from the last cell leaves after the grid") << 5 << 4 << int(Qt::Key_Tab) << "after";
    QTest::newRow("Shift+Tab from the first cell leaves before the grid") << 3 << 1 << int(Qt::Key_Backtab) << "before";
    QTest::newRow("Tab from a joined cell edits the next constant") << 3 << 1 << int(Qt::Key_Tab) << "3,2";
    QTest::newRow("Tab from the last constant edits the running variable") << 3 << 2 << int(Qt::Key_Tab) << "3,4";
    QTest::newRow("Shift+Tab from the running variable edits the last constant")
        << 3 << 4 << int(Qt::Key_Backtab) << "3,2";
}

void MyCugTest::tab_leaves_the_grid()
{
    QFETCH(int, col);
    QFETCH(int, row);
    QFETCH(int, key);
    QFETCH(QString, lands);
    Dialog d;
    MyCug& grid = *d.grid;
    const CEquationPtr equation = shippedCurve(QStringLiteral("Epicycloid"));
    grid.SetEquation(equation.get());
    QVERIFY(grid.GotoCell(col, row));
    QTest::keyClicks(&grid, QStringLiteral("1"));
    QVERIFY(grid.IsEditing());
    QTest::keyClick(editorOf(grid), Qt::Key(key));
    if (lands == QStringLiteral("after") || lands == QStringLiteral("before")) {
        QVERIFY(!grid.IsEditing());
        QCOMPARE(QApplication::focusWidget(), lands == QStringLiteral("after") ? d.after : d.before);
        // Without an editor, Tab and Shift+Tab pass through the grid as through any control.
        QTest::keyClick(QApplication::focusWidget(), lands == QStringLiteral("after") ? Qt::Key_Backtab : Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), &grid);
        QTest::keyClick(&grid, lands == QStringLiteral("after") ? Qt::Key_Backtab : Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), lands == QStringLiteral("after") ? d.before : d.after);
    } else {
        QVERIFY(grid.IsEditing());
        QCOMPARE(QStringLiteral("%1,%2").arg(grid.GetCurrentCol()).arg(grid.GetCurrentRow()), lands);
    }
}

void MyCugTest::refused_value_is_coloured_with_its_range_data()
{
    QTest::addColumn<double>("low");
    QTest::addColumn<double>("high");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("message");
    QTest::newRow("above the bounds") << 1.0 << 5.0 << "25" << "Please specify a numeric value between 1 and 5.";
    QTest::newRow("below fractional bounds") << 0.5 << 2.25 << "0.25" << "Please specify a numeric value between 0.5 and 2.25.";
}

void MyCugTest::refused_value_is_coloured_with_its_range()
{
    QFETCH(double, low);
    QFETCH(double, high);
    QFETCH(QString, typed);
    QFETCH(QString, message);
    Dialog d;
    MyCug& grid = *d.grid;
    const auto a = constant(L"a", 1, low, high);
    const CEquationPtr equation = curve(L"test", {a});
    grid.SetEquation(equation.get());
    QSignalSpy changes(&grid, &MyCug::valuesChanged);
    enter(grid, 3, 1, typed, Qt::Key_Return);
    QLineEdit* editor = editorOf(grid);
    QVERIFY(grid.IsEditing());
    QVERIFY(grid.HasRefusedValue());
    QCOMPARE(grid.RefusalMessage(), message);
    QCOMPARE(editor->toolTip(), message);
    QCOMPARE(editor->palette().color(QPalette::Base), QColor(255, 205, 205));
    QVERIFY(changes.count() >= 1);

    // An allowed value clears the mark and reaches the parameter.
    editor->selectAll();
    QTest::keyClicks(editor, QString::number(high));
    QTest::keyClick(editor, Qt::Key_Return);
    QVERIFY(!grid.IsEditing());
    QVERIFY(!grid.HasRefusedValue());
    QCOMPARE(a->GetValue(), high);
    QVERIFY(editor->palette().color(QPalette::Base) != QColor(255, 205, 205));
}

void MyCugTest::a_comma_is_the_point_in_a_comma_locale()
{
    const QLocale previous;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    Dialog d;
    MyCug& grid = *d.grid;
    const auto a = constant(L"a", 3, 0, 0);
    const CEquationPtr equation = curve(L"test", {a});
    grid.SetEquation(equation.get());
    enter(grid, 3, 1, QStringLiteral("1,5"), Qt::Key_Return);
    QLocale::setDefault(previous);
    QCOMPARE(a->GetValue(), 1.5);
    QCOMPARE(cellAt(grid, 3, 1).GetText(), QStringLiteral(" 1.50"));
}

void MyCugTest::constant_expressions_data()
{
    QTest::addColumn<double>("low");
    QTest::addColumn<double>("high");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<double>("stored");  // NaN: refused, the value stays 1
    QTest::addColumn<QString>("refusal");
    const double nan = std::nan("");
    const double pi = 3.141592653589793;
    QTest::newRow("2*PI is kept exact, not as shown") << 0.0 << 10.0 << "2*PI" << 2 * pi << "";
    QTest::newRow("a letter first starts the expression") << 0.0 << 10.0 << "PI/4" << pi / 4 << "";
    QTest::newRow("a minus after a digit subtracts") << 0.0 << 10.0 << "10-3" << 7.0 << "";
    QTest::newRow("a fraction typed before the operator") << 0.0 << 0.0 << "1.5*4" << 6.0 << "";
    QTest::newRow("new functions, the comma between arguments")
        << 0.0 << 0.0 << "floor(7.9)+ceil(0.1)+mod(7, 4)+hypot(3,4)+atan2(0,1)" << 16.0 << "";
    QTest::newRow("exponent form") << 0.0 << 0.0 << "1e3" << 1000.0 << "";
    QTest::newRow("past the bounds: the range message")
        << 0.0 << 10.0 << "4*PI" << nan << "Please specify a numeric value between 0 and 10.";
    QTest::newRow("unknown name, with its character")
        << 0.0 << 0.0 << "2*q" << nan << "\"2*q\" is not a finite number (unknown name \"q\" at character 3).";
    QTest::newRow("lower-case pi is no constant")
        << 0.0 << 0.0 << "pi/4" << nan << "\"pi/4\" is not a finite number (unknown name \"pi\" at character 1).";
    QTest::newRow("division by zero") << 0.0 << 0.0 << "1/0" << nan << "\"1/0\" is not a finite number.";
    QTest::newRow("more whole digits than the editor holds")
        << 0.0 << 0.0 << "10^12" << nan << "\"10^12\" is 1000000000000: at most 12 digits before the point.";
    QTest::newRow("decimal comma")
        << 0.0 << 0.0 << "3,5*2" << nan << "\"3,5*2\" is not a finite number (comma outside a function's arguments (a decimal comma? numbers use \".\") at character 2).";
}

// Expressions typed with real keys into a constant's cell: evaluated on Enter, then
// held to the constant's bounds; a refusal keeps the editor open with its reason.
void MyCugTest::constant_expressions()
{
    QFETCH(double, low);
    QFETCH(double, high);
    QFETCH(QString, typed);
    QFETCH(double, stored);
    QFETCH(QString, refusal);
    const QLocale previous;
    QLocale::setDefault(QLocale::c());  // the comma is no point here, as in most locales
    Dialog d;
    MyCug& grid = *d.grid;
    const auto a = constant(L"a", 1, low, high);
    const CEquationPtr equation = curve(L"test", {a});
    grid.SetEquation(equation.get());
    enter(grid, 3, 1, typed);
    QLocale::setDefault(previous);
    if (std::isnan(stored)) {
        QVERIFY(grid.IsEditing());
        QCOMPARE(grid.RefusalMessage(), refusal);
        QCOMPARE(editorOf(grid)->text(), typed);  // as typed, to be mended
        QCOMPARE(a->GetValue(), 1.0);
        return;
    }
    QVERIFY(!grid.IsEditing());
    QVERIFY(!grid.HasRefusedValue());
    QCOMPARE(a->GetValue(), stored);
}

void MyCugTest::typing_on_a_read_only_cell_starts_nothing_data()
{
    QTest::addColumn<int>("col");
    QTest::addColumn<int>("row");
    QTest::newRow("joined heading") << 4 << 0;
    QTest::newRow("name") << 0 << 1;
    QTest::newRow("bound") << 2 << 3;
}

void MyCugTest::typing_on_a_read_only_cell_starts_nothing()
{
    QFETCH(int, col);
    QFETCH(int, row);
    Dialog d;
    const CEquationPtr equation = shippedCurve(QStringLiteral("Cycloid"));
    d.grid->SetEquation(equation.get());
    QVERIFY(d.grid->GotoCell(col, row));
    QTest::keyClicks(d.grid, QStringLiteral("5"));
    QVERIFY(!d.grid->IsEditing());
    QCOMPARE(QApplication::focusWidget(), d.grid);
    QCOMPARE(rowTexts(*d.grid, 1), (QStringList{"a", "-", "-", "10.00", "", ""}));
}

void MyCugTest::numeric_editor_setup()
{
    Dialog d;
    MyCug& grid = *d.grid;
    const CEquationPtr equation = shippedCurve(QStringLiteral("Cayley's Sextic"));
    grid.SetEquation(equation.get());
    QVERIFY(grid.GotoCell(3, 1));
    QVERIFY(grid.StartEdit());
    auto* editor = qobject_cast<CUTNumericEdit*>(grid.GetEditor());
    QVERIFY(editor);
    QCOMPARE(editor->property("controlId").toInt(), MyCug::NumericEditId);
    QCOMPARE(editor->parentWidget(), grid.viewport());
    QCOMPARE(editor->toolTip(), QStringLiteral("a = "));
    QCOMPARE(editor->text(), QStringLiteral("10.000000"));
    QCOMPARE(editor->geometry(), grid.visualRect(grid.model()->index(1, 3)));
    QTest::keyClicks(editor, QStringLiteral("1234567890123"));  // twelve whole digits at most
    QCOMPARE(editor->text(), QStringLiteral("123 456 789 012.000000"));
    QTest::keyClick(editor, Qt::Key_Escape);

    QVERIFY(grid.GotoCell(5, 3));
    QTest::keyClicks(&grid, QStringLiteral("."));
    QCOMPARE(grid.GetEditor(), editor);
    QCOMPARE(editor->toolTip(), QStringLiteral("th = "));
    QCOMPARE(editor->text(), QStringLiteral("0.000000"));
}

void MyCugTest::outside_white_and_focus_frame_shrunk()
{
    Dialog d;
    MyCug& grid = *d.grid;
    const CEquationPtr equation = shippedCurve(QStringLiteral("Cayley's Sextic"));
    grid.SetEquation(equation.get());
    QVERIFY(grid.GotoCell(3, 1));
    const QRect cell = grid.visualRect(grid.model()->index(1, 3));
    QCOMPARE(cell, QRect(225, 20, 225, 30));

    const QImage image = grid.viewport()->grab().toImage();
    QCOMPARE(image.pixelColor(grid.viewport()->width() - 2, 5), QColor(Qt::white));
    QCOMPARE(image.pixelColor(5, grid.viewport()->height() - 2), QColor(Qt::white));
    // Dots on the column and row one pixel inside the right and bottom edges; the
    // edges themselves keep the cell's colour.
    const QColor inside = image.pixelColor(447, 22);
    QCOMPARE(image.pixelColor(449, 22), inside);
    QVERIFY(image.pixelColor(448, 22) != inside);
    QCOMPARE(image.pixelColor(300, 49), inside);
    QVERIFY(image.pixelColor(300, 48) != inside);
    QVERIFY(grid.grab().save(QStringLiteral(PLOTWRIGHT_BINARY_DIR "/tests/ui/my_cug_current_cell.png")));
}

void MyCugTest::font_list_makes_each_font_once()
{
    FontList fonts;
    LogicalFont arial;
    arial.faceName = QStringLiteral("Arial");
    arial.height = 14;
    arial.weight = 200;
    const QFont& first = fonts.FindOrCreate(arial);
    QCOMPARE(&fonts.FindOrCreate(arial), &first);
    QCOMPARE(fonts.size(), 1);
    LogicalFont italic = arial;
    italic.italic = true;
    QVERIFY(&fonts.FindOrCreate(italic) != &first);
    QCOMPARE(fonts.size(), 2);
    QCOMPARE(&fonts.FindOrCreate(arial), &first);

    QCOMPARE(first.weight(), QFont::ExtraLight);
    QVERIFY(QFontDatabase::hasFamily(first.family()));
    QVERIFY(QFontMetrics(first).height() <= 14);
    QVERIFY(QFontMetrics(first).height() >= 10);
}

QTEST_MAIN(MyCugTest)
#include "my_cug_test.moc"
