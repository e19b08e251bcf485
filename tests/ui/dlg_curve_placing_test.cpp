// Placing curves from the curve dialog. Its sliders driven with the mouse: a drag
// previews the curve with the handle's value while the grid or field keeps its own;
// letting go writes the value under the grid's or field's rules; a refused value is not
// set. And the rotation asked for after the origin when the dialog says so.
#include "db/database.h"
#include "db/polyline.h"
#include "host/editor.h"
#include "model/equation_list.h"
#include "support/recording_backend.h"
#include "support/screenshot.h"
#include "ui/dlg_curve.h"
#include "ui/value_slider.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QFile>
#include <QSettings>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <limits>

using plotwright::host::RecordingBackend;
using plotwright::host::ScopedBackend;
using plotwright::ui::SliderSpan;

namespace {

struct Session {
    QTemporaryDir dir;
    RecordingBackend backend;
    ScopedBackend scoped{backend};

    Session()
    {
        qputenv("PLOTWRIGHT_INSTALL_FOLDER", dir.path().toUtf8());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.path());
    }
};

// A predefined library of one polar curve r = a with a in [1, 20] at 10; t runs 0 .. 1 in
// one step, so the preview's first point is (a, 0) and its last (a cos 1, a sin 1).
void writeBoundedLibrary(const Session& session)
{
    CEquationList list;
    auto equation = std::make_shared<CEquation>();
    equation->SetName(L"Bounded");
    equation->SetType(ExplicitPolar);
    equation->SetEquationY(L"a");
    equation->AddParameter(std::make_shared<CEquationParameter>(
        ParameterFields{.name = L"a", .type = Constant, .min = 1, .max = 20, .value = 10}));
    equation->AddParameter(std::make_shared<CEquationParameter>(
        ParameterFields{.name = L"t", .type = RunningVariable, .increment = 1, .minValue = 0, .maxValue = 1}));
    list.AddEquation(equation);
    QFile file(session.dir.filePath(QStringLiteral("curveDefinition.xml")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QString::fromStdWString(list.ToXml()).toUtf8());
}

// The centre of the handle were it at `position`.
QPoint handleAt(QSlider* slider, int position)
{
    QStyleOptionSlider option;
    option.initFrom(slider);
    option.orientation = slider->orientation();
    option.minimum = slider->minimum();
    option.maximum = slider->maximum();
    option.sliderPosition = position;
    option.sliderValue = position;
    option.singleStep = slider->singleStep();
    option.pageStep = slider->pageStep();
    option.subControls = QStyle::SC_All;
    return slider->style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, slider).center();
}

// Presses the handle, then moves it towards `position` in a few steps; `during` runs after
// each step with the button still held. Returns with the handle held.
template <typename During>
void drag(QSlider* slider, int position, During during)
{
    const int from = slider->sliderPosition();
    QTest::mousePress(slider, Qt::LeftButton, Qt::NoModifier, handleAt(slider, from));
    QVERIFY(slider->isSliderDown());
    for (int step = 1; step <= 3; ++step) {
        QTest::mouseMove(slider, handleAt(slider, from + (position - from) * step / 3));
        during();
    }
}

void release(QSlider* slider)
{
    QTest::mouseRelease(slider, Qt::LeftButton, Qt::NoModifier, handleAt(slider, slider->sliderPosition()));
}

CEquationParameter& constantA(CDlgCurve& dialog)
{
    return *dialog.PredefinedList()->GetEquations().front()->GetParameters().front();
}

QString cellText(MyCug& grid, int col, int row)
{
    CUGCell cell;
    grid.GetCell(col, row, &cell);
    return cell.GetText().trimmed();
}

} // namespace

class CurvePlacingTest : public QObject {
    Q_OBJECT

private slots:
    void span_data();
    void span();
    void value_data();
    void value();
    void dragging_a_constant_previews_then_writes();
    void refused_value_is_not_set();
    void range_field_slider_previews_then_writes();
    void unbounded_library_constant_scales_the_curve();
    void turn_by_a_point_data();
    void turn_by_a_point();
};

