// The layer panel driven as a user drives it: a new layer typed and added, made
// current by a double click, its colour picked in the colour dialog, layers turned off
// and frozen with the keyboard; new curves land on the current layer; undo of each
// change; the saved drawing as ezdxf reads it.

#include "editor/command_line.h"
#include "editor/document_tabs.h"
#include "editor/drawing_view.h"
#include "editor/layer_panel.h"
#include "editor/main_window.h"

#include "db/database.h"
#include "draw/place_curve.h"
#include "host/doc_manager.h"
#include "support/screenshot.h"

#include "command_input.h"
#include "ui_script.h"

#include <QColorDialog>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

using plotwright::editor::LayerPanel;
using plotwright::editor::MainWindow;

namespace {

int rowOf(QTableWidget* table, const QString& name)
{
    for (int row = 0; row < table->rowCount(); ++row)
        if (table->item(row, LayerPanel::kName)->text() == name)
            return row;
    return -1;
}

QPoint cellCenter(QTableWidget* table, int row, int column)
{
    return table->visualItemRect(table->item(row, column)).center();
}

void doubleClickCell(QTableWidget* table, int row, int column)
{
    const QPoint at = cellCenter(table, row, column);
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, at);
}

// Toggles a check box cell with the keyboard, as a user tabbing through the table does.
void toggleCell(QTableWidget* table, int row, int column)
{
    table->setFocus();
    table->setCurrentCell(row, column);
    QTest::keyClick(table, Qt::Key_Space);
}

QStringList rowTexts(QTableWidget* table)
{
    QStringList rows;
    for (int row = 0; row < table->rowCount(); ++row) {
        const auto check = [&](int column) {
            return table->item(row, column)->checkState() == Qt::Checked ? QString("yes") : QString("no");
        };
        rows << QString("%1 %2 on=%3 frozen=%4 colour=%5")
                    .arg(table->item(row, LayerPanel::kCurrent)->text().isEmpty() ? " " : "*")
                    .arg(table->item(row, LayerPanel::kName)->text(), check(LayerPanel::kOn),
                         check(LayerPanel::kFrozen), table->item(row, LayerPanel::kColor)->text());
    }
    return rows;
}

std::size_t shownItems(MainWindow& window) { return window.documents().currentView()->displayList().items.size(); }

// What ezdxf reads of a drawing's layers and model space, and its audit.
QString ezdxfLayers(const QString& path)
{
    QProcess python;
    python.start("/usr/bin/python3", {"-c", R"(
import sys, ezdxf
doc = ezdxf.readfile(sys.argv[1])
print("clayer", doc.header.get("$CLAYER"))
for layer in sorted(doc.layers, key=lambda l: l.dxf.name.lower()):
    if layer.dxf.name == "Defpoints":  # ezdxf adds it when loading
        continue
    print("layer", layer.dxf.name, "color", layer.dxf.color, "off", layer.is_off(), "frozen", layer.is_frozen())
for e in doc.modelspace():
    print("entity", e.dxftype(), e.dxf.layer)
print("audit", len(doc.audit().errors))
)", path});
    python.waitForFinished(60000);
    return QString::fromUtf8(python.readAllStandardOutput() + python.readAllStandardError()).trimmed();
}

} // namespace

