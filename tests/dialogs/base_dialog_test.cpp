// The template-built dialog base: layout in dialog units, ids, tab order, keys,
// command dispatch, data exchange and the editor-command bracket.
#include "dialogs/ad_ui_base_dialog.h"
#include "dialogs/ad_ui_bitmap_button.h"
#include "support/recording_backend.h"
#include "support/screenshot.h"

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <cmath>

using namespace plotwright::host;

namespace {

DialogTemplate probeTemplate()
{
    DialogTemplate t;
    t.id = 900;
    t.caption = L"Probe";
    t.cx = 220;
    t.cy = 130;
    t.controls = {
        {1, ControlKind::PushButton, L"OK", 110, 110, 50, 14, DefaultButton | TabStop},
        {2, ControlKind::PushButton, L"Cancel", 164, 110, 50, 14, TabStop},
        {10, ControlKind::Edit, L"", 12, 14, 100, 14, Border | AutoHScroll | TabStop},
        {IDC_STATIC, ControlKind::Static, L"Kind:", 12, 34, 40, 8, StyleNone},
        {11, ControlKind::RadioButton, L"Explicit", 12, 46, 60, 10, Group},
        {12, ControlKind::RadioButton, L"Parametric", 12, 58, 60, 10, StyleNone},
        {13, ControlKind::RadioButton, L"Polar", 12, 70, 60, 10, StyleNone},
        {14, ControlKind::ComboBox, L"", 120, 14, 90, 60, DropDownList | VScroll | TabStop},
        {IDC_STATIC, ControlKind::GroupBox, L"Frame", 5, 3, 210, 100, StyleNone},
        {15, ControlKind::Edit, L"", 120, 46, 90, 14, Border | TabStop},
        {16, ControlKind::PushButton, L"", 120, 70, 16, 14, BitmapImage | TabStop},
        {17, ControlKind::Static, L"", 140, 70, 1, 30, EtchedVertical},
    };
    return t;
}

class BoundEdit : public QLineEdit {};

class ProbeDialog : public CAdUiBaseDialog {
public:
    explicit ProbeDialog(bool handleCancel) : CAdUiBaseDialog(probeTemplate())
    {
        if (handleCancel)
            OnCommand(2, BN_CLICKED, [this] { ++cancels; });
        OnCommand(16, BN_CLICKED, [this] { ++toolClicks; });
        OnCommand(16, BN_CLICKED, [this] { toolClicks += 100; });  // shadowed by the first
        OnCommand(14, CBN_SELCHANGE, [this] { ++selectionChanges; });
    }

    std::wstring name = L"start";
    int kind = 1;
    BoundEdit bound;
    int cancels = 0;
    int toolClicks = 0;
    int selectionChanges = 0;
    int initCount = 0;

protected:
    bool OnInitDialog() override
    {
        ++initCount;
        control<QComboBox>(14)->addItems({QStringLiteral("one"), QStringLiteral("two"), QStringLiteral("three")});
        return CAdUiBaseDialog::OnInitDialog();
    }

    void DoDataExchange(DataExchange& dx) override
    {
        dx.Control(15, bound);
        dx.Text(10, name);
        dx.Radio(11, kind);
    }
};

// The dialog manager's conversion, computed apart from the code under test.
QRect expectedRect(const QFont& font, int x, int y, int cx, int cy)
{
    const QFontMetrics m(font);
    const int letters = m.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    const double unitX = ((letters / 26 + 1) / 2) / 4.0;
    const double unitY = m.height() / 8.0;
    const auto px = [](double v) { return static_cast<int>(std::floor(v + 0.5)); };
    const int left = px(x * unitX), top = px(y * unitY);
    return QRect(left, top, px((x + cx) * unitX) - left, px((y + cy) * unitY) - top);
}

} // namespace

class BaseDialogTest : public QObject {
    Q_OBJECT

private slots:
    void layout_data();
    void layout();
    void size_is_fixed_and_font_is_the_platform_font();
    void controls_are_found_by_id();
    void tab_order_follows_the_template();
    void escape_and_close_box_are_cancel_commands();
    void unhandled_cancel_ends_with_2();
    void enter_presses_the_default_button();
    void commands_reach_the_first_matching_handler();
    void group_box_does_not_catch_clicks();
    void data_exchange_both_ways();
    void editor_command_hides_and_restores_inside_the_modal_run();
};

