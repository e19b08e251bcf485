// Selecting and changing what is drawn, as a user does it in the editor: clicks with
// the pick box, windows and crossing windows, Shift, Escape; Delete and ERASE; MOVE by
// a clicked base point and a typed destination; undo and redo of each change; the
// properties panel.

#include "editor/command_line.h"
#include "editor/document_tabs.h"
#include "editor/drawing_view.h"
#include "editor/editor_backend.h"
#include "editor/main_window.h"
#include "editor/pick_assist.h"
#include "editor/properties_panel.h"

#include "db/database.h"
#include "db/entities.h"
#include "db/polyline.h"
#include "draw/place_curve.h"
#include "model/equation.h"
#include "host/doc_manager.h"
#include "support/screenshot.h"

#include "command_input.h"
#include "ui_script.h"

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

using plotwright::editor::DrawingView;
using plotwright::editor::MainWindow;

namespace {

AcDbHandle append(AcDbEntity* entity)
{
    AcDbObjectId id;
    if (AppendToModelSpace(entity, id) != Acad::eOk)
        return 0;
    entity->close();
    return id.handle();
}

AcDbHandle addLine(double x0, double y0, double x1, double y1)
{
    return append(new AcDbLine({x0, y0, 0}, {x1, y1, 0}));
}

AcDbHandle addPolyline(std::initializer_list<AcGePoint2d> points, bool closed)
{
    auto* p = new AcDbPolyline;
    for (const AcGePoint2d& v : points)
        p->addVertexAt(p->numVerts(), v);
    p->setClosed(closed);
    return append(p);
}

// The entity with `handle` if it is shown (not erased).
const AcDbEntity* shown(AcDbHandle handle)
{
    const AcDbEntity* found = nullptr;
    acdbHostApplicationServices()->workingDatabase()->forEachEntity([&](const AcDbEntity& e) {
        if (e.handle() == handle)
            found = &e;
    });
    return found;
}

std::vector<AcDbHandle> selected(DrawingView* view) { return view->selection().handles(); }

QPoint pixel(DrawingView* view, double x, double y) { return view->toScreen({x, y}).toPoint(); }

// A window with the view showing x in [0, 20], y about [-5, 15] at 20 pixels a unit.
struct Scene {
    MainWindow window;
    DrawingView* view = nullptr;
    Scene()
    {
        window.show();
        view = window.documents().currentView();
        window.documents().refreshCurrent();
    }
    void place()
    {
        window.documents().refreshCurrent();
        view->zoomExtents();
        view->zoomBy(20.0 / view->scale(), view->toScreen({10, 5}));
    }
};

QString runPython(const QString& script, const QStringList& args)
{
    QProcess python;
    python.start("/usr/bin/python3", QStringList{"-c", script} + args);
    python.waitForFinished(60000);
    return QString::fromUtf8(python.readAllStandardOutput() + python.readAllStandardError()).trimmed();
}

// The (code, value) lines of a DXF text.
QList<QPair<QString, QString>> pairsOf(const QString& path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    const QStringList lines = QString::fromUtf8(file.readAll()).split('\n');
    QList<QPair<QString, QString>> out;
    for (qsizetype i = 0; i + 1 < lines.size(); i += 2)
        out.append({lines[i].trimmed(), lines[i + 1]});
    return out;
}

} // namespace

