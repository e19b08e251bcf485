// Placing a curve with it in view, the keys from anywhere, help, recent files, what is
// remembered, export and print: driven through the real widgets with real events.

#include "editor/command_line.h"
#include "editor/document_tabs.h"
#include "editor/drawing_export.h"
#include "editor/drawing_view.h"
#include "editor/editor_backend.h"
#include "editor/editor_settings.h"
#include "editor/help_text.h"
#include "editor/main_window.h"
#include "editor/pick_assist.h"

#include "db/database.h"
#include "db/entities.h"
#include "db/polyline.h"
#include "draw/place_curve.h"
#include "host/backend.h"
#include "host/command_stack.h"
#include "host/doc_manager.h"
#include "host/editor.h"
#include "host/editor_command.h"
#include "dialogs/ad_ui_base_dialog.h"
#include "dialogs/dialog_template.h"
#include "model/equation.h"
#include "model/equation_parameter.h"
#include "support/screenshot.h"

#include "command_input.h"
#include "ui_script.h"

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QPushButton>
#include <QSpinBox>
#include <QDockWidget>
#include <QImage>
#include <QKeyEvent>
#include <QLineF>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include <array>
#include <fstream>

using plotwright::editor::MainWindow;

namespace {

// Stands in for the curve dialog around the real draw flow.
class Bracket : public plotwright::host::EditorCommandBracket {
public:
    void BeginEditorCommand() override { plotwright::host::backend().beginEditorCommand(); }
    void CompleteEditorCommand(bool) override { plotwright::host::backend().completeEditorCommand(); }
};

// y = `expression` for x from 0 to `last` by `step`.
CEquation explicitCurve(const wchar_t* expression, double step, double last)
{
    CEquation equation;
    equation.SetType(ExplicitCartesian);
    equation.SetEquationY(expression);
    equation.AddParameter(std::make_shared<CEquationParameter>(
        ParameterFields{.name = L"x", .type = RunningVariable, .increment = step, .minValue = 0, .maxValue = last}));
    return equation;
}

// y = x^2 for x = 0, 1, 2: placed at the origin O it runs O, O+(1,1), O+(2,4).
void placeCommand()
{
    CEquation equation = explicitCurve(L"x^2", 1, 2);
    Bracket bracket;
    DrawCurveFlow(bracket, equation);
}

// A wave of 250 samples, y = 1.5 sin x for x from 0 to 12.45.
void waveCommand()
{
    CEquation equation = explicitCurve(L"1.5*sin(x)", 0.05, 12.45);
    Bracket bracket;
    DrawCurveFlow(bracket, equation);
}

// The same curve, asking for the rotation after the origin (none set beforehand).
void placeTurnedCommand()
{
    CEquation equation = explicitCurve(L"x^2", 1, 2);
    Bracket bracket;
    DrawOutcome outcome;
    DrawCurveFlow(bracket, equation, outcome, plotwright::curve::CurveOptions{}, PickSteps{.rotationByPoint = true});
}

int pickStatus = 0;
std::array<double, 3> picked{};
void pickFromBaseCommand()
{
    const ads_point base = {1, 1, 0};
    ads_point point = {-1, -1, -1};
    pickStatus = acedGetPoint(base, L"\nNext point:", point);
    picked = {point[0], point[1], point[2]};
}

QString history(MainWindow& window) { return window.commandLine().history()->toPlainText(); }

void showActive(MainWindow& window)
{
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window)); // shortcuts reach the active window only
}

// The polylines of the current drawing, as x,y lists.
QList<QList<double>> polylines()
{
    QList<QList<double>> out;
    acdbHostApplicationServices()->workingDatabase()->forEachEntity([&](const AcDbEntity& entity) {
        if (const auto* p = dynamic_cast<const AcDbPolyline*>(&entity)) {
            QList<double> xy;
            for (const AcGePoint2d& v : p->points())
                xy << v.x << v.y;
            out << xy;
        }
    });
    return out;
}