void BaseDialogTest::layout_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<QRect>("units");
    QTest::newRow("OK button") << 1 << QRect(110, 110, 50, 14);
    QTest::newRow("edit") << 10 << QRect(12, 14, 100, 14);
    QTest::newRow("radio") << 13 << QRect(12, 70, 60, 10);
    QTest::newRow("bound member edit") << 15 << QRect(120, 46, 90, 14);
    QTest::newRow("picture button") << 16 << QRect(120, 70, 16, 14);
    QTest::newRow("etched line") << 17 << QRect(140, 70, 1, 30);
}

void BaseDialogTest::layout()
{
    QFETCH(int, id);
    QFETCH(QRect, units);
    ProbeDialog dialog(true);
    dialog.show();
    const QRect expected = expectedRect(dialog.font(), units.x(), units.y(), units.width(), units.height());
    QCOMPARE(dialog.GetDlgItem(id)->geometry(), expected);
}

void BaseDialogTest::size_is_fixed_and_font_is_the_platform_font()
{
    ProbeDialog dialog(true);
    dialog.show();
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Probe"));
    QCOMPARE(dialog.size(), expectedRect(dialog.font(), 0, 0, 220, 130).size());
    QCOMPARE(dialog.minimumSize(), dialog.maximumSize());
    QCOMPARE(dialog.font().family(), QApplication::font().family());
    QCOMPARE(dialog.font().pointSize(), 8);
    // A combo box is as high as its font needs, not as its dropped list.
    auto* combo = dialog.control<QComboBox>(14);
    QCOMPARE(combo->height(), combo->sizeHint().height());
    QCOMPARE(combo->y(), expectedRect(dialog.font(), 120, 14, 90, 60).y());
}

void BaseDialogTest::controls_are_found_by_id()
{
    ProbeDialog dialog(true);
    dialog.show();
    auto* edit = dialog.control<QLineEdit>(10);
    QVERIFY(edit);
    QCOMPARE(edit->property("controlId").toInt(), 10);
    QCOMPARE(edit->objectName(), QStringLiteral("control10"));
    QCOMPARE(dialog.findChild<QLineEdit*>(QStringLiteral("control10")), edit);
    QVERIFY(!dialog.control<QPushButton>(10));
    QVERIFY(!dialog.GetDlgItem(999));
    QVERIFY(dialog.control<CAdUiBitmapButton>(16));
    // The member bound by data exchange replaced the template's edit.
    QCOMPARE(dialog.GetDlgItem(15), static_cast<QWidget*>(&dialog.bound));
    QCOMPARE(dialog.bound.property("controlId").toInt(), 15);
    QCOMPARE(dialog.findChildren<QLineEdit*>().size(), 2);
}

void BaseDialogTest::tab_order_follows_the_template()
{
    ProbeDialog dialog(true);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QCOMPARE(dialog.initCount, 1);
    const int order[] = {1, 2, 10, 14, 15, 16, 1};
    QTRY_COMPARE(QApplication::focusWidget(), dialog.GetDlgItem(order[0]));
    for (std::size_t i = 1; i < std::size(order); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget()->property("controlId").toInt(), order[i]);
    }
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    QCOMPARE(QApplication::focusWidget(), dialog.GetDlgItem(16));
}

void BaseDialogTest::escape_and_close_box_are_cancel_commands()
{
    ProbeDialog dialog(true);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QTest::keyClick(dialog.control<QLineEdit>(10), Qt::Key_Escape);
    QCOMPARE(dialog.cancels, 1);
    QVERIFY(dialog.isVisible());
    QVERIFY(!dialog.close());
    QCOMPARE(dialog.cancels, 2);
    QVERIFY(dialog.isVisible());
    dialog.reject();
    QCOMPARE(dialog.cancels, 3);
    QVERIFY(dialog.isVisible());
    // The dialog itself can still end its run.
    dialog.EndDialog(1);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), 1);
    QCOMPARE(dialog.cancels, 3);
}

void BaseDialogTest::unhandled_cancel_ends_with_2()
{
    ProbeDialog dialog(false);
    QTimer::singleShot(0, &dialog, [&dialog] { QTest::keyClick(dialog.control<QLineEdit>(10), Qt::Key_Escape); });
    QCOMPARE(dialog.DoModal(), 2);
    QVERIFY(!dialog.isVisible());
}

