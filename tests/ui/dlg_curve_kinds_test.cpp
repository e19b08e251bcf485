// The curve dialog with space and implicit curves, driven as a user drives it: the kind
// chosen with a click, expressions and the window typed, the preview watched, the curve
// drawn into the working database and kept in the user library on disk.
#include "db/database.h"
#include "db/entities.h"
#include "db/polyline.h"
#include "host/editor.h"
#include "model/equation_list.h"
#include "support/recording_backend.h"
#include "support/screenshot.h"
#include "ui/dlg_curve.h"
#include "ui/dlg_save_as.h"
#include "ui/implicit_window_box.h"
#include "ui/numeric_edit.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cmath>

using plotwright::host::RecordingBackend;
using plotwright::host::ScopedBackend;
using Dlg = CDlgCurve;

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
        qputenv("PLOTWRIGHT_INSTALL_FOLDER", dir.path().toUtf8());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.path());
        acdbHostApplicationServices()->setWorkingDatabase(&database);
    }
    ~Session() { acdbHostApplicationServices()->setWorkingDatabase(previous); }
    QByteArray read(const QString& name) const
    {
        QFile file(dir.filePath(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
    }
};

const QString userFile = QStringLiteral("curveDefinition_User.xml");

void click(QWidget* widget) { QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(6, widget->height() / 2)); }

void type(QLineEdit* edit, const QString& typed)
{
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, typed);
    // Tab commits an expression, as a user moving on does.
    QTest::keyClick(edit, Qt::Key_Tab);
}

void type(Dlg& dialog, int id, const QString& typed) { type(dialog.control<QLineEdit>(id), typed); }

void typeWindow(Dlg& dialog, const QStringList& values)
{
    for (int k = 0; k < values.size(); ++k)
        type(&dialog.WindowFields().FieldAt(static_cast<ImplicitWindowBox::Field>(k)), values[k]);
}

void show(Dlg& dialog)
{
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
}

QCheckBox* topView(Dlg& dialog) { return dialog.findChild<QCheckBox*>(QStringLiteral("control128")); }

// Answers the next save-as dialog with `name` once it runs.
void answerSaveAs(const QString& name)
{
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [=] {
        auto* saveAs = qobject_cast<CDlgSaveAs*>(QApplication::activeModalWidget());
        if (!saveAs || !saveAs->isVisible())
            return;
        timer->stop();
        timer->deleteLater();
        auto* field = saveAs->control<QLineEdit>(CDlgSaveAs::IDC_NAME);
        field->selectAll();
        QTest::keyClick(field, Qt::Key_Delete);
        QTest::keyClicks(field, name);
        QTest::mouseClick(saveAs->control<QPushButton>(IDOK), Qt::LeftButton);
    });
    timer->start();
}

// The helix the tests type: radius 2, rising 0.5 per radian, 7.5 radians.
void typeHelix(Dlg& dialog)
{
    click(dialog.GetDlgItem(Dlg::IDC_SPACE));
    type(dialog, Dlg::IDC_FIRST_EXPRESSION, QStringLiteral("2*cos(t)"));
    type(dialog, Dlg::IDC_SECOND_EXPRESSION, QStringLiteral("2*sin(t)"));
    type(dialog, Dlg::IDC_THIRD_EXPRESSION, QStringLiteral("0.5*t"));
    type(dialog, Dlg::IDC_MAXIMUM, QStringLiteral("7.5"));
    type(dialog, Dlg::IDC_INCREMENT, QStringLiteral("0.05"));
}

} // namespace

class CurveKindsDialogTest : public QObject {
    Q_OBJECT

private slots:
    void space_curve_previewed_obliquely_and_drawn();
    void implicit_curve_previewed_in_its_window_and_drawn();
    void faults_of_the_new_kinds_block_the_draw_data();
    void faults_of_the_new_kinds_block_the_draw();
    void kind_switches_keep_z_window_and_range();
    void new_kinds_round_trip_through_the_user_library();
};

