// A drawn curve edited again in the editor, as a user does it: draw the Epicycloid, click
// it, read its definition in the properties panel, press "Edit curve…", change b in the
// grid and draw; the curve is replaced where it was, one undo step brings the old one
// back and redo the new one; the saved drawing lists the new definition.

#include "editor/command_line.h"
#include "editor/document_tabs.h"
#include "editor/drawing_view.h"
#include "editor/editor_backend.h"
#include "editor/main_window.h"
#include "editor/pick_assist.h"
#include "editor/properties_panel.h"

#include "db/database.h"
#include "db/polyline.h"
#include "draw/drawn_curves.h"
#include "curve/curve_shape.h"
#include "host/doc_manager.h"
#include "dialogs/ad_ui_base_dialog.h"
#include "model/equation_list.h"
#include "model/library_file.h"

#include "support/model_space.h"
#include "support/screenshot.h"
#include "module_session.h"
#include "ui_script.h"

#include <QCheckBox>
#include <QComboBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

using plotwright::editor::MainWindow;

namespace {

// Types `value` into the grid's value cell of the constant `name`.
bool setConstant(QTableView& grid, const QString& name, const QString& value)
{
    const QAbstractItemModel* model = grid.model();
    for (int row = 0; row < model->rowCount(); ++row) {
        if (model->index(row, 0).data().toString().trimmed() != name &&
            model->index(row, 1).data().toString().trimmed() != name)
            continue;
        grid.setFocus();
        grid.setCurrentIndex(model->index(row, 3));
        // The first key opens the cell's editor, which takes the rest.
        QTest::keyClicks(&grid, value.left(1));
        QTest::keyClicks(QApplication::focusWidget(), value.mid(1));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        return true;
    }
    return false;
}

// The one drawn curve of the drawing (fails the test when there is not exactly one).
plotwright::draw::DrawnCurve onlyCurve(MainWindow& window)
{
    const auto curves = plotwright::draw::drawnCurves(*window.documents().currentDocument()->database());
    if (curves.size() != 1)
        qFatal("expected one drawn curve, found %zu", curves.size());
    return curves.front();
}

double constant(const plotwright::draw::DrawnCurve& curve, const wchar_t* name)
{
    for (const ParameterFields& p : curve.definition().parameters)
        if (p.name == name)
            return p.value;
    return -1;
}

} // namespace

class CurveEditTest : public QObject {
    Q_OBJECT

    QTemporaryDir installFolder;

private slots:
    void initTestCase()
    {
        QVERIFY(installFolder.isValid());
        qputenv("PLOTWRIGHT_INSTALL_FOLDER", (installFolder.path() + "/").toUtf8());
        // A new user: the dialog remembers choices ("Turn by a point") between runs, and
        // the run under the other locale shares this test's settings.
        QSettings(QSettings::UserScope, QStringLiteral("Tolbrin"), QStringLiteral("Plotwright")).clear();
    }