void BaseDialogTest::enter_presses_the_default_button()
{
    ProbeDialog dialog(true);
    dialog.show();
    auto* edit = dialog.control<QLineEdit>(10);
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, QStringLiteral("typed"));
    QTest::keyClick(edit, Qt::Key_Return);
    // The default OK reads the controls and ends with 1.
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), 1);
    QCOMPARE(dialog.name, std::wstring(L"typed"));
}

void BaseDialogTest::commands_reach_the_first_matching_handler()
{
    ProbeDialog dialog(true);
    dialog.show();
    QTest::mouseClick(dialog.control<QWidget>(16), Qt::LeftButton);
    QCOMPARE(dialog.toolClicks, 1);

    auto* combo = dialog.control<QComboBox>(14);
    combo->setCurrentIndex(2);  // the program's own change notifies nobody
    QCOMPARE(dialog.selectionChanges, 0);
    combo->setFocus();
    QTest::keyClick(combo, Qt::Key_Up);
    QCOMPARE(combo->currentIndex(), 1);
    QCOMPARE(dialog.selectionChanges, 1);

    QVERIFY(!dialog.SendCommand(99, BN_CLICKED));
    QVERIFY(dialog.SendCommand(16, BN_CLICKED));
    QCOMPARE(dialog.toolClicks, 2);
}

void BaseDialogTest::group_box_does_not_catch_clicks()
{
    ProbeDialog dialog(true);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    auto* radio = dialog.control<QRadioButton>(12);
    const QPoint inDialog = radio->geometry().center();
    QCOMPARE(dialog.childAt(inDialog), static_cast<QWidget*>(radio));
    QTest::mouseClick(radio, Qt::LeftButton, {}, QPoint(6, radio->height() / 2));
    QVERIFY(radio->isChecked());
    QVERIFY(!dialog.control<QRadioButton>(11)->isChecked());
    QVERIFY(!plotwright::test::saveScreenshot(dialog, QStringLiteral("base_dialog_probe")).isEmpty());
}

void BaseDialogTest::data_exchange_both_ways()
{
    ProbeDialog dialog(true);
    dialog.show();  // initialisation fills the controls from the members
    QCOMPARE(dialog.control<QLineEdit>(10)->text(), QStringLiteral("start"));
    QVERIFY(dialog.control<QRadioButton>(12)->isChecked());

    QTest::mouseClick(dialog.control<QRadioButton>(13), Qt::LeftButton, {}, QPoint(6, 5));
    dialog.control<QLineEdit>(10)->setText(QStringLiteral("changed"));
    QVERIFY(dialog.UpdateData(true));
    QCOMPARE(dialog.kind, 2);
    QCOMPARE(dialog.name, std::wstring(L"changed"));

    dialog.kind = -1;
    dialog.name.clear();
    QVERIFY(dialog.UpdateData(false));
    QCOMPARE(dialog.control<QLineEdit>(10)->text(), QString());
    for (int id : {11, 12, 13})
        QVERIFY(!dialog.control<QRadioButton>(id)->isChecked());
    QVERIFY(dialog.UpdateData(true));
    QCOMPARE(dialog.kind, -1);
}

void BaseDialogTest::editor_command_hides_and_restores_inside_the_modal_run()
{
    RecordingBackend recorder;
    ScopedBackend installed(recorder);
    ProbeDialog dialog(true);
    bool hiddenDuringCommand = false;
    bool shownAfterCommand = false;
    QTimer::singleShot(0, &dialog, [&] {
        dialog.BeginEditorCommand();
        hiddenDuringCommand = !dialog.isVisible();
        // The modal run goes on while the editor has the input.
        QTimer::singleShot(0, &dialog, [&] {
            dialog.CompleteEditorCommand(true);
            shownAfterCommand = dialog.isVisible();
            QTimer::singleShot(0, &dialog, [&] { dialog.EndDialog(7); });
        });
    });
    QCOMPARE(dialog.DoModal(), 7);
    QVERIFY(hiddenDuringCommand);
    QVERIFY(shownAfterCommand);
    using K = RecordingBackend::Kind;
    QCOMPARE(recorder.kinds(), (std::vector<K>{K::BeginEditorCommand, K::CompleteEditorCommand}));
    QCOMPARE(dialog.initCount, 1);  // showing again does not initialise again
    QCOMPARE(dialog.OnKeepFocus(), 1);
}

QTEST_MAIN(BaseDialogTest)
#include "base_dialog_test.moc"