void CurveKindsDialogTest::space_curve_previewed_obliquely_and_drawn()
{
    Session session;
    Dlg dialog;
    show(dialog);
    QVERIFY(dialog.GetDlgItem(Dlg::IDC_THIRD_EXPRESSION)->isHidden());
    QVERIFY(topView(dialog)->isHidden());
    typeHelix(dialog);
    QVERIFY(dialog.control<QRadioButton>(Dlg::IDC_SPACE)->isChecked());
    QCOMPARE(dialog.control<QLabel>(Dlg::IDC_FIRST_LABEL)->text(), QStringLiteral("x = f(t) = "));
    QCOMPARE(dialog.control<QLabel>(Dlg::IDC_SECOND_LABEL)->text(), QStringLiteral("y = f(t) = "));
    QCOMPARE(dialog.control<QLabel>(Dlg::IDC_THIRD_LABEL)->text(), QStringLiteral("z = f(t) = "));
    QVERIFY(dialog.GetDlgItem(Dlg::IDC_HINT)->isHidden());  // the z field stands there

    // Obliquely: the path is the points projected, z upwards.
    CurvePreview& preview = dialog.Preview();
    QTRY_VERIFY(!preview.IsPending());
    QVERIFY2(preview.Message().isEmpty(), qPrintable(preview.Message()));
    QVERIFY(preview.ShowsSpaceCurve());
    QVERIFY(topView(dialog)->isVisible());
    QCOMPARE(preview.Points().size(), std::size_t(151));
    const plotwright::ui::PreviewPoint last = preview.Points().back();
    QCOMPARE(last.z, 3.75);
    const QPainterPath& oblique = preview.Path();
    QCOMPARE(QPointF(oblique.elementAt(oblique.elementCount() - 1)), CurvePreview::Oblique(last.x, last.y, last.z));
    QVERIFY(oblique.boundingRect().height() > 3.75);
    QVERIFY(std::abs(preview.Extents().width() - 4) < 1e-3);  // the extents stay those of x and y
    plotwright::test::saveScreenshot(dialog, QStringLiteral("curve-dialog-space"));

    // From the top: a circle of radius 2.
    click(topView(dialog));
    QVERIFY(topView(dialog)->isChecked());
    QTRY_VERIFY(!preview.IsPending());
    const QRectF top = preview.Path().boundingRect();
    QVERIFY2(std::abs(top.width() - 4) < 1e-3 && std::abs(top.height() - 4) < 1e-3,
             qPrintable(QStringLiteral("%1 x %2").arg(top.width()).arg(top.height())));
    plotwright::test::saveScreenshot(dialog, QStringLiteral("curve-dialog-space-top"));

    // Drawn from the picked point's elevation as one 3-D polyline.
    session.backend.scriptPoint(1, 2, 3);
    click(dialog.GetDlgItem(Dlg::IDC_DRAW_USER));
    std::vector<AcGePoint3d> vertices;
    session.database.forEachEntity([&](const AcDbEntity& entity) {
        if (const auto* polyline = dynamic_cast<const AcDb3dPolyline*>(&entity))
            vertices = polyline->vertices();
    });
    QCOMPARE(vertices.size(), std::size_t(151));
    QCOMPARE(vertices.front().x, 3.0);
    QCOMPARE(vertices.front().z, 3.0);
    QCOMPARE(vertices.back().z, 3.0 + 3.75);
    QVERIFY(session.backend.messages().empty());
}

