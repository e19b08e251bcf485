// The curve dialog driven as a user drives it: clicks, typed text, keys, the save-as
// dialog answered while it runs; drawings checked in the working database, libraries
// on disk.
#include "db/database.h"
#include "db/polyline.h"
#include "host/editor.h"
#include "support/recording_backend.h"
#include "model/default_library.h"
#include "model/equation_list.h"
#include "support/screenshot.h"
#include "curve/constant_value.h"
#include "ui/dlg_curve.h"
#include "draw/sample_curve.h"
#include "ui/dlg_save_as.h"
#include "ui/resource_images.h"
#include "ui/stored_library.h"

#include <QApplication>
#include <QMetaType>
#include <QDir>
#include <QFile>
#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QCheckBox>
#include <QComboBox>
#include <QHelpEvent>
#include <QToolTip>
#include <QSettings>
#include <QRegularExpression>
#include <QWindow>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <array>
#include <numeric>
#include <cerrno>
#include <optional>
#include <system_error>
#include <tuple>
#include <vector>

using plotwright::host::RecordingBackend;
using plotwright::host::ScopedBackend;
using Dlg = CDlgCurve;

Q_DECLARE_METATYPE(std::optional<QString>)

namespace {

// One user's session: an install folder of its own, a recording editor and an empty drawing.
struct Session {
    QTemporaryDir dir;
    RecordingBackend backend;
    ScopedBackend scoped{backend};
    AcDbDatabase database;
    AcDbDatabase* previous = acdbHostApplicationServices()->workingDatabase();

    Session()
    {
        setInstallFolder(dir.path());
        // The drawing options are user settings: each session keeps its own.
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.path());
        acdbHostApplicationServices()->setWorkingDatabase(&database);
    }
    ~Session() { acdbHostApplicationServices()->setWorkingDatabase(previous); }
    static void setInstallFolder(const QString& folder) { qputenv("PLOTWRIGHT_INSTALL_FOLDER", folder.toUtf8()); }
    QString path(const QString& name) const { return dir.filePath(name); }
    void write(const QString& name, const QByteArray& bytes) const
    {
        QFile file(path(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    QByteArray read(const QString& name) const
    {
        QFile file(path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
    }
    std::vector<std::vector<AcGePoint2d>> polylines() const
    {
        std::vector<std::vector<AcGePoint2d>> result;
        database.forEachEntity([&](const AcDbEntity& entity) {
            const auto* polyline = dynamic_cast<const AcDbPolyline*>(&entity);
            if (!polyline)
                return;
            result.emplace_back(polyline->numVerts());
            for (unsigned i = 0; i < polyline->numVerts(); ++i)
                polyline->getPointAt(i, result.back()[i]);
        });
        return result;
    }
};

QString text(Dlg& dialog, int id)
{
    if (auto* edit = dialog.control<QLineEdit>(id))
        return edit->text();
    return dialog.control<QLabel>(id)->text();
}

QStringList items(Dlg& dialog, int id)
{
    auto* combo = dialog.control<QComboBox>(id);
    QStringList texts;
    for (int i = 0; i < combo->count(); ++i)
        texts << combo->itemText(i);
    return texts;
}

int current(Dlg& dialog, int id)
{
    return dialog.control<QComboBox>(id)->currentIndex();
}

void click(Dlg& dialog, int id)
{
    QTest::mouseClick(dialog.GetDlgItem(id), Qt::LeftButton);
}

void type(Dlg& dialog, int id, const QString& typed)
{
    auto* edit = dialog.control<QLineEdit>(id);
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, typed);
}

// Chooses an item with the arrow keys, as the user does on a closed combo box.
void pick(Dlg& dialog, int id, int index)
{
    auto* combo = dialog.control<QComboBox>(id);
    combo->setFocus();
    for (int guard = 0; combo->currentIndex() != index && guard < 100; ++guard)
        QTest::keyClick(combo, combo->currentIndex() < index ? Qt::Key_Down : Qt::Key_Up);
}

void show(Dlg& dialog)
{
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
}

// Answers the next save-as dialog once it runs: notes its suggestion, types `name`
// unless none is given, and presses OK (1) or Cancel (2).
void answerSaveAs(std::shared_ptr<QString> suggestion, std::optional<QString> name, int button)
{
    auto* timer = new QTimer;
    timer->setInterval(5);
    auto tries = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [=] {
        auto* dialog = qobject_cast<CDlgSaveAs*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible()) {
            if (++*tries > 1000)
                timer->deleteLater();
            return;
        }
        timer->stop();
        timer->deleteLater();
        auto* field = dialog->control<QLineEdit>(CDlgSaveAs::IDC_NAME);
        *suggestion = field->text();
        if (name) {
            field->selectAll();
            QTest::keyClick(field, Qt::Key_Delete);
            QTest::keyClicks(field, *name);
        }
        QTest::mouseClick(dialog->control<QPushButton>(button), Qt::LeftButton);
    });
    timer->start();
}

// A library of user curves as Close would write it; `marked` is selected (-1: none).
QByteArray userLibrary(const std::vector<std::array<std::wstring, 4>>& curves, int marked)
{
    CEquationList list;
    for (const auto& [name, type, y, x] : curves) {
        auto equation = std::make_shared<CEquation>();
        equation->SetName(name);
        equation->SetType(std::stoi(type));
        equation->SetEquationY(y);
        equation->SetEquationX(x);
        equation->SetCreatedBy(2);
        equation->AddParameter(std::make_shared<CEquationParameter>(ParameterFields{
            .name = type == L"1" ? L"x" : L"t", .type = RunningVariable, .increment = 1, .minValue = 0, .maxValue = 2}));
        list.AddEquation(equation);
    }
    if (marked >= 0)
        list.SetSelected(*list.GetEquations()[marked]);
    return QString::fromStdWString(list.ToXml()).toUtf8();
}

// The system's reason for `code`, in the user's language as the dialog shows it.
std::wstring systemReason(int code)
{
    return QString::fromStdString(std::generic_category().message(code)).toStdWString();
}

const QString userFile = QStringLiteral("curveDefinition_User.xml");
const QString predefinedFile = QStringLiteral("curveDefinition.xml");

// The picture a button shows, as 16 by 16 pixels.
QImage picture(const QIcon& icon)
{
    return icon.pixmap(QSize(16, 16)).toImage().convertToFormat(QImage::Format_ARGB32);
}

// A predefined library whose neighbouring curves differ in their grid layout: three
// constants (one bounded), a running variable alone (bounded), one constant, two.
QByteArray layoutLibrary()
{
    using P = ParameterFields;
    const auto curve = [](const wchar_t* name, const wchar_t* y, std::vector<P> parameters) {
        auto equation = std::make_shared<CEquation>();
        equation->SetName(name);
        equation->SetType(ExplicitCartesian);
        equation->SetEquationY(y);
        for (P& p : parameters)
            equation->AddParameter(std::make_shared<CEquationParameter>(p));
        return equation;
    };
    const P x{.name = L"x", .type = RunningVariable, .increment = 0.5, .minValue = 0, .maxValue = 2};
    CEquationList list;
    list.AddEquation(curve(L"Three constants", L"a+b+c+x",
                           {x, P{.name = L"a", .type = Constant, .min = 0, .max = 5, .value = 1},
                            P{.name = L"b", .type = Constant, .value = 2.5},
                            P{.name = L"c", .type = Constant, .value = -3}}));
    list.AddEquation(curve(L"Running alone", L"x",
                           {P{.name = L"x", .type = RunningVariable, .increment = 0.25, .minSet = 0, .maxSet = 10,
                              .minValue = 1, .maxValue = 3}}));
    list.AddEquation(curve(L"One constant", L"a*x", {x, P{.name = L"a", .type = Constant, .value = 4}}));
    list.AddEquation(curve(L"Two constants", L"a*x+b",
                           {x, P{.name = L"a", .type = Constant, .value = 10}, P{.name = L"b", .type = Constant, .value = 3}}));
    return QString::fromStdWString(list.ToXml()).toUtf8();
}

// How the grid shows one curve of layoutLibrary(): each row's texts, its height, and
// how many columns its fourth cell spans (the joined value cells of constants).
struct GridLayout {
    QList<QStringList> texts;
    QList<int> heights;
    QList<int> valueSpans;
};

GridLayout layoutOf(int curve)
{
    const QStringList constants = {"Parameter", "min.", "max.", "Value", "", ""};
    const QStringList running = {"Parameter", "min.", "max.", "value min.", "value max.", "increment"};
    const QStringList x = {"x", "-", "-", " 0.00", " 2.00", " 0.50"};
    switch (curve) {
    case 0:
        return {{constants, {"a", " 0.00", " 5.00", " 1.00", "", ""}, {"b", "-", "-", " 2.50", "", ""},
                 {"c", "-", "-", "-3.00", "", ""}, running, x},
                {20, 30, 30, 30, 20, 30},
                {3, 3, 3, 3, 1, 1}};
    case 1:
        return {{running, {"x", " 0.00", "10.00", " 1.00", " 3.00", " 0.25"}, {"", "", "", "", "", ""}},
                {20, 30, 20},
                {1, 1, 1}};
    case 2:
        return {{constants, {"a", "-", "-", " 4.00", "", ""}, running, x}, {20, 30, 20, 30}, {3, 3, 1, 1}};
    default:
        return {{constants, {"a", "-", "-", "10.00", "", ""}, {"b", "-", "-", " 3.00", "", ""}, running, x},
                {20, 30, 30, 20, 30},
                {3, 3, 3, 1, 1}};
    }
}

} // namespace

class CurveDialogTest : public QObject {
    Q_OBJECT

private slots:
    void start_up_without_files();
    void start_up_honours_marked_curves();
    void predefined_expression_data();
    void predefined_expression();
    void kind_switches_keep_hidden_texts();
    void draw_user_curve_with_typed_range();
    void draw_predefined_curve_with_grid_values();
    void drawing_options_reach_preview_and_draw();
    void placement_reaches_preview_and_draw();
    void save_as_data();
    void save_as();
    void save_into_current_curve_and_duplicates();
    void delete_down_to_empty_list();
    void only_close_ends_the_dialog();
    void close_asks_for_a_typed_curve_data();
    void close_asks_for_a_typed_curve();
    void close_writes_both_libraries();
    void failed_save_asks_before_closing();
    void damaged_library_is_kept_data();
    void damaged_library_is_kept();
    void damaged_copies_never_overwrite();
    void errors_show_before_the_pick_data();
    void errors_show_before_the_pick();
    void refused_grid_value_blocks_the_draw();
    void hint_follows_the_shown_kind();
    void save_over_another_kind_asks_first();
    void dialog_stays_where_it_was_put();
    void preview_draws_the_typed_curve();
    void template_controls_data();
    void template_controls();
    void field_configuration_data();
    void field_configuration();
    void grid_value_reaches_the_library_at_close();
    void delete_with_a_later_item_current();
    void tool_buttons_data();
    void tool_buttons();
    void draw_buttons_follow_the_curve_data();
    void draw_buttons_follow_the_curve();
    void switching_curves_refills_the_grid_data();
    void switching_curves_refills_the_grid();
    void switching_curves_drops_a_refused_entry();
    void preview_counts_what_the_draw_writes_data();
    void preview_counts_what_the_draw_writes();
    void refused_tolerance_blocks_preview_and_draw_data();
    void refused_tolerance_blocks_preview_and_draw();
    void predefined_list_shows_any_library();
    void stored_values_shown_rounded_are_drawn_exactly();
    void number_fields_take_constant_expressions_data();
    void number_fields_take_constant_expressions();
    void expression_help_names_every_function();
    void replacing_without_a_question_data();
    void replacing_without_a_question();
    void edit_mode_shows_the_drawn_curve_data();
    void edit_mode_shows_the_drawn_curve();
};

