// The grid's numeric editor under real keystrokes, set up as the parameter grid uses
// it: 12 whole digits, 6 fraction digits, "." and a space as separators.
#include "grid/ut_numeric_edit.h"
#include "grid_tests.h"

#include <QClipboard>
#include <QLocale>
#include <QSignalSpy>
#include <QTest>

#include <limits>

namespace {

void configure(CUTNumericEdit& edit)
{
    edit.SetMaxWholeDigits(12);
    edit.SetFractionDigits(6);
    edit.SetDecimalSeparator(u'.');
    edit.SetGroupSeparator(u' ');
    edit.SetLeadingZero(true);
    edit.show();
}

// selEnd -1 selects everything; selStart == selEnd places the caret.
void place(CUTNumericEdit& edit, const QString& text, int selStart, int selEnd)
{
    edit.setText(text);
    if (selEnd < 0)
        edit.selectAll();
    else if (selStart == selEnd)
        edit.setCursorPosition(selStart);
    else
        edit.setSelection(selStart, selEnd - selStart);
}

// The locale the editor reads its alternate decimal point from, for one test.
struct ScopedLocale {
    QLocale previous;
    explicit ScopedLocale(const QLocale& locale) { QLocale::setDefault(locale); }
    ~ScopedLocale() { QLocale::setDefault(previous); }
};

} // namespace

class NumericEditTest : public QObject {
    Q_OBJECT

private slots:
    void typing_data();
    void typing();
    void typing_in_other_locales_data();
    void typing_in_other_locales();
    void erasing_data();
    void erasing();
    void paste_is_typed_character_by_character();
    void set_text_and_value_data();
    void set_text_and_value();
    void settings_reshape_the_number();
    void expressions_start_where_a_number_ends_data();
    void expressions_start_where_a_number_ends();
};

void NumericEditTest::typing_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<int>("selStart");
    QTest::addColumn<int>("selEnd");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("refused");

    QTest::newRow("digit replaces the selected text") << " 10.00" << 0 << -1 << "7" << "7.000000" << 7.0 << 0;
    QTest::newRow("decimal separator moves into the fraction") << "10" << 0 << -1 << "7.25" << "7.250000" << 7.25 << 0;
    QTest::newRow("fraction digits are overwritten") << "1" << 2 << 2 << "25" << "1.250000" << 1.25 << 0;
    QTest::newRow("a full fraction refuses more digits") << "1" << 8 << 8 << "3" << "1.000000" << 1.0 << 1;
    QTest::newRow("whole digits are grouped by three")
        << "0" << 0 << -1 << "1234567" << "1 234 567.000000" << 1234567.0 << 0;
    QTest::newRow("a digit in front of a group regroups") << "1234" << 0 << 0 << "9" << "91 234.000000" << 91234.0 << 0;
    QTest::newRow("the thirteenth whole digit is refused")
        << "0" << 0 << -1 << "1234567890123" << "123 456 789 012.000000" << 123456789012.0 << 1;
    QTest::newRow("letters and a comma are refused") << "5" << 1 << 1 << "a," << "5.000000" << 5.0 << 2;
    QTest::newRow("a second decimal separator is refused") << "5" << 3 << 3 << "." << "5.000000" << 5.0 << 1;
    QTest::newRow("minus at the start makes the number negative") << "3.5" << 0 << -1 << "-2" << "-2.000000" << -2.0 << 0;
    QTest::newRow("minus inside the number is refused") << "12" << 1 << 1 << "-" << "12.000000" << 12.0 << 1;
    QTest::newRow("a second minus is refused") << "-1" << 1 << 1 << "-" << "-1.000000" << -1.0 << 1;
    QTest::newRow("leading zeros are dropped") << "0" << 0 << -1 << "007" << "7.000000" << 7.0 << 0;
    QTest::newRow("a typed group separator is refused") << "0" << 0 << -1 << "1 " << "1.000000" << 1.0 << 1;
    QTest::newRow("separator first keeps the leading zero") << "10" << 0 << -1 << ".5" << "0.500000" << 0.5 << 0;
    QTest::newRow("selection inside the fraction becomes zeros")
        << "1.234567" << 3 << 6 << "9" << "1.290067" << 1.290067 << 0;
}

void NumericEditTest::typing()
{
    QFETCH(QString, start);
    QFETCH(int, selStart);
    QFETCH(int, selEnd);
    QFETCH(QString, typed);
    QFETCH(QString, text);
    QFETCH(double, value);
    QFETCH(int, refused);

    const ScopedLocale english(QLocale(QLocale::English, QLocale::UnitedStates));
    CUTNumericEdit edit;
    configure(edit);
    place(edit, start, selStart, selEnd);
    QSignalSpy refusals(&edit, &CUTNumericEdit::keyRefused);
    QTest::keyClicks(&edit, typed);
    QCOMPARE(edit.text(), text);
    QCOMPARE(edit.GetValue(), value);
    QCOMPARE(refusals.count(), refused);
    QCOMPARE(edit.isModified(), refused < typed.size());
}

