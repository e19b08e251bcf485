// A user's whole session: the editor loads the module, the user types vexilo, draws
// the Cycloid at a point clicked in the view and a curve of their own at a typed
// point, closes the dialog and saves the drawing. An independent reader (ezdxf) checks
// the file; the library files must be in the install folder; the module unloads.

#include "editor/command_line.h"
#include "editor/document_tabs.h"
#include "editor/drawing_view.h"
#include "editor/editor_backend.h"
#include "editor/main_window.h"

#include "draw/sample_curve.h"
#include "host/command_stack.h"
#include "db/database.h"
#include "host/doc_manager.h"
#include "dialogs/ad_ui_base_dialog.h"
#include "model/default_library.h"
#include "model/equation_list.h"
#include "model/equation_parameter.h"
#include "model/library_file.h"
#include "support/screenshot.h"

#include "module_session.h"
#include "ui_script.h"

#include <QComboBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <charconv>

using plotwright::editor::MainWindow;

namespace {

double number(const QJsonValue& value)
{
    const std::string text = value.toString().toStdString();
    double out = 0;
    std::from_chars(text.data(), text.data() + text.size(), out);
    return out;
}

// The polyline's vertices as the file holds them, compared exactly with the sampled points.
void compareVertices(const QJsonObject& polyline, const CurvePoints& expected)
{
    const QJsonArray points = polyline["points"].toArray();
    QCOMPARE(points.size(), qsizetype(expected.size()));
    for (qsizetype i = 0; i < points.size(); ++i) {
        const QJsonArray p = points[i].toArray();
        const auto& e = expected[static_cast<std::size_t>(i)];
        if (number(p[0]) != e.x || number(p[1]) != e.y)
            QFAIL(qPrintable(QString("vertex %1: file (%2, %3), sampled (%4, %5)")
                                 .arg(i)
                                 .arg(p[0].toString(), p[1].toString())
                                 .arg(e.x, 0, 'g', 17)
                                 .arg(e.y, 0, 'g', 17)));
    }
}

} // namespace

class EditorEndToEnd : public QObject {
    Q_OBJECT

    QTemporaryDir installFolder;

private slots:
    void initTestCase()
    {
        QVERIFY(installFolder.isValid());
        qputenv("PLOTWRIGHT_INSTALL_FOLDER", (installFolder.path() + "/").toUtf8());
    }

