// The editor program's parts driven as a user drives them: point input by click,
// typing and Escape; undo; files; the unsaved-changes question; modules loaded and
// unloaded from the command line; what the view draws.

#include "editor/command_line.h"
#include "editor/display_list.h"
#include "editor/document_tabs.h"
#include "editor/drawing_view.h"
#include "editor/editor_backend.h"
#include "editor/main_window.h"
#include "editor/selection.h"

#include "draw/place_curve.h"
#include "host/backend.h"
#include "host/command_stack.h"
#include "db/database.h"
#include "db/entities.h"
#include "db/polyline.h"
#include "host/doc_manager.h"
#include "host/editor.h"

#include "command_input.h"
#include "ui_script.h"
#include "support/screenshot.h"

#include <QLabel>
#include <QProgressBar>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QSettings>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>

#include <array>
#include <cmath>
#include <fstream>

using plotwright::editor::MainWindow;

namespace {

// What the test commands saw.
int pickStatus = 0;
std::array<double, 3> picked{};
QString promptDuringPick;

void pickCommand()
{
    ads_point point = {-1, -1, -1};
    pickStatus = acedGetPoint(nullptr, L"\nPick test point:", point);
    picked = {point[0], point[1], point[2]};
}

double nextX = 0;
// Draws two short lines, each as the draw flow does: inside an editor-command bracket.
void drawTwiceCommand()
{
    for (int i = 0; i < 2; ++i) {
        plotwright::host::backend().beginEditorCommand();
        PlaceCurvePolyline({{nextX, 0, 0}, {nextX + 1, 1, 0}}, 0, false);
        nextX += 2;
        plotwright::host::backend().completeEditorCommand();
    }
}

int curveCommandRuns = 0;
void curveCommand() { ++curveCommandRuns; }

unsigned boxType = 0;
int boxAnswer = 0;
void askCommand() { boxAnswer = AfxMessageBox(L"Close anyway?", boxType); }

bool meterShown = false;
QString meterLabel;
int meterValue = -1;
QProgressBar* meterBar = nullptr;
void meterCommand()
{
    acedSetStatusBarProgressMeter(L"Draw...", 0, 10);
    meterShown = meterBar->isVisible();
    acedSetStatusBarProgressMeterPos(10);
    meterValue = meterBar->value();
    acedRestoreStatusBar();
}

int entityCount()
{
    int count = 0;
    acdbHostApplicationServices()->workingDatabase()->forEachEntity([&](const AcDbEntity&) { ++count; });
    return count;
}

} // namespace

class EditorTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // The window's places and recent files go here, not into the user's settings.
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir_.path());
        AcEdCommandStack* stack = acedRegCmds();
        QCOMPARE(stack->addCommand(L"EDITORTEST", L"pick", L"pick", ACRX_CMD_MODAL, pickCommand), Acad::eOk);
        QCOMPARE(stack->addCommand(L"EDITORTEST", L"drawtwice", L"drawtwice", ACRX_CMD_MODAL, drawTwiceCommand),
                 Acad::eOk);
        QCOMPARE(stack->addCommand(L"EDITORTEST", L"ask", L"ask", ACRX_CMD_MODAL, askCommand), Acad::eOk);
        QCOMPARE(stack->addCommand(L"EDITORTEST", L"meter", L"meter", ACRX_CMD_MODAL, meterCommand), Acad::eOk);
        // Stands for the module's curve command.
        QCOMPARE(stack->addCommand(L"EDITORTEST", L"vexilo", L"vexilo", ACRX_CMD_MODAL, curveCommand), Acad::eOk);
    }
    void cleanupTestCase() { acedRegCmds()->removeGroup(L"EDITORTEST"); }

    void point_input_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("status");
        QTest::addColumn<QList<double>>("point");
        QTest::newRow("click in the view") << "click" << "" << RTNORM << QList<double>{};
        QTest::newRow("x,y typed") << "type" << "3,4" << RTNORM << QList<double>{3, 4, 0};
        QTest::newRow("x,y,z typed with blanks and signs")
            << "type" << " 1.5 , -2.25 , +7 " << RTNORM << QList<double>{1.5, -2.25, 7};
        QTest::newRow("exponent") << "type" << "1e3,2.5E-1" << RTNORM << QList<double>{1000, 0.25, 0};
        QTest::newRow("comma separates coordinates, never decimals")
            << "type" << "1,5" << RTNORM << QList<double>{1, 5, 0};
        QTest::newRow("empty answer") << "type" << "" << RTNONE << QList<double>{};
        QTest::newRow("escape in the command line") << "escape-line" << "" << RTCAN << QList<double>{};
        QTest::newRow("escape in the view") << "escape-view" << "" << RTCAN << QList<double>{};
    }

    void point_input()
    {
        QFETCH(QString, how);
        QFETCH(QString, typed);
        QFETCH(int, status);
        QFETCH(QList<double>, point);
        MainWindow window;
        window.show();
        plotwright::editor::DrawingView* view = window.documents().currentView();
        QVERIFY(view);
        const QPoint clickAt(120, 90);
        QPointF expectedClick;

        UiScript script;
        script.then([&] { return window.backend().isAskingForPoint(); },
                    [&] {
                        promptDuringPick = window.commandLine().prompt();
                        if (how == "click") {
                            expectedClick = view->toWorld(clickAt);
                            QTest::mouseClick(view, Qt::LeftButton, {}, clickAt);
                        } else if (how == "type") {
                            typeLine(window, typed);
                        } else if (how == "escape-line") {
                            QTest::keyClick(window.commandLine().input(), Qt::Key_Escape);
                        } else {
                            QTest::keyClick(view, Qt::Key_Escape);
                        }
                    });
        pickStatus = 0;
        typeLine(window, "PICK");
        QVERIFY(script.done());
        QCOMPARE(promptDuringPick, QString("Pick test point:"));
        QCOMPARE(pickStatus, status);
        QCOMPARE(window.commandLine().prompt(), QString("Command:"));
        QVERIFY(!view->isPicking());
        if (how == "click")
            point = {expectedClick.x(), expectedClick.y(), 0};
        if (status == RTNORM)
            QCOMPARE((QList<double>{picked[0], picked[1], picked[2]}), point);
        else
            QCOMPARE((QList<double>{picked[0], picked[1], picked[2]}), (QList<double>{-1, -1, -1}));
    }

    void refused_point_text_keeps_asking_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::newRow("a word") << "abc";
        QTest::newRow("one number") << "5";
        QTest::newRow("four numbers") << "1,2,3,4";
        QTest::newRow("empty coordinate") << "1,,2";
        QTest::newRow("trailing comma") << "1,2,";
        QTest::newRow("semicolon") << "1;2";
        QTest::newRow("not a number") << "nan,1";
        QTest::newRow("infinite") << "inf,1";
        QTest::newRow("out of range") << "1e999,1";
    }

    void refused_point_text_keeps_asking()
    {
        QFETCH(QString, typed);
        MainWindow window;
        window.show();
        UiScript script;
        QString refusal;
        script.then([&] { return window.backend().isAskingForPoint(); }, [&] { typeLine(window, typed); });
        script.then([&] { return window.backend().isAskingForPoint(); },
                    [&] {
                        refusal = lastHistoryLine(window);
                        typeLine(window, "2,3");
                    });
        typeLine(window, "pick");
        QVERIFY(script.done());
        QCOMPARE(refusal, "Invalid point: \"" + typed + "\". Type x,y or x,y,z, or click in the drawing.");
        QCOMPARE(pickStatus, RTNORM);
        QCOMPARE(picked[0], 2.0);
        QCOMPARE(picked[1], 3.0);
    }

    void message_box_answers_data()
    {
        QTest::addColumn<unsigned>("type");
        QTest::addColumn<int>("button");
        QTest::addColumn<int>("answer");
        QTest::newRow("yes of yes/no") << (MB_YESNO | MB_ICONEXCLAMATION) << int(QMessageBox::Yes) << IDYES;
        QTest::newRow("no of yes/no") << (MB_YESNO | MB_ICONEXCLAMATION) << int(QMessageBox::No) << IDNO;
        QTest::newRow("cancel of yes/no/cancel") << MB_YESNOCANCEL << int(QMessageBox::Cancel) << IDCANCEL;
        QTest::newRow("cancel of ok/cancel") << MB_OKCANCEL << int(QMessageBox::Cancel) << IDCANCEL;
        QTest::newRow("ok") << (MB_OK | MB_ICONERROR) << int(QMessageBox::Ok) << IDOK;
    }

    void message_box_answers()
    {
        QFETCH(unsigned, type);
        QFETCH(int, button);
        QFETCH(int, answer);
        MainWindow window;
        window.show();
        UiScript script;
        script.answerMessageBox(static_cast<QMessageBox::StandardButton>(button));
        boxType = type;
        boxAnswer = 0;
        typeLine(window, "ask");
        QVERIFY(script.done());
        QCOMPARE(script.texts, QStringList{"Close anyway?"});
        QCOMPARE(boxAnswer, answer);
    }

    void progress_meter_shows_in_the_status_bar()
    {
        MainWindow window;
        window.show();
        meterBar = window.progressBar();
        typeLine(window, "meter");
        QVERIFY(meterShown);
        QCOMPARE(meterValue, 10); // the last position shows even right after the start
        QVERIFY(!meterBar->isVisible());
    }

    void coordinates_show_with_a_full_stop()
    {
        MainWindow window;
        window.show();
        plotwright::editor::DrawingView* view = window.documents().currentView();
        QTest::mouseMove(view, QPoint(200, 100));
        QTRY_VERIFY(!window.coordinatesLabel()->text().isEmpty());
        const QPointF world = view->toWorld(QPointF(200, 100));
        const QString expected = QString::number(world.x(), 'f', 4) + ", " + QString::number(world.y(), 'f', 4);
        QCOMPARE(window.coordinatesLabel()->text(), expected);
        QVERIFY(QRegularExpression(R"(^-?\d+\.\d{4}, -?\d+\.\d{4}$)").match(expected).hasMatch());
    }

    void undo_takes_back_one_draw_at_a_time()
    {
        MainWindow window;
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window)); // shortcuts reach the active window only
        typeLine(window, "drawtwice");
        QCOMPARE(entityCount(), 2);
        QCOMPARE(window.documents().currentView()->displayList().items.size(), std::size_t(2));
        typeLine(window, "UNDO");
        QCOMPARE(entityCount(), 1);
        QCOMPARE(window.documents().currentView()->displayList().items.size(), std::size_t(1));
        QTest::keyClick(window.commandLine().input(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(entityCount(), 0);
        typeLine(window, "u");
        QCOMPARE(lastHistoryLine(window), QString("Nothing to undo."));
        // After an undo, new draws are undone again.
        typeLine(window, "drawtwice");
        QCOMPARE(entityCount(), 2);
        typeLine(window, "undo");
        QCOMPARE(entityCount(), 1);
    }

    // The command line is always there: typing in the drawing reaches it, Enter on an
    // empty line repeats the last command, the toolbar's word is a command, and undo
    // says what it took back.
    void command_line_takes_what_is_typed_anywhere()
    {
        MainWindow window;
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QWidget* view = window.documents().currentView();
        view->setFocus();
        QTest::keyClicks(view, "drawtwice");
        QCOMPARE(window.commandLine().input()->text(), QString("drawtwice"));
        QTest::keyClick(window.commandLine().input(), Qt::Key_Backspace);
        view->setFocus();
        QTest::keyClicks(view, "e");
        QTest::keyClick(view, Qt::Key_Return);
        QCOMPARE(entityCount(), 2);
        QVERIFY(window.commandLine().input()->hasFocus());

        QTest::keyClick(window.commandLine().input(), Qt::Key_Return);
        QCOMPARE(entityCount(), 4);
        QCOMPARE(lastHistoryLine(window), QString("Command: drawtwice"));

        typeLine(window, "UNDO");
        QCOMPARE(lastHistoryLine(window), QString("Undone: the addition of 1 entity."));
        typeLine(window, "REDO");
        QCOMPARE(lastHistoryLine(window), QString("Redone: the addition of 1 entity."));

        const int before = curveCommandRuns;
        typeLine(window, "Curve");
        QCOMPARE(curveCommandRuns, before + 1);
        typeLine(window, "CURVES");
        QCOMPARE(lastHistoryLine(window), QString("Unknown command \"CURVES\"."));

        // Ctrl+A selects what the drawing shows, from the (empty) command line too.
        QTest::keyClick(window.commandLine().input(), Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(lastHistoryLine(window), QString("Selected 4."));
        QCOMPARE(window.documents().currentView()->selection().handles().size(), std::size_t(4));
    }

    // DIST: two points, typed here; the distance, its angle and the deltas.
    void dist_measures_between_two_points_data()
    {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::addColumn<QString>("said");
        QTest::newRow("3-4-5") << "1,1" << "4,5"
                               << "Distance = 5, angle in the XY plane = 53.13010235415598°, delta X = 3, delta Y = 4, "
                                  "delta Z = 0";
        QTest::newRow("backwards: the angle stays positive") << "0,0" << "-2,0"
                               << "Distance = 2, angle in the XY plane = 180°, delta X = -2, delta Y = 0, delta Z = 0";
        QTest::newRow("with heights") << "0,0,1" << "0,3,5"
                               << "Distance = 5, angle in the XY plane = 90°, delta X = 0, delta Y = 3, delta Z = 4";
    }

    void dist_measures_between_two_points()
    {
        QFETCH(QString, first);
        QFETCH(QString, second);
        QFETCH(QString, said);
        MainWindow window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        UiScript script;
        script.then([&] { return window.backend().isAskingForPoint(); }, [&] { typeLine(window, first); });
        script.then([&] { return window.commandLine().prompt() == "Second point:"; },
                    [&] { typeLine(window, second); });
        typeLine(window, "DIST");
        QVERIFY(script.done());
        QCOMPARE(lastHistoryLine(window), said);
    }

    void files_save_open_and_keep_what_the_file_held()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath("two lines.dxf");
        {
            MainWindow window;
            window.show();
            typeLine(window, "drawtwice");
            QVERIFY(window.documents().tabText(0).endsWith('*'));
            typeLine(window, "SAVEAS \"" + path + "\"");
            QCOMPARE(window.documents().tabText(0), QString("two lines.dxf"));
            QVERIFY(!window.documents().currentDocument()->isModified());
        }
        MainWindow window;
        window.show();
        typeLine(window, "OPEN " + path);
        QCOMPARE(window.documents().count(), 2);
        QCOMPARE(window.documents().tabText(1), QString("two lines.dxf"));
        QCOMPARE(entityCount(), 2);
        typeLine(window, "UNDO");
        QCOMPARE(lastHistoryLine(window), QString("Nothing to undo."));
        QCOMPARE(entityCount(), 2);
        // Opening it again only shows it.
        window.documents().setCurrentIndex(0);
        typeLine(window, "OPEN " + path);
        QCOMPARE(window.documents().count(), 2);
        QCOMPARE(window.documents().currentIndex(), 1);
    }

    void file_errors_name_the_file_and_reason()
    {
        QTemporaryDir folder;
        const QString notDxf = folder.filePath("notes.dxf");
        std::ofstream(notDxf.toStdString()) << "shopping list\n";
        const QString missingFolder = folder.filePath("missing/out.dxf");
        MainWindow window;
        window.show();
        UiScript script;
        script.answerMessageBox(QMessageBox::Ok);
        script.answerMessageBox(QMessageBox::Ok);
        typeLine(window, "OPEN " + notDxf);
        typeLine(window, "SAVEAS " + missingFolder);
        QVERIFY(script.done());
        QCOMPARE(script.texts.size(), 2);
        QVERIFY2(script.texts[0].startsWith("Cannot open \"" + notDxf + "\": "), qPrintable(script.texts[0]));
        QVERIFY2(script.texts[1].startsWith("Cannot save \"" + missingFolder + "\": "), qPrintable(script.texts[1]));
        QCOMPARE(window.documents().count(), 1);
    }

    void lenient_reading_warns_in_the_history_data()
    {
        QTest::addColumn<QString>("tail");
        QTest::addColumn<QString>("warning");
        QTest::newRow("no EOF marker") << "" << "the file ends without the EOF marker";
        QTest::newRow("an empty section without a name before EOF")
            << "  0\nSECTION\n  0\nENDSEC\n  0\nEOF\n" << "line 27: an empty section without a name";
    }

    // A file read leniently is shown with a warning in the command history, as typed
    // OPEN leaves it, and saving it is refused with the reason.
    void lenient_reading_warns_in_the_history()
    {
        QFETCH(QString, tail);
        QFETCH(QString, warning);
        QTemporaryDir folder;
        const QString path = folder.filePath("lenient.dxf");
        std::ofstream(path.toStdString()) << "  0\nSECTION\n  2\nENTITIES\n  0\nLINE\n  8\n0\n 10\n0\n 20\n0\n 30\n0\n"
                                             " 11\n5\n 21\n5\n 31\n0\n  0\nENDSEC\n"
                                          << tail.toStdString();
        MainWindow window;
        window.show();
        typeLine(window, "OPEN " + path);
        const QString history = window.commandLine().history()->toPlainText();
        const QString expected = "Warning: \"" + path + "\": " + warning + ". It can be shown but not saved.";
        QVERIFY2(history.contains(expected), qPrintable(history));
        UiScript script;
        script.answerMessageBox(QMessageBox::Ok);
        typeLine(window, "SAVE");
        QVERIFY(script.done());
        QCOMPARE(script.texts.size(), 1);
        QVERIFY2(script.texts[0].contains("it is not written to, so that nothing in it is lost"), qPrintable(script.texts[0]));
    }

    void closing_asks_about_unsaved_changes()
    {
        MainWindow window;
        window.show();
        const QString title = QString::fromStdString(window.documents().currentDocument()->docTitle());
        typeLine(window, "drawtwice");
        UiScript script;
        script.answerMessageBox(QMessageBox::Cancel);
        typeLine(window, "CLOSE");
        QVERIFY(script.done());
        QCOMPARE(script.texts, QStringList{"Save changes to " + title + "?"});
        QCOMPARE(window.documents().count(), 1);

        script.answerMessageBox(QMessageBox::Cancel);
        QVERIFY(!window.close());
        QVERIFY(window.isVisible());
        QCOMPARE(window.documents().count(), 1);

        script.answerMessageBox(QMessageBox::No);
        typeLine(window, "CLOSE");
        QVERIFY(script.done());
        QCOMPARE(window.documents().count(), 0);
        typeLine(window, "pick");
        QCOMPARE(lastHistoryLine(window), QString("No drawing is open: type NEW or OPEN first."));
        typeLine(window, "NEW");
        QCOMPARE(window.documents().count(), 1);
        QVERIFY2(window.close(), "an unchanged drawing closes without a question");
    }

    void modules_load_and_unload_from_the_command_line()
    {
        const QString probe = PROBE_MODULE;
        MainWindow window;
        window.show();
        typeLine(window, "xyz");
        QCOMPARE(lastHistoryLine(window), QString("Unknown command \"XYZ\"."));

        typeLine(window, "APPLOAD " + probe);
        QCOMPARE(lastHistoryLine(window), "Loaded \"" + probe + "\".");
        UiScript script;
        script.answerMessageBox(QMessageBox::Ok);
        typeLine(window, "Probe");
        QVERIFY(script.done());
        QCOMPARE(script.texts, QStringList{"probe ran"});

        typeLine(window, "APPUNLOAD " + probe);
        QCOMPARE(lastHistoryLine(window), "Unloaded \"" + probe + "\".");
        typeLine(window, "probe");
        QCOMPARE(lastHistoryLine(window), QString("Unknown command \"PROBE\"."));

        script.answerMessageBox(QMessageBox::Ok);
        typeLine(window, "APPLOAD " + QString(PROBE_MODULE_V18));
        QVERIFY(script.done());
        QVERIFY2(script.texts.last().contains("API version 18.0"), qPrintable(script.texts.last()));
    }

    void view_draws_what_model_space_holds()
    {
        MainWindow window;
        window.show();
        // A half circle bulging below its chord (bulge 1 runs counter-clockwise from
        // (0,0) to (2,0)), a line, and a polyline of one vertex, shown as a point.
        AcDbDatabase* db = acdbHostApplicationServices()->workingDatabase();
        auto* arc = new AcDbPolyline;
        arc->addVertexAt(0, {0, 0});
        arc->addVertexAt(1, {2, 0});
        arc->setBulgeAt(0, 1.0);
        AcDbObjectId id;
        QCOMPARE(AppendToModelSpace(arc, id), Acad::eOk);
        arc->close();
        PlaceCurvePolyline({{10, 0, 0}, {11, 1, 0}}, 0, false);
        PlaceCurvePolyline({{20, 5, 0}}, 0, false);
        window.documents().refreshCurrent();
        const plotwright::editor::DisplayList& list = window.documents().currentView()->displayList();
        QCOMPARE(list.items.size(), std::size_t(3));
        QVERIFY(list.hasExtents);
        QCOMPARE(list.extents.top(), -1.0); // the lowest point of the half circle
        QCOMPARE(list.extents.left(), 0.0);
        QCOMPARE(list.extents.right(), 20.0);
        QCOMPARE(list.extents.bottom(), 5.0);
        QVERIFY(!list.items[0].isPoint());
        QVERIFY(list.items[2].isPoint());
        QVERIFY(db->isModified());

        // Zoom extents brings every point into the view.
        typeLine(window, "ZOOM");
        plotwright::editor::DrawingView* view = window.documents().currentView();
        for (QPointF p : {QPointF(0, -1), QPointF(20, 5)}) {
            const QPointF s = view->toScreen(p);
            QVERIFY(view->rect().contains(s.toPoint()));
        }
    }

    // A drawing from another program: a block reference on a red layer, text, a line on
    // a layer that is off, and a solid that cannot be shown (said in the view).
    void view_shows_blocks_layers_and_what_it_cannot_show()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("rich.dxf");
        std::ofstream(path.toStdString(), std::ios::binary)
            << "  0\nSECTION\n  2\nTABLES\n  0\nTABLE\n  2\nLAYER\n"
               "  0\nLAYER\n  2\nRed\n 62\n1\n 70\n0\n  0\nLAYER\n  2\nHidden\n 62\n-3\n 70\n0\n"
               "  0\nENDTAB\n  0\nENDSEC\n"
               "  0\nSECTION\n  2\nBLOCKS\n  0\nBLOCK\n  2\nBox\n 70\n0\n 10\n0\n 20\n0\n 30\n0\n"
               "  0\nLWPOLYLINE\n  8\n0\n 90\n4\n 70\n1\n 10\n0\n 20\n0\n 10\n10\n 20\n0\n 10\n10\n 20\n10\n"
               " 10\n0\n 20\n10\n  0\nENDBLK\n  0\nENDSEC\n"
               "  0\nSECTION\n  2\nENTITIES\n  0\nINSERT\n  8\nRed\n  2\nBox\n 10\n0\n 20\n0\n"
               "  0\nLINE\n  8\nHidden\n 10\n0\n 20\n0\n 11\n10\n 21\n10\n"
               "  0\nTEXT\n  8\n0\n  1\nGr\xC3\xB6\xC3\x9F" "e\n 10\n2\n 20\n2\n 40\n1.5\n"
               "  0\n3DSOLID\n  8\n0\n  0\nENDSEC\n  0\nEOF\n";
        MainWindow window;
        window.resize(800, 600);
        window.show();
        QVERIFY(window.openDrawing(path));
        plotwright::editor::DrawingView* view = window.documents().currentView();
        const plotwright::editor::DisplayList& list = view->displayList();
        QCOMPARE(QString::fromStdWString(list.unshown), QString("1 3DSOLID not shown"));
        QCOMPARE(lastHistoryLine(window), QString("1 3DSOLID not shown."));
        QCOMPARE(window.statusBar()->currentMessage(), QString("1 3DSOLID not shown"));
        QCOMPARE(list.items.size(), std::size_t(2)); // the box and the text
        QCOMPARE(QString::fromStdWString(list.items[1].shape.text->text), QString::fromUtf8("Größe"));
        view->zoomExtents();
        const QImage image = view->grab().toImage();
        plotwright::test::saveScreenshot(*view, "editor_rich_drawing");
        // Red along the box's left side; nothing of the hidden diagonal at its middle.
        const auto reddish = [&](QPointF world) {
            const QPoint at = view->toScreen(world).toPoint();
            for (int dx = -1; dx <= 1; ++dx) {
                for (int dy = -1; dy <= 1; ++dy) {
                    const QColor c = image.pixelColor(at + QPoint(dx, dy));
                    if (c.red() > 180 && c.green() < 100 && c.blue() < 100)
                        return true;
                }
            }
            return false;
        };
        QVERIFY(reddish({0, 5}));
        QVERIFY(reddish({10, 7}));
        const QColor middle = image.pixelColor(view->toScreen({7.5, 7.5}).toPoint());
        QCOMPARE(middle, QColor(33, 40, 48));
    }

    // A fit text is drawn as long as its span: the view finds it near its far end,
    // although its anchor and its two characters are far from there.
    void stretched_text_is_found_along_its_span()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("fit.dxf");
        std::ofstream(path.toStdString(), std::ios::binary)
            << "  0\nSECTION\n  2\nENTITIES\n"
               "  0\nTEXT\n  8\n0\n  1\nAB\n 10\n0\n 20\n0\n 11\n100\n 21\n0\n 40\n1\n 72\n5\n"
               "  0\nENDSEC\n  0\nEOF\n";
        MainWindow window;
        window.show();
        QVERIFY(window.openDrawing(path));
        const plotwright::editor::DisplayList& list = window.documents().currentView()->displayList();
        QCOMPARE(list.items.size(), std::size_t(1));
        QCOMPARE(list.items[0].shape.text->span, 100.0);
        QCOMPARE(list.visible(QRectF(QPointF(95, -1), QPointF(99, 1))).size(), std::size_t(1));
    }

    // Every kind the view shows, in one drawing made by ezdxf (tests/dxf/display_kinds.py):
    // all of it drawn, nothing counted as unshowable; the picture is kept for the docs.
    void view_shows_a_drawing_of_every_kind()
    {
        MainWindow window;
        window.resize(1100, 760);
        window.show();
        QVERIFY(window.openDrawing(PLOTWRIGHT_TEST_DATA "/editor/display_kinds.dxf"));
        plotwright::editor::DrawingView* view = window.documents().currentView();
        const plotwright::editor::DisplayList& list = view->displayList();
        QVERIFY(list.unshown.empty());
        int texts = 0, fills = 0, endless = 0;
        for (const auto& item : list.items) {
            texts += item.shape.type == plotwright::db::DisplayShape::Type::kText;
            fills += item.shape.type == plotwright::db::DisplayShape::Type::kFill;
            endless += item.isEndless();
        }
        QCOMPARE(texts, 8);    // TEXT four times, MTEXT's two lines, the attribute, the dimension's
        QCOMPARE(endless, 2);  // the XLINE and the RAY
        QVERIFY(fills >= 4);   // solid hatch, SOLID, TRACE, the dimension's arrowheads
        view->zoomExtents();
        QVERIFY(!plotwright::test::saveScreenshot(*view, "editor_display_kinds").isEmpty());
    }

    void view_zooms_about_the_cursor_and_pans_with_the_middle_button()
    {
        MainWindow window;
        window.show();
        plotwright::editor::DrawingView* view = window.documents().currentView();
        view->grab(); // places the view
        const QPointF anchor(300, 200);
        const QPointF under = view->toWorld(anchor);
        const double scale = view->scale();
        QWheelEvent wheel(anchor, view->mapToGlobal(anchor), {}, QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(view, &wheel);
        QCOMPARE(view->scale(), scale * 1.25);
        QCOMPARE(view->toWorld(anchor), under);

        // Dragging with the middle button carries the drawing along with the cursor.
        const QPoint from(100, 100), to(160, 140);
        const QPointF grabbed = view->toWorld(from);
        QTest::mousePress(view, Qt::MiddleButton, {}, from);
        QTest::mouseMove(view, to);
        QTest::mouseRelease(view, Qt::MiddleButton, {}, to);
        QCOMPARE(view->toWorld(to), grabbed);
        QVERIFY(!view->isPicking());
    }

private:
    QTemporaryDir settingsDir_;
};

QTEST_MAIN(EditorTest)
#include "editor_test.moc"
