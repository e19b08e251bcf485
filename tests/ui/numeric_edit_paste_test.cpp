// Pasting into the numeric field by every way Qt offers: each one obeys the paste rule.
#include "ui/numeric_edit.h"
#include "ui_tests.h"

#include <QAction>
#include <QClipboard>
#include <QDropEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QMimeData>
#include <QTest>

namespace {

enum class Path { CtrlV, ShiftInsert, ContextMenu, Drop, MiddleClick };

void triggerMenuAction(NumericEdit& edit, const QString& name)
{
    std::unique_ptr<QMenu> menu(edit.createContextMenu());
    auto* action = menu->findChild<QAction*>(name);
    QVERIFY2(action, qPrintable(name));
    QVERIFY(action->isEnabled());
    action->trigger();
}

// Drags `text` over the field's right end and drops it there; true when the field took it.
bool drop(NumericEdit& edit, const QString& text)
{
    QMimeData data;
    data.setText(text);
    const QPointF at(edit.width() - 2, edit.height() / 2.0);
    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&edit, &enter);
    QDragMoveEvent move(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&edit, &move);
    QDropEvent dropped(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&edit, &dropped);
    return dropped.isAccepted();
}

} // namespace

class NumericEditPasteTest : public QObject {
    Q_OBJECT

private slots:
    void every_paste_path_filters_data();
    void every_paste_path_filters();
    void paste_data();
    void paste();
    void paste_into_read_only_field_changes_nothing();
    void menu_cut_and_delete_refilter();
};

void NumericEditPasteTest::every_paste_path_filters_data()
{
    QTest::addColumn<int>("path");
    QTest::newRow("ctrl+v") << int(Path::CtrlV);
    QTest::newRow("shift+insert") << int(Path::ShiftInsert);
    QTest::newRow("context menu") << int(Path::ContextMenu);
    QTest::newRow("drag and drop") << int(Path::Drop);
    QTest::newRow("middle click") << int(Path::MiddleClick);
}

void NumericEditPasteTest::every_paste_path_filters()
{
    QFETCH(int, path);
    auto edit = makeField(Field::Minimum);
    edit->show();
    edit->setFocus();
    edit->QLineEdit::setText(QString());
    const QString pasted = QStringLiteral("1,234.5x");

    switch (Path(path)) {
    case Path::CtrlV:
        QGuiApplication::clipboard()->setText(pasted);
        QTest::keyClick(edit.get(), Qt::Key_V, Qt::ControlModifier);
        break;
    case Path::ShiftInsert:
        QGuiApplication::clipboard()->setText(pasted);
        QTest::keyClick(edit.get(), Qt::Key_Insert, Qt::ShiftModifier);
        break;
    case Path::ContextMenu:
        QGuiApplication::clipboard()->setText(pasted);
        triggerMenuAction(*edit, QStringLiteral("edit-paste"));
        break;
    case Path::Drop:
        QVERIFY(drop(*edit, pasted));
        break;
    case Path::MiddleClick:
        if (!QGuiApplication::clipboard()->supportsSelection())
            QSKIP("this platform has no selection clipboard");
        QGuiApplication::clipboard()->setText(pasted, QClipboard::Selection);
        QTest::mouseClick(edit.get(), Qt::MiddleButton);
        break;
    }

    QCOMPARE(edit->text(), QStringLiteral("1234.5"));
    QCOMPARE(edit->GetNumber(), 1234.5);
}

void NumericEditPasteTest::paste_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("end");
    QTest::addColumn<QString>("clipboard");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("expectedStart");
    QTest::addColumn<int>("expectedEnd");
    QTest::newRow("a number pastes as it is") << "" << 0 << 0 << "-12.5" << "-12.5" << 5 << 5;
    QTest::newRow("a number replaces the selection") << "12.5" << 1 << 2 << "9" << "19.5" << 2 << 2;
    QTest::newRow("a filtered paste restores the selection") << "12.5" << 1 << 2 << "x7" << "17.5" << 1 << 2;
    QTest::newRow("a filtered paste into empty text leaves the caret at the start")
        << "" << 0 << 0 << "1'234.5x" << "1234.5" << 0 << 0;
    QTest::newRow("digits beyond the limits are lost") << "" << 0 << 0 << "123456789.1234567" << "1234567.12345" << 0 << 0;
    QTest::newRow("only the first line is pasted") << "" << 0 << 0 << "12\n34" << "12" << 2 << 2;
    QTest::newRow("a sign pasted inside goes to the front") << "12" << 1 << 1 << "-" << "-12" << 1 << 1;
    QTest::newRow("a second point pasted is dropped") << "1.5" << 3 << 3 << ".25" << "1.525" << 3 << 3;
}

void NumericEditPasteTest::paste()
{
    QFETCH(QString, text);
    QFETCH(int, start);
    QFETCH(int, end);
    QFETCH(QString, clipboard);
    QFETCH(QString, expected);
    QFETCH(int, expectedStart);
    QFETCH(int, expectedEnd);
    auto edit = makeField(Field::Minimum);
    edit->show();
    edit->setFocus();
    edit->QLineEdit::setText(text);
    edit->setSelection(start, end - start);
    QGuiApplication::clipboard()->setText(clipboard);

    QTest::keyClick(edit.get(), Qt::Key_V, Qt::ControlModifier);

    QCOMPARE(edit->text(), expected);
    const int selStart = edit->hasSelectedText() ? edit->selectionStart() : edit->cursorPosition();
    const int selEnd = edit->hasSelectedText() ? edit->selectionEnd() : edit->cursorPosition();
    QCOMPARE(selStart, expectedStart);
    QCOMPARE(selEnd, expectedEnd);
}

void NumericEditPasteTest::paste_into_read_only_field_changes_nothing()
{
    auto edit = makeField(Field::Minimum);
    edit->setReadOnly(true);
    edit->show();
    QGuiApplication::clipboard()->setText(QStringLiteral("42"));
    QTest::keyClick(edit.get(), Qt::Key_V, Qt::ControlModifier);
    QVERIFY(!drop(*edit, QStringLiteral("42")));
    QCOMPARE(edit->text(), QStringLiteral("0"));
}

void NumericEditPasteTest::menu_cut_and_delete_refilter()
{
    auto edit = makeField(Field::Minimum);
    edit->show();
    edit->setText(QStringLiteral("1234567.12345"));
    edit->setSelection(7, 1);
    triggerMenuAction(*edit, QStringLiteral("edit-delete"));
    QCOMPARE(edit->text(), QStringLiteral("1234567"));

    edit->setText(QStringLiteral("1234567.12345"));
    edit->setSelection(7, 1);
    triggerMenuAction(*edit, QStringLiteral("edit-cut"));
    QCOMPARE(edit->text(), QStringLiteral("1234567"));
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("."));
}

int runNumericEditPasteTests(int argc, char** argv)
{
    NumericEditPasteTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "numeric_edit_paste_test.moc"