void CurveDialogTest::start_up_without_files()
{
    Session session;
    Dlg dialog;
    show(dialog);
    QCOMPARE(items(dialog, 100), QStringList({"Cayley's Sextic", "Cycloid", "Deltoid", "Epicycloid"}));
    QCOMPARE(current(dialog, 100), 0);
    QCOMPARE(text(dialog, 104), QStringLiteral("4*a*(cos(1/3*th))^3"));
    QCOMPARE(dialog.findChild<MyCug*>()->GetNumberRows(), 4);
    QCOMPARE(items(dialog, 105), QStringList());
    QCOMPARE(current(dialog, 105), -1);
    QVERIFY(dialog.control<QRadioButton>(109)->isChecked());
    QCOMPARE(text(dialog, 117), QStringLiteral("y = f(x) = "));
    QVERIFY(dialog.GetDlgItem(107)->isHidden());
    QVERIFY(dialog.GetDlgItem(118)->isHidden());
    QCOMPARE(QStringList({text(dialog, 110), text(dialog, 113), text(dialog, 114)}), QStringList({"0", "10", "0.1"}));
    QVERIFY(session.backend.messages().empty());

    // Tab walks the template order, with the grid in the placeholder's place (inside
    // the grid Tab moves between cells, so the way out is checked backwards).
    QTRY_COMPARE(QApplication::focusWidget(), dialog.GetDlgItem(1));
    QWidget* grid = dialog.findChild<MyCug*>();
    for (QWidget* next : {dialog.GetDlgItem(100), dialog.GetDlgItem(101), grid}) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), next);
    }
    dialog.GetDlgItem(105)->setFocus();
    for (QWidget* previous : {dialog.GetDlgItem(104), grid}) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
        QCOMPARE(QApplication::focusWidget(), previous);
    }
    QVERIFY(!plotwright::test::saveScreenshot(dialog, QStringLiteral("curve_dialog")).isEmpty());
}

void CurveDialogTest::start_up_honours_marked_curves()
{
    Session session;
    CEquationList predefined;
    predefined.LoadFromXml(DefaultLibraryText());
    predefined.SetSelected(*predefined.GetEquations()[2]);
    QVERIFY(predefined.SaveToFile(session.path(predefinedFile).toStdWString()));
    // Two curves of one name: the marked second one, not the first of its name, is current.
    session.write(userFile, userLibrary({{L"twin", L"1", L"x^2", L""}, {L"twin", L"2", L"sin(t)", L"cos(t)"}}, 1));

    Dlg dialog;
    show(dialog);
    QCOMPARE(current(dialog, 100), 2);
    QCOMPARE(text(dialog, 104), QStringLiteral("2*b*cos(fi) + b*cos(2*fi); 2*b*sin(fi) - b*sin(2*fi)"));
    QCOMPARE(items(dialog, 105), QStringList({"twin", "twin"}));
    QCOMPARE(current(dialog, 105), 1);
    QVERIFY(dialog.control<QRadioButton>(111)->isChecked());
    QCOMPARE(QStringList({text(dialog, 106), text(dialog, 107)}), QStringList({"cos(t)", "sin(t)"}));
    QVERIFY(!dialog.GetDlgItem(107)->isHidden());
    QCOMPARE(QStringList({text(dialog, 110), text(dialog, 113), text(dialog, 114)}), QStringList({"0", "2", "1"}));
}

void CurveDialogTest::predefined_expression_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("shown");
    QTest::newRow("parametric: x expression; y expression") << 1 << "a*(t-sin(t)); a*(1-cos(t))";
    QTest::newRow("explicit: brackets become blanks") << 4 << " a *sin x ";
    QTest::newRow("parametric with brackets") << 5 << " 1 ;  2 ";
}

void CurveDialogTest::predefined_expression()
{
    QFETCH(int, index);
    QFETCH(QString, shown);
    Session session;
    CEquationList predefined;
    predefined.LoadFromXml(DefaultLibraryText());
    for (const auto& [type, y, x] : {std::tuple{1, L"[a]*sin[x]", L""}, std::tuple{2, L"[2]", L"[1]"}}) {
        auto equation = std::make_shared<CEquation>();
        equation->SetType(type);
        equation->SetEquationY(y);
        equation->SetEquationX(x);
        predefined.AddEquation(equation);
    }
    QVERIFY(predefined.SaveToFile(session.path(predefinedFile).toStdWString()));

    Dlg dialog;
    show(dialog);
    pick(dialog, 100, 3);  // away first, so that picking `index` is a change
    pick(dialog, 100, index);
    QCOMPARE(text(dialog, 104), shown);
    // The curves keep their brackets.
    QCOMPARE(dialog.PredefinedList()->GetEquations()[4]->GetEquationY(), std::wstring(L"[a]*sin[x]"));
}

void CurveDialogTest::kind_switches_keep_hidden_texts()
{
    Session session;
    Dlg dialog;
    show(dialog);
    const auto running = [&] { return QString::fromStdWString(dialog.WorkingEquation().GetParameters()[0]->GetName()); };
    click(dialog, 111);
    QVERIFY(!dialog.GetDlgItem(107)->isHidden());
    type(dialog, 106, QStringLiteral("cos(t)"));
    type(dialog, 107, QStringLiteral("sin(t)"));

    click(dialog, 112);
    QCOMPARE(text(dialog, 117), QStringLiteral("r = f(t) = "));
    QVERIFY(dialog.GetDlgItem(107)->isHidden());
    QCOMPARE(text(dialog, 106), QStringLiteral("cos(t)"));
    QCOMPARE(running(), QStringLiteral("t"));
    QCOMPARE(text(dialog, 120), QStringLiteral("Use 't' as a parameter /example: sin(t)/"));

    click(dialog, 111);
    QCOMPARE(QStringList({text(dialog, 117), text(dialog, 118)}), QStringList({"x = f(t) = ", "y = f(t) = "}));
    QCOMPARE(QStringList({text(dialog, 106), text(dialog, 107)}), QStringList({"cos(t)", "sin(t)"}));
    QCOMPARE(running(), QStringLiteral("t"));

    click(dialog, 109);
    QCOMPARE(text(dialog, 117), QStringLiteral("y = f(x) = "));
    QCOMPARE(running(), QStringLiteral("x"));
    QCOMPARE(text(dialog, 120), QStringLiteral("Use 'x' as a parameter /example: sin(x)/"));
    QCOMPARE(dialog.WorkingEquation().FindParameter(L"x"), dialog.WorkingEquation().GetParameters()[0]);
}

void CurveDialogTest::draw_user_curve_with_typed_range()
{
    Session session;
    session.write(userFile, userLibrary({{L"line", L"1", L"2*x", L""}}, -1));
    Dlg dialog;
    show(dialog);
    type(dialog, 110, QStringLiteral("1"));
    type(dialog, 114, QStringLiteral("0.5"));
    session.backend.scriptPoint(5, 7);
    click(dialog, 102);
    QVERIFY(dialog.isVisible());
    using P = AcGePoint2d;
    QCOMPARE(session.polylines(),
             (std::vector<std::vector<P>>{{P{6, 9}, P{6.5, 10}, P{7, 11}}}));
    // The stored curve keeps its range until Save.
    const auto stored = [&] { return dialog.UserList()->GetEquations()[0]->GetParameters()[0]; };
    QCOMPARE(stored()->GetMinValue(), 0.0);
    click(dialog, 115);
    QCOMPARE(stored()->GetMinValue(), 1.0);
    QCOMPARE(stored()->GetIncrement(), 0.5);
}

// Arcs within a tolerance: the preview counts the vertices written, the draw writes
// bulges, and the next dialog starts with the same choice.
void CurveDialogTest::drawing_options_reach_preview_and_draw()
{
    Session session;
    {
        Dlg dialog;
        show(dialog);
        type(dialog, 106, QStringLiteral("sin(x)"));
        type(dialog, 113, QStringLiteral("6"));
        type(dialog, 114, QStringLiteral("0.05"));
        QTRY_VERIFY(!dialog.Preview().IsPending());
        const std::size_t chords = dialog.Preview().Vertices();
        QCOMPARE(chords, std::size_t{121});

        CurveOptionsBox& box = dialog.Options();
        box.findChild<QComboBox*>(QStringLiteral("outputKind"))->setCurrentIndex(1);
        box.findChild<QCheckBox*>(QStringLiteral("adaptive"))->setChecked(true);
        auto* tolerance = box.findChild<QLineEdit*>(QStringLiteral("tolerance"));
        tolerance->selectAll();
        QTest::keyClicks(tolerance, QStringLiteral("0.001"));
        QVERIFY(box.Options().tolerance.has_value());
        QCOMPARE(*box.Options().tolerance, 0.001);
        QTRY_VERIFY(!dialog.Preview().IsPending());
        QVERIFY2(dialog.Preview().Vertices() * 3 < chords, qPrintable(QString::number(dialog.Preview().Vertices())));
        QVERIFY(!plotwright::test::saveScreenshot(dialog, QStringLiteral("curve_dialog_arcs")).isEmpty());

        session.backend.scriptPoint(0, 0);
        click(dialog, 102);
        bool bulges = false;
        session.database.forEachEntity([&](const AcDbEntity& entity) {
            if (const auto* polyline = dynamic_cast<const AcDbPolyline*>(&entity))
                bulges = bulges || polyline->hasBulges();
        });
        QVERIFY(bulges);
    }
    Dlg again;
    show(again);
    const plotwright::curve::CurveOptions kept = again.Options().Options();
    QCOMPARE(kept.output, plotwright::curve::CurveOutput::Arcs);
    QVERIFY(kept.tolerance.has_value());
    QCOMPARE(*kept.tolerance, 0.001);
}