class SelectionTest : public QObject {
    Q_OBJECT

private slots:
    // ZOOM W: one corner clicked, the other typed; the view then shows the window, its
    // longer side filling the view but for the margin; Escape changes nothing.
    void zoom_window_shows_what_lies_between_two_corners()
    {
        Scene scene;
        addLine(0, 0, 20, 10);
        scene.place();
        UiScript script;
        script.then([&] { return scene.window.backend().isAskingForPoint(); },
                    [&] { typeLine(scene.window, "2,1"); });
        script.then([&] { return scene.window.commandLine().prompt() == "Opposite corner:"; },
                    [&] { typeLine(scene.window, "6,3"); });
        typeLine(scene.window, "ZOOM W");
        QVERIFY(script.done());
        QCOMPARE(scene.view->center(), QPointF(4, 2));
        const double fitted = std::min((scene.view->width() - 40) / 4.0, (scene.view->height() - 40) / 2.0);
        QCOMPARE(scene.view->scale(), fitted);

        const double before = scene.view->scale();
        UiScript cancel;
        cancel.then([&] { return scene.window.backend().isAskingForPoint(); },
                    [&] { QTest::keyClick(scene.window.commandLine().input(), Qt::Key_Escape); });
        typeLine(scene.window, "ZOOM W");
        QVERIFY(cancel.done());
        QCOMPARE(lastHistoryLine(scene.window), QString("*Cancel*"));
        QCOMPARE(scene.view->scale(), before);
    }

    // The second corner shows a window, not a line from the first; neither corner snaps
    // to the objects the window is drawn around.
    void zoom_window_shows_a_rectangle_and_does_not_snap()
    {
        Scene scene;
        addLine(0, 0, 20, 10);
        scene.place();
        bool snapped = true;
        int topEdge = 0;
        UiScript script;
        // 4 pixels from the line's end (0, 0), within the snap aperture.
        script.then([&] { return scene.window.backend().isAskingForPoint(); },
                    [&] { QTest::mouseClick(scene.view, Qt::LeftButton, {}, pixel(scene.view, 0.2, 0.1)); });
        script.then([&] { return scene.window.commandLine().prompt() == "Opposite corner:"; },
                    [&] {
                        const QPoint corner = pixel(scene.view, 19.8, 9.9);  // near the end (20, 10)
                        QMouseEvent move(QEvent::MouseMove, QPointF(corner), scene.view->mapToGlobal(QPointF(corner)),
                                         Qt::NoButton, Qt::NoButton, Qt::NoModifier);
                        QApplication::sendEvent(scene.view, &move);
                        QVERIFY(scene.window.pickAssist().currentPoint().has_value());
                        snapped = scene.window.pickAssist().currentSnap().has_value();
                        // What the pick help paints over the drawing.
                        QImage shownNow(scene.view->size(), QImage::Format_RGB32);
                        shownNow.fill(Qt::black);
                        {
                            QPainter painter(&shownNow);
                            scene.window.pickAssist().paint(painter, *scene.view);
                        }
                        // The window's top edge runs from the first corner's x to the cursor's.
                        const int y = corner.y();
                        for (int x = pixel(scene.view, 2, 0).x(); x < pixel(scene.view, 18, 0).x(); ++x)
                            for (int dy = -1; dy <= 1; ++dy)
                            {
                                const QColor c = shownNow.pixelColor(x, y + dy);
                                topEdge += c.red() == c.green() && c.green() == c.blue() && c.red() >= 120;
                            }
                        QTest::mouseClick(scene.view, Qt::LeftButton, {}, pixel(scene.view, 15, 3));
                    });
        typeLine(scene.window, "ZOOM W");
        QVERIFY(script.done());
        QVERIFY(!snapped);
        QVERIFY2(topEdge > 50, qPrintable(QString::number(topEdge)));
        // The first corner where it was clicked, not on the line's end: the centre is not 7.5.
        QVERIFY2(scene.view->center().x() > 7.55 && scene.view->center().x() < 7.7,
                 qPrintable(QString::number(scene.view->center().x())));
    }