    void draw_two_curves_and_save()
    {
        MainWindow window;
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        {
            // A refused module is reported in a message box: answer it, so the test fails
            // instead of waiting.
            UiScript refusal;
            refusal.answerMessageBox(QMessageBox::Ok);
            const bool loaded = window.loadModule(PLOTWRIGHT_MODULE);
            QVERIFY2(loaded, qPrintable(refusal.texts.value(0)));
        }
        plotwright::editor::DrawingView* view = window.documents().currentView();
        const QPoint clickAt(300, 260);
        QPointF cycloidOrigin;
        QString shownExpression;

        UiScript script;
        script.then([] { return shownDialog() != nullptr; },
                    [&] {
                        CAdUiBaseDialog* dialog = shownDialog();
                        auto* combo = dialog->control<QComboBox>(100);
                        combo->setFocus();
                        QTest::keyClick(combo, Qt::Key_Down); // "Cayley's Sextic" -> "Cycloid"
                        shownExpression = dialog->control<QLineEdit>(104)->text();
                        QTest::mouseClick(dialog->GetDlgItem(101), Qt::LeftButton);
                    });
        script.then([&] { return window.backend().isAskingForPoint(); },
                    [&] {
                        cycloidOrigin = view->toWorld(clickAt);
                        QTest::mouseClick(view, Qt::LeftButton, {}, clickAt);
                    });
        script.then([&] { return shownDialog() && !window.backend().isAskingForPoint(); },
                    [&] {
                        CAdUiBaseDialog* dialog = shownDialog();
                        auto* edit = dialog->control<QLineEdit>(106);
                        edit->setFocus();
                        QTest::keyClicks(edit, "sin(x)");
                        QTest::mouseClick(dialog->GetDlgItem(102), Qt::LeftButton);
                    });
        script.then([&] { return window.backend().isAskingForPoint(); }, [&] { typeLine(window, "20,5"); });
        script.then([&] { return shownDialog() && !window.backend().isAskingForPoint(); },
                    [&] {
                        plotwright::test::saveScreenshot(*shownDialog(), "editor_e2e_dialog");
                        QTest::mouseClick(shownDialog()->GetDlgItem(1), Qt::LeftButton);
                    });
        // The typed sine was never saved as a user curve: Close asks, and is told not to.
        script.answerMessageBox(QMessageBox::No);
        typeLine(window, "VEXILO");
        QVERIFY(script.done());
        QVERIFY(!shownDialog());
        QCOMPARE(shownExpression, QString("a*(t-sin(t)); a*(1-cos(t))"));

        typeLine(window, "ZOOM");
        QCOMPARE(window.documents().currentView()->displayList().items.size(), std::size_t(2));
        const QString screenshot = plotwright::test::saveScreenshot(window, "editor_e2e");
        QVERIFY(!screenshot.isEmpty());

        QTemporaryDir folder;
        const QString drawing = folder.filePath("curves.dxf");
        typeLine(window, "SAVEAS " + drawing);
        QVERIFY(!window.documents().currentDocument()->isModified());

        // What was sampled, computed again from the same definitions and origins.
        CEquationList library;
        library.LoadFromXml(DefaultLibraryText());
        const ads_point origin1 = {cycloidOrigin.x(), cycloidOrigin.y(), 0};
        const CurvePoints cycloid = SampleCurve(*library.FindEquation(L"Cycloid"), origin1);
        CEquation user;
        user.SetType(1);
        user.SetEquationY(L"sin(x)");
        auto x = std::make_shared<CEquationParameter>();
        x->SetName(L"x");
        x->SetType(1);
        x->SetMinValue(0);
        x->SetMaxValue(10);
        x->SetIncrement(0.1);
        user.AddParameter(x);
        const ads_point origin2 = {20, 5, 0};
        const CurvePoints sine = SampleCurve(user, origin2);
        QCOMPARE(sine.size(), std::size_t(101));

        QProcess check;
        check.start("/usr/bin/python3", {DXF_CHECK, drawing});
        QVERIFY(check.waitForFinished(60000));
        const QJsonObject report = QJsonDocument::fromJson(check.readAllStandardOutput()).object();
        QVERIFY2(report["ok"].toBool(), qPrintable(report["error"].toString()));
        QCOMPARE(report["audit_errors"].toArray().size(), qsizetype(0));
        const QJsonArray entities = report["modelspace"].toArray();
        QCOMPARE(entities.size(), qsizetype(2));
        for (const QJsonValue& e : entities) {
            QCOMPARE(e["type"].toString(), QString("LWPOLYLINE"));
            QCOMPARE(e["closed"].toBool(), false);
            QCOMPARE(e["elevation"].toString(), QString("0.0"));
        }
        compareVertices(entities[0].toObject(), cycloid);
        compareVertices(entities[1].toObject(), sine);

        // Close wrote both libraries, the Cycloid marked as the chosen curve.
        std::wstring text;
        const std::wstring folderPath = (installFolder.path() + "/").toStdWString();
        QVERIFY(ReadLibraryFile(folderPath + L"curveDefinition.xml", text));
        CEquationList predefined;
        predefined.LoadFromXml(text);
        QCOMPARE(predefined.GetEquations().size(), std::size_t(4));
        QVERIFY(predefined.GetSelected());
        QCOMPARE(QString::fromStdWString(predefined.GetSelected()->GetName()), QString("Cycloid"));
        QVERIFY(ReadLibraryFile(folderPath + L"curveDefinition_User.xml", text));
        CEquationList users;
        QCOMPARE(users.LoadFromXml(text), 1);
        QVERIFY(users.GetEquations().empty());

        // The module goes, its command with it, once its dialog has written its files.
        typeLine(window, "APPUNLOAD " + QString(PLOTWRIGHT_MODULE));
        QCOMPARE(window.commandLine().history()->toPlainText().split('\n').last(),
                 "Unloaded \"" + QString(PLOTWRIGHT_MODULE) + "\".");
        QVERIFY(!acedRegCmds()->lookupCmd(L"vexilo"));
    }
};

QTEST_MAIN(EditorEndToEnd)
#include "editor_e2e_test.moc"