// Turned a quarter, doubled, mirrored and offset: the preview and the drawn polyline
// stand upright (the sine's x runs up the drawing); a refused scale stops both.
void CurveDialogTest::placement_reaches_preview_and_draw()
{
    Session session;
    Dlg dialog;
    show(dialog);
    type(dialog, 106, QStringLiteral("sin(x)"));
    type(dialog, 113, QStringLiteral("6"));
    type(dialog, 114, QStringLiteral("0.05"));
    QTRY_VERIFY(!dialog.Preview().IsPending());
    const QRectF flat = dialog.Preview().Extents();
    QVERIFY2(flat.width() > flat.height() * 2, "the plain sine lies along x");

    CurveOptionsBox& box = dialog.Options();
    const auto typeInto = [&](const char* name, const QString& text) {
        auto* field = box.findChild<QLineEdit*>(QLatin1String(name));
        QVERIFY(field);
        field->setFocus();
        field->selectAll();
        QTest::keyClicks(field, text);
    };
    typeInto("rotation", QStringLiteral("90"));
    typeInto("scale", QStringLiteral("0"));
    QTRY_VERIFY(!dialog.Preview().IsPending());
    QCOMPARE(dialog.Preview().Message(), QStringLiteral("Scale: a number above 0 is needed, not \"0\"."));
    QVERIFY(!dialog.control<BitmapButton>(102)->isEnabled());

    typeInto("scale", QStringLiteral("2"));
    typeInto("offset", QStringLiteral("0.5"));
    auto* mirror = box.findChild<QCheckBox*>(QStringLiteral("mirror"));
    QTest::mouseClick(mirror, Qt::LeftButton, {}, QPoint(4, mirror->height() / 2));
    const plotwright::curve::CurveOptions options = box.Options();
    QCOMPARE(options.rotation, 90.0);
    QCOMPARE(options.scale, 2.0);
    QVERIFY(options.mirror);
    QCOMPARE(options.offset, 0.5);
    QTRY_VERIFY(!dialog.Preview().IsPending());
    QVERIFY(dialog.Preview().Message().isEmpty());
    const QRectF upright = dialog.Preview().Extents();
    QVERIFY2(upright.height() > upright.width() * 2, "turned, the sine stands upright");
    QVERIFY(!plotwright::test::saveScreenshot(dialog, QStringLiteral("curve_dialog_placement")).isEmpty());

    session.backend.scriptPoint(10, 20);
    click(dialog, 102);
    double minX = 1e300, maxX = -1e300, minY = 1e300, maxY = -1e300;
    int polylines = 0;
    session.database.forEachEntity([&](const AcDbEntity& entity) {
        if (const auto* polyline = dynamic_cast<const AcDbPolyline*>(&entity)) {
            ++polylines;
            for (const AcGePoint2d& p : polyline->points()) {
                minX = std::min(minX, p.x), maxX = std::max(maxX, p.x);
                minY = std::min(minY, p.y), maxY = std::max(maxY, p.y);
            }
        }
    });
    QCOMPARE(polylines, 1);
    // x' = 10 + 2 sin(x) and y' = 20 + 2 x, moved 0.5 to the left of travel (up the
    // drawing, so towards -x): the peaks at 11.5, the troughs at 7.5.
    QVERIFY2(maxY > 31.9 && maxY < 32.6 && minY > 19.9 && minY < 20.6, qPrintable(QStringLiteral("%1 %2").arg(minY).arg(maxY)));
    QVERIFY2(minX > 7.4 && minX < 7.6 && maxX > 11.4 && maxX < 11.6, qPrintable(QStringLiteral("%1 %2").arg(minX).arg(maxX)));
}

void CurveDialogTest::draw_predefined_curve_with_grid_values()
{
    Session session;
    Dlg dialog;
    show(dialog);
    auto* grid = dialog.findChild<MyCug*>();
    // Cayley's Sextic: constant a in row 1, the running variable th in row 3.
    QVERIFY(grid->GotoCell(3, 1));
    QTest::keyClicks(grid, QStringLiteral("2"));
    QTest::keyClick(grid->GetEditor(), Qt::Key_Return);
    QVERIFY(grid->GotoCell(4, 3));
    QTest::keyClicks(grid, QStringLiteral("1"));
    QTest::keyClick(grid->GetEditor(), Qt::Key_Return);

    session.backend.scriptPoint(5, 7);
    click(dialog, 101);
    const auto polylines = session.polylines();
    QCOMPARE(polylines.size(), std::size_t(1));
    QCOMPARE(polylines[0].size(), std::size_t(11));  // th from 0 to 1 by 0.1
    QCOMPARE(polylines[0][0], (AcGePoint2d{13, 7}));  // r = 4 * 2 * cos(0)^3
    QCOMPARE(session.backend.kinds().front(), RecordingBackend::Kind::BeginEditorCommand);
}

void CurveDialogTest::save_as_data()
{
    QTest::addColumn<bool>("parametric");
    QTest::addColumn<int>("button");
    QTest::addColumn<std::optional<QString>>("typed");  // none: the suggestion stays
    QTest::addColumn<QString>("suggestion");
    QTest::addColumn<QStringList>("itemsAfter");
    QTest::newRow("explicit: the expression suggested") << false << 1 << std::optional<QString>() << "u"
                                                        << QStringList{"u"};
    QTest::newRow("parametric: x; y suggested") << true << 1 << std::optional<QString>() << "u; v"
                                                << QStringList{"u; v"};
    QTest::newRow("empty name gives an empty item") << false << 1 << std::optional(QString()) << "u"
                                                    << QStringList{""};
    QTest::newRow("Cancel adds nothing") << true << 2 << std::optional<QString>("never") << "u; v" << QStringList{};
}

void CurveDialogTest::save_as()
{
    QFETCH(bool, parametric);
    QFETCH(int, button);
    QFETCH(std::optional<QString>, typed);
    QFETCH(QString, suggestion);
    QFETCH(QStringList, itemsAfter);
    Session session;
    Dlg dialog;
    show(dialog);
    if (parametric)
        click(dialog, 111);
    type(dialog, 106, QStringLiteral("u"));
    if (parametric)
        type(dialog, 107, QStringLiteral("v"));
    auto seen = std::make_shared<QString>();
    answerSaveAs(seen, typed, button);
    click(dialog, 116);
    QTRY_COMPARE(*seen, suggestion);
    QCOMPARE(items(dialog, 105), itemsAfter);
    QCOMPARE(current(dialog, 105), int(itemsAfter.size()) - 1);
    QCOMPARE(dialog.UserList()->GetEquations().size(), std::size_t(itemsAfter.size()));
    // Saved or not, the fields were applied to the working equation.
    QCOMPARE(QString::fromStdWString(dialog.WorkingEquation().GetEquationY()), parametric ? "v" : "u");
    if (!itemsAfter.isEmpty())  // a copy, not the working equation's own parameters
        QVERIFY(dialog.UserList()->GetEquations()[0]->GetParameters()[0] != dialog.WorkingEquation().GetParameters()[0]);
}

void CurveDialogTest::save_into_current_curve_and_duplicates()
{
    Session session;
    Dlg::SetAskBeforeReplacing(true);  // the question the user may turn on
    Dlg dialog;
    show(dialog);
    type(dialog, 106, QStringLiteral("x^2"));
    auto seen = std::make_shared<QString>();
    answerSaveAs(seen, QStringLiteral("same"), 1);
    click(dialog, 116);
    QTRY_COMPARE(items(dialog, 105), QStringList({"same"}));

    // Save writes into the current curve; its item keeps its text.
    type(dialog, 106, QStringLiteral("x^3"));
    click(dialog, 115);
    QCOMPARE(items(dialog, 105), QStringList({"same"}));
    QCOMPARE(dialog.UserList()->GetEquations()[0]->GetEquationY(), std::wstring(L"x^3"));

    answerSaveAs(seen, std::nullopt, 1);  // the field still holds "x^3", the suggestion
    click(dialog, 116);
    QTRY_COMPARE(items(dialog, 105), QStringList({"same", "x^3"}));
    // A name already in the list asks first: No adds nothing, Yes replaces that curve.
    type(dialog, 106, QStringLiteral("x^4"));
    session.backend.scriptAnswer(IDNO);
    answerSaveAs(seen, QStringLiteral("same"), 1);
    click(dialog, 116);
    QTRY_COMPARE(session.backend.messages().size(), std::size_t(1));
    QCOMPARE(session.backend.messages().back(), std::wstring(L"A curve named \"same\" already exists.\nDo you want to replace it?"));
    QCOMPARE(session.backend.calls.back().a, int(MB_YESNO | MB_ICONQUESTION));
    QCOMPARE(items(dialog, 105), QStringList({"same", "x^3"}));
    QCOMPARE(dialog.UserList()->GetEquations()[0]->GetEquationY(), std::wstring(L"x^3"));

    session.backend.scriptAnswer(IDYES);
    answerSaveAs(seen, QStringLiteral("same"), 1);
    click(dialog, 116);
    QTRY_COMPARE(session.backend.messages().size(), std::size_t(2));
    QCOMPARE(items(dialog, 105), QStringList({"same", "x^3"}));
    QCOMPARE(dialog.UserList()->GetEquations()[0]->GetEquationY(), std::wstring(L"x^4"));
    QCOMPARE(current(dialog, 105), 0);

    click(dialog, 1);
    CEquationList written;
    QCOMPARE(written.LoadFromXml(QString::fromUtf8(session.read(userFile)).toStdWString()), 1);
    QCOMPARE(written.GetEquations().size(), std::size_t(2));
    QCOMPARE(written.GetEquations()[0]->GetName(), std::wstring(L"same"));
    QCOMPARE(written.GetEquations()[0]->GetEquationY(), std::wstring(L"x^4"));
    QCOMPARE(written.GetSelected(), written.GetEquations()[0]);
}

void CurveDialogTest::delete_down_to_empty_list()
{
    Session session;
    session.write(userFile, userLibrary({{L"first", L"1", L"x", L""}, {L"second", L"3", L"2", L""}}, -1));
    Dlg dialog;
    show(dialog);
    click(dialog, 108);
    QCOMPARE(items(dialog, 105), QStringList({"second"}));
    QCOMPARE(current(dialog, 105), 0);
    QCOMPARE(text(dialog, 106), QStringLiteral("2"));  // the remaining curve is taken up
    QVERIFY(dialog.control<QRadioButton>(112)->isChecked());

    click(dialog, 108);
    QCOMPARE(items(dialog, 105), QStringList());
    QCOMPARE(current(dialog, 105), -1);
    QCOMPARE(text(dialog, 106), QStringLiteral("2"));  // the fields keep the deleted curve
    click(dialog, 108);  // nothing left to delete
    QVERIFY(dialog.UserList()->GetEquations().empty());

    auto seen = std::make_shared<QString>();
    answerSaveAs(seen, std::nullopt, 2);
    click(dialog, 115);  // acts as Save as
    QTRY_COMPARE(*seen, QStringLiteral("2"));
    QVERIFY(session.read(userFile).contains("second"));  // nothing reached the disk before Close
}

// Escape and the close box end the dialog as Close does, writing both libraries; an
// Escape that discards a grid entry only discards it.
void CurveDialogTest::only_close_ends_the_dialog()
{
    for (const char* how : {"Escape", "close box", "Escape in the grid, then Close"}) {
        Session session;
        Dlg dialog;
        bool openAfterGridEscape = false;
        QTimer::singleShot(0, &dialog, [&] {
            if (QString(how) == "Escape") {
                QTest::keyClick(&dialog, Qt::Key_Escape);
            } else if (QString(how) == "close box") {
                dialog.close();
            } else {
                auto* grid = dialog.findChild<MyCug*>();
                QVERIFY(grid->GotoCell(5, 3));
                QTest::keyClicks(grid, QStringLiteral("7"));
                QVERIFY(grid->IsEditing());
                QTest::keyClick(grid->GetEditor(), Qt::Key_Escape);
                openAfterGridEscape = dialog.isVisible() && !grid->IsEditing();
                click(dialog, 1);
            }
        });
        QVERIFY2(dialog.DoModal() == 1, how);
        QVERIFY2(session.read(userFile) != QByteArray("(missing)"), how);
        if (QString(how).startsWith("Escape in"))
            QVERIFY2(openAfterGridEscape, how);
    }
}

// A curve typed into the user-defined fields and not saved: Close asks. Cancel keeps the
// dialog open, No closes without it, Yes saves it into the current curve (or through
// Save as when there is none; cancelling Save as keeps the dialog open).
void CurveDialogTest::close_asks_for_a_typed_curve_data()
{
    QTest::addColumn<bool>("stored");    // a user curve is current
    QTest::addColumn<QString>("typed");  // into field 106; empty: nothing typed
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<bool>("closed");
    QTest::addColumn<QString>("written");  // the first stored curve's expression after Close
    QTest::newRow("nothing typed") << true << "" << 0 << false << true << "x";
    QTest::newRow("typed, Cancel") << true << "x^5" << int(IDCANCEL) << true << false << "";
    QTest::newRow("typed, No") << true << "x^5" << int(IDNO) << true << true << "x";
    QTest::newRow("typed, Yes") << true << "x^5" << int(IDYES) << true << true << "x^5";
    QTest::newRow("typed back as stored") << true << "x" << 0 << false << true << "x";
    QTest::newRow("no stored curve, Yes, Save as cancelled") << false << "x^5" << int(IDYES) << true << false << "";
}