    void click_picks_the_nearest_shown_entity_data()
    {
        QTest::addColumn<QPointF>("at");     // drawing units
        QTest::addColumn<QPointF>("nudge");  // pixels
        QTest::addColumn<int>("expected");   // index of the line, -1 none
        // The second line runs six pixels above the first.
        QTest::newRow("on the first line") << QPointF(2, 0) << QPointF(0, 0) << 0;
        QTest::newRow("three pixels below the first") << QPointF(5, 0) << QPointF(0, 3) << 0;
        QTest::newRow("six pixels below: nothing") << QPointF(5, 0) << QPointF(0, 6) << -1;
        QTest::newRow("between, nearer the first") << QPointF(5, 0) << QPointF(0, -2) << 0;
        QTest::newRow("between, nearer the second") << QPointF(5, 0) << QPointF(0, -5) << 1;
        QTest::newRow("empty space") << QPointF(5, 5) << QPointF(0, 0) << -1;
        QTest::newRow("inside a closed polyline is not on it") << QPointF(16, 4) << QPointF(0, 0) << -1;
        QTest::newRow("on the closing edge of the polyline") << QPointF(15, 4) << QPointF(0, 0) << 2;
    }

    void click_picks_the_nearest_shown_entity()
    {
        QFETCH(QPointF, at);
        QFETCH(QPointF, nudge);
        QFETCH(int, expected);
        Scene scene;
        const AcDbHandle lines[] = {addLine(0, 0, 10, 0), addLine(0, 0.3, 10, 0.3),
                                    addPolyline({{15, 3}, {18, 3}, {18, 6}, {15, 6}}, true)};
        scene.place();
        QTest::mouseClick(scene.view, Qt::LeftButton, {}, (scene.view->toScreen(at) + nudge).toPoint());
        if (expected < 0)
            QVERIFY(selected(scene.view).empty());
        else
            QCOMPARE(selected(scene.view), std::vector<AcDbHandle>{lines[expected]});
    }

    void shift_adds_and_removes_escape_clears()
    {
        Scene scene;
        const AcDbHandle a = addLine(0, 0, 10, 0), b = addLine(0, 5, 10, 5);
        scene.place();
        QTest::mouseClick(scene.view, Qt::LeftButton, {}, pixel(scene.view, 5, 0));
        QTest::mouseClick(scene.view, Qt::LeftButton, Qt::ShiftModifier, pixel(scene.view, 5, 5));
        QCOMPARE(selected(scene.view), (std::vector<AcDbHandle>{a, b}));
        QTest::mouseClick(scene.view, Qt::LeftButton, Qt::ShiftModifier, pixel(scene.view, 5, 0));
        QCOMPARE(selected(scene.view), std::vector<AcDbHandle>{b});
        // A plain click replaces; on empty space it clears.
        QTest::mouseClick(scene.view, Qt::LeftButton, {}, pixel(scene.view, 5, 0));
        QCOMPARE(selected(scene.view), std::vector<AcDbHandle>{a});
        QTest::mouseClick(scene.view, Qt::LeftButton, {}, pixel(scene.view, 5, 2.5));
        QVERIFY(selected(scene.view).empty());
        QTest::mouseClick(scene.view, Qt::LeftButton, {}, pixel(scene.view, 5, 0));
        QTest::keyClick(scene.view, Qt::Key_Escape);
        QVERIFY(selected(scene.view).empty());
        QTest::mouseClick(scene.view, Qt::LeftButton, {}, pixel(scene.view, 5, 0));
        QTest::keyClick(scene.window.commandLine().input(), Qt::Key_Escape);
        QVERIFY(selected(scene.view).empty());
    }

    void window_takes_what_is_inside_crossing_what_it_touches_data()
    {
        QTest::addColumn<bool>("leftToRight");
        QTest::addColumn<bool>("shift");
        QTest::addColumn<QList<int>>("expected");
        QTest::newRow("window: entirely inside") << true << false << QList<int>{0};
        QTest::newRow("crossing: touching") << false << false << QList<int>{0, 1};
        QTest::newRow("crossing with shift toggles") << false << true << QList<int>{1};
    }