void CurvePlacingTest::span_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("minimum");
    QTest::addColumn<double>("maximum");
    QTest::addColumn<double>("low");
    QTest::addColumn<double>("high");
    const double largest = std::numeric_limits<double>::max();
    QTest::newRow("bounds") << 10.0 << 1.0 << 20.0 << 1.0 << 20.0;
    QTest::newRow("bounds written the wrong way round") << 5.0 << 20.0 << 1.0 << 1.0 << 20.0;
    QTest::newRow("no bounds, positive") << 3.0 << 0.0 << 0.0 << 0.3 << 30.0;
    QTest::newRow("no bounds, negative keeps its sign") << -2.0 << 0.0 << 0.0 << -20.0 << -0.2;
    QTest::newRow("no bounds, zero") << 0.0 << 0.0 << 0.0 << -1.0 << 1.0;
    QTest::newRow("no bounds, not a number") << std::nan("") << 0.0 << 0.0 << -1.0 << 1.0;
    QTest::newRow("no bounds, ten times overflows") << largest << 0.0 << 0.0 << largest / 10 << largest;
}

void CurvePlacingTest::span()
{
    QFETCH(double, value);
    QFETCH(double, minimum);
    QFETCH(double, maximum);
    const SliderSpan span = plotwright::ui::sliderSpan(value, minimum, maximum);
    QTEST(span.low, "low");
    QTEST(span.high, "high");
}

void CurvePlacingTest::value_data()
{
    QTest::addColumn<double>("low");
    QTest::addColumn<double>("high");
    QTest::addColumn<int>("position");
    QTest::addColumn<double>("expected");
    QTest::newRow("start is the exact low end") << 0.3 << 30.0 << 0 << 0.3;
    QTest::newRow("end is the exact high end") << 0.1 << 0.7 << 1000 << 0.7;
    QTest::newRow("rounded to hundredths of a 19 wide span") << 1.0 << 20.0 << 333 << 7.33;
    QTest::newRow("rounded to tens of a 30000 wide span") << 0.0 << 30000.0 << 333 << 9990.0;
    QTest::newRow("rounding stays inside the span") << 0.30004 << 30.0 << 1 << 0.33;
}

void CurvePlacingTest::value()
{
    QFETCH(double, low);
    QFETCH(double, high);
    QFETCH(int, position);
    const double got = plotwright::ui::sliderValue({low, high}, position, ValueSlider::Steps);
    QTEST(got, "expected");
    QVERIFY(got >= low && got <= high);
    // The handle goes back to the position the value came from.
    if (position >= 0 && position <= ValueSlider::Steps)
        QVERIFY(std::abs(plotwright::ui::sliderPosition({low, high}, got, ValueSlider::Steps) - position) <= 1);
}

void CurvePlacingTest::dragging_a_constant_previews_then_writes()
{
    Session session;
    writeBoundedLibrary(session);
    CDlgCurve dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    auto* grid = dialog.findChild<MyCug*>();
    CurvePreview& preview = dialog.Preview();
    ValueSlider& slider = dialog.GridSlider();
    QVERIFY(!slider.HasNumber());  // nothing selected yet

    QVERIFY(grid->GotoCell(3, 1));
    QVERIFY(slider.HasNumber());
    QCOMPARE(slider.Name(), QStringLiteral("a"));
    QCOMPARE(slider.Span().low, 1.0);
    QCOMPARE(slider.Span().high, 20.0);
    QCOMPARE(slider.Value(), 10.0);

    std::vector<double> previewed;
    drag(slider.Slider(), 800, [&] {
        // The preview follows the handle while the grid keeps its value.
        const double dragged = slider.Value();
        QTRY_VERIFY(!preview.Points().empty() && preview.Points().front().x == dragged);
        QCOMPARE(constantA(dialog).GetValue(), 10.0);
        QCOMPARE(cellText(*grid, 3, 1), QStringLiteral("10.00"));
        previewed.push_back(dragged);
    });
    QCOMPARE(previewed.size(), std::size_t(3));
    QVERIFY(previewed.front() != previewed.back());
    const QString shot = plotwright::test::saveScreenshot(dialog, QStringLiteral("curve_dialog_sliders"));
    QVERIFY(!shot.isEmpty());
    release(slider.Slider());
    const double let = slider.Value();
    QVERIFY(let > 10.0 && let <= 20.0);
    QCOMPARE(constantA(dialog).GetValue(), let);
    QCOMPARE(cellText(*grid, 3, 1), QString::number(let, 'f', 2));
    QTRY_VERIFY(!preview.IsPending());
    QCOMPARE(preview.Points().front().x, let);
    // The span stays while the cell stays selected; a typed value moves the handle.
    QCOMPARE(slider.Span().high, 20.0);
    QTest::keyClicks(grid, QStringLiteral("4"));
    QTest::keyClick(grid->GetEditor(), Qt::Key_Return);
    QCOMPARE(constantA(dialog).GetValue(), 4.0);
    // Enter went on to the heading below, which has nothing to slide.
    QVERIFY(!slider.HasNumber());
    QVERIFY(grid->GotoCell(3, 1));
    QCOMPARE(slider.Value(), 4.0);
    // An end of the range without bounds spans a tenth to ten times its value; the
    // increment has no slider.
    QVERIFY(grid->GotoCell(4, 3));
    QCOMPARE(slider.Name(), QStringLiteral("t max."));
    QCOMPARE(slider.Span().low, 0.1);
    QCOMPARE(slider.Span().high, 10.0);
    QVERIFY(grid->GotoCell(5, 3));
    QVERIFY(!slider.isEnabled());
}