void CurveDialogTest::close_asks_for_a_typed_curve()
{
    QFETCH(bool, stored);
    QFETCH(QString, typed);
    QFETCH(int, answer);
    QFETCH(bool, asked);
    QFETCH(bool, closed);
    QFETCH(QString, written);
    Session session;
    if (stored)
        session.write(userFile, userLibrary({{L"first", L"1", L"x", L""}}, 0));
    const QByteArray before = session.read(userFile);
    Dlg dialog;
    show(dialog);
    if (!typed.isEmpty())
        type(dialog, 106, typed);
    if (answer)
        session.backend.scriptAnswer(answer);
    auto seen = std::make_shared<QString>();
    if (!stored)
        answerSaveAs(seen, std::nullopt, 2);
    click(dialog, 1);
    const std::vector<std::wstring> messages = session.backend.messages();
    QCOMPARE(!messages.empty(), asked);
    if (asked)
        QCOMPARE(messages.front(), std::wstring(L"The user-defined curve in the fields is not saved.\nSave it before closing?"));
    QCOMPARE(!dialog.isVisible(), closed);
    if (!closed) {
        QCOMPARE(session.read(userFile), before);  // nothing written while the dialog stays
        return;
    }
    CEquationList library;
    QCOMPARE(library.LoadFromXml(QString::fromUtf8(session.read(userFile)).toStdWString()), 1);
    QCOMPARE(QString::fromStdWString(library.GetEquations()[0]->GetEquationY()), written);
}

void CurveDialogTest::close_writes_both_libraries()
{
    Session session;
    Dlg dialog;
    show(dialog);
    pick(dialog, 100, 1);
    click(dialog, 1);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), 1);

    CEquationList expected;
    expected.LoadFromXml(DefaultLibraryText());
    expected.SetSelected(*expected.GetEquations()[1]);
    const QByteArray predefined = session.read(predefinedFile);
    QCOMPARE(predefined, QString::fromStdWString(expected.ToXml()).toUtf8());
    QVERIFY(predefined.startsWith(
        "<EquationList version=\"\" ><Equation type=\"3\" name=\"Cayley&apos;s Sextic\" "
        "equationy=\"4*a*(cos(1/3*th))^3\" equationx=\"\" createdBy=\"0\" selected=\"0\" >"));
    QVERIFY(predefined.contains("name=\"Cycloid\" equationy=\"a*(1-cos(t))\" equationx=\"a*(t-sin(t))\" "
                                "createdBy=\"0\" selected=\"1\" >"));
    QCOMPARE(session.read(userFile), QByteArray("<EquationList version=\"\" ></EquationList>"));
}

void CurveDialogTest::failed_save_asks_before_closing()
{
    Session session;
    const QString folder = session.path(QStringLiteral("not yet"));
    Session::setInstallFolder(folder);
    Dlg dialog;
    show(dialog);
    type(dialog, 106, QStringLiteral("x/2"));
    auto seen = std::make_shared<QString>();
    answerSaveAs(seen, QStringLiteral("half"), 1);
    click(dialog, 116);
    QTRY_COMPARE(items(dialog, 105), QStringList({"half"}));

    session.backend.scriptAnswer(IDNO);
    click(dialog, 1);
    QVERIFY(dialog.isVisible());
    const std::wstring f = folder.toStdWString() + L"/";
    // The file layer names the missing folder.
    const std::wstring reason = L"the folder \"" + folder.toStdWString() + L"\" does not exist";
    QCOMPARE(session.backend.calls.back(),
             (RecordingBackend::Call{RecordingBackend::Kind::MessageBox,
                                     L"The curve library \"" + f + L"curveDefinition.xml\" could not be saved: " + reason
                                         + L".\nThe curve library \"" + f + L"curveDefinition_User.xml\" could not be "
                                         L"saved: " + reason + L".\n\nClose anyway? The changes made to these libraries "
                                         L"will be lost.",
                                     int(MB_YESNO | MB_ICONEXCLAMATION)}));

    // The user makes the folder and presses Close again: nothing was lost.
    QVERIFY(QDir().mkpath(folder));
    session.backend.clear();
    click(dialog, 1);
    QVERIFY(!dialog.isVisible());
    QVERIFY(session.backend.messages().empty());
    QVERIFY(session.read(QStringLiteral("not yet/curveDefinition_User.xml")).contains("name=\"half\""));

    // Yes closes without the files.
    Session other;
    Session::setInstallFolder(other.path(QStringLiteral("missing")));
    Dlg second;
    show(second);
    other.backend.scriptAnswer(IDYES);
    click(second, 1);
    QVERIFY(!second.isVisible());
    QCOMPARE(second.result(), 1);
    QCOMPARE(other.backend.messages().size(), std::size_t(1));
}

void CurveDialogTest::damaged_library_is_kept_data()
{
    QTest::addColumn<QByteArray>("userBytes");  // "dir": a folder stands in the file's place
    QTest::addColumn<QByteArray>("predefinedBytes");
    QTest::addColumn<QStringList>("userItems");
    QTest::addColumn<int>("predefinedCount");
    // %F: install folder, %C and %P: the copies kept, %E: the system's "is a directory"
    QTest::addColumn<QString>("message");

    const QByteArray one = userLibrary({{L"kept", L"1", L"x", L""}}, -1);
    QByteArray stray = userLibrary({{L"a", L"1", L"x", L""}, {L"b", L"1", L"x", L""}}, -1);
    stray.insert(stray.indexOf("<Equation type", 30), "</Bogus>");
    QByteArray latin1 = one;
    latin1.replace("kept", "caf\xE9");
    const QString replaced = QStringLiteral("\nThe file will be replaced when the dialog is closed. ");
    const QString kept = QStringLiteral("A copy of it as it was is kept in \"%C\".");

    QTest::newRow("stray end tag: both curves read")
        << stray << QByteArray() << QStringList{"a", "b"} << 4
        << "The curve library \"%FcurveDefinition_User.xml\" is damaged: it is not well-formed (No start tag for end "
           "tag 'Bogus' at offset 419).\nThe 2 curves that could be read from it are shown." + replaced + kept;
    QTest::newRow("no curve library in it") << QByteArray("<CurveList></CurveList>") << QByteArray() << QStringList{}
        << 4
        << "The curve library \"%FcurveDefinition_User.xml\" is damaged: it holds no curve library.\n"
           "No stored curves are shown." + replaced + kept;
    QTest::newRow("not UTF-8") << latin1 << QByteArray() << QStringList{"caf?"} << 4
        << "The curve library \"%FcurveDefinition_User.xml\" is damaged: it is not UTF-8 text.\n"
           "The one curve that could be read from it is shown." + replaced + kept;
    QTest::newRow("unreadable: no copy") << QByteArray("dir") << QByteArray() << QStringList{} << 4
        << "The curve library \"%FcurveDefinition_User.xml\" could not be read: %E.\n"
           "No stored curves are shown." + replaced + "No copy of it could be kept: %E.";
    QTest::newRow("predefined damaged: built-in curves, one message for both")
        << one << QByteArray("<Equation") << QStringList{"kept"} << 4
        << "The curve library \"%FcurveDefinition.xml\" is damaged: it is not well-formed (No root "
           "element).\nThe built-in curves are shown instead." + replaced
               + "A copy of it as it was is kept in \"%P\".";
}

void CurveDialogTest::damaged_library_is_kept()
{
    QFETCH(QByteArray, userBytes);
    QFETCH(QByteArray, predefinedBytes);
    QFETCH(QStringList, userItems);
    QFETCH(int, predefinedCount);
    QFETCH(QString, message);
    Session session;
    if (userBytes == "dir")
        QVERIFY(QDir(session.dir.path()).mkdir(userFile));
    else
        session.write(userFile, userBytes);
    if (!predefinedBytes.isEmpty())
        session.write(predefinedFile, predefinedBytes);

    Dlg dialog;
    show(dialog);
    QTRY_COMPARE(session.backend.messages().size(), std::size_t(1));
    QCOMPARE(items(dialog, 105), userItems);
    QCOMPARE(dialog.control<QComboBox>(100)->count(), predefinedCount);

    const QDir dir(session.dir.path());
    const auto copies = [&](const QString& stem) {
        return dir.entryList({stem + QStringLiteral(".damaged-*.xml")}, QDir::Files);
    };
    const QStringList userCopies = copies(QStringLiteral("curveDefinition_User"));
    const QStringList predefinedCopies = copies(QStringLiteral("curveDefinition"));
    const bool userDamaged = message.contains(QStringLiteral("%C"));
    QCOMPARE(userCopies.size(), userDamaged ? 1 : 0);
    QCOMPARE(predefinedCopies.size(), predefinedBytes.isEmpty() ? 0 : 1);
    if (userDamaged) {
        QVERIFY(QRegularExpression(QStringLiteral("^curveDefinition_User\\.damaged-\\d{8}-\\d{6}\\.xml$"))
                    .match(userCopies[0]).hasMatch());
        QCOMPARE(session.read(userCopies[0]), userBytes);
    }
    if (!predefinedBytes.isEmpty())
        QCOMPARE(session.read(predefinedCopies[0]), predefinedBytes);

    message.replace(QStringLiteral("%F"), session.dir.path() + QStringLiteral("/"));
    message.replace(QStringLiteral("%E"), QString::fromStdWString(systemReason(EISDIR)));
    if (userDamaged)
        message.replace(QStringLiteral("%C"), session.path(userCopies[0]));
    if (!predefinedBytes.isEmpty())
        message.replace(QStringLiteral("%P"), session.path(predefinedCopies[0]));
    QCOMPARE(QString::fromStdWString(session.backend.messages()[0]), message);
    QCOMPARE(session.backend.calls.back().a, int(MB_OK | MB_ICONEXCLAMATION));
}

void CurveDialogTest::damaged_copies_never_overwrite()
{
    Session session;
    session.write(userFile, "<broken");
    const std::wstring path = session.path(userFile).toStdWString();
    const std::time_t now = std::time(nullptr);
    CEquationList list;
    const auto first = plotwright::ui::ReadStoredLibrary(path, list, now);
    const auto second = plotwright::ui::ReadStoredLibrary(path, list, now);
    QVERIFY(!first.copyPath.empty());
    QCOMPARE(second.copyPath, first.copyPath.substr(0, first.copyPath.size() - 4) + L"-2.xml");
    QCOMPARE(session.read(QString::fromStdWString(second.copyPath).section('/', -1)), QByteArray("<broken"));
}

void CurveDialogTest::errors_show_before_the_pick_data()
{
    QTest::addColumn<int>("kind");  // radio id
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::addColumn<QString>("increment");
    QTest::addColumn<int>("field");
    QTest::addColumn<QString>("message");

    QTest::newRow("unfinished call") << 109 << "sin(" << "" << "0.1" << 106
                                     << "Error in the first expression: unexpected end of expression at character 5";
    QTest::newRow("unknown name") << 109 << "2*y" << "" << "0.1" << 106
                                  << "Error in the first expression: unknown name \"y\" at character 3";
    QTest::newRow("second expression of a parametric curve") << 111 << "cos(t)" << "sin(t" << "0.1" << 107
                                  << "Error in the second expression: missing parenthesis";
    QTest::newRow("increment of 0") << 109 << "x^2" << "" << "0" << 114 << "The increment must be greater than 0.";
}

