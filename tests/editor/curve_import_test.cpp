// Tools > Import Curves, driven through the menu, the question, the file dialog and the
// message boxes: the curves land in the user library the curve dialog reads.
#include "editor/curve_import.h"
#include "editor/main_window.h"
#include "model/equation_list.h"
#include "model/library_file.h"

#include "editor/ui_script.h"
#include "support/screenshot.h"

#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenuBar>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdlib>

using plotwright::editor::MainWindow;

namespace {

QAction* importAction(MainWindow& window)
{
    for (QAction* menu : window.menuBar()->actions())
        if (menu->menu())
            for (QAction* action : menu->menu()->actions())
                if (action->text() == "&Import Curves...")
                    return action;
    return nullptr;
}

QStringList curveNames(const QString& path)
{
    std::wstring text;
    CEquationList list;
    if (ReadLibraryFile(path.toStdWString(), text))
        list.LoadFromXml(text);
    QStringList names;
    for (const CEquationPtr& e : list.GetEquations())
        names << QString::fromStdWString(e->GetName());
    return names;
}

QByteArray bytesOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

const QByteArray kCardioid = "<EquationList><Equation type=\"3\" name=\"Cardioid\" equationy=\"t\" ></Equation>"
                             "<Equation type=\"3\" name=\"Mine\" equationy=\"2*t\" ></Equation></EquationList>";

} // namespace

class CurveImportTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(folder_.isValid());
        // The window's places and recent files go here, not into the user's settings.
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder_.filePath("settings"));
        qputenv("PLOTWRIGHT_INSTALL_FOLDER", folder_.path().toUtf8());
        qputenv("PLOTWRIGHT_GALLERY", PLOTWRIGHT_GALLERY_FILE);
        galleryCount_ = curveNames(PLOTWRIGHT_GALLERY_FILE).size();
        QVERIFY(galleryCount_ >= 30);
    }

    void init() { QFile::remove(plotwright::editor::userLibraryPath()); }

    void import_from_the_menu_data()
    {
        QTest::addColumn<QString>("button");        // the answer to "from where?"
        QTest::addColumn<QByteArray>("userBefore"); // empty: no user library yet
        QTest::addColumn<bool>("written");
        QTest::addColumn<QString>("report");        // start of the final message
        QTest::addColumn<QStringList>("firstCurves");

        QTest::newRow("gallery into a new user library")
            << "importGallery" << QByteArray() << true << QString("%1 curves added to your curve library")
            << QStringList{"Involute of a circle", "Archimedean spiral"};
        QTest::newRow("gallery next to a curve of the same name")
            << "importGallery" << kCardioid << true << QString("%1 curves added")
            << QStringList{"Cardioid", "Mine", "Involute of a circle"};
        QTest::newRow("file picked in the file dialog")
            << "importFile" << QByteArray() << true << QString("2 curves added") << QStringList{"Cardioid", "Mine"};
        QTest::newRow("damaged user library left alone")
            << "importGallery" << QByteArray("<EquationList><Equation") << false
            << QString("not a well-formed curve library") << QStringList{};
        QTest::newRow("cancelled") << "" << QByteArray() << false << QString() << QStringList{};
    }

    void import_from_the_menu()
    {
        QFETCH(QString, button);
        QFETCH(QByteArray, userBefore);
        QFETCH(bool, written);
        QFETCH(QString, report);
        QFETCH(QStringList, firstCurves);
        const QString user = plotwright::editor::userLibraryPath();
        QVERIFY(user.startsWith(folder_.path()));
        if (!userBefore.isEmpty())
            writeFile(user, userBefore);
        const QString picked = folder_.filePath("picked.xml");
        writeFile(picked, kCardioid);

        MainWindow window;
        window.show();
        QAction* action = importAction(window);
        QVERIFY(action);

        UiScript script;
        script.then([] { return UiScript::visibleMessageBox() != nullptr; },
                    [&] {
                        QMessageBox* ask = UiScript::visibleMessageBox();
                        if (button == "importGallery" && userBefore.isEmpty())
                            QVERIFY(!plotwright::test::saveScreenshot(*ask, "import_curves_question").isEmpty());
                        auto* choice = button.isEmpty() ? ask->button(QMessageBox::Cancel)
                                                        : ask->findChild<QPushButton*>(button);
                        QVERIFY(choice);
                        QTest::mouseClick(choice, Qt::LeftButton);
                    });
        if (button == "importFile")
            script.then([] { return qobject_cast<QFileDialog*>(QApplication::activeModalWidget()) != nullptr; },
                        [&] {
                            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
                            auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
                            QVERIFY(name);
                            QTest::keyClicks(name, picked);
                            QTest::keyClick(name, Qt::Key_Return);
                        });
        if (!button.isEmpty())
            script.then([] { return UiScript::visibleMessageBox() != nullptr; },
                        [&] {
                            QMessageBox* box = UiScript::visibleMessageBox();
                            script.texts.append(box->text());
                            if (written && !userBefore.isEmpty())
                                plotwright::test::saveScreenshot(*box, "import_curves_report");
                            QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
                        });
        action->trigger();
        QTRY_VERIFY(script.done());

        if (button.isEmpty()) {
            QVERIFY(!QFile::exists(user));
            return;
        }
        QCOMPARE(script.texts.size(), 1);
        const QString expected = report.contains("%1") ? report.arg(galleryCount_) : report;
        QVERIFY2(script.texts[0].contains(expected), qPrintable(script.texts[0]));
        if (!written) {
            QCOMPARE(bytesOf(user), userBefore);
            return;
        }
        const QStringList names = curveNames(user);
        QCOMPARE(names.mid(0, firstCurves.size()), firstCurves);
        if (button == "importGallery" && !userBefore.isEmpty()) {
            QVERIFY(names.contains("Cardioid (2)"));
            QVERIFY(script.texts[0].contains("\"Cardioid\" is there already: added as \"Cardioid (2)\"."));
        }
    }

private:
    QTemporaryDir folder_;
    int galleryCount_ = 0;
};

QTEST_MAIN(CurveImportTest)
#include "curve_import_test.moc"
