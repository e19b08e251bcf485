// Autosave and recovery: a real editor process with a changed drawing is killed once
// its copy is written; the next editor offers the copy, with when it was saved, and
// recovers the drawing (or discards the copy); a normal close and a save remove the
// copy; the user's own file is never written.

#include "editor/autosave.h"
#include "editor/document_tabs.h"
#include "editor/main_window.h"

#include "db/database.h"
#include "db/polyline.h"
#include "draw/place_curve.h"
#include "dxf/file.h"
#include "host/doc_manager.h"

#include "ui_script.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using plotwright::editor::Autosave;
using plotwright::editor::MainWindow;

namespace {

QByteArray bytesOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

int entityCount(AcApDocument* document)
{
    int count = 0;
    document->database()->forEachEntity([&](const AcDbEntity&) { ++count; });
    return count;
}

QStringList copies() { return QDir(Autosave::folder()).entryList(QDir::Files, QDir::Name); }

// A drawing of one polyline, saved as the user's file.
QString userDrawing(const QString& folder)
{
    AcDbDatabase database;
    acdbHostApplicationServices()->setWorkingDatabase(&database);
    PlaceCurvePolyline({{0, 0, 0}, {1, 1, 0}}, 0, false);
    acdbHostApplicationServices()->setWorkingDatabase(nullptr);
    const QString path = folder + "/plan.dxf";
    [&] { QVERIFY(plotwright::dxf::saveDxf(database, path.toStdString()).ok()); }();
    return path;
}

} // namespace

class AutosaveTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(home_.isValid());
        qputenv("XDG_STATE_HOME", (home_.path() + "/state").toUtf8());
        qputenv("XDG_CONFIG_HOME", (home_.path() + "/config").toUtf8());
        // This process writes its copies when a test says so, not by the clock.
        QDir().mkpath(home_.path() + "/config/Tolbrin");
        QFile config(home_.path() + "/config/Tolbrin/Plotwright.conf");
        QVERIFY(config.open(QIODevice::WriteOnly));
        config.write("[Editor]\nAutosaveMinutes=0\n");
    }

    void cleanup() { QDir(Autosave::folder()).removeRecursively(); }

    void killed_editor_is_recovered_in_the_next_one()
    {
        QTemporaryDir folder;
        const QString plan = userDrawing(folder.path());
        const QByteArray planBytes = bytesOf(plan);
        // The victim saves every 0.6 s, by its own settings.
        QDir().mkpath(folder.path() + "/config/Tolbrin");
        QFile config(folder.path() + "/config/Tolbrin/Plotwright.conf");
        QVERIFY(config.open(QIODevice::WriteOnly));
        config.write("[Editor]\nAutosaveMinutes=0.01\n");
        config.close();

        QProcess editor;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", folder.path() + "/config");
        env.insert("QT_QPA_PLATFORM", "offscreen");
        editor.setProcessEnvironment(env);
        editor.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        editor.start(AUTOSAVE_VICTIM, {plan});
        QVERIFY(editor.waitForStarted());
        // Until the drawing is changed and its copy written (the copy and its info).
        QByteArray output;
        QElapsedTimer waited;
        waited.start();
        while ((!output.contains("changed") || copies().size() != 2) && waited.elapsed() < 60000) {
            editor.waitForReadyRead(100);
            output += editor.readAllStandardOutput();
        }
        QVERIFY2(output.contains("changed"), output.constData());
        QCOMPARE(copies().size(), 2);
        const qint64 pid = editor.processId();
        editor.kill();  // SIGKILL: no destructor runs
        QVERIFY(editor.waitForFinished());
        QCOMPARE(editor.exitStatus(), QProcess::CrashExit);
        QCOMPARE(bytesOf(plan), planBytes);  // never written over the user's file
        QCOMPARE(copies().size(), 2);
        const QString info = QString::fromUtf8(bytesOf(Autosave::folder() + "/" + copies().at(1)));
        QVERIFY2(info.startsWith("pid=" + QString::number(pid) + "\nfile=" + plan + "\n"), qPrintable(info));

        MainWindow window;
        window.show();
        Autosave autosave(window.documents());
        UiScript script;
        QString question;
        script.then([] { return UiScript::visibleMessageBox() != nullptr; },
                    [&] {
                        QMessageBox* box = UiScript::visibleMessageBox();
                        question = box->text();
                        for (QAbstractButton* b : box->buttons())
                            if (b->text() == "Recover")
                                b->click();
                    });
        QCOMPARE(autosave.offerRecovery(&window), 1);
        QVERIFY(script.done());
        QVERIFY2(question.startsWith("The editor ended without closing \"" + plan +
                                     "\". A copy of it with the changes made up to 20"),
                 qPrintable(question));
        AcApDocument* recovered = window.documents().currentDocument();
        QCOMPARE(QString::fromStdString(recovered->fileName()), plan);
        QVERIFY(recovered->isModified());
        QCOMPARE(entityCount(recovered), 2);  // the user's polyline and the one drawn before the kill
        QCOMPARE(copies(), QStringList());
        QCOMPARE(bytesOf(plan), planBytes);
        // Saving it is the user's choice, and writes the recovered drawing.
        QVERIFY(window.documents().save(recovered).ok());
        std::unique_ptr<AcDbDatabase> saved;
        QVERIFY(plotwright::dxf::readDxf(plan.toStdString(), saved).ok());
        int count = 0;
        saved->forEachEntity([&](const AcDbEntity&) { ++count; });
        QCOMPARE(count, 2);
    }

    void discarded_copy_is_removed_and_nothing_opens()
    {
        QTemporaryDir folder;
        const QString plan = userDrawing(folder.path());
        QDir().mkpath(Autosave::folder());
        QVERIFY(QFile::copy(plan, Autosave::folder() + "/1-1.dxf"));
        QFile info(Autosave::folder() + "/1-1.info");
        QVERIFY(info.open(QIODevice::WriteOnly));
        // No editor runs as process 0: the copy is left behind.
        info.write("pid=0\nfile=\ntitle=Drawing3.dxf\nsaved=2026-12-08T10:15:00.000Z\n");
        info.close();

        MainWindow window;
        Autosave autosave(window.documents());
        const int before = static_cast<int>(window.documents().documents().size());
        UiScript script;
        script.then([] { return UiScript::visibleMessageBox() != nullptr; },
                    [&] {
                        QMessageBox* box = UiScript::visibleMessageBox();
                        script.texts.append(box->text());
                        for (QAbstractButton* b : box->buttons())
                            if (b->text() == "Discard")
                                b->click();
                    });
        QCOMPARE(autosave.offerRecovery(&window), 0);
        QVERIFY(script.done());
        QVERIFY2(script.texts.value(0).startsWith("The editor ended without closing the new drawing \"Drawing3.dxf\""),
                 qPrintable(script.texts.value(0)));
        QCOMPARE(static_cast<int>(window.documents().documents().size()), before);
        QCOMPARE(copies(), QStringList());
    }

    void saved_or_closed_drawing_loses_its_copy()
    {
        QTemporaryDir folder;
        const QString plan = userDrawing(folder.path());
        const QByteArray planBytes = bytesOf(plan);
        MainWindow window;
        Autosave autosave(window.documents());
        window.openDrawings({plan});
        AcApDocument* document = window.documents().currentDocument();
        autosave.saveChanged();
        QCOMPARE(copies(), QStringList());  // nothing changed: no copy
        PlaceCurvePolyline({{0, 0, 0}, {3, 1, 0}}, 0, false);
        autosave.saveChanged();
        QCOMPARE(copies().size(), 2);
        QVERIFY(document->isModified());  // a copy is not a save
        QCOMPARE(bytesOf(plan), planBytes);
        QVERIFY(window.documents().save(document).ok());
        autosave.saveChanged();
        QCOMPARE(copies(), QStringList());

        PlaceCurvePolyline({{0, 0, 0}, {4, 1, 0}}, 0, false);
        autosave.saveChanged();
        QCOMPARE(copies().size(), 2);
        window.documents().closeDrawing(document);
        QCOMPARE(copies(), QStringList());

        // A new drawing that was never saved, and the editor ending normally.
        {
            Autosave ending(window.documents());
            window.documents().newDrawing();
            PlaceCurvePolyline({{0, 0, 0}, {5, 1, 0}}, 0, false);
            ending.saveChanged();
            QCOMPARE(copies().size(), 2);
        }
        QCOMPARE(copies(), QStringList());
    }

private:
    QTemporaryDir home_;
};

QTEST_MAIN(AutosaveTest)
#include "autosave_test.moc"