void NumericEditTest::typing_in_other_locales_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("start");
    QTest::addColumn<int>("caret");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");

    const QLocale german(QLocale::German, QLocale::Germany);
    const QLocale swedish(QLocale::Swedish, QLocale::Sweden);
    const QLocale hebrew(QLocale::Hebrew, QLocale::Israel);
    QTest::newRow("1,5 in a comma locale is one and a half") << german << " 10.00" << -1 << "1,5" << "1.500000" << 1.5;
    QTest::newRow("a comma after the digits steps into the fraction") << swedish << "5" << 1 << ",25" << "5.250000" << 5.25;
    QTest::newRow("the Swedish minus sign types a minus") << swedish << "3.5" << -1 << QString::fromUtf16(u"\u22122") << "-2.000000" << -2.0;
    QTest::newRow("a direction mark before the minus is dropped")
        << hebrew << "3.5" << -1 << QString::fromUtf16(u"\u200F-0.5") << "-0.500000" << -0.5;
}

void NumericEditTest::typing_in_other_locales()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, start);
    QFETCH(int, caret);
    QFETCH(QString, typed);
    QFETCH(QString, text);
    QFETCH(double, value);

    const ScopedLocale scoped(locale);
    CUTNumericEdit edit;
    configure(edit);
    place(edit, start, caret < 0 ? 0 : caret, caret);
    // Character by character, as a keyboard of that locale sends them.
    for (const QChar ch : typed)
        QTest::sendKeyEvent(QTest::KeyAction::Click, &edit, Qt::Key_unknown, QString(ch), Qt::NoModifier);
    QCOMPARE(edit.text(), text);
    QCOMPARE(edit.GetValue(), value);
}

void NumericEditTest::erasing_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<int>("selStart");
    QTest::addColumn<int>("selEnd");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("caret");

    QTest::newRow("backspace over a fraction digit zeroes it")
        << "1.25" << 4 << 4 << int(Qt::Key_Backspace) << "1.200000" << 3;
    QTest::newRow("backspace at the fraction start steps over the separator")
        << "1.25" << 2 << 2 << int(Qt::Key_Backspace) << "1.250000" << 1;
    QTest::newRow("backspace behind a group separator deletes the digit before it")
        << "1234" << 2 << 2 << int(Qt::Key_Backspace) << "234.000000" << 0;
    QTest::newRow("delete in the whole part regroups")
        << "1234567" << 0 << 0 << int(Qt::Key_Delete) << "234 567.000000" << 0;
    QTest::newRow("delete at the end of the whole part steps over the separator")
        << "12" << 2 << 2 << int(Qt::Key_Delete) << "12.000000" << 3;
    QTest::newRow("a selection across the separator") << "12.34" << 1 << 4 << int(Qt::Key_Delete) << "1.040000" << 1;
    QTest::newRow("backspace after the minus removes it") << "-5" << 1 << 1 << int(Qt::Key_Backspace) << "5.000000" << 0;
    QTest::newRow("deleting everything leaves zero") << "7.5" << 0 << -1 << int(Qt::Key_Backspace) << "0.000000" << 1;
}

void NumericEditTest::erasing()
{
    QFETCH(QString, start);
    QFETCH(int, selStart);
    QFETCH(int, selEnd);
    QFETCH(int, key);
    QFETCH(QString, text);
    QFETCH(int, caret);

    CUTNumericEdit edit;
    configure(edit);
    place(edit, start, selStart, selEnd);
    QTest::keyClick(&edit, Qt::Key(key));
    QCOMPARE(edit.text(), text);
    QCOMPARE(edit.cursorPosition(), caret);
}