void CurveKindsDialogTest::implicit_curve_previewed_in_its_window_and_drawn()
{
    Session session;
    Dlg dialog;
    show(dialog);
    QVERIFY(dialog.WindowFields().isHidden());
    click(dialog.GetDlgItem(Dlg::IDC_IMPLICIT));
    QCOMPARE(dialog.control<QLabel>(Dlg::IDC_FIRST_LABEL)->text(), QStringLiteral("F(x, y) = "));
    QVERIFY(dialog.WindowFields().isVisible());
    for (const int range : {Dlg::IDC_MINIMUM, Dlg::IDC_MAXIMUM, Dlg::IDC_INCREMENT, Dlg::IDC_SECOND_EXPRESSION})
        QVERIFY(dialog.GetDlgItem(range)->isHidden());
    QCOMPARE(dialog.control<QLabel>(Dlg::IDC_HINT)->text(),
             QStringLiteral("F(x, y) = 0; use 'x' and 'y' /example: x^2+y^2-4/"));

    type(dialog, Dlg::IDC_FIRST_EXPRESSION, QStringLiteral("x^2+y^2-4"));
    typeWindow(dialog, {"-3", "3", "-2.5", "4*2/3"});
    CurvePreview& preview = dialog.Preview();
    QTRY_VERIFY(!preview.IsPending());
    QVERIFY2(preview.Message().isEmpty(), qPrintable(preview.Message()));
    QVERIFY(!topView(dialog)->isVisible());
    // Every point on the circle; the extents those of the circle, within the window.
    QVERIFY(preview.Points().size() > 20);
    for (const plotwright::ui::PreviewPoint& p : preview.Points())
        if (std::isfinite(p.x))
            QVERIFY2(std::abs(std::hypot(p.x, p.y) - 2) < 0.01, qPrintable(QStringLiteral("%1, %2").arg(p.x).arg(p.y)));
    QVERIFY(std::abs(preview.Extents().width() - 4) < 0.02);
    plotwright::test::saveScreenshot(dialog, QStringLiteral("curve-dialog-implicit"));

    session.backend.scriptPoint(10, 20, 5);
    click(dialog.GetDlgItem(Dlg::IDC_DRAW_USER));
    const ImplicitWindow window = dialog.WorkingEquation().GetWindow();
    // The expression kept exact; the grid's count shown but not typed stays the default.
    QCOMPARE(window, (ImplicitWindow{-3, 3, -2.5, 8.0 / 3, 0, 0}));
    int polylines = 0;
    session.database.forEachEntity([&](const AcDbEntity& entity) {
        const auto* polyline = dynamic_cast<const AcDbPolyline*>(&entity);
        if (!polyline)
            return;
        ++polylines;
        QVERIFY(polyline->isClosed());
        QCOMPARE(polyline->elevation(), 0.0);  // in the plane, whatever the point's z
        for (const AcGePoint2d& v : polyline->points())
            QVERIFY(std::abs(std::hypot(v.x - 10, v.y - 20) - 2) < 0.01);
    });
    QCOMPARE(polylines, 1);
    QVERIFY(session.backend.messages().empty());
}

void CurveKindsDialogTest::faults_of_the_new_kinds_block_the_draw_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("expression");
    QTest::addColumn<QStringList>("window");  // x min., x max., y min., y max., grid
    QTest::addColumn<int>("gridUnit");        // 0 cells, 1 cell size
    QTest::addColumn<QString>("fault");       // the field's object name or control id
    QTest::addColumn<QString>("message");
    const QStringList fine = {"-3", "3", "-3", "3", "200"};
    QTest::newRow("x min. above x max.")
        << int(Dlg::IDC_IMPLICIT) << "x^2+y^2-4" << QStringList{"3", "-3", "-3", "3", "200"} << 0 << "windowXMax"
        << "The window's x min. (3) must be below its x max. (-3).";
    QTest::newRow("an empty y side") << int(Dlg::IDC_IMPLICIT) << "x^2+y^2-4" << QStringList{"-3", "3", "1", "1", "200"}
                                     << 0 << "windowYMax" << "The window's y min. (1) must be below its y max. (1).";
    QTest::newRow("no cells") << int(Dlg::IDC_IMPLICIT) << "x^2+y^2-4" << QStringList{"-3", "3", "-3", "3", "0"} << 0
                              << "gridValue" << "The grid needs at least one cell.";
    QTest::newRow("cells too small for the sample limit")
        << int(Dlg::IDC_IMPLICIT) << "x^2+y^2-4" << QStringList{"-3", "3", "-3", "3", "0.001"} << 1 << "gridValue"
        << "Too many points: the window's grid has 36012001 nodes; at most 10000000 can be sampled (give fewer cells).";
    QTest::newRow("F in neither x nor y") << int(Dlg::IDC_IMPLICIT) << "2+3" << fine << 0 << "106"
                                          << "F uses neither x nor y: it is 0 everywhere or nowhere.";
    QTest::newRow("F with the running variable of other kinds")
        << int(Dlg::IDC_IMPLICIT) << "x^2+t" << fine << 0 << "106"
        << "Error in the first expression: unknown name \"t\" at character 5";
    QTest::newRow("z with an unknown name") << int(Dlg::IDC_SPACE) << "0.5*q" << QStringList() << 0 << "126"
                                            << "Error in the third expression: unknown name \"q\" at character 5";
}