void CurvePlacingTest::refused_value_is_not_set()
{
    Session session;
    writeBoundedLibrary(session);
    CDlgCurve dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    auto* grid = dialog.findChild<MyCug*>();
    ValueSlider& slider = dialog.GridSlider();
    QVERIFY(grid->GotoCell(3, 1));
    // The bounds narrow under the slider (the library replaced behind the dialog's back):
    // the slider's span no longer matches what the grid takes.
    CEquationParameter& a = constantA(dialog);
    a = CEquationParameter(ParameterFields{.name = L"a", .type = Constant, .min = 1, .max = 12, .value = 10});
    drag(slider.Slider(), 900, [] {});
    QVERIFY(slider.Value() > 12.0);
    release(slider.Slider());
    QCOMPARE(a.GetValue(), 10.0);
    QCOMPARE(cellText(*grid, 3, 1), QStringLiteral("10.00"));
    QCOMPARE(slider.Value(), 10.0);
    QCOMPARE(slider.Slider()->sliderPosition(), plotwright::ui::sliderPosition(slider.Span(), 10.0, ValueSlider::Steps));
    QCOMPARE(slider.Slider()->toolTip(), QStringLiteral("Please specify a numeric value between 1 and 12."));
    QVERIFY(!grid->HasRefusedValue());
    QTRY_VERIFY(!dialog.Preview().IsPending());
    QCOMPARE(dialog.Preview().Points().front().x, 10.0);
}

void CurvePlacingTest::range_field_slider_previews_then_writes()
{
    Session session;
    CDlgCurve dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    auto* first = dialog.control<QLineEdit>(CDlgCurve::IDC_FIRST_EXPRESSION);
    first->setFocus();
    QTest::keyClicks(first, QStringLiteral("x"));
    auto* maximum = dialog.control<QLineEdit>(CDlgCurve::IDC_MAXIMUM);
    maximum->setFocus();
    ValueSlider& slider = dialog.RangeSlider();
    QCOMPARE(slider.Name(), QStringLiteral("maximum"));
    QCOMPARE(slider.Span().low, 1.0);
    QCOMPARE(slider.Span().high, 100.0);
    CurvePreview& preview = dialog.Preview();
    drag(slider.Slider(), 500, [&] {
        const double dragged = slider.Value();
        QTRY_VERIFY(!preview.IsPending() && preview.Extents().top() + preview.Extents().height() == dragged);
        QCOMPARE(maximum->text(), QStringLiteral("10"));
    });
    release(slider.Slider());
    QCOMPARE(maximum->text(), QString::number(slider.Value()));
    QTRY_VERIFY(!preview.IsPending());
    QCOMPARE(preview.Extents().top() + preview.Extents().height(), slider.Value());

    // The minimum's field takes the slider when it has the focus; zero spans -1 .. 1.
    dialog.control<QLineEdit>(CDlgCurve::IDC_MINIMUM)->setFocus();
    QCOMPARE(slider.Name(), QStringLiteral("minimum"));
    QCOMPARE(slider.Span().low, -1.0);
    QCOMPARE(slider.Span().high, 1.0);
}

void CurvePlacingTest::unbounded_library_constant_scales_the_curve()
{
    Session session;  // no library files: the built-in curves, whose constants have no bounds
    CDlgCurve dialog;
    dialog.resize(dialog.sizeHint());
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    auto* grid = dialog.findChild<MyCug*>();
    CurvePreview& preview = dialog.Preview();
    QTRY_VERIFY(!preview.IsPending());
    const double width = preview.Extents().width();
    QVERIFY(width > 0);
    QVERIFY(grid->GotoCell(3, 1));
    ValueSlider& slider = dialog.GridSlider();
    QCOMPARE(slider.Name(), QStringLiteral("a"));
    QCOMPARE(slider.Value(), 10.0);
    QCOMPARE(slider.Span().low, 1.0);
    QCOMPARE(slider.Span().high, 100.0);
    // a scales the curve: the extents follow the handle during the drag.
    drag(slider.Slider(), 60, [&] {
        const double dragged = slider.Value();
        QTRY_VERIFY(!preview.IsPending() && std::abs(preview.Extents().width() - width * dragged / 10) < 1e-9 * width);
    });
    QVERIFY(slider.Value() < 10.0);
    const QString shot = plotwright::test::saveScreenshot(dialog, QStringLiteral("curve-dialog-sliders"));
    QVERIFY(!shot.isEmpty());
    release(slider.Slider());
    QCOMPARE(dialog.PredefinedList()->GetEquations().front()->GetParameters()[1]->GetValue(), slider.Value());
}