void CurveDialogTest::errors_show_before_the_pick()
{
    QFETCH(int, kind);
    QFETCH(QString, first);
    QFETCH(QString, second);
    QFETCH(QString, increment);
    QFETCH(int, field);
    QFETCH(QString, message);

    Session session;
    Dlg dialog;
    show(dialog);
    click(dialog, kind);
    type(dialog, 106, first);
    if (kind == 111)
        type(dialog, 107, second);
    type(dialog, 114, increment);

    // Said at once, in the preview and at the field, and the draw cannot start.
    QVERIFY2(dialog.Preview().Message().startsWith(message), qPrintable(dialog.Preview().Message()));
    QCOMPARE(dialog.GetDlgItem(field)->toolTip(), dialog.Preview().Message());
    QCOMPARE(dialog.GetDlgItem(field)->palette().color(QPalette::Base), QColor(255, 215, 215));
    auto* draw = dialog.control<BitmapButton>(102);
    QVERIFY(!draw->isEnabled());
    QCOMPARE(QString::fromStdWString(draw->GetToolTipText()),
             QStringLiteral("Draw user defined curve: ") + dialog.Preview().Message());
    for (const int other : {106, 107, 110, 113, 114}) {
        if (other != field)
            QVERIFY2(dialog.GetDlgItem(other)->toolTip().isEmpty(), qPrintable(QString::number(other)));
    }
    session.backend.scriptPoint(0, 0);
    click(dialog, 102);
    QVERIFY(session.backend.calls.empty());  // no pick asked, no message box

    // Put right, the mark goes and the curve can be drawn.
    type(dialog, 106, kind == 111 ? QStringLiteral("cos(t)") : QStringLiteral("x^2"));
    if (kind == 111)
        type(dialog, 107, QStringLiteral("sin(t)"));
    type(dialog, 114, QStringLiteral("0.5"));
    QVERIFY(draw->isEnabled());
    QVERIFY(dialog.GetDlgItem(field)->toolTip().isEmpty());
    QCOMPARE(QString::fromStdWString(draw->GetToolTipText()), QStringLiteral("Draw user defined curve"));
}

void CurveDialogTest::refused_grid_value_blocks_the_draw()
{
    Session session;
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
        session.write(predefinedFile, QString::fromStdWString(list.ToXml()).toUtf8());
    }
    Dlg dialog;
    show(dialog);
    QCOMPARE(items(dialog, 100), QStringList({"Bounded"}));
    auto* grid = dialog.findChild<MyCug*>();
    QVERIFY(grid->GotoCell(3, 1));
    QTest::keyClicks(grid, QStringLiteral("2"));  // opens the editor with this first key
    QTest::keyClicks(grid->GetEditor(), QStringLiteral("5"));
    QTest::keyClick(grid->GetEditor(), Qt::Key_Return);
    QVERIFY(grid->IsEditing());
    QCOMPARE(grid->GetEditor()->palette().color(QPalette::Base), QColor(255, 205, 205));
    QCOMPARE(grid->RefusalMessage(), QStringLiteral("Please specify a numeric value between 1 and 20."));
    auto* draw = dialog.control<BitmapButton>(101);
    QVERIFY(!draw->isEnabled());
    QCOMPARE(QString::fromStdWString(draw->GetToolTipText()),
             QStringLiteral("Draw predefined curve: Please specify a numeric value between 1 and 20."));
    QCOMPARE(dialog.Preview().Message(), grid->RefusalMessage());

    // Neither a click nor the command itself draws the old value while 25 is on show.
    session.backend.scriptPoint(0, 0);
    QTest::mouseClick(draw, Qt::LeftButton);
    dialog.SendCommand(101);
    QVERIFY(session.polylines().empty());
    QVERIFY(session.backend.calls.empty());

    QLineEdit* editor = qobject_cast<QLineEdit*>(grid->GetEditor());
    editor->selectAll();
    QTest::keyClicks(editor, QStringLiteral("15"));
    QTest::keyClick(editor, Qt::Key_Return);
    QVERIFY(draw->isEnabled());
    session.backend.scriptPoint(0, 0);
    click(dialog, 101);
    const auto polylines = session.polylines();
    QCOMPARE(polylines.size(), std::size_t(1));
    QCOMPARE(polylines[0][0], (AcGePoint2d{15, 0}));  // r = a at t = 0
}

void CurveDialogTest::hint_follows_the_shown_kind()
{
    Session session;
    session.write(userFile, userLibrary({{L"para", L"2", L"t", L"t"}, {L"line", L"1", L"x", L""},
                                         {L"polar", L"3", L"1", L""}}, 0));
    Dlg dialog;
    show(dialog);
    const QString x = QStringLiteral("Use 'x' as a parameter /example: sin(x)/");
    const QString t = QStringLiteral("Use 't' as a parameter /example: sin(t)/");
    QCOMPARE(text(dialog, 120), t);
    pick(dialog, 105, 1);
    QCOMPARE(text(dialog, 120), x);
    pick(dialog, 105, 2);
    QCOMPARE(text(dialog, 120), t);
    pick(dialog, 105, 1);
    QCOMPARE(text(dialog, 120), x);
}

void CurveDialogTest::save_over_another_kind_asks_first()
{
    Session session;
    Dlg::SetAskBeforeReplacing(true);  // the question the user may turn on
    session.write(userFile, userLibrary({{L"line", L"1", L"x", L""}}, 0));
    Dlg dialog;
    show(dialog);
    click(dialog, 111);
    type(dialog, 106, QStringLiteral("cos(t)"));
    type(dialog, 107, QStringLiteral("sin(t)"));
    session.backend.scriptAnswer(IDNO);
    click(dialog, 115);
    QCOMPARE(session.backend.messages(),
             std::vector<std::wstring>{L"The stored curve \"line\" is explicit cartesian, the curve in the fields is "
                                       L"parametric cartesian.\nReplace the stored curve?"});
    QCOMPARE(dialog.UserList()->GetEquations()[0]->GetType(), int(ExplicitCartesian));

    session.backend.scriptAnswer(IDYES);
    click(dialog, 115);
    QCOMPARE(dialog.UserList()->GetEquations()[0]->GetType(), int(ParametricCartesian));
    QCOMPARE(dialog.UserList()->GetEquations()[0]->GetEquationY(), std::wstring(L"sin(t)"));

    // The same kind is saved without a question.
    type(dialog, 106, QStringLiteral("2*cos(t)"));
    click(dialog, 115);
    QCOMPARE(session.backend.messages().size(), std::size_t(2));
    QCOMPARE(dialog.UserList()->GetEquations()[0]->GetEquationX(), std::wstring(L"2*cos(t)"));
}

// The predefined list shows the gallery or the user's own curves as well, each curve with
// the grid of its constants; the stored predefined library keeps its mark.
void CurveDialogTest::predefined_list_shows_any_library()
{
    Session session;
    qputenv("PLOTWRIGHT_GALLERY", PLOTWRIGHT_GALLERY_FILE);
    session.write(userFile, userLibrary({{L"line", L"1", L"2*x", L""}, {L"wave", L"1", L"sin(x)", L""}}, 1));
    Dlg dialog;
    show(dialog);
    const QStringList builtIn = items(dialog, 100);
    auto* chooser = dialog.findChild<QComboBox*>(QStringLiteral("libraryChooser"));
    QVERIFY(chooser);
    chooser->setFocus();
    QTest::keyClick(chooser, Qt::Key_Down);
    QVERIFY(dialog.ShownLibrary() == Dlg::Library::Gallery);
    const QStringList gallery = items(dialog, 100);
    QVERIFY2(gallery.size() > 20, qPrintable(gallery.join(", ")));
    QVERIFY(gallery.contains(QStringLiteral("Ellipse")));
    // A gallery curve with constants gets its grid, and draws.
    pick(dialog, 100, int(gallery.indexOf(QStringLiteral("Ellipse"))));
    auto* grid = dialog.findChild<MyCug*>();
    QVERIFY(grid->GetNumberRows() > 1);
    QTRY_VERIFY(!dialog.Preview().IsPending());
    QVERIFY(dialog.Preview().Message().isEmpty());
    QVERIFY(!plotwright::test::saveScreenshot(dialog, QStringLiteral("curve-dialog-gallery")).isEmpty());
    session.backend.scriptPoint(0, 0);
    click(dialog, 101);
    QCOMPARE(session.polylines().size(), std::size_t(1));

    chooser->setFocus();
    QTest::keyClick(chooser, Qt::Key_Down);
    QVERIFY(dialog.ShownLibrary() == Dlg::Library::User);
    QCOMPARE(items(dialog, 100), QStringList({"line", "wave"}));
    QCOMPARE(current(dialog, 100), 1);  // the marked one
    // Deleting the user's curve that the list shows leaves nothing dangling.
    pick(dialog, 105, 1);
    click(dialog, 108);
    QCOMPARE(items(dialog, 100), QStringList({"line"}));

    chooser->setFocus();
    QTest::keyClick(chooser, Qt::Key_Home);
    QCOMPARE(items(dialog, 100), builtIn);
    click(dialog, 1);
    CEquationList written;
    QCOMPARE(written.LoadFromXml(QString::fromUtf8(session.read(QStringLiteral("curveDefinition.xml"))).toStdWString()),
             1);
    QVERIFY(written.GetSelected() != nullptr);
    qunsetenv("PLOTWRIGHT_GALLERY");
}

// A stored curve whose range the fields cannot show exactly draws with its own values, and
// the preview says which are shown rounded; a changed field draws what it shows.
void CurveDialogTest::stored_values_shown_rounded_are_drawn_exactly()
{
    Session session;
    CEquationList list;
    auto circle = std::make_shared<CEquation>();
    circle->SetName(L"circle");
    circle->SetType(ExplicitPolar);
    circle->SetEquationY(L"1");
    circle->SetCreatedBy(2);
    const double pi = 3.141592653589793;
    circle->AddParameter(std::make_shared<CEquationParameter>(ParameterFields{
        .name = L"t", .type = RunningVariable, .increment = pi / 180, .minValue = 0, .maxValue = 2 * pi}));
    list.AddEquation(circle);
    list.SetSelected(*circle);
    session.write(userFile, QString::fromStdWString(list.ToXml()).toUtf8());
    Dlg dialog;
    show(dialog);
    // Five fraction digits: 6.28318 and 0.01745 are what the fields show.
    QCOMPARE(text(dialog, 113), QStringLiteral("6.28318"));
    QCOMPARE(text(dialog, 114), QStringLiteral("0.01745"));
    QTRY_VERIFY(!dialog.Preview().IsPending());
    QCOMPARE(dialog.Preview().Note(), QStringLiteral("maximum shown rounded: 6.283185307179586; increment shown "
                                                     "rounded: 0.017453292519943295"));
    session.backend.scriptPoint(0, 0);
    click(dialog, 102);
    // 361 samples at whole degrees, the last on the first: a closed curve of 360 vertices.
    const auto drawn = session.polylines();
    QCOMPARE(drawn.size(), std::size_t(1));
    QCOMPARE(drawn[0].size(), std::size_t(360));

    type(dialog, 113, QStringLiteral("3"));
    QTRY_VERIFY(!dialog.Preview().IsPending());
    QCOMPARE(dialog.Preview().Note(), QStringLiteral("increment shown rounded: 0.017453292519943295"));
}