void CurveKindsDialogTest::faults_of_the_new_kinds_block_the_draw()
{
    QFETCH(int, kind);
    QFETCH(QString, expression);
    QFETCH(QStringList, window);
    QFETCH(int, gridUnit);
    QFETCH(QString, fault);
    QFETCH(QString, message);

    Session session;
    Dlg dialog;
    show(dialog);
    if (kind == Dlg::IDC_SPACE) {
        typeHelix(dialog);
        type(dialog, Dlg::IDC_THIRD_EXPRESSION, expression);
    } else {
        click(dialog.GetDlgItem(kind));
        type(dialog, Dlg::IDC_FIRST_EXPRESSION, expression);
        QComboBox& unit = dialog.WindowFields().GridUnit();
        unit.setFocus();
        QTest::keyClick(&unit, gridUnit == 1 ? Qt::Key_Down : Qt::Key_Up);
        QCOMPARE(unit.currentIndex(), gridUnit);
        typeWindow(dialog, window);
    }
    // Said at once, in the preview and at the field, and the draw cannot start.
    QCOMPARE(dialog.Preview().Message(), message);
    bool isId = false;
    const int id = fault.toInt(&isId);
    QWidget* field = isId ? dialog.GetDlgItem(id) : dialog.WindowFields().findChild<QWidget*>(fault);
    QVERIFY(field);
    QCOMPARE(field->toolTip(), message);
    QCOMPARE(field->palette().color(QPalette::Base), QColor(255, 215, 215));
    QVERIFY(!dialog.GetDlgItem(Dlg::IDC_DRAW_USER)->isEnabled());
    session.backend.scriptPoint(0, 0);
    click(dialog.GetDlgItem(Dlg::IDC_DRAW_USER));
    QVERIFY(session.backend.calls.empty());  // no pick asked, no message box
}

void CurveKindsDialogTest::kind_switches_keep_z_window_and_range()
{
    Session session;
    Dlg dialog;
    show(dialog);
    typeHelix(dialog);
    click(dialog.GetDlgItem(Dlg::IDC_IMPLICIT));
    QVERIFY(dialog.GetDlgItem(Dlg::IDC_THIRD_EXPRESSION)->isHidden());
    QVERIFY(dialog.WorkingEquation().GetParameters().empty());  // x and y are its variables
    typeWindow(dialog, {"-1", "1", "-2", "2", "50"});
    type(dialog, Dlg::IDC_FIRST_EXPRESSION, QStringLiteral("x^2+y^2-1"));

    click(dialog.GetDlgItem(Dlg::IDC_PARAMETRIC));
    QVERIFY(dialog.WindowFields().isHidden());
    QCOMPARE(dialog.control<QLineEdit>(Dlg::IDC_MAXIMUM)->text(), QStringLiteral("7.5"));
    QCOMPARE(dialog.WorkingEquation().GetParameters().size(), std::size_t(1));
    QCOMPARE(dialog.WorkingEquation().GetParameters()[0]->GetName(), std::wstring(L"t"));
    QCOMPARE(dialog.WorkingEquation().GetParameters()[0]->GetMaxValue(), 7.5);
    QVERIFY(dialog.WorkingEquation().GetEquationZ().empty());

    click(dialog.GetDlgItem(Dlg::IDC_SPACE));
    QCOMPARE(dialog.control<QLineEdit>(Dlg::IDC_THIRD_EXPRESSION)->text(), QStringLiteral("0.5*t"));
    click(dialog.GetDlgItem(Dlg::IDC_IMPLICIT));
    QCOMPARE(dialog.WindowFields().Window(), (ImplicitWindow{-1, 1, -2, 2, 50, 0}));
    click(dialog.GetDlgItem(Dlg::IDC_EXPLICIT));
    QCOMPARE(dialog.control<QLabel>(Dlg::IDC_HINT)->text(), QStringLiteral("Use 'x' as a parameter /example: sin(x)/"));
    QVERIFY(dialog.GetDlgItem(Dlg::IDC_HINT)->isVisible());
    QVERIFY(dialog.WorkingEquation().GetWindow() == ImplicitWindow{});
    QCOMPARE(dialog.WorkingEquation().GetParameters()[0]->GetName(), std::wstring(L"x"));
}