void NumericEditTest::paste_is_typed_character_by_character()
{
    CUTNumericEdit edit;
    configure(edit);
    QSignalSpy refusals(&edit, &CUTNumericEdit::keyRefused);
    place(edit, QStringLiteral("3"), 0, -1);
    QGuiApplication::clipboard()->setText(QStringLiteral("42.5"));
    QTest::keyClick(&edit, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(edit.text(), QStringLiteral("42.500000"));
    QCOMPARE(edit.GetValue(), 42.5);

    QGuiApplication::clipboard()->setText(QStringLiteral("12x"));
    edit.selectAll();
    QTest::keyClick(&edit, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(edit.text(), QStringLiteral("42.500000"));
    QCOMPARE(refusals.count(), 1);
}

void NumericEditTest::set_text_and_value_data()
{
    QTest::addColumn<bool>("useValue");
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<double>("read");

    QTest::newRow("cell text with a leading blank") << false << " 10.00" << 0.0 << "10.000000" << 10.0;
    QTest::newRow("long whole part is grouped") << false << "1234.5" << 0.0 << "1 234.500000" << 1234.5;
    QTest::newRow("empty text reads as zero") << false << "" << 0.0 << "0.000000" << 0.0;
    QTest::newRow("value keeps six decimals") << true << "" << 3.14159 << "3.141590" << 3.14159;
    QTest::newRow("negative value") << true << "" << -1234.5 << "-1 234.500000" << -1234.5;
    QTest::newRow("value rounds to six decimals") << true << "" << 0.1234567 << "0.123457" << 0.123457;
    QTest::newRow("tiny negative shows as zero") << true << "" << -1e-9 << "0.000000" << 0.0;
    QTest::newRow("not a number shows as zero")
        << true << "" << std::numeric_limits<double>::quiet_NaN() << "0.000000" << 0.0;
}

void NumericEditTest::set_text_and_value()
{
    QFETCH(bool, useValue);
    QFETCH(QString, text);
    QFETCH(double, value);
    QFETCH(QString, shown);
    QFETCH(double, read);

    CUTNumericEdit edit;
    configure(edit);
    if (useValue)
        edit.SetValue(value);
    else
        edit.setText(text);
    QVERIFY(!edit.isModified());
    QCOMPARE(edit.text(), shown);
    QCOMPARE(edit.GetValue(), read);
}

void NumericEditTest::settings_reshape_the_number()
{
    CUTNumericEdit edit;
    configure(edit);
    edit.setText(QStringLiteral("1234.5"));
    edit.SetFractionDigits(2);
    QCOMPARE(edit.text(), QStringLiteral("1 234.50"));
    edit.SetGroupSeparator(QChar());
    QCOMPARE(edit.text(), QStringLiteral("1234.50"));
    edit.SetDecimalSeparator(u',');
    QCOMPARE(edit.text(), QStringLiteral("1234,50"));
    QCOMPARE(edit.GetValue(), 1234.5);
    edit.SetLeadingZero(false);
    edit.SetValue(0.25);
    QCOMPARE(edit.text(), QStringLiteral(",25"));
    edit.SetFractionDigits(0);
    QCOMPARE(edit.text(), QString());
    QCOMPARE(edit.GetValue(), 0.0);
}

int runNumericEditTests(int argc, char** argv)
{
    NumericEditTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "numeric_edit_test.moc"

void NumericEditTest::expressions_start_where_a_number_ends_data()
{
    QTest::addColumn<bool>("allowed");
    QTest::addColumn<QString>("start");
    QTest::addColumn<int>("selStart");
    QTest::addColumn<int>("selEnd");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("expression");
    QTest::addColumn<int>("refused");

    QTest::newRow("padding zeros after the caret go") << true << "0" << 0 << -1 << "2*PI" << "2*PI" << true << 0;
    QTest::newRow("a letter on a selected value") << true << "3" << 0 << -1 << "PI/4" << "PI/4" << true << 0;
    QTest::newRow("typed fraction digits stay") << true << "0" << 0 << -1 << "1.5/3" << "1.5/3" << true << 0;
    QTest::newRow("group separators go") << true << "0" << 0 << -1 << "1234*2" << "1234*2" << true << 0;
    QTest::newRow("a minus after a digit subtracts") << true << "0" << 0 << -1 << "10-3" << "10-3" << true << 0;
    QTest::newRow("inserted before the point keeps what follows")
        << true << "1.25" << 1 << 1 << "+" << "1+.25" << true << 0;
    QTest::newRow("a minus at the start stays a sign") << true << "0" << 0 << -1 << "-5" << "-5.000000" << false << 0;
    QTest::newRow("a blank alone starts nothing") << true << "7" << 0 << -1 << " " << "7.000000" << false << 1;
    QTest::newRow("not allowed: refused as before") << false << "0" << 0 << -1 << "2*PI" << "2.000000" << false << 3;
}

// Typing that leaves the number rules: the text so far becomes the start of an
// expression the owner evaluates; without permission the keys are refused.
void NumericEditTest::expressions_start_where_a_number_ends()
{
    QFETCH(bool, allowed);
    QFETCH(QString, start);
    QFETCH(int, selStart);
    QFETCH(int, selEnd);
    QFETCH(QString, typed);
    QFETCH(QString, text);
    QFETCH(bool, expression);
    QFETCH(int, refused);

    const ScopedLocale english(QLocale(QLocale::English, QLocale::UnitedStates));
    CUTNumericEdit edit;
    configure(edit);
    edit.SetExpressionsAllowed(allowed);
    place(edit, start, selStart, selEnd);
    QSignalSpy refusals(&edit, &CUTNumericEdit::keyRefused);
    QTest::keyClicks(&edit, typed);
    QCOMPARE(edit.text(), text);
    QCOMPARE(edit.IsExpression(), expression);
    QCOMPARE(refusals.count(), refused);
    if (expression) {
        QVERIFY(edit.isModified());
        // A new value ends the expression: the number rules are back.
        edit.SetValue(2.5);
        QVERIFY(!edit.IsExpression());
        QCOMPARE(edit.text(), QStringLiteral("2.500000"));
    }
}