void CurveDialogTest::number_fields_take_constant_expressions_data()
{
    QTest::addColumn<int>("id");          // 110 minimum, 113 maximum, 114 increment, 0 tolerance
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");   // after Tab
    QTest::addColumn<QString>("problem"); // the preview's, empty when drawable
    QTest::addColumn<QString>("note");
    QTest::newRow("maximum 2*PI, shown rounded, kept exact")
        << 113 << "2*PI" << "6.28318" << "" << "maximum shown rounded: 6.283185307179586";
    QTest::newRow("increment PI/180") << 114 << "PI/180" << "0.01745" << ""
                                      << "increment shown rounded: 0.017453292519943295";
    QTest::newRow("minimum below zero") << 110 << "-PI" << "-3.14159" << ""
                                        << "minimum shown rounded: -3.141592653589793";
    QTest::newRow("a value the field shows whole needs no note") << 113 << "360/8" << "45" << "" << "";
    QTest::newRow("unknown name stays typed, with its reason")
        << 113 << "2*q" << "2*q"
        << "\"2*q\" is not a finite number (unknown name \"q\" at character 3)." << "";
    QTest::newRow("more digits than the field holds")
        << 113 << "10^7" << "10^7" << "\"10^7\" is 10000000: at most 7 digits before the point." << "";
    QTest::newRow("past the field's bounds")
        << 110 << "-2*10^6" << "-2*10^6"
        << "\"-2*10^6\" is -2000000. Please specify a numeric value between -1000000 and 1000000." << "";
    QTest::newRow("tolerance 1/64") << 0 << "1/64" << "0.015625" << "" << "";
    QTest::newRow("tolerance with an unknown name")
        << 0 << "1/q" << "1/q"
        << "Tolerance: a number above 0 is needed, not \"1/q\" (unknown name \"q\" at character 3)." << "";
}

// Typed with real keys and committed with Tab, as the command line reads its values.
void CurveDialogTest::number_fields_take_constant_expressions()
{
    QFETCH(int, id);
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(QString, problem);
    QFETCH(QString, note);
    Session session;
    Dlg dialog;
    show(dialog);
    type(dialog, 106, QStringLiteral("sin(x)"));
    QLineEdit* field = nullptr;
    if (id == 0) {
        CurveOptionsBox& box = dialog.Options();
        QTest::mouseClick(box.findChild<QCheckBox*>(QStringLiteral("adaptive")), Qt::LeftButton, {}, QPoint(4, 4));
        field = box.findChild<QLineEdit*>(QStringLiteral("tolerance"));
        field->setFocus();
        field->selectAll();
        QTest::keyClicks(field, typed);
    } else {
        type(dialog, id, typed);
        field = dialog.control<QLineEdit>(id);
    }
    QTest::keyClick(field, Qt::Key_Tab);
    QCOMPARE(field->text(), shown);
    QTRY_VERIFY(!dialog.Preview().IsPending());
    QCOMPARE(dialog.Preview().Message(), problem);
    QCOMPARE(dialog.Preview().Note(), note);
    QCOMPARE(dialog.control<BitmapButton>(102)->isEnabled(), problem.isEmpty());
    if (!problem.isEmpty()) {
        QCOMPARE(field->toolTip(), problem);
        const QString name = QStringLiteral("curve_dialog_refused_expression_%1").arg(QString::fromLatin1(QTest::currentDataTag()).replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9]+")), QStringLiteral("_")));
        QVERIFY(!plotwright::test::saveScreenshot(dialog, name).isEmpty());
        return;
    }
    if (id == 0) {
        QCOMPARE(*dialog.Options().Options().tolerance, 1.0 / 64);
        return;
    }
    // The draw takes the exact value: x of the last, first or second vertex of sin(x).
    session.backend.scriptPoint(0, 0);
    click(dialog, 102);
    const auto drawn = session.polylines();
    QCOMPARE(drawn.size(), std::size_t(1));
    const double exact = plotwright::curve::constantValue(typed.toStdString()).value_or(0);
    const AcGePoint2d vertex = id == 113 ? drawn[0].back() : id == 110 ? drawn[0].front() : drawn[0][1];
    QCOMPARE(vertex.x, exact);
}

void CurveDialogTest::expression_help_names_every_function()
{
    Session session;
    Dlg dialog;
    show(dialog);
    for (int id : {106, 107, 120}) {
        const QString help = id == 120 ? dialog.GetDlgItem(id)->toolTip() : dialog.GetDlgItem(id)->whatsThis();
        for (const char* name : {"floor", "ceil", "mod(a, b)", "atan2(y, x)", "hypot(x, y)", "sqrt", "PI"})
            QVERIFY2(help.contains(QLatin1String(name)), qPrintable(QString::number(id) + QLatin1Char(' ') + name));
    }
    QVERIFY(dialog.GetDlgItem(113)->whatsThis().contains(QStringLiteral("2*PI")));
}

// By default nothing asks before a stored curve is replaced or a name repeats.
void CurveDialogTest::replacing_without_a_question_data()
{
    QTest::addColumn<int>("button");
    QTest::addColumn<QStringList>("itemsAfter");
    QTest::addColumn<int>("storedKind");  // of the first stored curve afterwards
    // "Save as twice with the same name yields two items with that name, both written at Close"
    QTest::newRow("Save as with a name already in the list adds a second") << 116 << QStringList{"line", "line"}
                                                                           << int(ExplicitCartesian);
    // "copies the working equation into it" (a stored curve of another kind)
    QTest::newRow("Save over a curve of another kind copies without a question") << 115 << QStringList{"line"}
                                                                                 << int(ParametricCartesian);
}

void CurveDialogTest::replacing_without_a_question()
{
    QFETCH(int, button);
    QFETCH(QStringList, itemsAfter);
    QFETCH(int, storedKind);
    Session session;
    session.write(userFile, userLibrary({{L"line", L"1", L"x", L""}}, 0));
    Dlg dialog;
    show(dialog);
    click(dialog, 111);
    type(dialog, 106, QStringLiteral("cos(t)"));
    type(dialog, 107, QStringLiteral("sin(t)"));
    auto seen = std::make_shared<QString>();
    if (button == 116)
        answerSaveAs(seen, QStringLiteral("line"), 1);
    click(dialog, button);
    QTRY_COMPARE(items(dialog, 105), itemsAfter);
    QVERIFY(session.backend.messages().empty());
    QCOMPARE(dialog.UserList()->GetEquations()[0]->GetType(), storedKind);
    click(dialog, 1);
    CEquationList written;
    QCOMPARE(written.LoadFromXml(QString::fromUtf8(session.read(userFile)).toStdWString()), 1);
    QCOMPARE(written.GetEquations().size(), std::size_t(itemsAfter.size()));
}

void CurveDialogTest::dialog_stays_where_it_was_put()
{
    Session session;
    Dlg dialog;
    show(dialog);
    // Moved as a window manager moves it, not by the program.
    const QPoint place = dialog.geometry().topLeft() + QPoint(37, 23);
    dialog.windowHandle()->setPosition(place);
    QTRY_COMPARE(dialog.geometry().topLeft(), place);
    session.backend.scriptPoint(0, 0);
    click(dialog, 101);
    QCOMPARE(session.polylines().size(), std::size_t(1));
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.geometry().topLeft(), place);
}

void CurveDialogTest::preview_draws_the_typed_curve()
{
    Session session;
    Dlg dialog;
    show(dialog);
    CurvePreview& preview = dialog.Preview();
    type(dialog, 110, QStringLiteral("-2"));
    type(dialog, 113, QStringLiteral("2"));
    type(dialog, 114, QStringLiteral("0.05"));
    type(dialog, 106, QStringLiteral("x^3-2*x"));
    QTRY_VERIFY(!preview.IsPending());
    QVERIFY(preview.Message().isEmpty());

    // The same points as the draw places at the origin.
    CEquation curve;
    curve.SetType(ExplicitCartesian);
    curve.SetEquationY(L"x^3-2*x");
    curve.AddParameter(std::make_shared<CEquationParameter>(
        ParameterFields{.name = L"x", .type = RunningVariable, .increment = 0.05, .minValue = -2, .maxValue = 2}));
    const ads_point origin = {0, 0, 0};
    const CurvePoints drawn = SampleCurve(curve, origin);
    QCOMPARE(preview.Points().size(), drawn.size());
    for (std::size_t i = 0; i < drawn.size(); ++i) {
        QCOMPARE(preview.Points()[i].x, drawn[i].x);
        QCOMPARE(preview.Points()[i].y, drawn[i].y);
    }
    // The path goes through every point (fewer than the cap), the extents hold them all.
    const QPainterPath& path = preview.Path();
    QCOMPARE(std::size_t(path.elementCount()), drawn.size());
    for (int i = 0; i < path.elementCount(); ++i)
        QCOMPARE(QPointF(path.elementAt(i)), QPointF(drawn[i].x, drawn[i].y));
    QCOMPARE(preview.Extents().left(), -2.0);
    QCOMPARE(preview.Extents().right(), drawn.back().x);

    const QString shot = plotwright::test::saveScreenshot(dialog, QStringLiteral("curve_dialog_preview"));
    QVERIFY(!shot.isEmpty());
    // The curve was drawn on the worker; what the widget shows is that picture, curve included.
    const QImage shown = preview.grab().toImage();
    QCOMPARE(shown.size(), preview.size());
    int curvePixels = 0;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x)
            curvePixels += shown.pixelColor(x, y) == QColor(0, 70, 160);
    QVERIFY2(curvePixels > 50, qPrintable(QString::number(curvePixels)));

    // A change while typing replaces the preview; an error replaces the curve.
    type(dialog, 106, QStringLiteral("x^2"));
    QTRY_VERIFY(!preview.IsPending());
    QCOMPARE(preview.Points()[0].y, 4.0);
    type(dialog, 106, QStringLiteral("x^"));
    QVERIFY(!preview.Message().isEmpty());
    QVERIFY(preview.Points().empty());
}

void CurveDialogTest::template_controls_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QRect>("units");
    const auto row = [](int id, const char* text, int x, int y, int cx, int cy) {
        QTest::newRow(qPrintable(QStringLiteral("%1 %2").arg(id).arg(QString::fromUtf8(text))))
            << id << QString::fromUtf8(text) << QRect(x, y, cx, cy);
    };
    row(1, "Close", 289, 296, 50, 14);
    row(100, "", 16, 18, 145, 30);
    row(101, "", 312, 18, 16, 14);
    row(103, "", 16, 35, 312, 109);  // the grid in the placeholder's place
    row(104, "4*a*(cos(1/3*th))^3", 164, 18, 143, 13);  // filled at start-up
    row(105, "", 16, 172, 145, 30);
    row(106, "", 164, 192, 164, 12);
    row(117, "y = f(x) = ", 125, 194, 36, 8);
    row(118, "y = f(t) = ", 125, 208, 34, 8);
    row(107, "", 164, 207, 164, 12);
    row(108, "", 164, 172, 16, 14);
    row(109, "Explicit cartesian", 16, 191, 69, 10);
    row(111, "Parametric cartesian", 16, 206, 81, 10);
    row(112, "Explicit polar", 16, 221, 56, 10);
    row(110, "0", 244, 236, 84, 14);
    row(113, "10", 244, 253, 84, 14);
    row(114, "0.1", 244, 270, 84, 14);
    row(115, "", 184, 172, 16, 14);
    row(102, "", 311, 171, 16, 14);
    row(116, "", 204, 172, 16, 14);
    row(120, "Use 'x' as a parameter /example: sin(x)/", 164, 223, 165, 8);
    row(121, "", 346, 8, 200, 206);  // the preview beside both groups, the drawing options and placement below it
}