    void window_takes_what_is_inside_crossing_what_it_touches()
    {
        QFETCH(bool, leftToRight);
        QFETCH(bool, shift);
        QFETCH(QList<int>, expected);
        Scene scene;
        // Inside the rectangle (1,1)-(9,9); crossing its right edge; far outside.
        const AcDbHandle h[] = {addLine(2, 2, 8, 8), addLine(5, 4, 14, 4), addLine(15, 12, 19, 14)};
        scene.place();
        if (shift)
            QTest::mouseClick(scene.view, Qt::LeftButton, {}, pixel(scene.view, 5, 5));
        const QPoint a = pixel(scene.view, 1, 9), b = pixel(scene.view, 9, 1);
        const QPoint from = leftToRight ? a : b, to = leftToRight ? b : a;
        const Qt::KeyboardModifiers mods = shift ? Qt::ShiftModifier : Qt::NoModifier;
        QTest::mousePress(scene.view, Qt::LeftButton, mods, from);
        QTest::mouseMove(scene.view, (from + to) / 2);
        QTest::mouseMove(scene.view, to);
        QTest::mouseRelease(scene.view, Qt::LeftButton, mods, to);
        std::vector<AcDbHandle> want;
        for (int i : expected)
            want.push_back(h[i]);
        QCOMPARE(selected(scene.view), want);
    }