class LayerTest : public QObject {
    Q_OBJECT

private slots:
    void new_layer_made_current_coloured_and_saved()
    {
        QTemporaryDir folder;
        MainWindow window;
        window.show();
        QTableWidget* table = window.layerPanel()->table();
        QCOMPARE(rowTexts(table), QStringList{"* 0 on=yes frozen=no colour=7"});

        QTest::keyClicks(window.layerPanel()->nameField(), "Curves");
        QTest::mouseClick(window.layerPanel()->newButton(), Qt::LeftButton);
        QTest::keyClicks(window.layerPanel()->nameField(), "curves");
        QTest::keyClick(window.layerPanel()->nameField(), Qt::Key_Return);
        QCOMPARE(lastHistoryLine(window), QString("A layer \"curves\" exists already."));
        QTest::keyClick(window.layerPanel()->nameField(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(window.layerPanel()->nameField(), "a<b");
        QTest::keyClick(window.layerPanel()->nameField(), Qt::Key_Return);
        QCOMPARE(lastHistoryLine(window),
                 QString("\"a<b\" cannot name a layer: it must not be empty or hold any of <>/\\\":;?*|=`."));

        doubleClickCell(table, rowOf(table, "Curves"), LayerPanel::kName);
        UiScript script;
        script.then([] { return qobject_cast<QColorDialog*>(QApplication::activeModalWidget()) != nullptr; },
                    [] {
                        auto* dialog = qobject_cast<QColorDialog*>(QApplication::activeModalWidget());
                        dialog->setCurrentColor(QColor(10, 250, 5)); // nearest palette colour: green, 3
                        dialog->accept();
                    });
        doubleClickCell(table, rowOf(table, "Curves"), LayerPanel::kColor);
        QVERIFY(script.done());
        QCOMPARE(rowTexts(table), (QStringList{"  0 on=yes frozen=no colour=7", "* Curves on=yes frozen=no colour=3"}));

        // New curves go on the current layer; layer 0 turned off and frozen.
        window.documents().checkpoint();
        PlaceCurvePolyline({{0, 0, 0}, {1, 1, 0}, {2, 0, 0}}, 0, false);
        window.documents().currentView()->zoomExtents();
        toggleCell(table, rowOf(table, "0"), LayerPanel::kOn);
        toggleCell(table, rowOf(table, "0"), LayerPanel::kFrozen);
        QCOMPARE(rowTexts(table), (QStringList{"  0 on=no frozen=yes colour=7", "* Curves on=yes frozen=no colour=3"}));
        // The current layer cannot be frozen.
        toggleCell(table, rowOf(table, "Curves"), LayerPanel::kFrozen);
        QCOMPARE(lastHistoryLine(window), QString("The current layer cannot be frozen."));
        QCOMPARE(rowTexts(table).last(), QString("* Curves on=yes frozen=no colour=3"));
        plotwright::test::saveScreenshot(window, "editor-layers");

        const QString path = folder.filePath("layers.dxf");
        typeLine(window, "SAVEAS \"" + path + "\"");
        QCOMPARE(ezdxfLayers(path), QString("clayer Curves\n"
                                            "layer 0 color -7 off True frozen True\n"
                                            "layer Curves color 3 off False frozen False\n"
                                            "entity LWPOLYLINE Curves\n"
                                            "audit 0"));
    }

    // A drawing of another program: its $CLAYER is current; a curve drawn on a new
    // current layer lands on it in the saved file.
    void read_drawing_current_layer_and_a_new_one()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath("other.dxf");
        QProcess python;
        python.start("/usr/bin/python3", {"-c", R"(
import sys, ezdxf
doc = ezdxf.new("R2000")
doc.layers.add("Curves", color=3)
doc.layers.add("Notes", color=2).off()
doc.header["$CLAYER"] = "Curves"
doc.modelspace().add_line((0, 0), (1, 1), dxfattribs={"layer": "Notes"})
doc.saveas(sys.argv[1])
)", path});
        QVERIFY(python.waitForFinished(60000) && python.exitCode() == 0);
        MainWindow window;
        window.show();
        typeLine(window, "OPEN " + path);
        QTableWidget* table = window.layerPanel()->table();
        QCOMPARE(rowTexts(table), (QStringList{"  0 on=yes frozen=no colour=7", "* Curves on=yes frozen=no colour=3",
                                               "  Defpoints on=yes frozen=no colour=7",
                                               "  Notes on=no frozen=no colour=2"}));
        QCOMPARE(shownItems(window), std::size_t(0));
        toggleCell(table, rowOf(table, "Notes"), LayerPanel::kOn);
        QCOMPARE(shownItems(window), std::size_t(1));
        QTest::keyClicks(window.layerPanel()->nameField(), "Fresh");
        QTest::keyClick(window.layerPanel()->nameField(), Qt::Key_Return);
        doubleClickCell(table, rowOf(table, "Fresh"), LayerPanel::kName);
        window.documents().checkpoint();
        PlaceCurvePolyline({{0, 0, 0}, {1, 1, 0}, {2, 0, 0}}, 0, false);
        typeLine(window, "SAVE");
        // The layer made current is saved as the drawing's current layer.
        QCOMPARE(ezdxfLayers(path), QString("clayer Fresh\n"
                                            "layer 0 color 7 off False frozen False\n"
                                            "layer Curves color 3 off False frozen False\n"
                                            "layer Fresh color 7 off False frozen False\n"
                                            "layer Notes color 2 off False frozen False\n"
                                            "entity LINE Notes\n"
                                            "entity LWPOLYLINE Fresh\n"
                                            "audit 0"));
    }

    void layer_changes_show_and_undo_one_at_a_time()
    {
        MainWindow window;
        window.show();
        QTableWidget* table = window.layerPanel()->table();
        window.documents().checkpoint();
        PlaceCurvePolyline({{0, 0, 0}, {1, 1, 0}}, 0, false);
        QCOMPARE(shownItems(window), std::size_t(1));
        QTest::keyClicks(window.layerPanel()->nameField(), "Hidden");
        QTest::keyClick(window.layerPanel()->nameField(), Qt::Key_Return);
        toggleCell(table, rowOf(table, "0"), LayerPanel::kOn);
        QCOMPARE(shownItems(window), std::size_t(0));
        toggleCell(table, rowOf(table, "Hidden"), LayerPanel::kFrozen);
        // A frozen layer cannot be made current.
        doubleClickCell(table, rowOf(table, "Hidden"), LayerPanel::kName);
        QCOMPARE(lastHistoryLine(window), QString("The frozen layer \"Hidden\" cannot be made current: thaw it first."));

        typeLine(window, "UNDO"); // the freeze
        QCOMPARE(rowTexts(table), (QStringList{"* 0 on=no frozen=no colour=7", "  Hidden on=yes frozen=no colour=7"}));
        typeLine(window, "UNDO"); // layer 0 off
        QCOMPARE(shownItems(window), std::size_t(1));
        QCOMPARE(rowTexts(table).first(), QString("* 0 on=yes frozen=no colour=7"));
        typeLine(window, "UNDO"); // the new layer
        QCOMPARE(rowTexts(table), QStringList{"* 0 on=yes frozen=no colour=7"});
        typeLine(window, "REDO");
        QCOMPARE(rowTexts(table).size(), 2);
        typeLine(window, "UNDO");
        typeLine(window, "UNDO"); // the draw
        QCOMPARE(shownItems(window), std::size_t(0));
    }
};

QTEST_MAIN(LayerTest)
#include "layer_test.moc"
