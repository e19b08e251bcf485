// COPY, ROTATE, SCALE and MIRROR as a user runs them on a drawing of another program:
// typed and picked answers, the selection or objects picked at the prompt, one undo step
// each, and the saved file (only the changed values or the added records differ, ezdxf
// audits it clean).
#include "db/database.h"
#include "db/entities.h"
#include "editor/command_line.h"
#include "editor/document_tabs.h"
#include "editor/drawing_view.h"
#include "editor/editor_backend.h"
#include "editor/main_window.h"

#include "command_input.h"
#include "ui_script.h"

#include <QComboBox>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

using plotwright::editor::DrawingView;
using plotwright::editor::MainWindow;

namespace {

QString runPython(const QString& script, const QStringList& args)
{
    QProcess python;
    python.start("/usr/bin/python3", QStringList{"-c", script} + args);
    python.waitForFinished(60000);
    return QString::fromUtf8(python.readAllStandardOutput() + python.readAllStandardError()).trimmed();
}

QList<QPair<QString, QString>> pairsOf(const QString& path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    const QStringList lines = QString::fromUtf8(file.readAll()).split('\n');
    QList<QPair<QString, QString>> out;
    for (qsizetype i = 0; i + 1 < lines.size(); i += 2)
        out.append({lines[i].trimmed(), lines[i + 1].trimmed()});
    return out;
}

std::vector<const AcDbEntity*> shownEntities()
{
    std::vector<const AcDbEntity*> all;
    acdbHostApplicationServices()->workingDatabase()->forEachEntity([&](const AcDbEntity& e) { all.push_back(&e); });
    return all;
}

// "x,y x,y" of the first line of the drawing; lines of copies follow in drawing order.
QString lineText(const AcDbEntity* e)
{
    const auto* l = dynamic_cast<const AcDbLine*>(e);
    if (!l)
        return "no line";
    // Undo turns back by the inverse: equal to the last bits only.
    const auto n = [](double v) { return QString::number(std::round(v * 1e9) / 1e9 + 0.0); };
    return n(l->startPoint().x) + "," + n(l->startPoint().y) + " " + n(l->endPoint().x) + "," + n(l->endPoint().y);
}

// A drawing of another program: a line, an arc, a polyline with a bulge, a circle.
const char* const kDrawing = R"(
import sys, ezdxf
doc = ezdxf.new("R2000")
msp = doc.modelspace()
msp.add_line((0, 0), (10, 0))
msp.add_arc((5, 5), 2, 0, 90)
msp.add_lwpolyline([(0, 2, 0, 0, 0.5), (4, 2, 0, 0, 0)], format="xyseb")
msp.add_circle((8, 6), 1.5)
doc.saveas(sys.argv[1])
)";

} // namespace

class ModifyTest : public QObject {
    Q_OBJECT

private slots:
    void modify_commands_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QStringList>("answers");  // "prompt|text"; Enter is an empty text
        QTest::addColumn<int>("entities");         // how many the drawing shows afterwards
        QTest::addColumn<QStringList>("lines");    // the lines afterwards, in drawing order
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("undone");