    void delete_erase_undo_redo()
    {
        Scene scene;
        scene.window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&scene.window));
        const AcDbHandle a = addLine(0, 0, 10, 0), b = addLine(0, 5, 10, 5);
        scene.place();
        // Delete in the command line edits what is typed there.
        QTest::mouseClick(scene.view, Qt::LeftButton, {}, pixel(scene.view, 5, 0));
        QLineEdit* input = scene.window.commandLine().input();
        QTest::keyClicks(input, "ab");
        QTest::keyClick(input, Qt::Key_Home);
        QTest::keyClick(input, Qt::Key_Delete);
        QCOMPARE(input->text(), QString("b"));
        QVERIFY(shown(a));
        input->clear();
        // Delete in the view.
        QTest::keyClick(scene.view, Qt::Key_Delete);
        QVERIFY(!shown(a));
        QVERIFY(selected(scene.view).empty());
        // The ERASE command.
        QTest::mouseClick(scene.view, Qt::LeftButton, {}, pixel(scene.view, 5, 5));
        typeLine(scene.window, "ERASE");
        QCOMPARE(lastHistoryLine(scene.window), QString("Erased 1."));
        QVERIFY(!shown(b));
        typeLine(scene.window, "ERASE");
        QCOMPARE(lastHistoryLine(scene.window), QString("Nothing selected: select entities, then erase them."));
        // One step each, back and forth, by key, command and menu.
        QTest::keyClick(scene.window.commandLine().input(), Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(shown(b) && !shown(a));
        typeLine(scene.window, "UNDO");
        QVERIFY(shown(a) && shown(b));
        QTest::keyClick(scene.window.commandLine().input(), Qt::Key_Y, Qt::ControlModifier);
        QVERIFY(!shown(a) && shown(b));
        QTest::keyClick(scene.window.commandLine().input(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(!shown(a) && !shown(b));
        typeLine(scene.window, "REDO");
        QCOMPARE(lastHistoryLine(scene.window), QString("Nothing to redo."));
        QAction* undo = nullptr;
        for (QAction* action : scene.window.menuBar()->actions()[1]->menu()->actions())
            if (action->text() == "&Undo")
                undo = action;
        QVERIFY(undo);
        undo->trigger();
        QVERIFY(!shown(a) && shown(b));
        // A new change drops what was undone.
        QTest::mouseClick(scene.view, Qt::LeftButton, {}, pixel(scene.view, 5, 5));
        typeLine(scene.window, "ERASE");
        typeLine(scene.window, "REDO");
        QCOMPARE(lastHistoryLine(scene.window), QString("Nothing to redo."));
        QVERIFY(!shown(a) && !shown(b));
    }

    void a_draw_is_one_step_undone_and_redone()
    {
        Scene scene;
        scene.window.documents().checkpoint();
        PlaceCurvePolylines({{0, 0, 0}, {1, 1, 0}, {NAN, 0, 0}, {2, 0, 0}, {3, 1, 0}}, 0, false);
        int count = 0;
        const auto countShown = [&] {
            count = 0;
            acdbHostApplicationServices()->workingDatabase()->forEachEntity([&](const AcDbEntity&) { ++count; });
            return count;
        };
        QCOMPARE(countShown(), 2);
        typeLine(scene.window, "UNDO");
        QCOMPARE(countShown(), 0);
        typeLine(scene.window, "REDO");
        QCOMPARE(countShown(), 2);
        typeLine(scene.window, "UNDO");
        QCOMPARE(countShown(), 0);
        typeLine(scene.window, "UNDO");
        QCOMPARE(lastHistoryLine(scene.window), QString("Nothing to undo."));
    }

    void move_by_base_point_and_typed_destination()
    {
        Scene scene;
        const AcDbHandle line = addLine(0, 0, 10, 0);
        const AcDbHandle poly = addPolyline({{0, 5}, {4, 5}, {4, 8}}, false);
        scene.place();
        QTest::mouseClick(scene.view, Qt::LeftButton, {}, pixel(scene.view, 5, 0));
        QTest::mouseClick(scene.view, Qt::LeftButton, Qt::ShiftModifier, pixel(scene.view, 2, 5));
        // The base point clicked (on a whole pixel's drawing point), the destination typed.
        QPointF base;
        UiScript script;
        script.then([&] { return scene.window.backend().isAskingForPoint(); },
                    [&] {
                        base = scene.view->toWorld(QPointF(pixel(scene.view, 1, 1)));
                        QTest::mouseClick(scene.view, Qt::LeftButton, {}, pixel(scene.view, 1, 1));
                    });
        std::vector<QPointF> ghost;
        script.then([&] { return scene.window.backend().isAskingForPoint() && scene.window.commandLine().prompt() ==
                                                                                     "Destination:"; },
                    [&] {
                        ghost = scene.window.pickAssist().preview();
                        typeLine(scene.window, QString("%1,%2").arg(base.x() + 2.5, 0, 'g', 17).arg(base.y() - 1, 0, 'g', 17));
                    });
        typeLine(scene.window, "MOVE");
        QVERIFY(script.done());
        QCOMPARE(lastHistoryLine(scene.window), QString("Moved 2."));
        // While the destination was asked for, both entities followed the cursor: their
        // outlines relative to the base point, each ended by a break.
        const auto relative = [&](double x, double y) { return QPointF(x, y) - base; };
        QCOMPARE(ghost.size(), std::size_t(7));
        QCOMPARE(ghost[0], relative(0, 0));
        QCOMPARE(ghost[1], relative(10, 0));
        QVERIFY(std::isnan(ghost[2].x()));
        QCOMPARE(ghost[3], relative(0, 5));
        QCOMPARE(ghost[5], relative(4, 8));
        QVERIFY(std::isnan(ghost[6].x()));
        QVERIFY(scene.window.pickAssist().preview().empty());
        const auto* l = dynamic_cast<const AcDbLine*>(shown(line));
        QVERIFY(l);
        QCOMPARE(l->startPoint().x, 2.5);
        QCOMPARE(l->startPoint().y, -1.0);
        QCOMPARE(l->endPoint().x, 12.5);
        const auto* p = dynamic_cast<const AcDbPolyline*>(shown(poly));
        QCOMPARE(p->points()[2].x, 6.5);
        QCOMPARE(p->points()[2].y, 7.0);
        // Still selected; undo puts them back exactly, redo moves them again.
        QCOMPARE(selected(scene.view).size(), std::size_t(2));
        typeLine(scene.window, "UNDO");
        QCOMPARE(l->startPoint().x, 0.0);
        QCOMPARE(l->startPoint().y, 0.0);
        QCOMPARE(p->points()[2].x, 4.0);
        QCOMPARE(l->displacement(), AcGeVector3d{});
        typeLine(scene.window, "REDO");
        QCOMPARE(l->endPoint().x, 12.5);
        QCOMPARE(p->points()[0].y, 4.0);
    }

    void move_refuses_kinds_it_cannot_move_and_escape_cancels()
    {
        Scene scene;
        const AcDbHandle line = addLine(0, 0, 10, 0);
        append(new AcDbXline({5, -2, 0}, {0, 1, 0}, false));
        // Seen from above, its own x runs to the left.
        append(new AcDbCircle({-3, 3, 0}, 1, {0, 0, -1}));
        scene.place();
        typeLine(scene.window, "MOVE");
        QCOMPARE(lastHistoryLine(scene.window), QString("Nothing selected: select entities, then move them."));
        // A crossing window over all three.
        QTest::mousePress(scene.view, Qt::LeftButton, {}, pixel(scene.view, 8, 5));
        QTest::mouseMove(scene.view, pixel(scene.view, 1, -1));
        QTest::mouseRelease(scene.view, Qt::LeftButton, {}, pixel(scene.view, 1, -1));
        QCOMPARE(selected(scene.view).size(), std::size_t(3));
        typeLine(scene.window, "MOVE");
        QCOMPARE(lastHistoryLine(scene.window),
                 QString("Cannot move 1 Circle, 1 Construction line: only lines, polylines, circles, arcs, points, "
                         "texts, block references, ellipses and splines lying in the XY plane can move. Nothing was "
                         "moved."));
        QVERIFY(!scene.window.backend().isAskingForPoint());
        // Escape at the destination: nothing moves, the selection stays.
        QTest::mouseClick(scene.view, Qt::LeftButton, {}, pixel(scene.view, 2, 0));
        UiScript script;
        script.then([&] { return scene.window.backend().isAskingForPoint(); }, [&] { typeLine(scene.window, "0,0"); });
        script.then([&] { return scene.window.commandLine().prompt() == "Destination:"; },
                    [&] { QTest::keyClick(scene.view, Qt::Key_Escape); });
        typeLine(scene.window, "MOVE");
        QVERIFY(script.done());
        QCOMPARE(lastHistoryLine(scene.window), QString("*Cancel*"));
        QCOMPARE(dynamic_cast<const AcDbLine*>(shown(line))->startPoint().x, 0.0);
        QCOMPARE(selected(scene.view), std::vector<AcDbHandle>{line});
    }

    // A drawing of another program: one entity deleted, one moved, saved. Only the
    // deleted record is gone and the moved one's point values changed.
    void erase_and_move_in_a_read_drawing_then_save()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath("other.dxf");
        const QString copy = folder.filePath("original.dxf");
        QCOMPARE(runPython(R"(
import shutil, sys, ezdxf
doc = ezdxf.new("R2000")
msp = doc.modelspace()
line = msp.add_line((0, 0), (10, 0))
msp.add_circle((5, 5), 2)
doc.saveas(sys.argv[1])
shutil.copy(sys.argv[1], sys.argv[2])
print(line.dxf.handle)
)",
                           {path, copy})
                     .size() > 0,
                 true);
        Scene scene;
        typeLine(scene.window, "OPEN " + path);
        DrawingView* view = scene.window.documents().currentView();
        QTest::mouseClick(view, Qt::LeftButton, {}, pixel(view, 5, 0));
        QCOMPARE(selected(view).size(), std::size_t(1));
        QTest::keyClick(view, Qt::Key_Delete);
        QTest::mouseClick(view, Qt::LeftButton, {}, pixel(view, 7, 5));
        QCOMPARE(selected(view).size(), std::size_t(1));
        UiScript script;
        script.then([&] { return scene.window.backend().isAskingForPoint(); }, [&] { typeLine(scene.window, "0,0"); });
        script.then([&] { return scene.window.commandLine().prompt() == "Destination:"; },
                    [&] { typeLine(scene.window, "3,4"); });
        typeLine(scene.window, "MOVE");
        QVERIFY(script.done());
        typeLine(scene.window, "SAVE");
        QCOMPARE(lastHistoryLine(scene.window), "Saved " + path + ".");

        QCOMPARE(runPython(R"(
import sys, ezdxf
doc = ezdxf.readfile(sys.argv[1])
for e in doc.modelspace():
    print(e.dxftype(), e.dxf.center if e.dxftype() == "CIRCLE" else "")
print("audit", len(doc.audit().errors))
)",
                           {path}),
                 QString("CIRCLE (8.0, 9.0, 0.0)\naudit 0"));
        // Pair by pair: the LINE record is gone, the circle's centre changed, nothing else.
        QList<QPair<QString, QString>> before = pairsOf(copy);
        const QList<QPair<QString, QString>> after = pairsOf(path);
        qsizetype line = -1;
        for (qsizetype i = 0; i < before.size(); ++i)
            if (before[i].first == "0" && before[i].second.trimmed() == "LINE")
                line = i;
        QVERIFY(line >= 0);
        qsizetype end = line + 1;
        while (before[end].first != "0")
            ++end;
        before.remove(line, end - line);
        QCOMPARE(after.size(), before.size());
        QStringList changed;
        for (qsizetype i = 0; i < before.size(); ++i)
            if (before[i] != after[i])
                changed << before[i].first + ":" + before[i].second.trimmed() + "->" + after[i].second.trimmed();
        QCOMPARE(changed, (QStringList{"10:5.0->8", "20:5.0->9"}));
    }

    void properties_panel_describes_the_selection()
    {
        Scene scene;
        scene.window.resize(1100, 700);
        const AcDbHandle poly = addPolyline({{0, 0}, {3, 0}, {3, 4}}, true);
        const AcDbHandle line = addLine(0, 8, 10, 8);
        addLine(0, 9, 10, 9);
        scene.place();
        QLabel* summary = scene.window.propertiesPanel()->summary();
        QCOMPARE(summary->text(), QString("No selection."));
        QTest::mouseClick(scene.view, Qt::LeftButton, {}, pixel(scene.view, 3, 2));
        QCOMPARE(summary->text(), QString("Kind: Polyline\nHandle: %1\nLayer: 0\nColour: ByLayer\nClosed: yes\n"
                                          "Vertices: 3\nLength: 12.0000")
                                      .arg(QString::number(poly, 16).toUpper()));
        QVERIFY(scene.window.propertiesPanel()->curveDefinition()->isVisibleTo(&scene.window));
        QCOMPARE(scene.window.propertiesPanel()->curveDefinition()->text(), QString("Curve definition: none"));
        QTest::mouseClick(scene.view, Qt::LeftButton, Qt::ShiftModifier, pixel(scene.view, 5, 8));
        QTest::mouseClick(scene.view, Qt::LeftButton, Qt::ShiftModifier, pixel(scene.view, 5, 9));
        QCOMPARE(summary->text(), QString("3 selected\nLine: 2\nPolyline: 1"));
        QVERIFY(!scene.window.propertiesPanel()->curveDefinition()->isVisibleTo(&scene.window));
        // A drawn curve alone, for the picture.
        CurvePoints wave;
        for (int i = 0; i <= 80; ++i)
            wave.push_back({12 + i * 0.1, 4 + 2 * std::sin(i * 0.1 * 2), 0});
        PlaceCurvePolyline(wave, 0, false);
        scene.place();
        QTest::mouseClick(scene.view, Qt::LeftButton, {}, pixel(scene.view, 12, 4));
        QVERIFY(summary->text().startsWith("Kind: Polyline\n"));
        QVERIFY(summary->text().contains("\nVertices: 81\n"));
        plotwright::test::saveScreenshot(scene.window, "editor-properties");
        QTest::mouseClick(scene.view, Qt::LeftButton, {}, pixel(scene.view, 5, 8));
        QTest::mouseClick(scene.view, Qt::LeftButton, Qt::ShiftModifier, pixel(scene.view, 5, 9));
        QTest::mouseClick(scene.view, Qt::LeftButton, Qt::ShiftModifier, pixel(scene.view, 3, 2));
        // Erasing updates it.
        typeLine(scene.window, "ERASE");
        QCOMPARE(summary->text(), QString("No selection."));
        Q_UNUSED(line);
    }

    // A space and an implicit curve drawn by the module: a click on one shows its whole
    // definition, the z expression or the window and grid included.
    void properties_panel_shows_space_and_implicit_definitions_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QPointF>("click");  // a point of the curve as seen from the top
        QTest::addColumn<QString>("text");   // the panel's text but for the random curve id
        QTest::newRow("helix") << int(SpaceCurve) << QPointF(12, 5)
                               << "Curve: (written by hand)\nKind: space\nx = 2*cos(t)\ny = 2*sin(t)\nz = 0.5*t\n"
                                  "t: 0 to 7.5 by 0.25\nOrigin: 10, 5, 3\nOutput: polyline\n"
                                  "Sampling: by the increment\nPiece: 1 of 1";
        QTest::newRow("implicit circle")
            << int(ImplicitCurve) << QPointF(10, 7)
            << "Curve: (written by hand)\nKind: implicit\nx^2+y^2-4 = 0\nWindow: x -3 to 3, y -2.5 to 4\n"
               "Grid: cells of 0.05\nk = 2\nOrigin: 10, 5, 3\nOutput: polyline\n"
               "Sampling: adaptive within 0.008845903006477066\nPiece: 1 of 1";
    }

    void properties_panel_shows_space_and_implicit_definitions()
    {
        QFETCH(int, kind);
        QFETCH(QPointF, click);
        QFETCH(QString, text);
        Scene scene;
        scene.window.resize(1100, 700);
        CEquation curve;
        curve.SetType(kind);
        curve.SetCreatedBy(2);
        if (kind == SpaceCurve) {
            curve.SetEquationX(L"2*cos(t)");
            curve.SetEquationY(L"2*sin(t)");
            curve.SetEquationZ(L"0.5*t");
            curve.AddParameter(std::make_shared<CEquationParameter>(ParameterFields{
                .name = L"t", .type = RunningVariable, .increment = 0.25, .minValue = 0, .maxValue = 7.5}));
        } else {
            curve.SetEquationY(L"x^2+y^2-4");
            curve.SetWindow({-3, 3, -2.5, 4, 0, 0.05});
            curve.AddParameter(std::make_shared<CEquationParameter>(
                ParameterFields{.name = L"k", .type = Constant, .value = 2}));
        }
        DrawOutcome outcome;
        PlaceCurveAt(curve, {10, 5, 3}, {}, outcome);
        QCOMPARE(outcome.newIds.size(), std::size_t(1));
        scene.place();
        QTest::mouseClick(scene.view, Qt::LeftButton, {}, pixel(scene.view, click.x(), click.y()));
        QLabel* shown = scene.window.propertiesPanel()->curveDefinition();
        QVERIFY(shown->isVisibleTo(&scene.window));
        const QString all = shown->text();
        const qsizetype id = all.lastIndexOf("\nCurve id: ");
        QVERIFY2(id > 0, qPrintable(all));
        QCOMPARE(all.left(id), text);
        QCOMPARE(all.size() - id, qsizetype(std::string("\nCurve id: ").size() + 32));
        // Every line is shown (the panel scrolls rather than cutting the definition short).
        QTRY_VERIFY(shown->height() >= shown->fontMetrics().lineSpacing() * int(text.count('\n') + 2));
        plotwright::test::saveScreenshot(scene.window, kind == SpaceCurve ? "editor-properties-space"
                                                                          : "editor-properties-implicit");
    }
};

QTEST_MAIN(SelectionTest)
#include "selection_test.moc"