void CurveDialogTest::template_controls()
{
    QFETCH(int, id);
    QFETCH(QString, text);
    QFETCH(QRect, units);
    Session session;
    Dlg dialog;
    show(dialog);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Plotwright"));
    QCOMPARE(dialog.size(), dialog.MapDialogRect(0, 0, 553, 318).size());
    QCOMPARE(dialog.minimumSize(), dialog.maximumSize());
    QWidget* control = id == 103 ? dialog.findChild<MyCug*>() : id == 121 ? &dialog.Preview() : dialog.GetDlgItem(id);
    QVERIFY(control);
    const QRect expected = dialog.MapDialogRect(units.x(), units.y(), units.width(), units.height());
    if (qobject_cast<QComboBox*>(control)) {
        // A combo box's template height is that of its dropped list.
        QCOMPARE(control->geometry().topLeft(), expected.topLeft());
        QCOMPARE(control->width(), expected.width());
    } else {
        QCOMPARE(control->geometry(), expected);
    }
    if (auto* button = qobject_cast<QAbstractButton*>(control))
        QCOMPARE(button->text(), text);
    else if (auto* edit = qobject_cast<QLineEdit*>(control))
        QCOMPARE(edit->text(), text);
    else if (auto* label = qobject_cast<QLabel*>(control))
        QCOMPARE(label->text(), text);
}

void CurveDialogTest::field_configuration_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<double>("stored");
    QTest::newRow("seven whole digits in the minimum") << 110 << "12345678" << "1234567" << 1234567.0;
    QTest::newRow("three whole digits in the increment") << 114 << "1234.5" << "123.5" << 123.5;
    QTest::newRow("five decimals in the maximum") << 113 << "0.1234567" << "0.12345" << 0.12345;
    QTest::newRow("a negative increment can be typed") << 114 << "-0.1" << "-0.1" << -0.1;
}

void CurveDialogTest::field_configuration()
{
    QFETCH(int, id);
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(double, stored);
    Session session;
    Dlg dialog;
    show(dialog);
    type(dialog, id, typed);
    QCOMPARE(text(dialog, id), shown);
    click(dialog, 111);  // applying the fields stores them in the working equation
    const CEquationParameter& running = *dialog.WorkingEquation().GetParameters().front();
    QCOMPARE(id == 110 ? running.GetMinValue() : id == 113 ? running.GetMaxValue() : running.GetIncrement(), stored);
}

void CurveDialogTest::grid_value_reaches_the_library_at_close()
{
    Session session;
    Dlg dialog;
    show(dialog);
    auto* grid = dialog.findChild<MyCug*>();
    QVERIFY(grid->GotoCell(3, 1));  // Cayley's Sextic, constant a
    QTest::keyClicks(grid, QStringLiteral("7"));
    QTest::keyClicks(grid->GetEditor(), QStringLiteral(".25"));
    QTest::keyClick(grid->GetEditor(), Qt::Key_Return);
    click(dialog, 1);
    CEquationList written;
    QCOMPARE(written.LoadFromXml(QString::fromUtf8(session.read(predefinedFile)).toStdWString()), 1);
    const CEquationPtr cayley = written.GetEquations()[0];
    QCOMPARE(cayley->GetName(), std::wstring(L"Cayley's Sextic"));
    QCOMPARE(cayley->FindParameter(L"a")->GetValue(), 7.25);
}

void CurveDialogTest::delete_with_a_later_item_current()
{
    Session session;
    session.write(userFile, userLibrary({{L"first", L"1", L"x", L""}, {L"second", L"3", L"2", L""},
                                         {L"third", L"2", L"t", L"t^2"}}, 2));
    Dlg dialog;
    show(dialog);
    QCOMPARE(current(dialog, 105), 2);
    QCOMPARE(text(dialog, 106), QStringLiteral("t^2"));
    click(dialog, 108);
    QCOMPARE(items(dialog, 105), QStringList({"first", "second"}));
    QCOMPARE(current(dialog, 105), 0);
    QCOMPARE(text(dialog, 106), QStringLiteral("x"));  // the first curve is taken up
    QVERIFY(dialog.control<QRadioButton>(109)->isChecked());
    QCOMPARE(dialog.UserList()->GetEquations().size(), std::size_t(2));
    QCOMPARE(dialog.UserList()->GetEquations()[1]->GetName(), std::wstring(L"second"));
}

void CurveDialogTest::tool_buttons_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<int>("resource");
    QTest::addColumn<bool>("bitmap");  // drawn in the palette's button colours
    QTest::addColumn<QString>("tooltip");
    QTest::newRow("draw predefined curve") << 101 << 103 << true << "Draw predefined curve";
    QTest::newRow("draw user defined curve") << 102 << 103 << true << "Draw user defined curve";
    QTest::newRow("delete") << 108 << 107 << false << "Delete equation";
    QTest::newRow("save") << 115 << 105 << false << "Save";
    QTest::newRow("save as") << 116 << 106 << false << "Save as";
}

void CurveDialogTest::tool_buttons()
{
    QFETCH(int, id);
    QFETCH(int, resource);
    QFETCH(bool, bitmap);
    QFETCH(QString, tooltip);
    Session session;
    session.write(userFile, userLibrary({{L"line", L"1", L"2*x", L""}}, 0));
    Dlg dialog;
    show(dialog);
    auto* button = dialog.control<BitmapButton>(id);
    QVERIFY(button);
    QVERIFY(!button->icon().isNull());
    QVERIFY(button->autoRaise());  // the tool-button look
    QCOMPARE(button->text(), QString());

    // Its own picture, and none of the others'.
    const QImage shown = picture(button->icon());
    const auto expected = [&](int image) {
        return picture(image == 103 ? plotwright::ui::MappedBitmap(103, button->palette())
                                    : plotwright::ui::ResourceIcon(image));
    };
    QCOMPARE(shown, expected(resource));
    QCOMPARE(bitmap, resource == 103);
    for (const int other : {103, 105, 106, 107}) {
        if (other != resource)
            QVERIFY2(shown != expected(other), qPrintable(QString::number(other)));
    }

    // With the library's curves as they are, every button can act.
    QVERIFY(button->isEnabled());
    QCOMPARE(QString::fromStdWString(button->GetToolTipText()), tooltip);
    QHelpEvent help(QEvent::ToolTip, QPoint(4, 4), button->mapToGlobal(QPoint(4, 4)));
    QCoreApplication::sendEvent(button, &help);
    QTRY_VERIFY(QToolTip::isVisible());
    QCOMPARE(QToolTip::text(), tooltip);
    QToolTip::hideText();
    QTRY_VERIFY(!QToolTip::isVisible());
}

void CurveDialogTest::draw_buttons_follow_the_curve_data()
{
    QTest::addColumn<int>("button");
    QTest::addColumn<int>("field");  // typed into; 103: the predefined curve's increment in the grid
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("tooltip");  // empty: the button is enabled with its own text
    QTest::newRow("user curve, unfinished expression")
        << 102 << 106 << "2*(x"
        << "Draw user defined curve: Error in the first expression: missing parenthesis at character 5";
    QTest::newRow("user curve, maximum below the minimum")
        << 102 << 113 << "-1" << "Draw user defined curve: The maximum must be greater than the minimum.";
    QTest::newRow("user curve, too many samples") << 102 << 114 << "0.00001"
        << "Draw user defined curve: Too many points: the range and increment give 2e+08 samples; "
           "at most 10000000 can be drawn.";
    QTest::newRow("user curve, whole expression") << 102 << 106 << "x^2" << "";
    QTest::newRow("predefined curve, increment of 0")
        << 101 << 103 << "0" << "Draw predefined curve: The increment must be greater than 0.";
    QTest::newRow("predefined curve, another increment") << 101 << 103 << "0.5" << "";
    // The other area's button does not follow.
    QTest::newRow("user button keeps its state when the grid changes") << 102 << 103 << "0" << "";
}

void CurveDialogTest::draw_buttons_follow_the_curve()
{
    QFETCH(int, button);
    QFETCH(int, field);
    QFETCH(QString, typed);
    QFETCH(QString, tooltip);
    Session session;
    session.write(userFile, userLibrary({{L"line", L"1", L"2*x", L""}}, 0));
    Dlg dialog;
    show(dialog);
    if (field == 103) {
        auto* grid = dialog.findChild<MyCug*>();
        QVERIFY(grid->GotoCell(5, 3));  // Cayley's Sextic: the running variable's increment
        QTest::keyClicks(grid, typed.left(1));
        QTest::keyClicks(grid->GetEditor(), typed.mid(1));
        QTest::keyClick(grid->GetEditor(), Qt::Key_Return);
        QVERIFY(!grid->IsEditing());
    } else {
        if (field == 114)
            type(dialog, 113, QStringLiteral("2000"));
        type(dialog, field, typed);
    }
    auto* draw = dialog.control<BitmapButton>(button);
    const QString own = button == 101 ? QStringLiteral("Draw predefined curve") : QStringLiteral("Draw user defined curve");
    QCOMPARE(draw->isEnabled(), tooltip.isEmpty());
    QCOMPARE(QString::fromStdWString(draw->GetToolTipText()), tooltip.isEmpty() ? own : tooltip);
    // Disabled, it says why where the pointer rests.
    QHelpEvent help(QEvent::ToolTip, QPoint(4, 4), draw->mapToGlobal(QPoint(4, 4)));
    QCoreApplication::sendEvent(draw, &help);
    QTRY_VERIFY(QToolTip::isVisible());
    QCOMPARE(QToolTip::text(), tooltip.isEmpty() ? own : tooltip);
    QToolTip::hideText();
    QTRY_VERIFY(!QToolTip::isVisible());
}

// The preview's vertex count is what the draw writes: a closed curve does not repeat its
// start, undefined points are left out; with no point defined the draw is refused.
void CurveDialogTest::preview_counts_what_the_draw_writes_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("expression");
    QTest::addColumn<QString>("minimum");
    QTest::addColumn<QString>("maximum");
    QTest::addColumn<QString>("increment");
    QTest::addColumn<int>("vertices");  // 0: nothing can be drawn
    QTest::newRow("closed circle: 64 samples, 63 vertices") << 112 << "1" << "0" << "6.28319" << "0.1" << 63;
    QTest::newRow("open curve: every sample") << 109 << "x^2" << "0" << "2" << "0.5" << 5;
    QTest::newRow("undefined samples are not vertices") << 109 << "sqrt(x)" << "-1" << "1" << "0.5" << 3;
    QTest::newRow("no point defined") << 109 << "sqrt(-1-x^2)" << "0" << "10" << "0.1" << 0;
}

void CurveDialogTest::preview_counts_what_the_draw_writes()
{
    QFETCH(int, kind);
    QFETCH(QString, expression);
    QFETCH(QString, minimum);
    QFETCH(QString, maximum);
    QFETCH(QString, increment);
    QFETCH(int, vertices);
    Session session;
    Dlg dialog;
    show(dialog);
    click(dialog, kind);
    type(dialog, 106, expression);
    type(dialog, 110, minimum);
    type(dialog, 113, maximum);
    type(dialog, 114, increment);
    QTRY_VERIFY(!dialog.Preview().IsPending());
    auto* draw = dialog.control<BitmapButton>(102);
    if (vertices == 0) {
        QCOMPARE(dialog.Preview().NoDefinedPoint(), true);
        QCOMPARE(dialog.Preview().Message(),
                 QStringLiteral("No point of the curve is defined: none of its 101 samples is a finite number, so "
                                "nothing would be drawn."));
        QTRY_VERIFY(!draw->isEnabled());
        QCOMPARE(QString::fromStdWString(draw->GetToolTipText()),
                 QStringLiteral("Draw user defined curve: ") + dialog.Preview().Message());
        return;
    }
    QVERIFY(draw->isEnabled());
    QCOMPARE(dialog.Preview().Vertices(), std::size_t(vertices));
    session.backend.scriptPoint(0, 0);
    click(dialog, 102);
    std::size_t drawn = 0;
    for (const auto& polyline : session.polylines())
        drawn += polyline.size();
    QCOMPARE(drawn, std::size_t(vertices));
}