        const QString select = "Select objects to %1 (Enter when done):|";
        QTest::newRow("ROTATE typed angle") << "ROTATE" << QStringList{"Base point:|1,2", "Rotation angle (degrees, counter-clockwise), or pick a point:|90"}
                                            << 4 << QStringList{"3,1 3,11"} << "Rotated 4." << "the rotation of 4 entities";
        QTest::newRow("ROTATE by a point, objects picked at the prompt")
            << "RO" << QStringList{select.arg("rotate") + "5,0", select.arg("rotate"), "Base point:|0,0",
                                   "Rotation angle (degrees, counter-clockwise), or pick a point:|0,-7"}
            << 4 << QStringList{"0,0 0,-10"} << "Rotated 1." << "the rotation of 1 entity";
        QTest::newRow("SCALE refuses 0 and words, takes 2")
            << "SCALE" << QStringList{"Base point:|0,0", "Scale factor, or pick a point (its distance is the factor):|0",
                                      "Scale factor, or pick a point (its distance is the factor):|two",
                                      "Scale factor, or pick a point (its distance is the factor):|2"}
            << 4 << QStringList{"0,0 20,0"} << "Scaled 4." << "the scaling of 4 entities";
        QTest::newRow("SCALE by a point's distance")
            << "SC" << QStringList{"Base point:|10,0", "Scale factor, or pick a point (its distance is the factor):|13,4"}
            << 4 << QStringList{"-40,0 10,0"} << "Scaled 4." << "the scaling of 4 entities";
        QTest::newRow("MIRROR erasing the originals")
            << "MIRROR" << QStringList{"First point of mirror line:|0,0", "Second point of mirror line:|0,1",
                                       "Erase source objects? [Yes/No] <No>:|y"}
            << 4 << QStringList{"0,0 -10,0"} << "Mirrored 4." << "the mirroring of 4 entities";
        QTest::newRow("MIRROR keeping them")
            << "MI" << QStringList{"First point of mirror line:|0,3", "Second point of mirror line:|1,3",
                                   "Erase source objects? [Yes/No] <No>:|maybe", "Erase source objects? [Yes/No] <No>:|"}
            << 8 << QStringList{"0,0 10,0", "0,6 10,6"} << "Mirrored 4 (4 entities added)." << "the mirroring of 4 entities";
        QTest::newRow("COPY twice, one step")
            << "COPY" << QStringList{"Base point:|0,0", "Second point (Enter when done):|0,20", "Second point (Enter when done):|30,0",
                                     "Second point (Enter when done):|"}
            << 12 << QStringList{"0,0 10,0", "0,20 10,20", "30,0 40,0"} << "Copied 4 (8 entities added)." << "the copy of 8 entities";
    }

    void modify_commands()
    {
        QFETCH(QString, command);
        QFETCH(QStringList, answers);
        QFETCH(int, entities);
        QFETCH(QStringList, lines);
        QFETCH(QString, message);
        QFETCH(QString, undone);

        QTemporaryDir folder;
        const QString path = folder.filePath("other.dxf");
        const QString original = folder.filePath("original.dxf");
        runPython(kDrawing, {path});
        QFile::copy(path, original);
        MainWindow window;
        window.show();
        typeLine(window, "OPEN " + path);
        DrawingView* view = window.documents().currentView();
        QVERIFY(view);
        // Without objects asked for at the prompt, the command works on everything selected.
        if (!answers.first().startsWith("Select objects"))
            typeLine(window, "SELECTALL");

        // Each answer once its prompt is asked; an answer repeated at the same prompt
        // waits until the one before has changed the drawing.
        UiScript script;
        QString previous;
        std::size_t count = shownEntities().size();
        for (const QString& answer : answers) {
            const QString prompt = answer.section('|', 0, 0), text = answer.section('|', 1);
            const bool again = prompt == previous && command.startsWith("CO");
            const std::size_t before = count;
            if (again)
                count += 4;
            script.then(
                [&window, prompt, again, before] {
                    return window.backend().isAskingForPoint() && window.commandLine().prompt() == prompt &&
                           (!again || shownEntities().size() > before);
                },
                [&window, text] { typeLine(window, text); });
            previous = prompt;
        }
        typeLine(window, command);
        QVERIFY(script.done());
        QVERIFY(!window.backend().isAskingForPoint());
        QCOMPARE(lastHistoryLine(window), message);
        const std::vector<const AcDbEntity*> after = shownEntities();
        QCOMPARE(int(after.size()), entities);
        QStringList seen;
        for (const AcDbEntity* e : after)
            if (e->kind() == AcDbEntity::Kind::kLine)
                seen << lineText(e);
        QCOMPARE(seen, lines);

        // Saved: ezdxf audits it clean; pair by pair, a change in place touches only the
        // values of the changed records' geometry, a copy only adds records (and the
        // header's next handle).
        typeLine(window, "SAVE");
        QCOMPARE(runPython("import sys, ezdxf\nprint(len(ezdxf.readfile(sys.argv[1]).audit().errors))", {path}), QString("0"));
        const auto was = pairsOf(original);
        const auto now = pairsOf(path);
        static const QStringList kGeometry = {"10", "20", "30", "11", "21", "40", "42", "50", "51"};
        if (entities == 4) {
            QCOMPARE(now.size(), was.size());
            for (qsizetype i = 0; i < was.size(); ++i) {
                QCOMPARE(now[i].first, was[i].first);
                if (now[i].second != was[i].second)
                    QVERIFY2(kGeometry.contains(was[i].first), qPrintable(was[i].first + " at " + QString::number(i)));
            }
        } else {
            qsizetype head = 0;
            while (head < was.size() && (now[head] == was[head] || (head > 0 && was[head - 1].second == "$HANDSEED")))
                ++head;
            qsizetype tail = 0;
            while (tail < was.size() - head && now[now.size() - 1 - tail] == was[was.size() - 1 - tail])
                ++tail;
            QCOMPARE(head + tail, was.size());
            QCOMPARE(now[head].second, QString("LINE"));
        }

        // One step back restores the drawing as read and says what it took back.
        typeLine(window, "UNDO");
        QVERIFY2(lastHistoryLine(window).contains(undone), qPrintable(lastHistoryLine(window)));
        QCOMPARE(int(shownEntities().size()), 4);
        QCOMPARE(lineText(shownEntities().front()), QString("0,0 10,0"));
        typeLine(window, "SAVE");
        // The handles the copies took stay taken.
        const auto withoutHandseed = [](QList<QPair<QString, QString>> pairs) {
            for (qsizetype i = 0; i + 1 < pairs.size(); ++i)
                if (pairs[i].second == "$HANDSEED")
                    pairs.remove(i + 1);
            return pairs;
        };
        QCOMPARE(withoutHandseed(pairsOf(path)), withoutHandseed(pairsOf(original)));
    }

    // The layer and colour boxes of the properties panel, used with keys: each choice is
    // one undo step; the save patches the layer group, adds the colour, drops a true colour.
    void layer_and_colour_of_the_selection()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath("layers.dxf");
        const QString original = folder.filePath("original.dxf");
        runPython(R"(
import sys, ezdxf
doc = ezdxf.new("R2004")
doc.layers.add("Walls", color=3)
msp = doc.modelspace()
msp.add_line((0, 0), (10, 0))
msp.add_circle((5, 5), 2, dxfattribs={"true_color": 0x102030})
doc.saveas(sys.argv[1])
)",
                  {path});
        QFile::copy(path, original);
        MainWindow window;
        window.show();
        typeLine(window, "OPEN " + path);
        typeLine(window, "SELECTALL");
        QComboBox* layer = window.findChild<QComboBox*>("layerBox");
        QComboBox* color = window.findChild<QComboBox*>("colorBox");
        QVERIFY(layer && color && layer->isVisible());
        QCOMPARE(layer->currentText(), QString("0"));
        // Colours differ: a blank entry, not a choice.
        QCOMPARE(color->currentText(), QString());
        QTest::keyClicks(layer, "W");
        QCOMPARE(lastHistoryLine(window), QString("Changed the layer of 2 entities."));
        QTest::keyClicks(color, "1");
        QCOMPARE(lastHistoryLine(window), QString("Changed the colour of 2 entities."));
        QCOMPARE(layer->currentText(), QString("Walls"));
        QCOMPARE(color->currentText(), QString("1 Red"));
        typeLine(window, "SAVE");
        QCOMPARE(runPython(R"(
import sys, ezdxf
doc = ezdxf.readfile(sys.argv[1])
for e in doc.modelspace():
    print(e.dxftype(), e.dxf.layer, e.dxf.color, e.dxf.get("true_color"))
print("audit", len(doc.audit().errors))
)",
                           {path}),
                 QString("LINE Walls 1 None\nCIRCLE Walls 1 None\naudit 0"));
        // Pair by pair: the layer values changed, the line gained a colour, the circle
        // kept its colour group's place and lost its true colour.
        const auto was = pairsOf(original);
        const auto now = pairsOf(path);
        QStringList changes;
        qsizetype i = 0, j = 0;
        while (i < was.size() && j < now.size()) {
            if (was[i] == now[j]) {
                ++i, ++j;
            } else if (was[i].first == now[j].first) {
                changes << was[i].first + ":" + was[i].second + "->" + now[j].second;
                ++i, ++j;
            } else if (now[j].first == "62") {
                changes << "+62:" + now[j++].second;
            } else {
                changes << "-" + was[i].first + ":" + was[i].second;
                ++i;
            }
        }
        QCOMPARE(changes, (QStringList{"8:0->Walls", "+62:1", "8:0->Walls", "+62:1", "-420:1056816"}));
        typeLine(window, "UNDO");
        QCOMPARE(lastHistoryLine(window), QString("Undone: the colour of 2 entities."));
        typeLine(window, "UNDO");
        typeLine(window, "SAVE");
        QCOMPARE(pairsOf(path), pairsOf(original));
    }

    // Texts and block references would need their letters turned: refused by name
    // before any question, nothing changes.
    void kinds_that_cannot_follow_are_named()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath("texts.dxf");
        runPython(R"(
import sys, ezdxf
doc = ezdxf.new("R2000")
doc.modelspace().add_line((0, 0), (10, 0))
doc.modelspace().add_text("Hi", dxfattribs={"insert": (1, 1)})
doc.saveas(sys.argv[1])
)",
                  {path});
        MainWindow window;
        window.show();
        typeLine(window, "OPEN " + path);
        typeLine(window, "SELECTALL");
        const QStringList refused = {
            "Cannot rotate 1 Text: only lines, polylines, circles, arcs, points, ellipses and splines (not texts or "
            "block references, whose letters and scales would not follow exactly) lying in the XY plane can be "
            "rotated. Nothing was rotated.",
            "Cannot copy 1 Text: copies can be made of lines, polylines, circles, arcs, points and splines lying in "
            "the XY plane. Nothing was copied."};
        typeLine(window, "ROTATE");
        QCOMPARE(lastHistoryLine(window), refused[0]);
        typeLine(window, "COPY");
        QCOMPARE(lastHistoryLine(window), refused[1]);
        QVERIFY(!window.backend().isAskingForPoint());
        QCOMPARE(lineText(shownEntities().front()), QString("0,0 10,0"));
    }
};

QTEST_MAIN(ModifyTest)
#include "modify_test.moc"