    void edit_redraw_undo_redo_and_save()
    {
        MainWindow window;
        window.resize(1000, 700);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        {
            UiScript refusal;
            refusal.answerMessageBox(QMessageBox::Ok);
            QVERIFY2(window.loadModule(PLOTWRIGHT_MODULE), qPrintable(refusal.texts.value(0)));
        }
        plotwright::editor::DrawingView* view = window.documents().currentView();

        // The Epicycloid (a = b = 10) at the origin.
        UiScript draw;
        draw.then([] { return shownDialog() != nullptr; },
                  [&] {
                      auto* combo = shownDialog()->control<QComboBox>(100);
                      combo->setFocus();
                      QTest::keyClick(combo, Qt::Key_End);
                      QTest::mouseClick(shownDialog()->GetDlgItem(101), Qt::LeftButton);
                  });
        draw.then([&] { return window.backend().isAskingForPoint(); }, [&] { typeLine(window, "0,0"); });
        draw.then([&] { return shownDialog() && !window.backend().isAskingForPoint(); },
                  [&] { QTest::mouseClick(shownDialog()->GetDlgItem(1), Qt::LeftButton); });
        typeLine(window, "VEXILO");
        QVERIFY(draw.done());
        const plotwright::draw::DrawnCurve first = onlyCurve(window);
        QCOMPARE(QString::fromStdWString(first.definition().name), QString("Epicycloid"));
        QCOMPARE(constant(first, L"b"), 10.0);

        // Click the curve: (10, 0) is its point at fi = 0.
        typeLine(window, "ZOOM");
        QTest::mouseClick(view, Qt::LeftButton, {}, view->toScreen(QPointF(10, 0)).toPoint());
        QCOMPARE(view->selection().handles().size(), std::size_t(1));
        plotwright::editor::PropertiesPanel* panel = window.propertiesPanel();
        const QString shown = panel->curveDefinition()->text();
        QVERIFY2(shown.contains("Curve: Epicycloid") && shown.contains("b = 10"), qPrintable(shown));
        QTest::qWait(50);  // the panel's layout follows its new text
        plotwright::test::saveScreenshot(window, "editor_curve_definition");
        auto* edit = panel->findChild<QPushButton*>("editCurveButton");
        QVERIFY(edit && edit->isEnabled());

        // Edit b, draw again in place (no origin pick), close.
        bool askedForPoint = false;
        UiScript change;
        change.then([] { return shownDialog() != nullptr; },
                    [&] {
                        auto* grid = shownDialog()->findChild<QTableView*>();
                        QVERIFY(grid);
                        QVERIFY(setConstant(*grid, "b", "2.5"));
                        QTest::mouseClick(shownDialog()->GetDlgItem(101), Qt::LeftButton);
                        askedForPoint = window.backend().isAskingForPoint();
                        QTest::mouseClick(shownDialog()->GetDlgItem(1), Qt::LeftButton);
                    });
        QTest::mouseClick(edit, Qt::LeftButton);
        QTRY_VERIFY(change.done());
        QVERIFY(!askedForPoint);
        QVERIFY(!shownDialog());

        const plotwright::draw::DrawnCurve changed = onlyCurve(window);
        QCOMPARE(changed.id, first.id);
        QCOMPARE(constant(changed, L"b"), 2.5);
        QVERIFY(changed.pieces.front().entity != first.pieces.front().entity);
        // The same vertices as a fresh draw of the changed curve at the same origin.
        const auto* polyline = dynamic_cast<const AcDbPolyline*>(changed.pieces.front().entity);
        QVERIFY(polyline);
        const plotwright::curve::ShapedCurve fresh = plotwright::curve::shapeCurve(
            *plotwright::curve::equationOf(changed.definition()), {0, 0, 0}, changed.definition().options);
        QCOMPARE(fresh.pieces.size(), std::size_t(1));
        const CurvePoints& expected = fresh.pieces.front().points;
        QCOMPARE(polyline->isClosed(), fresh.pieces.front().closed);
        QCOMPARE(std::size_t(polyline->numVerts()), expected.size());
        for (std::size_t i = 0; i < expected.size(); ++i) {
            QCOMPARE(polyline->points()[i].x, expected[i].x);
            QCOMPARE(polyline->points()[i].y, expected[i].y);
        }

        // One undo step brings the old curve back, redo the new one (the keys reach the
        // window once it is active again after the dialog).
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QTest::keyClick(window.commandLine().input(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(onlyCurve(window).pieces.front().entity, first.pieces.front().entity);
        QCOMPARE(constant(onlyCurve(window), L"b"), 10.0);
        QTest::keyClick(window.commandLine().input(), Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(onlyCurve(window).pieces.front().entity, changed.pieces.front().entity);

        // The saved drawing lists the new definition.
        QTemporaryDir folder;
        const QString drawing = folder.filePath("edited.dxf");
        typeLine(window, "SAVEAS " + drawing);
        QProcess list;
        list.start(PLOTWRIGHT_TOOL, {"list", drawing, "--format", "json"});
        QVERIFY(list.waitForFinished(60000));
        QCOMPARE(list.exitCode(), 0);
        const QJsonDocument listed = QJsonDocument::fromJson(list.readAllStandardOutput());
        const QJsonArray curves = listed.isArray() ? listed.array() : listed.object()["curves"].toArray();
        QCOMPARE(curves.size(), qsizetype(1));
        const QString text = QJsonDocument(curves[0].toObject()).toJson(QJsonDocument::Compact);
        QVERIFY2(text.contains(QString::fromStdString(first.id)), qPrintable(text));
        QVERIFY2(text.contains("\"b\"") && text.contains("2.5"), qPrintable(text));

        // "Add to my curves" keeps the definition in the user library.
        QTest::mouseClick(view, Qt::LeftButton, {}, view->toScreen(QPointF(10, 0)).toPoint());
        QVERIFY(panel->findChild<QPushButton*>("addCurveButton")->isEnabled());
        UiScript told;
        told.answerMessageBox(QMessageBox::Ok);
        QTest::mouseClick(panel->findChild<QPushButton*>("addCurveButton"), Qt::LeftButton);
        QTRY_VERIFY(told.done());
        QCOMPARE(told.texts.value(0), QString("\"Epicycloid\" is now one of your curves."));
        std::wstring library;
        QVERIFY(ReadLibraryFile((installFolder.path() + "/curveDefinition_User.xml").toStdWString(), library));
        CEquationList mine;
        mine.LoadFromXml(library);
        const CEquationPtr kept = mine.FindEquation(L"Epicycloid");
        QVERIFY(kept);
        QCOMPARE(QString::fromStdWString(kept->GetEquationY()), QString::fromStdWString(changed.definition().equationY));
        bool found = false;
        for (const auto& p : kept->GetParameters())
            if (p->GetName() == L"b") {
                QCOMPARE(p->GetValue(), 2.5);
                found = true;
            }
        QVERIFY(found);

        // Moved, the curve shows the origin it now stands at (and is redrawn there).
        QCOMPARE(view->selection().handles().size(), std::size_t(1));
        UiScript move;
        move.then([&] { return window.backend().isAskingForPoint(); }, [&] { typeLine(window, "0,0"); });
        move.then([&] { return window.backend().isAskingForPoint() && window.commandLine().prompt() == "Destination:"; },
                  [&] { typeLine(window, "5,-7"); });
        typeLine(window, "MOVE");
        QVERIFY(move.done());
        const QString moved = panel->curveDefinition()->text();
        QVERIFY2(moved.contains("Origin: 5, -7, 0"), qPrintable(moved));

        // With "Pick a new origin" the curve follows the cursor during the pick, as a new one
        // does; with "Turn by a point" the rotation is asked for after it, as for a new one.
        bool ghost = false;
        UiScript repick;
        repick.then([] { return shownDialog() != nullptr; },
                    [&] {
                        // The dialog's "Pick a new origin" box (control 122).
                        auto* pick = shownDialog()->findChild<QCheckBox*>(QStringLiteral("control122"));
                        auto* turn = shownDialog()->findChild<QCheckBox*>(QStringLiteral("rotationByPoint"));
                        QVERIFY(pick && turn);
                        pick->setChecked(true);
                        turn->setChecked(true);
                        QTest::mouseClick(shownDialog()->GetDlgItem(101), Qt::LeftButton);
                    });
        repick.then([&] { return window.backend().isAskingForPoint(); },
                    [&] {
                        ghost = !window.pickAssist().preview().empty();
                        typeLine(window, "20,20");
                    });
        repick.then([&] { return window.commandLine().prompt().startsWith("Rotation angle <0>"); },
                    [&] { typeLine(window, "20,30"); });
        repick.then([&] { return shownDialog() && !window.backend().isAskingForPoint(); },
                    [&] { QTest::mouseClick(shownDialog()->GetDlgItem(1), Qt::LeftButton); });
        QTest::mouseClick(edit, Qt::LeftButton);
        QTRY_VERIFY(repick.done());
        QVERIFY(ghost);
        QVERIFY(window.pickAssist().preview().empty());
        QCOMPARE(onlyCurve(window).definition().options.rotation, 90.0);
        QTest::mouseClick(view, Qt::LeftButton, {}, view->toScreen(QPointF(20, 30)).toPoint());
        const QString turned = panel->curveDefinition()->text();
        QVERIFY2(turned.contains("Origin: 20, 20, 0") && turned.contains("Placed: turned 90°"), qPrintable(turned));
    }

    void curves_without_a_definition_cannot_be_edited()
    {
        MainWindow window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        AcDbDatabase& database = *window.documents().currentDocument()->database();
        auto* polyline = new AcDbPolyline;
        polyline->addVertexAt(0, AcGePoint2d{0, 0}, 0.0, -1.0, -1.0);
        polyline->addVertexAt(1, AcGePoint2d{5, 5}, 0.0, -1.0, -1.0);
        const AcDbObjectId id = testsupport::appendToModelSpace(database, polyline);
        QVERIFY(!id.isNull());
        window.documents().refreshCurrent();
        window.documents().currentView()->selection().set({id.handle()});
        plotwright::editor::PropertiesPanel* panel = window.propertiesPanel();
        QCOMPARE(panel->curveDefinition()->text(), QString("Curve definition: none"));
        QVERIFY(!panel->findChild<QPushButton*>("editCurveButton")->isEnabled());
        QVERIFY(!panel->findChild<QPushButton*>("addCurveButton")->isEnabled());
    }
};

QTEST_MAIN(CurveEditTest)
#include "curve_edit_test.moc"