// A tolerance that cannot be used is not replaced by another one behind the user's back:
// the preview says why and both draw buttons wait for a usable one.
void CurveDialogTest::refused_tolerance_blocks_preview_and_draw_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("problem");  // empty: drawn with that tolerance
    QTest::newRow("zero") << "0" << "Tolerance: a number above 0 is needed, not \"0\".";
    QTest::newRow("not a number: the expression's reason") << "abc"
                                  << "Tolerance: a number above 0 is needed, not \"abc\" (unknown name \"abc\" at character 1).";
    QTest::newRow("negative") << "-0.5" << "Tolerance: a number above 0 is needed, not \"-0.5\".";
    QTest::newRow("usable") << "0.01" << "";
}

void CurveDialogTest::refused_tolerance_blocks_preview_and_draw()
{
    QFETCH(QString, typed);
    QFETCH(QString, problem);
    Session session;
    Dlg dialog;
    show(dialog);
    type(dialog, 106, QStringLiteral("sin(x)"));
    CurveOptionsBox& box = dialog.Options();
    QTest::mouseClick(box.findChild<QCheckBox*>(QStringLiteral("adaptive")), Qt::LeftButton, {}, QPoint(4, 4));
    auto* tolerance = box.findChild<QLineEdit*>(QStringLiteral("tolerance"));
    tolerance->setFocus();
    tolerance->selectAll();
    QTest::keyClicks(tolerance, typed);
    QTRY_VERIFY(!dialog.Preview().IsPending());
    QCOMPARE(dialog.Preview().Message(), problem);
    for (int id : {101, 102}) {
        auto* draw = dialog.control<BitmapButton>(id);
        QCOMPARE(draw->isEnabled(), problem.isEmpty());
        if (!problem.isEmpty())
            QVERIFY(QString::fromStdWString(draw->GetToolTipText()).endsWith(problem));
    }
    // What the next dialog starts with is the last usable choice.
    const plotwright::curve::CurveOptions stored = CurveOptionsBox::LoadStored();
    QVERIFY(stored.tolerance.has_value());
    QCOMPARE(*stored.tolerance, problem.isEmpty() ? 0.01 : 0.001);
}

void CurveDialogTest::switching_curves_refills_the_grid_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::newRow("three constants to a running variable alone: joined rows go") << 0 << 1;
    QTest::newRow("a running variable alone to three constants: joined rows come") << 1 << 0;
    QTest::newRow("a running variable alone to one constant") << 1 << 2;
    QTest::newRow("one constant to two") << 2 << 3;
    QTest::newRow("two constants to one: the second one's joined row goes") << 3 << 2;
    QTest::newRow("three constants to two: the last row goes") << 0 << 3;
    QTest::newRow("two constants to three") << 3 << 0;
}

void CurveDialogTest::switching_curves_refills_the_grid()
{
    QFETCH(int, from);
    QFETCH(int, to);
    Session session;
    session.write(predefinedFile, layoutLibrary());
    Dlg dialog;
    show(dialog);
    auto* combo = dialog.control<QComboBox>(100);
    QCOMPARE(combo->count(), 4);
    pick(dialog, 100, from);
    // One change from `from` to `to`, as the keys of the closed list make it.
    const Qt::Key key = to == from + 1 ? Qt::Key_Down : to == from - 1 ? Qt::Key_Up : to == 0 ? Qt::Key_Home : Qt::Key_End;
    QTest::keyClick(combo, key);
    QCOMPARE(combo->currentIndex(), to);

    auto* grid = dialog.findChild<MyCug*>();
    const GridLayout want = layoutOf(to);
    QCOMPARE(grid->GetNumberRows(), want.texts.size());
    QCOMPARE(grid->GetNumberCols(), 6);
    QCOMPARE(grid->model()->rowCount(), want.texts.size());
    const CEquation* shown = dialog.PredefinedList()->GetEquations()[to].get();
    const CEquation* before = dialog.PredefinedList()->GetEquations()[from].get();
    for (int row = 0; row < want.texts.size(); ++row) {
        QStringList texts;
        for (int col = 0; col < 6; ++col) {
            CUGCell cell;
            QVERIFY(grid->GetCell(col, row, &cell));
            texts << cell.GetText();
            // Value cells refer to the new curve's parameters, never to the old one's.
            if (const auto* parameter = static_cast<const CEquationParameter*>(cell.GetParam())) {
                const auto& own = shown->GetParameters();
                QVERIFY(std::any_of(own.begin(), own.end(), [&](const auto& p) { return p.get() == parameter; }));
                const auto& old = before->GetParameters();
                QVERIFY(from == to || std::none_of(old.begin(), old.end(), [&](const auto& p) { return p.get() == parameter; }));
            }
            QCOMPARE(grid->rowSpan(row, col), 1);
            // A joined cell reports its join's span.
            QCOMPARE(grid->columnSpan(row, col), col >= 3 ? want.valueSpans[row] : 1);
        }
        QCOMPARE(texts, want.texts[row]);
        QCOMPARE(grid->GetRowHeight(row), want.heights[row]);
    }
    // Nothing of the old layout lies below the new rows.
    const int below = grid->rowViewportPosition(0) + std::accumulate(want.heights.begin(), want.heights.end(), 0);
    QCOMPARE(grid->indexAt(QPoint(5, below + 5)), QModelIndex());
    QVERIFY(!plotwright::test::saveScreenshot(*grid, QStringLiteral("grid_after_switch_%1_to_%2").arg(from).arg(to)).isEmpty());
}

void CurveDialogTest::switching_curves_drops_a_refused_entry()
{
    Session session;
    session.write(predefinedFile, layoutLibrary());
    Dlg dialog;
    show(dialog);
    auto* grid = dialog.findChild<MyCug*>();
    QVERIFY(grid->GotoCell(3, 1));  // a, allowed from 0 to 5
    QTest::keyClicks(grid, QStringLiteral("9"));
    QTest::keyClick(grid->GetEditor(), Qt::Key_Return);
    QVERIFY(grid->HasRefusedValue());
    QVERIFY(!dialog.control<BitmapButton>(101)->isEnabled());

    pick(dialog, 100, 1);
    QVERIFY(!grid->IsEditing());
    QVERIFY(!grid->HasRefusedValue());
    QVERIFY(dialog.control<BitmapButton>(101)->isEnabled());
    QCOMPARE(QString::fromStdWString(dialog.control<BitmapButton>(101)->GetToolTipText()),
             QStringLiteral("Draw predefined curve"));
    // The refused 9 reached neither curve.
    QCOMPARE(dialog.PredefinedList()->GetEquations()[0]->FindParameter(L"a")->GetValue(), 1.0);
    QCOMPARE(dialog.PredefinedList()->GetEquations()[1]->GetParameters()[0]->GetMinValue(), 1.0);
}

void CurveDialogTest::edit_mode_shows_the_drawn_curve_data()
{
    QTest::addColumn<bool>("predefined");
    QTest::addColumn<bool>("pickOrigin");
    QTest::newRow("a library curve by its name and expressions") << true << false;
    QTest::newRow("a curve of one's own, with a new origin asked for") << false << true;
}

// A drawn curve's definition opens the dialog where it came from; the draw button hands
// the curve, with the definition's options, to the redraw instead of asking for an origin.
void CurveDialogTest::edit_mode_shows_the_drawn_curve()
{
    QFETCH(bool, predefined);
    QFETCH(bool, pickOrigin);
    Session session;
    plotwright::curve::CurveOptions stored;
    {
        Dlg first;
        show(first);
        stored = first.Options().Options();
    }
    // The first built-in curve with its constants changed, or a parabola of one's own.
    CEquationList builtIn;
    builtIn.LoadFromXml(DefaultLibraryText());
    CEquation source;
    if (predefined) {
        builtIn.GetEquations().front()->CopyTo(source);
        source.GetParameters().front()->SetValue(2.5);
    } else {
        source.SetType(ExplicitCartesian);
        source.SetName(L"Mine");
        source.SetEquationY(L"x^2/7");
        source.AddParameter(std::make_shared<CEquationParameter>(
            ParameterFields{.name = L"x", .type = RunningVariable, .increment = 0.5, .minValue = -3, .maxValue = 4}));
    }
    plotwright::curve::CurveOptions options;
    options.output = plotwright::curve::CurveOutput::Spline;
    options.literalSteps = true;
    const plotwright::curve::CurveDefinition definition =
        plotwright::curve::curveDefinitionFrom(source, {1, 2, 0}, options);

    Dlg dialog;
    std::vector<std::wstring> redrawn;
    std::vector<bool> picks;
    plotwright::curve::CurveOptions drawnWith;
    dialog.EditDrawnCurve(definition, [&](CEquation& equation, const plotwright::curve::CurveOptions& o, bool pick,
                                          bool) {
        redrawn.push_back(equation.ToXml());
        picks.push_back(pick);
        drawnWith = o;
    });
    show(dialog);
    QVERIFY(dialog.IsEditing());
    auto* pickBox = dialog.findChild<QCheckBox*>(QStringLiteral("control%1").arg(Dlg::IDC_PICK_ORIGIN));
    QVERIFY(pickBox && pickBox->isVisible());
    QCOMPARE(dialog.Options().Options().output, plotwright::curve::CurveOutput::Spline);
    if (pickOrigin)
        QTest::mouseClick(pickBox, Qt::LeftButton, {}, QPoint(6, pickBox->height() / 2));

    auto* predefinedCombo = dialog.findChild<QComboBox*>(QStringLiteral("control%1").arg(Dlg::IDC_PREDEFINED));
    QVERIFY(predefinedCombo);
    if (predefined) {
        QCOMPARE(predefinedCombo->currentText().toStdWString(), source.GetName());
        click(dialog, Dlg::IDC_DRAW_PREDEFINED);
    } else {
        QCOMPARE(text(dialog, Dlg::IDC_FIRST_EXPRESSION), QStringLiteral("x^2/7"));
        click(dialog, Dlg::IDC_DRAW_USER);
    }
    QCOMPARE(redrawn.size(), std::size_t(1));
    QCOMPARE(picks, std::vector<bool>{pickOrigin});
    QVERIFY(drawnWith.literalSteps);
    // What is redrawn is the definition's curve, values and all.
    CEquation expected;
    plotwright::curve::equationOf(definition)->CopyTo(expected);
    QCOMPARE(QString::fromStdWString(redrawn.front()), QString::fromStdWString(expected.ToXml()));
    QVERIFY(session.polylines().empty());
    const std::vector<RecordingBackend::Kind> calls = session.backend.kinds();
    QCOMPARE(std::count(calls.begin(), calls.end(), RecordingBackend::Kind::GetPoint), 0);
    // Closing stores none of the drawn curve's values in the predefined library: the
    // next dialog shows the built-in values.
    click(dialog, 1);
    QCOMPARE(session.read(QStringLiteral("curveDefinition.xml")), QByteArray("(missing)"));
    // The options of the edited curve do not become the choice for new curves.
    Dlg later;
    show(later);
    QCOMPARE(later.PredefinedList()->GetEquations().front()->GetParameters().front()->GetValue(),
             builtIn.GetEquations().front()->GetParameters().front()->GetValue());
    QCOMPARE(later.Options().Options().output, stored.output);
    QCOMPARE(later.Options().Options().literalSteps, stored.literalSteps);
}

QTEST_MAIN(CurveDialogTest)
#include "dlg_curve_test.moc"