void CurveKindsDialogTest::new_kinds_round_trip_through_the_user_library()
{
    Session session;
    {
        Dlg dialog;
        show(dialog);
        typeHelix(dialog);
        answerSaveAs(QStringLiteral("helix"));
        click(dialog.GetDlgItem(Dlg::IDC_SAVE_AS));
        click(dialog.GetDlgItem(Dlg::IDC_IMPLICIT));
        type(dialog, Dlg::IDC_FIRST_EXPRESSION, QStringLiteral("(x^2+y^2)^2-2*(x^2-y^2)"));
        typeWindow(dialog, {"-2", "2", "-1", "1"});
        answerSaveAs(QStringLiteral("lemniscate"));
        click(dialog.GetDlgItem(Dlg::IDC_SAVE_AS));
        click(dialog.GetDlgItem(IDOK));
        QVERIFY(!dialog.isVisible());
    }
    const QByteArray stored = session.read(userFile);
    QVERIFY2(stored.contains("<Equation type=\"4\" name=\"helix\" equationy=\"2*sin(t)\" equationx=\"2*cos(t)\" "
                             "equationz=\"0.5*t\" createdBy=\"2\""),
             stored.constData());
    QVERIFY2(stored.contains("<Equation type=\"5\" name=\"lemniscate\" equationy=\"(x^2+y^2)^2-2*(x^2-y^2)\" "
                             "equationx=\"\" xmin=\"     -2.00\" xmax=\"      2.00\" ymin=\"     -1.00\" ymax=\"      1.00\" "
                             "gridcells=\"0\" cellsize=\"      0.00\" createdBy=\"2\""),
             stored.constData());
    // The implicit curve stores no running variable; the helix stores its range.
    QCOMPARE(stored.count("<EquationParameter "), 1);

    // Read back: the fields show each curve; deleting one writes the rest unchanged.
    Dlg dialog;
    show(dialog);
    auto* user = dialog.control<QComboBox>(Dlg::IDC_USER);
    QCOMPARE(user->count(), 2);
    QCOMPARE(user->currentText(), QStringLiteral("lemniscate"));
    QVERIFY(dialog.control<QRadioButton>(Dlg::IDC_IMPLICIT)->isChecked());
    QCOMPARE(dialog.WindowFields().Window(), (ImplicitWindow{-2, 2, -1, 1, 0, 0}));
    QCOMPARE(dialog.WindowFields().FieldAt(ImplicitWindowBox::Grid).text(), QStringLiteral("200"));
    QTRY_VERIFY(!dialog.Preview().IsPending());
    QVERIFY2(dialog.Preview().Message().isEmpty(), qPrintable(dialog.Preview().Message()));
    user->setFocus();
    QTest::keyClick(user, Qt::Key_Up);
    QCOMPARE(user->currentText(), QStringLiteral("helix"));
    QVERIFY(dialog.control<QRadioButton>(Dlg::IDC_SPACE)->isChecked());
    QCOMPARE(dialog.control<QLineEdit>(Dlg::IDC_THIRD_EXPRESSION)->text(), QStringLiteral("0.5*t"));
    QCOMPARE(dialog.control<QLineEdit>(Dlg::IDC_MAXIMUM)->text(), QStringLiteral("7.5"));
    click(dialog.GetDlgItem(Dlg::IDC_DELETE));
    click(dialog.GetDlgItem(IDOK));
    const QByteArray rest = session.read(userFile);
    QVERIFY(!rest.contains("helix"));
    QVERIFY(rest.contains("name=\"lemniscate\""));
    // The stored curves shown unchanged are not "unsaved": Close asked nothing.
    QVERIFY(session.backend.messages().empty());
}

QTEST_MAIN(CurveKindsDialogTest)
#include "dlg_curve_kinds_test.moc"