// Runs python3 with `script` and `args`; its output, or a failed check.
QString python(const QString& script, const QStringList& args)
{
    QProcess process;
    process.start("/usr/bin/python3", QStringList{"-c", script} + args);
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return "failed: " + QString::fromUtf8(process.readAllStandardError());
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

int run(const QString& program, const QStringList& args)
{
    QProcess process;
    process.start(program, args);
    if (!process.waitForFinished(60000))
        return -1;
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

// Pixels that are not white.
int inkedPixels(const QImage& image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += (image.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF;
    return count;
}

} // namespace

class EditorPlaceTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir_.path());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsDir_.path());
        AcEdCommandStack* stack = acedRegCmds();
        QCOMPARE(stack->addCommand(L"PLACETEST", L"place", L"place", ACRX_CMD_MODAL, placeCommand), Acad::eOk);
        QCOMPARE(stack->addCommand(L"PLACETEST", L"wave", L"wave", ACRX_CMD_MODAL, waveCommand), Acad::eOk);
        QCOMPARE(stack->addCommand(L"PLACETEST", L"placeturned", L"placeturned", ACRX_CMD_MODAL, placeTurnedCommand),
                 Acad::eOk);
        QCOMPARE(stack->addCommand(L"PLACETEST", L"pickbase", L"pickbase", ACRX_CMD_MODAL, pickFromBaseCommand),
                 Acad::eOk);
    }
    void cleanupTestCase() { acedRegCmds()->removeGroup(L"PLACETEST"); }
    void init() { plotwright::editor::editorSettings()->clear(); }

    void menu_keys_work_with_focus_on_the_command_line()
    {
        MainWindow window;
        showActive(window);
        PlaceCurvePolyline({{0, 0, 0}, {100, 50, 0}}, 0, false);
        window.documents().refreshCurrent();
        plotwright::editor::DrawingView* view = window.documents().currentView();
        view->zoomExtents();
        const double extentsScale = view->scale();
        view->zoomBy(8, QPointF(10, 10));
        QLineEdit* input = window.commandLine().input();
        input->setFocus();
        QVERIFY(input->hasFocus());
        QTest::keyClicks(input, "abc");
        QTest::keyClick(input, Qt::Key_E, Qt::ControlModifier);
        QCOMPARE(view->scale(), extentsScale);
        QCOMPARE(input->text(), QString("abc")); // nothing else happened to the typing
        input->clear();

        QTest::keyClick(input, Qt::Key_N, Qt::ControlModifier);
        QCOMPARE(window.documents().count(), 2);
        // No key of the window is kept by the input field for itself: with text typed it
        // claims Ctrl+Z (and, on X11 desktops, Ctrl+E) as editing keys of its own.
        QTest::keyClicks(input, "typed");
        for (QAction* action : window.findChildren<QAction*>()) {
            // Delete edits the typed text (erasing the selection only from an empty field).
            if (action->shortcut().isEmpty() || action->shortcut() == QKeySequence(QKeySequence::Delete))
                continue;
            const QKeyCombination keys = action->shortcut()[0];
            QKeyEvent override(QEvent::ShortcutOverride, keys.key(), keys.keyboardModifiers());
            override.ignore();
            QApplication::sendEvent(input, &override);
            QVERIFY2(!override.isAccepted(), qPrintable(action->shortcut().toString()));
        }
        input->clear();
        for (const auto& [key, button, flag] :
             {std::tuple{Qt::Key_F9, "gridButton", &plotwright::editor::PickAssist::gridSnap},
              std::tuple{Qt::Key_F8, "orthoButton", &plotwright::editor::PickAssist::ortho},
              std::tuple{Qt::Key_F3, "snapButton", &plotwright::editor::PickAssist::objectSnap}}) {
            const bool before = window.pickAssist().*flag;
            QTest::keyClick(input, key);
            QCOMPARE(window.pickAssist().*flag, !before);
            QCOMPARE(window.findChild<QToolButton*>(button)->isChecked(), !before);
        }
        // The status-bar button does the same as its key.
        QTest::mouseClick(window.findChild<QToolButton*>("gridButton"), Qt::LeftButton);
        QVERIFY(!window.pickAssist().gridSnap);
    }

    void drawings_named_at_start_replace_the_empty_one()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("line.dxf");
        {
            MainWindow window;
            PlaceCurvePolyline({{0, 0, 0}, {1, 1, 0}}, 0, false);
            QVERIFY(window.documents().saveAs(window.documents().currentDocument(), path.toStdString()).ok());
        }
        plotwright::editor::editorSettings()->clear();
        MainWindow window;
        window.show();
        window.openDrawings({path});
        QCOMPARE(window.documents().count(), 1);
        QCOMPARE(window.documents().tabText(0), QString("line.dxf"));
        QVERIFY2(history(window).contains("Opened " + path + "."), qPrintable(history(window)));
        QCOMPARE(plotwright::editor::recentFiles(), QStringList{path});

        // A name that cannot be opened keeps the empty drawing.
        MainWindow other;
        other.show();
        UiScript script;
        script.answerMessageBox(QMessageBox::Ok);
        other.openDrawings({dir.filePath("missing.dxf")});
        QVERIFY(script.done());
        QCOMPARE(other.documents().count(), 1);
        QCOMPARE(other.documents().tabText(0).startsWith("Drawing"), true);
    }

    void coordinates_go_with_the_drawing()
    {
        MainWindow window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTest::mouseMove(window.documents().currentView(), QPoint(150, 100));
        QTRY_VERIFY(!window.coordinatesLabel()->text().isEmpty());
        typeLine(window, "CLOSE");
        QCOMPARE(window.documents().count(), 0);
        QCOMPARE(window.coordinatesLabel()->text(), QString());
    }

    void help_lists_every_command_and_key()
    {
        MainWindow window;
        showActive(window);
        typeLine(window, "help");
        QVERIFY(history(window).contains(plotwright::editor::helpText()));
        QVERIFY(!history(window).contains("Unknown command"));
        // Every key of a menu or toggle is in the one text.
        for (QAction* action : window.findChildren<QAction*>())
            if (!action->shortcut().isEmpty())
                QVERIFY2(plotwright::editor::helpText().contains(action->shortcut().toString() + " "),
                         qPrintable(action->shortcut().toString()));
        // Every command is understood, never "Unknown command".
        QTest::keyClick(window.commandLine().input(), Qt::Key_F1);
        auto* dialog = window.findChild<QDialog*>("helpDialog");
        QVERIFY(dialog && dialog->isVisible());
        QCOMPARE(dialog->findChild<QPlainTextEdit*>("helpText")->toPlainText(), plotwright::editor::helpText());

        // The toolbar holds the curve command and the main actions.
        QStringList shown;
        for (QAction* action : window.toolBar()->actions())
            if (!action->isSeparator())
                shown << action->iconText();
        QCOMPARE(shown, (QStringList{"New", "Open", "Save", "Curve", "Zoom Extents", "Undo", "Redo", "Export"}));
        window.resize(1100, 700);
        QPixmap picture(window.width() + dialog->width() + 10, std::max(window.height(), dialog->height()));
        picture.fill(Qt::darkGray);
        {
            QPainter painter(&picture);
            painter.drawPixmap(0, 0, window.grab());
            painter.drawPixmap(window.width() + 10, 0, dialog->grab());
        }
        QVERIFY(!plotwright::test::saveScreenshot(picture, "editor-help").isEmpty());
    }

    void unknown_commands_are_still_named()
    {
        MainWindow window;
        window.show();
        typeLine(window, "FROBNICATE");
        QVERIFY(history(window).contains("Unknown command \"FROBNICATE\"."));
    }

    void recent_files_drop_what_is_gone()
    {
        QTemporaryDir dir;
        const QString kept = dir.filePath("kept.dxf"), gone = dir.filePath("gone.dxf");
        std::ofstream(kept.toStdString()) << "0\nEOF\n";
        QStringList list;
        for (int i = 0; i < 10; ++i)
            list = plotwright::editor::withRecent(list, dir.filePath(QString("f%1.dxf").arg(i)));
        QCOMPARE(list.size(), plotwright::editor::kMostRecent);
        QCOMPARE(list.first(), dir.filePath("f9.dxf"));
        list = plotwright::editor::withRecent(list, dir.filePath("./f5.dxf"));
        QCOMPARE(list.first(), dir.filePath("f5.dxf")); // moved up, not doubled
        QCOMPARE(list.count(dir.filePath("f5.dxf")), 1);

        plotwright::editor::setRecentFiles({gone, kept});
        MainWindow window;
        window.show();
        window.recentMenu()->popup(QPoint(10, 10));
        QTRY_VERIFY(window.recentMenu()->isVisible());
        window.recentMenu()->close();
        QCOMPARE(window.recentMenu()->actions().size(), 1);
        QCOMPARE(window.recentMenu()->actions()[0]->data().toString(), kept);
        QVERIFY(history(window).contains("Removed from the recent files (no longer there): " + gone));
        QCOMPARE(plotwright::editor::recentFiles(), QStringList{kept});
    }

    // The module's dialogs come back where the user left them, unless that is off screen.
    void dialog_place_is_remembered()
    {
        plotwright::host::DialogTemplate tmpl;
        tmpl.caption = L"Probe";
        tmpl.cx = 120;
        tmpl.cy = 60;
        tmpl.controls = {{1, plotwright::host::ControlKind::PushButton, L"OK", 60, 40, 50, 14,
                          plotwright::host::DefaultButton}};
        MainWindow window;
        window.show();
        {
            CAdUiBaseDialog dialog(tmpl);
            dialog.show();
            QVERIFY(QTest::qWaitForWindowExposed(&dialog));
            dialog.move(130, 90);
            dialog.hide();
        }
        {
            CAdUiBaseDialog dialog(tmpl);
            dialog.show();
            QCOMPARE(dialog.pos(), QPoint(130, 90));
            dialog.hide();
        }
        plotwright::editor::editorSettings()->setValue("Editor/DialogPlaces/CAdUiBaseDialog", QPoint(50000, 50000));
        CAdUiBaseDialog dialog(tmpl);
        dialog.show();
        QVERIFY(dialog.pos() != QPoint(50000, 50000));
    }

    // What snaps come from: a polyline's bulge arc (centre and midpoint), its closing
    // segment; a circle seen from below (normal -z) is left out.
    void snap_geometry_comes_from_the_entities()
    {
        MainWindow window;
        auto* pl = new AcDbPolyline;
        pl->addVertexAt(0, {0, 0}, 1.0);
        pl->addVertexAt(1, {10, 0});
        pl->addVertexAt(2, {10, 10});
        pl->setClosed(true);
        AcDbObjectId id;
        QCOMPARE(AppendToModelSpace(pl, id), Acad::eOk);
        pl->close();
        auto* below = new AcDbCircle(AcGePoint3d{50, 50, 0}, 3, AcGeVector3d{0, 0, -1});
        QCOMPARE(AppendToModelSpace(below, id), Acad::eOk);
        below->close();
        using namespace plotwright::editor::snap;
        const Index index(collectGeometry(*acdbHostApplicationServices()->workingDatabase()));
        QCOMPARE(index.geometry().arcs.size(), std::size_t(1));
        QCOMPARE(index.geometry().segments.size(), std::size_t(2));
        const auto centre = index.find({5.1, 0.1}, 0.5, bit(Kind::Center));
        QVERIFY(centre && std::abs(centre->point.x - 5) < 1e-12 && std::abs(centre->point.y) < 1e-12);
        // Bulge 1 runs counter-clockwise from (0,0) to (10,0): below the chord.
        const auto middle = index.find({5.1, -4.9}, 0.5);
        QVERIFY(middle && middle->kind == Kind::Midpoint);
        QVERIFY(std::abs(middle->point.x - 5) < 1e-12 && std::abs(middle->point.y + 5) < 1e-12);
        const auto closing = index.find({5.1, 5.0}, 0.5);
        QVERIFY(closing && closing->kind == Kind::Midpoint && closing->point == (Point{5, 5}));
        QVERIFY(!index.find({50, 53}, 0.5));
    }

    void window_place_is_remembered_and_the_command_panel_is_small()
    {
        {
            MainWindow window;
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            auto* dock = window.findChild<QDockWidget*>("commandLineDock");
            QVERIFY(dock->height() < window.height() / 4);
            QVERIFY(dock->height() > window.commandLine().fontMetrics().lineSpacing() * 3);
            window.resize(900, 640);
            QVERIFY(window.close());
        }
        MainWindow again;
        again.show();
        QCOMPARE(again.size(), QSize(900, 640));
    }

    // A LINE written by another program (ezdxf): the curve's origin snaps onto its end.
    void curve_origin_snaps_to_the_end_of_a_line()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("line.dxf"), saved = dir.filePath("placed.dxf");
        QCOMPARE(python("import ezdxf,sys\nd=ezdxf.new('R2010')\nd.modelspace().add_line((2,3),(12.25,8.5))\n"
                        "d.saveas(sys.argv[1])\nprint('ok')",
                        {path}),
                 QString("ok"));
        MainWindow window;
        showActive(window);
        window.openDrawings({path});
        plotwright::editor::DrawingView* view = window.documents().currentView();
        QPointF at;
        bool previewShown = false;
        QString snapName;
        UiScript script;
        script.then([&] { return window.backend().isAskingForPoint(); },
                    [&] {
                        // A few pixels off the line's end, within the aperture.
                        at = view->toScreen({12.25, 8.5}) + QPointF(4, -3);
                        QTest::mouseMove(view, at.toPoint());
                    });
        script.then([&] { return window.pickAssist().currentSnap().has_value(); },
                    [&] {
                        previewShown = window.pickAssist().preview().size() == 3;
                        snapName = plotwright::editor::snap::kindName(window.pickAssist().currentSnap()->kind);
                        QTest::mouseClick(view, Qt::LeftButton, {}, at.toPoint());
                    });
        typeLine(window, "place");
        QVERIFY(script.done());
        QVERIFY(previewShown);
        QCOMPARE(snapName, QString("Endpoint"));
        QCOMPARE(polylines(), (QList<QList<double>>{{12.25, 8.5, 13.25, 9.5, 14.25, 12.5}}));
        QVERIFY(window.pickAssist().preview().empty());
        // Read back by the independent reader.
        typeLine(window, "SAVEAS " + saved);
        QCOMPARE(python("import ezdxf,sys\nd=ezdxf.readfile(sys.argv[1])\n"
                        "print(' '.join(f'{x!r},{y!r}' for e in d.modelspace().query('LWPOLYLINE') "
                        "for x,y in e.get_points('xy')))",
                        {saved}),
                 QString("12.25,8.5 13.25,9.5 14.25,12.5"));
    }

    // The intersection of a line and a circle caught in the view, with the wave that is
    // being placed following the cursor; Escape leaves nothing drawn and no preview.
    void intersection_snap_with_the_curve_following()
    {
        MainWindow window;
        window.resize(1000, 700);
        showActive(window);
        auto* circle = new AcDbCircle(AcGePoint3d{0, 0, 0}, 6, AcGeVector3d{0, 0, 1});
        AcDbObjectId id;
        QCOMPARE(AppendToModelSpace(circle, id), Acad::eOk);
        circle->close();
        auto* line = new AcDbLine(AcGePoint3d{-10, -2, 0}, AcGePoint3d{10, 2, 0});
        QCOMPARE(AppendToModelSpace(line, id), Acad::eOk);
        line->close();
        PlaceCurvePolyline({{-8, -8, 0}, {8, 8, 0}}, 0, false);
        window.documents().refreshCurrent();
        plotwright::editor::DrawingView* view = window.documents().currentView();
        view->zoomExtents();
        view->zoomBy(0.5, view->toScreen({10, 4}));
        const double x = 6 / std::sqrt(1.04);
        const QPointF crossing(x, 0.2 * x);
        std::optional<plotwright::editor::snap::Snap> caught;
        UiScript script;
        script.then([&] { return window.backend().isAskingForPoint(); },
                    [&] { QTest::mouseMove(view, (view->toScreen(crossing) + QPointF(3, 4)).toPoint()); });
        script.then([&] { return window.pickAssist().currentSnap().has_value(); },
                    [&] {
                        caught = window.pickAssist().currentSnap();
                        QVERIFY(!plotwright::test::saveScreenshot(window, "editor-snap").isEmpty());
                        QTest::keyClick(view, Qt::Key_Escape);
                    });
        typeLine(window, "wave");
        QVERIFY(script.done());
        QVERIFY(caught);
        QCOMPARE(plotwright::editor::snap::kindName(caught->kind), "Intersection");
        QVERIFY(std::abs(caught->point.x - crossing.x()) < 1e-12 && std::abs(caught->point.y - crossing.y()) < 1e-12);
        QCOMPARE(polylines().size(), 1); // only the diagonal
        QVERIFY(window.pickAssist().preview().empty());
    }

    void ortho_grid_and_typed_points_data()
    {
        QTest::addColumn<bool>("ortho");
        QTest::addColumn<bool>("grid");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QPointF>("cursor");   // in drawing units; the click lands on its pixel
        QTest::addColumn<QString>("expected"); // "x,y"; "click-x" for the clicked pixel's x
        QTest::newRow("ortho keeps the base's y") << true << false << "" << QPointF(5.3, 2.2) << "click-x,1";
        QTest::newRow("ortho and grid: along the line, on the grid") << true << true << "" << QPointF(5.3, 2.2)
                                                                     << "5.5,1";
        QTest::newRow("grid alone") << false << true << "" << QPointF(5.3, 2.2) << "5.5,2";
        QTest::newRow("typed coordinates win over both") << true << true << "7.3,2.2" << QPointF() << "7.3,2.2";
    }

    void ortho_grid_and_typed_points()
    {
        QFETCH(bool, ortho);
        QFETCH(bool, grid);
        QFETCH(QString, typed);
        QFETCH(QPointF, cursor);
        QFETCH(QString, expected);
        MainWindow window;
        showActive(window);
        // Switched as a user does: F8 and F9, wherever the focus is.
        if (ortho)
            QTest::keyClick(window.commandLine().input(), Qt::Key_F8);
        if (grid)
            QTest::keyClick(window.commandLine().input(), Qt::Key_F9);
        QCOMPARE(window.pickAssist().ortho, ortho);
        QCOMPARE(window.pickAssist().gridSnap, grid);
        typeLine(window, "GRID 0,5");
        QVERIFY(history(window).endsWith("Invalid grid spacing: \"0,5\". Type a number above 0, such as 0.5."));
        typeLine(window, "GRID 0.5");
        QVERIFY(history(window).endsWith(grid ? "Grid snap spacing: 0.5 (on)." : "Grid snap spacing: 0.5 (off: F9 turns it on)."));
        plotwright::editor::DrawingView* view = window.documents().currentView();
        QPoint pixel;
        UiScript script;
        script.then([&] { return window.backend().isAskingForPoint(); },
                    [&] {
                        if (!typed.isEmpty()) {
                            typeLine(window, typed);
                            return;
                        }
                        pixel = view->toScreen(cursor).toPoint();
                        // From a pixel beside it: a move to where the pointer already is moves nothing.
                        QTest::mouseMove(view, pixel + QPoint(7, 5));
                        QTest::mouseMove(view, pixel);
                    });
        if (typed.isEmpty())
            script.then([&] { return window.pickAssist().currentPoint().has_value(); },
                        [&] {
                            if (grid && ortho)
                                QVERIFY(!plotwright::test::saveScreenshot(window, "editor-grid").isEmpty());
                            QTest::mouseClick(view, Qt::LeftButton, {}, pixel);
                        });
        typeLine(window, "pickbase");
        QVERIFY(script.done());
        QCOMPARE(pickStatus, RTNORM);
        const QStringList xy = expected.split(',');
        const double x = xy[0] == "click-x" ? view->toWorld(pixel).x() : xy[0].toDouble();
        QCOMPARE(picked[0], x);
        QCOMPARE(picked[1], xy[1].toDouble());
    }

    void rotation_after_the_origin_data()
    {
        QTest::addColumn<QStringList>("answers");  // typed at the rotation prompt, in order
        QTest::addColumn<QList<double>>("expected");
        QTest::addColumn<QString>("refusal");      // printed for the first answer; empty: none
        // x^2 at (400, 300): offsets (0,0), (1,1), (2,4), turned.
        QTest::newRow("typed angle") << QStringList{"90"} << QList<double>{400, 300, 399, 301, 396, 302} << "";
        QTest::newRow("picked point gives the direction")
            << QStringList{"400,290"} << QList<double>{400, 300, 401, 299, 404, 298} << "";
        QTest::newRow("text that is no angle is refused, then an angle")
            << QStringList{"abc", "180"} << QList<double>{400, 300, 399, 299, 398, 296}
            << "Type a number (\".\" as decimal point), or pick a point.";
        QTest::newRow("Enter keeps no rotation") << QStringList{""} << QList<double>{400, 300, 401, 301, 402, 304} << "";
    }

    void rotation_after_the_origin()
    {
        QFETCH(QStringList, answers);
        QFETCH(QList<double>, expected);
        QFETCH(QString, refusal);
        MainWindow window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        UiScript script;
        QStringList prompts;
        script.then([&] { return window.backend().isAskingForPoint(); },
                    [&] {
                        prompts << window.commandLine().prompt();
                        typeLine(window, "400,300");
                    });
        for (const QString& answer : answers)
            script.then([&] { return window.commandLine().prompt().startsWith("Rotation angle"); },
                        [&, answer] {
                            prompts << window.commandLine().prompt();
                            typeLine(window, answer);
                        });
        typeLine(window, "placeturned");
        QVERIFY(script.done());
        QCOMPARE(prompts.first(), QStringLiteral("Pick curve origin point:"));
        QCOMPARE(prompts.last(), QStringLiteral("Rotation angle <0>, or pick a point:"));
        QCOMPARE(polylines().size(), 1);
        const QList<double> drawn = polylines().front();
        QCOMPARE(drawn.size(), expected.size());
        for (int i = 0; i < drawn.size(); ++i)
            QVERIFY2(std::abs(drawn[i] - expected[i]) < 1e-9, qPrintable(QString::number(i)));
        if (!refusal.isEmpty())
            QVERIFY(history(window).contains(refusal));
    }

    // While the turn is asked for, the curve stands at its origin turned towards the cursor.
    void the_curve_turns_with_the_cursor()
    {
        MainWindow window;
        showActive(window);
        plotwright::editor::DrawingView* view = window.documents().currentView();
        // The origin under the view's middle pixel, typed in full; the cursor straight above.
        const QPoint middle(view->width() / 2, view->height() / 2);
        const QPointF origin = view->toWorld(QPointF(middle));
        const QString typed = QString::number(origin.x(), 'g', 17) + "," + QString::number(origin.y(), 'g', 17);
        std::vector<QPointF> shown;
        UiScript script;
        script.then([&] { return window.backend().isAskingForPoint(); }, [&] { typeLine(window, typed); });
        script.then([&] { return window.commandLine().prompt().startsWith("Rotation angle"); },
                    [&] { QTest::mouseMove(view, middle - QPoint(0, 50)); });
        script.then([&] { return window.pickAssist().currentPoint().has_value(); },
                    [&] {
                        shown = window.pickAssist().placedPreview();
                        typeLine(window, "90");
                    });
        typeLine(window, "placeturned");
        QVERIFY(script.done());
        // y = x² for x = 0, 1, 2 turned a quarter turn about the origin, as then drawn.
        const std::vector<QPointF> turned{origin, origin + QPointF(-1, 1), origin + QPointF(-4, 2)};
        QCOMPARE(shown.size(), turned.size());
        QCOMPARE(polylines().size(), 1);
        for (std::size_t i = 0; i < turned.size(); ++i) {
            QVERIFY(QLineF(shown[i], turned[i]).length() < 1e-9);
            const QPointF drawn(polylines().front()[2 * i], polylines().front()[2 * i + 1]);
            QVERIFY(QLineF(drawn, turned[i]).length() < 1e-9);
        }
        QVERIFY(window.pickAssist().preview().empty());
    }

    void the_view_follows_what_was_drawn()
    {
        MainWindow window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        plotwright::editor::DrawingView* view = window.documents().currentView();
        view->zoomExtents();
        const double scale = view->scale();
        UiScript script;
        script.then([&] { return window.backend().isAskingForPoint(); }, [&] { typeLine(window, "400,300"); });
        typeLine(window, "place");
        QVERIFY(script.done());
        // Panned, not zoomed: the curve (400,300)..(402,304) is in sight.
        QCOMPARE(view->scale(), scale);
        for (const QPointF p : {QPointF(400, 300), QPointF(402, 304)})
            QVERIFY(view->rect().contains(view->toScreen(p).toPoint()));
        // Something too big for the view is zoomed out to.
        plotwright::host::backend().beginEditorCommand();
        PlaceCurvePolyline({{0, 0, 0}, {100000, 1, 0}}, 0, false);
        plotwright::host::backend().completeEditorCommand();
        QVERIFY(view->scale() < scale);
        QVERIFY(view->rect().contains(view->toScreen({100000, 1}).toPoint()));
    }

    void export_writes_files_that_other_readers_open()
    {
        QTemporaryDir dir;
        MainWindow window;
        window.show();
        auto* circle = new AcDbCircle(AcGePoint3d{5, 5, 0}, 4, AcGeVector3d{0, 0, 1});
        AcDbObjectId id;
        QCOMPARE(AppendToModelSpace(circle, id), Acad::eOk);
        circle->close();
        PlaceCurvePolyline({{0, 0, 0}, {10, 10, 0}}, 0, false);
        window.documents().refreshCurrent();

        const QString svg = dir.filePath("out.svg"), pdf = dir.filePath("out.pdf"), png = dir.filePath("out.png");
        typeLine(window, "EXPORT " + svg);
        typeLine(window, "EXPORT " + pdf);
        typeLine(window, "EXPORT " + png);
        QVERIFY2(history(window).contains("Exported " + png + "."), qPrintable(history(window)));
        QCOMPARE(run("rsvg-convert", {"-o", dir.filePath("svg.png"), svg}), 0);
        QVERIFY(inkedPixels(QImage(dir.filePath("svg.png"))) > 100);
        QCOMPARE(run("pdftoppm", {"-png", "-r", "40", "-singlefile", pdf, dir.filePath("pdf")}), 0);
        const QImage fromPdf(dir.filePath("pdf.png"));
        QVERIFY(fromPdf.width() > fromPdf.height()); // A4 landscape
        QVERIFY(inkedPixels(fromPdf) > 100);
        const QImage picture(png);
        QCOMPARE(picture.size(), QSize(1600, 1200));
        QVERIFY(inkedPixels(picture) > 500);

        // At 1:1 the 10 x 10 drawing is 10 mm wide on the paper; at 1:0.01 it does not fit.
        plotwright::editor::ExportOptions options;
        options.scale = 0.01;
        const QString tooBig = plotwright::editor::exportDrawing(
            *window.documents().currentDocument()->database(), dir.filePath("big.pdf"), options);
        QVERIFY2(tooBig.startsWith("Cannot export \"" + dir.filePath("big.pdf") + "\": at 1:0.01 the drawing needs"),
                 qPrintable(tooBig));
        QVERIFY(!QFile::exists(dir.filePath("big.pdf")));
        UiScript script;
        script.answerMessageBox(QMessageBox::Ok);
        typeLine(window, "EXPORT " + dir.filePath("out.txt"));
        QVERIFY(script.done());
        QVERIFY(script.texts.value(0).endsWith("the name must end in .svg, .pdf or .png"));
    }

    // File ▸ Export… asks for the file, then for the area and the picture's size.
    void export_dialog_asks_for_the_area_and_size()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("view.png");
        MainWindow window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        PlaceCurvePolyline({{0, 0, 0}, {10, 10, 0}}, 0, false);
        window.documents().refreshCurrent();
        window.documents().currentView()->zoomExtents();
        UiScript script;
        script.then([] { return qobject_cast<QFileDialog*>(QApplication::activeModalWidget()) != nullptr; },
                    [&] {
                        auto* files = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
                        files->selectNameFilter("PNG picture (*.png)");
                        auto* name = files->findChild<QLineEdit*>("fileNameEdit");
                        name->setText(path);
                        QTest::keyClick(name, Qt::Key_Return);
                    });
        script.then(
            [] {
                QWidget* modal = QApplication::activeModalWidget();
                return modal && modal->objectName() == "exportOptions" && modal->isVisible();
            },
            [&] {
                QWidget* options = QApplication::activeModalWidget();
                options->findChild<QComboBox*>("area")->setCurrentIndex(1); // the current view
                for (const auto& [name, value] : {std::pair{"width", "400"}, std::pair{"height", "300"}}) {
                    auto* box = options->findChild<QSpinBox*>(name);
                    box->selectAll();
                    QTest::keyClicks(box, value);
                }
                QTest::mouseClick(options->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok),
                                  Qt::LeftButton);
            });
        typeLine(window, "EXPORT");
        QVERIFY(script.done());
        const QImage picture(path);
        QCOMPARE(picture.size(), QSize(400, 300));
        QVERIFY(inkedPixels(picture) > 100);
    }

    // Every field the options dialog shows has its label: those of other kinds are hidden.
    void export_dialog_shows_only_labelled_fields_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QStringList>("fields");
        QTest::newRow("pdf") << "PDF (*.pdf)" << "out.pdf" << QStringList{"area", "paper", "orientation", "scale"};
        QTest::newRow("svg") << "SVG picture (*.svg)" << "out.svg" << QStringList{"width", "height"};
        QTest::newRow("png") << "PNG picture (*.png)" << "out.png" << QStringList{"area", "width", "height"};
    }

    void export_dialog_shows_only_labelled_fields()
    {
        QFETCH(QString, filter);
        QFETCH(QString, file);
        QFETCH(QStringList, fields);
        QTemporaryDir dir;
        MainWindow window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QStringList shown;
        UiScript script;
        script.then([] { return qobject_cast<QFileDialog*>(QApplication::activeModalWidget()) != nullptr; },
                    [&] {
                        auto* files = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
                        files->selectNameFilter(filter);
                        auto* name = files->findChild<QLineEdit*>("fileNameEdit");
                        name->setText(dir.filePath(file));
                        QTest::keyClick(name, Qt::Key_Return);
                    });
        script.then(
            [] {
                QWidget* modal = QApplication::activeModalWidget();
                return modal && modal->objectName() == "exportOptions" && modal->isVisible();
            },
            [&] {
                QWidget* options = QApplication::activeModalWidget();
                auto* form = qobject_cast<QFormLayout*>(options->layout());
                QVERIFY(form);
                for (QWidget* field : options->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
                    if (!field->isVisible() || qobject_cast<QLabel*>(field) || qobject_cast<QDialogButtonBox*>(field))
                        continue;
                    shown << field->objectName();
                    QVERIFY2(form->labelForField(field), qPrintable(field->objectName()));
                }
                QTest::mouseClick(options->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel),
                                  Qt::LeftButton);
            });
        typeLine(window, "EXPORT");
        QVERIFY(script.done());
        shown.sort();
        fields.sort();
        QCOMPARE(shown, fields);
    }

    void printing_paints_the_drawing_on_the_page()
    {
        QTemporaryDir dir;
        MainWindow window;
        window.show();
        PlaceCurvePolyline({{0, 0, 0}, {10, 10, 0}, {20, 0, 0}}, 0, false);
        window.documents().refreshCurrent();
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(dir.filePath("printed.pdf"));
        printer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(10, 10, 10, 10)));
        plotwright::editor::ExportOptions options;
        options.scale = 1; // 1 mm a unit: 20 mm wide
        QString problem;
        QVERIFY(plotwright::editor::paintOnPage(printer, window.documents().currentView()->displayList(), options,
                                                &problem));
        QCOMPARE(run("pdftoppm", {"-png", "-r", "72", "-singlefile", dir.filePath("printed.pdf"),
                                  dir.filePath("printed")}),
                 0);
        const QImage page(dir.filePath("printed.png"));
        QVERIFY(page.height() > page.width());
        // Ink spans about 20 mm (57 points at 72 dpi) across, centred.
        int left = page.width(), right = -1;
        for (int y = 0; y < page.height(); ++y)
            for (int x = 0; x < page.width(); ++x)
                if ((page.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF) {
                    left = std::min(left, x);
                    right = std::max(right, x);
                }
        QVERIFY2(std::abs((right - left) - 57) <= 3, qPrintable(QString::number(right - left)));
        QVERIFY(std::abs((left + right) / 2 - page.width() / 2) <= 3);
    }

private:
    QTemporaryDir settingsDir_;
};

QTEST_MAIN(EditorPlaceTest)
#include "editor_place_test.moc"