void CurvePlacingTest::turn_by_a_point_data()
{
    QTest::addColumn<bool>("ticked");
    QTest::addColumn<QString>("rotate");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<double>("drawnTurn");  // degrees
    // The rotation prompt is answered with a point straight up from the origin (90°).
    QTest::newRow("not ticked: the origin only") << false << "" << false << 0.0;
    QTest::newRow("ticked: the picked point turns it") << true << "" << true << 90.0;
    QTest::newRow("an angle in Rotate wins, nothing asked") << true << "30" << false << 30.0;
}

void CurvePlacingTest::turn_by_a_point()
{
    QFETCH(bool, ticked);
    QFETCH(QString, rotate);
    QFETCH(bool, asked);
    QFETCH(double, drawnTurn);
    Session session;
    AcDbDatabase database;
    AcDbDatabase* previous = acdbHostApplicationServices()->workingDatabase();
    acdbHostApplicationServices()->setWorkingDatabase(&database);
    {
        CDlgCurve dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        auto* turn = dialog.findChild<QCheckBox*>(QStringLiteral("rotationByPoint"));
        auto* rotation = dialog.findChild<QLineEdit*>(QStringLiteral("rotation"));
        QVERIFY(turn && rotation);
        if (ticked)
            QTest::mouseClick(turn, Qt::LeftButton, {}, QPoint(5, turn->height() / 2));
        QCOMPARE(turn->isChecked(), ticked);
        rotation->setFocus();
        QTest::keyClicks(rotation, rotate);
        QCOMPARE(turn->isEnabled(), rotate.isEmpty());
        // y = 0 for x = 1 .. 2 in the user-defined fields.
        for (const auto& [id, text] : {std::pair{CDlgCurve::IDC_MINIMUM, "1"}, std::pair{CDlgCurve::IDC_MAXIMUM, "2"},
                                       std::pair{CDlgCurve::IDC_INCREMENT, "1"},
                                       std::pair{CDlgCurve::IDC_FIRST_EXPRESSION, "0"}})
            dialog.control<QLineEdit>(id)->setText(QString::fromLatin1(text));
        session.backend.scriptPoint(5, 5);
        session.backend.scriptPoint(5, 9);
        QTest::mouseClick(dialog.GetDlgItem(CDlgCurve::IDC_DRAW_USER), Qt::LeftButton);
        std::vector<std::wstring> prompts;
        for (const auto& call : session.backend.calls)
            if (call.kind == RecordingBackend::Kind::GetPoint)
                prompts.push_back(call.text);
        std::vector<std::wstring> expected{L"\nPick curve origin point:"};
        if (asked)
            expected.push_back(L"\nRotation angle <0>, or pick a point:");
        QCOMPARE(prompts, expected);
        std::vector<AcGePoint2d> drawn;
        database.forEachEntity([&](const AcDbEntity& entity) {
            if (const auto* polyline = dynamic_cast<const AcDbPolyline*>(&entity))
                drawn.assign(polyline->points().begin(), polyline->points().end());
        });
        QCOMPARE(drawn.size(), std::size_t(2));
        const double radians = drawnTurn * M_PI / 180;
        for (std::size_t i = 0; i < 2; ++i) {
            QVERIFY(std::abs(drawn[i].x - (5 + (i + 1.0) * std::cos(radians))) < 1e-9);
            QVERIFY(std::abs(drawn[i].y - (5 + (i + 1.0) * std::sin(radians))) < 1e-9);
        }
    }
    {
        // The next dialog starts with the box as the user left it.
        CDlgCurve again;
        again.show();
        QVERIFY(QTest::qWaitForWindowExposed(&again));
        QCOMPARE(again.findChild<QCheckBox*>(QStringLiteral("rotationByPoint"))->isChecked(), ticked);
    }
    acdbHostApplicationServices()->setWorkingDatabase(previous);
}

QTEST_MAIN(CurvePlacingTest)
#include "dlg_curve_placing_test.moc"
