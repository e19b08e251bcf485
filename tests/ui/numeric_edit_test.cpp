// Typing, deleting and setting numbers in the numeric field, driven by real key events.
#include "ui/numeric_edit.h"
#include "ui_tests.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLocale>
#include <QTest>

#include <cmath>
#include <limits>

namespace {

// Shows the field with `text` and the selection [start, end) and gives it the focus.
void prepare(NumericEdit& edit, const QString& text, int start, int end)
{
    edit.show();
    edit.activateWindow();
    edit.setFocus();
    edit.QLineEdit::setText(text);
    if (start == end)
        edit.setCursorPosition(start);
    else
        edit.setSelection(start, end - start);
}

int selectionStart(const NumericEdit& edit)
{
    return edit.hasSelectedText() ? edit.selectionStart() : edit.cursorPosition();
}

// The locale a field reads at construction, for one test.
struct ScopedLocale {
    QLocale previous;
    explicit ScopedLocale(const QLocale& locale) { QLocale::setDefault(locale); }
    ~ScopedLocale() { QLocale::setDefault(previous); }
};

} // namespace

class NumericEditTest : public QObject {
    Q_OBJECT

private slots:
    void setting_text_keeps_canonical_form_data();
    void setting_text_keeps_canonical_form();
    void typing_data();
    void typing();
    void typing_into_read_only_field_changes_nothing();
    void signs_and_points_of_other_locales_data();
    void signs_and_points_of_other_locales();
    void a_sign_alone_reads_zero();
    void deleting_data();
    void deleting();
    void set_number_data();
    void set_number();
    void get_number_data();
    void get_number();
    void numbers_use_the_field_separators_in_any_locale();
    void changed_limits_refilter_the_text();
    void equal_separators_are_told_apart();
    void range_message_data();
    void range_message();
};

void NumericEditTest::setting_text_keeps_canonical_form_data()
{
    QTest::addColumn<int>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    const int min = int(Field::Minimum);
    QTest::newRow("too many integer digits are cut") << min << "12345678" << "1234567";
    QTest::newRow("dropped integer digits do not end the text") << min << "12345678.5" << "1234567.5";
    QTest::newRow("too many fraction digits are cut") << min << "0.123456" << "0.12345";
    QTest::newRow("a cut fraction ends the text, sign after it is lost") << min << "1.234567-" << "1.23456";
    QTest::newRow("sign anywhere moves to the front") << min << "12-5" << "-125";
    QTest::newRow("two signs give one") << min << "--5" << "-5";
    QTest::newRow("second point dropped") << min << "1.2.3" << "1.23";
    QTest::newRow("group separator and letters dropped") << min << "1'234.5x" << "1234.5";
    QTest::newRow("comma dropped") << min << "1,234.5" << "1234.5";
    QTest::newRow("lone point kept") << min << "." << ".";
    QTest::newRow("lone sign kept") << min << "-" << "-";
    QTest::newRow("no digits at all") << min << "abc" << "";
    QTest::newRow("point ends a whole-number text") << int(Field::WholeNumbers) << "12.5" << "12";
    QTest::newRow("sign dropped where negatives are not allowed") << int(Field::Unsigned) << "-12" << "12";
    QTest::newRow("increment keeps three integer digits") << int(Field::Increment) << "12345.5" << "123.5";
}

void NumericEditTest::setting_text_keeps_canonical_form()
{
    QFETCH(int, field);
    QFETCH(QString, text);
    QFETCH(QString, expected);
    auto edit = makeField(Field(field));

    edit->setText(text);
    QCOMPARE(edit->text(), expected);
    edit->SetWindowText(text.toStdWString());
    QCOMPARE(edit->text(), expected);
    // Even through the base class, whose setText cannot be overridden.
    static_cast<QLineEdit&>(*edit).setText(text);
    QCOMPARE(edit->text(), expected);
}

void NumericEditTest::typing_data()
{
    QTest::addColumn<int>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("end");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("caret");  // expected start of the selection afterwards
    const int min = int(Field::Minimum);
    const int inc = int(Field::Increment);

    QTest::newRow("sign inside the number puts it in front") << min << "12.5" << 1 << 1 << "-" << "-12.5" << 2;
    QTest::newRow("sign inside a negative number removes it") << min << "-12.5" << 2 << 2 << "-" << "12.5" << 1;
    QTest::newRow("sign twice inside the number") << min << "12.5" << 1 << 1 << "--" << "12.5" << 1;
    QTest::newRow("sign at the start is inserted") << min << "12.5" << 0 << 0 << "-" << "-12.5" << 1;
    QTest::newRow("sign at the start of a negative number keeps it") << min << "-12.5" << 0 << 0 << "-" << "-12.5" << 1;
    QTest::newRow("sign replaces a selection from the start") << min << "12.5" << 0 << 2 << "-" << "-.5" << 1;
    QTest::newRow("sign replaces the whole selected text") << min << "-12.5" << 0 << 5 << "-" << "-" << 1;
    QTest::newRow("point steps over the existing point") << min << "12.5" << 1 << 1 << "." << "12.5" << 3;
    QTest::newRow("point replaces a selected point") << min << "12.5" << 1 << 3 << "." << "1.5" << 2;
    QTest::newRow("point splits a full number, fraction cut") << min << "1234567" << 1 << 1 << "." << "1.23456" << 2;
    QTest::newRow("digit refused after a full integer part") << inc << "123" << 3 << 3 << "4" << "123" << 3;
    QTest::newRow("digit refused after a full negative integer part") << inc << "-123" << 4 << 4 << "4" << "-123" << 4;
    QTest::newRow("digit overwrites in a full integer part") << inc << "123" << 1 << 1 << "9" << "193" << 2;
    QTest::newRow("digits overwrite up to the full end") << inc << "123" << 0 << 0 << "9876" << "987" << 3;
    QTest::newRow("digit before the sign overwrites the first digit") << inc << "-123" << 0 << 0 << "9" << "-923" << 2;
    QTest::newRow("digit replaces a selection to the end") << inc << "123" << 1 << 3 << "9" << "19" << 2;
    // "In field 114 holding 123 with the first two characters selected, typing 9 gives 923":
    // the digit overwrites the character after the caret unless the selection reaches the end.
    QTest::newRow("digit overwrites after a selection short of the end") << inc << "123" << 0 << 2 << "9" << "923" << 1;
    QTest::newRow("digit inserted while the integer part has room") << inc << "12.5" << 1 << 1 << "9" << "192.5" << 2;
    QTest::newRow("fraction digit inserted while there is room") << inc << "0.1" << 3 << 3 << "5" << "0.15" << 4;
    QTest::newRow("fraction digit refused past a full fraction") << inc << "0.12345" << 7 << 7 << "6" << "0.12345" << 7;
    QTest::newRow("fraction digit overwrites in a full fraction") << inc << "0.12345" << 3 << 3 << "9" << "0.19345" << 4;
    QTest::newRow("letter refused") << min << "12.5" << 2 << 2 << "a" << "12.5" << 2;
    QTest::newRow("apostrophe refused") << min << "12.5" << 2 << 2 << "'" << "12.5" << 2;
    QTest::newRow("space, plus and comma refused") << min << "12.5" << 2 << 2 << " +," << "12.5" << 2;
    QTest::newRow("a whole number typed from empty") << min << "" << 0 << 0 << "-1234567.123456" << "-1234567.12345" << 14;
    QTest::newRow("extra integer digits refused while typing") << min << "" << 0 << 0 << "123456789" << "1234567" << 7;
    QTest::newRow("negative increment") << inc << "" << 0 << 0 << "-0.1" << "-0.1" << 4;
    QTest::newRow("point refused without fraction digits") << int(Field::WholeNumbers) << "12" << 2 << 2 << "." << "12" << 2;
    QTest::newRow("sign refused where negatives are not allowed") << int(Field::Unsigned) << "12" << 1 << 1 << "-" << "12" << 1;
}

void NumericEditTest::typing()
{
    const ScopedLocale english(QLocale(QLocale::English, QLocale::UnitedStates));
    QFETCH(int, field);
    QFETCH(QString, text);
    QFETCH(int, start);
    QFETCH(int, end);
    QFETCH(QString, keys);
    QFETCH(QString, expected);
    QFETCH(int, caret);
    auto edit = makeField(Field(field));
    prepare(*edit, text, start, end);

    QTest::keyClicks(edit.get(), keys);

    QCOMPARE(edit->text(), expected);
    QCOMPARE(selectionStart(*edit), caret);
}

void NumericEditTest::signs_and_points_of_other_locales_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("how");  // "type", "paste" or "set"
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<double>("value");

    const QLocale swedish(QLocale::Swedish, QLocale::Sweden);
    const QLocale basque(QLocale::Basque, QLocale::Spain);
    const QLocale hebrew(QLocale::Hebrew, QLocale::Israel);
    const QLocale persian(QLocale::Persian, QLocale::Iran);
    const QLocale german(QLocale::German, QLocale::Germany);
    const QString minus = QString(QChar(0x2212));
    QTest::newRow("the '-' key in Swedish") << swedish << "type" << "-12.5" << "-12.5" << -12.5;
    QTest::newRow("a typed U+2212 in Basque") << basque << "type" << minus + "3" << "-3" << -3.0;
    QTest::newRow("a pasted -12.5 in Swedish") << swedish << "paste" << "-12.5" << "-12.5" << -12.5;
    QTest::newRow("a pasted U+2212 12.5 in Swedish") << swedish << "paste" << minus + "12.5" << "-12.5" << -12.5;
    QTest::newRow("the '-' key in Hebrew") << hebrew << "type" << "-0.5" << "-0.5" << -0.5;
    QTest::newRow("Qt's own Persian negative text") << persian << "set" << persian.negativeSign() + "0.5" << "-0.5" << -0.5;
    QTest::newRow("a direction mark is dropped") << hebrew << "set" << QString(QChar(0x200F)) + "-2" << "-2" << -2.0;
    QTest::newRow("1,5 typed in German is one and a half") << german << "type" << "1,5" << "1.5" << 1.5;
    QTest::newRow("1,5 typed in Swedish") << swedish << "type" << "1,5" << "1.5" << 1.5;
    QTest::newRow("a pasted 1,25 in German") << german << "paste" << "1,25" << "1.25" << 1.25;
    QTest::newRow("with a point present the comma groups") << german << "paste" << "1,234.5" << "1234.5" << 1234.5;
}

void NumericEditTest::signs_and_points_of_other_locales()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, how);
    QFETCH(QString, input);
    QFETCH(QString, expected);
    QFETCH(double, value);

    const ScopedLocale scoped(locale);
    auto edit = makeField(Field::Minimum);  // "." and "'" as the dialog sets them
    prepare(*edit, QString(), 0, 0);
    if (how == QStringLiteral("type")) {
        for (const QChar ch : input)
            QTest::sendKeyEvent(QTest::KeyAction::Click, edit.get(), Qt::Key_unknown, QString(ch), Qt::NoModifier);
    } else if (how == QStringLiteral("paste")) {
        QGuiApplication::clipboard()->setText(input);
        edit->Paste();
    } else {
        edit->setText(input);
    }
    QCOMPARE(edit->text(), expected);
    QCOMPARE(edit->GetNumber(), value);
    // Written back as the dialog writes it, the text shows the same sign.
    edit->SetNumber(edit->GetNumber(), true);
    QCOMPARE(edit->text(), expected);
}

void NumericEditTest::a_sign_alone_reads_zero()
{
    for (const QString& text : {QStringLiteral("-"), QStringLiteral("-."), QStringLiteral("-0"), QStringLiteral("-0.000")}) {
        auto edit = makeField(Field::Minimum);
        edit->setText(text);
        const double v = edit->GetNumber();
        QCOMPARE(v, 0.0);
        QVERIFY2(!std::signbit(v), qPrintable(text));
        edit->SetNumber(v, true);
        QCOMPARE(edit->text(), QStringLiteral("0"));
    }
    auto edit = makeField(Field::Minimum);
    edit->SetNumber(-0.0, true);
    QCOMPARE(edit->text(), QStringLiteral("0"));
}

void NumericEditTest::typing_into_read_only_field_changes_nothing()
{
    auto edit = makeField(Field::Minimum);
    edit->setReadOnly(true);
    prepare(*edit, QStringLiteral("12.5"), 2, 2);
    QTest::keyClicks(edit.get(), QStringLiteral("9-."));
    QTest::keyClick(edit.get(), Qt::Key_Backspace);
    QCOMPARE(edit->text(), QStringLiteral("12.5"));
}

void NumericEditTest::deleting_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("end");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("caret");
    const int none = Qt::NoModifier;
    QTest::newRow("delete a point joins within the limits") << "12.5" << 2 << 2 << int(Qt::Key_Delete) << none << "125" << 2;
    QTest::newRow("delete a point past the limits cuts the digits")
        << "1234567.12345" << 7 << 7 << int(Qt::Key_Delete) << none << "1234567" << 7;
    QTest::newRow("delete a selection to the end leaves the caret at its start")
        << "12.5" << 1 << 4 << int(Qt::Key_Delete) << none << "1" << 1;
    QTest::newRow("backspace over the point refilters")
        << "1234567.12345" << 8 << 8 << int(Qt::Key_Backspace) << none << "1234567" << 7;
    QTest::newRow("backspace over the sign") << "-12" << 1 << 1 << int(Qt::Key_Backspace) << none << "12" << 0;
    QTest::newRow("cut of the point refilters")
        << "1234567.12345" << 7 << 8 << int(Qt::Key_X) << int(Qt::ControlModifier) << "1234567" << 7;
    QTest::newRow("shift delete cuts") << "12.5" << 0 << 2 << int(Qt::Key_Delete) << int(Qt::ShiftModifier) << ".5" << 0;
}

void NumericEditTest::deleting()
{
    QFETCH(QString, text);
    QFETCH(int, start);
    QFETCH(int, end);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QString, expected);
    QFETCH(int, caret);
    auto edit = makeField(Field::Minimum);
    prepare(*edit, text, start, end);
    QGuiApplication::clipboard()->clear();

    QTest::keyClick(edit.get(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));

    QCOMPARE(edit->text(), expected);
    QCOMPARE(selectionStart(*edit), caret);
    if (key == Qt::Key_X || modifiers == Qt::ShiftModifier)
        QCOMPARE(QGuiApplication::clipboard()->text(), text.mid(start, end - start));
}

void NumericEditTest::set_number_data()
{
    QTest::addColumn<int>("field");
    QTest::addColumn<double>("value");
    QTest::addColumn<bool>("trim");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<double>("reads");
    const int min = int(Field::Minimum);
    QTest::newRow("0.1 trimmed") << min << 0.1 << true << "0.1" << 0.1;
    QTest::newRow("10 trimmed") << min << 10.0 << true << "10" << 10.0;
    QTest::newRow("0 trimmed") << min << 0.0 << true << "0" << 0.0;
    QTest::newRow("-0.5 trimmed") << min << -0.5 << true << "-0.5" << -0.5;
    QTest::newRow("100 keeps its zeros before the point") << min << 100.0 << true << "100" << 100.0;
    QTest::newRow("untrimmed keeps six decimals, cut to five") << min << 2.5 << false << "2.50000" << 2.5;
    QTest::newRow("rounded at the sixth decimal") << min << 0.0000016 << true << "0.00000" << 0.0;
    QTest::newRow("too many integer digits") << min << 12345678.0 << true << "1234567" << 1234567.0;
    QTest::newRow("too many fraction digits in the increment") << int(Field::Increment) << 0.123456 << true << "0.12345"
                                                               << 0.12345;
    QTest::newRow("huge value") << min << 1e300 << true << "1000000" << 1000000.0;
    QTest::newRow("negative where not allowed") << int(Field::Unsigned) << -2.25 << true << "2.25" << 2.25;
}

void NumericEditTest::set_number()
{
    QFETCH(int, field);
    QFETCH(double, value);
    QFETCH(bool, trim);
    QFETCH(QString, expected);
    QFETCH(double, reads);
    auto edit = makeField(Field(field));
    edit->SetNumber(value, trim);
    QCOMPARE(edit->text(), expected);
    QCOMPARE(edit->GetNumber(), reads);
}

void NumericEditTest::get_number_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("expected");
    QTest::newRow("empty text") << "" << 0.0;
    QTest::newRow("sign alone") << "-" << 0.0;
    QTest::newRow("point alone") << "." << 0.0;
    QTest::newRow("negative fraction") << "-0.1" << -0.1;
    QTest::newRow("no integer digits") << ".5" << 0.5;
}

void NumericEditTest::get_number()
{
    QFETCH(QString, text);
    QFETCH(double, expected);
    auto edit = makeField(Field::Minimum);
    edit->setText(text);
    QCOMPARE(edit->GetNumber(), expected);
}

void NumericEditTest::numbers_use_the_field_separators_in_any_locale()
{
    // A field with a comma as its point shows and reads numbers with the comma.
    NumericEdit edit(7, 5);
    edit.SetSeparatorChars(L',', L'.');
    edit.SetNumber(-2.5, true);
    QCOMPARE(edit.text(), QStringLiteral("-2,5"));
    QCOMPARE(edit.GetNumber(), -2.5);
    prepare(edit, QStringLiteral("1"), 1, 1);
    QTest::keyClicks(&edit, QStringLiteral(".,25"));
    QCOMPARE(edit.text(), QStringLiteral("1,25"));
    QCOMPARE(edit.GetNumber(), 1.25);
}

void NumericEditTest::changed_limits_refilter_the_text()
{
    NumericEdit edit(9, 4);
    edit.SetSeparatorChars(L'.', L',');
    edit.setText(QStringLiteral("-123456789.1234"));
    QCOMPARE(edit.text(), QStringLiteral("-123456789.1234"));
    edit.SetFractionDigitLimit(2);
    QCOMPARE(edit.text(), QStringLiteral("-123456789.12"));
    edit.SetIntegerDigitLimit(7);
    QCOMPARE(edit.text(), QStringLiteral("-1234567.12"));
    edit.SetIntegerDigitLimit(-7);
    QCOMPARE(edit.text(), QStringLiteral("1234567.12"));
    edit.SetFractionDigitLimit(0);
    QCOMPARE(edit.text(), QStringLiteral("1234567"));
    // With the point made a comma, the old point is no longer a point.
    edit.SetFractionDigitLimit(3);
    edit.setText(QStringLiteral("1.5"));
    edit.SetSeparatorChars(L',', L'.');
    QCOMPARE(edit.text(), QStringLiteral("15"));
}

void NumericEditTest::equal_separators_are_told_apart()
{
    NumericEdit edit(7, 5);
    edit.SetSeparatorChars(L'.', L'.');
    QCOMPARE(edit.format().groupSeparator, u',');
    edit.SetSeparatorChars(L',', L',');
    QCOMPARE(edit.format().groupSeparator, u'.');
    edit.SetSeparatorChars(L'.', L'\'');
    QCOMPARE(edit.format().decimalSeparator, u'.');
    QCOMPARE(edit.format().groupSeparator, u'\'');
}

void NumericEditTest::range_message_data()
{
    const double inf = std::numeric_limits<double>::infinity();
    const double most = std::numeric_limits<double>::max();
    QTest::addColumn<double>("lower");
    QTest::addColumn<double>("upper");
    QTest::addColumn<QString>("expected");
    QTest::newRow("both bounds") << 0.0 << 1000.0 << "Please specify a numeric value between 0 and 1000.";
    QTest::newRow("fractional bounds") << -0.5 << 2.25 << "Please specify a numeric value between -0.5 and 2.25.";
    QTest::newRow("lower bound only") << -1000000.0 << inf
                                      << "Please specify a numeric value greater than or equal to -1000000.";
    QTest::newRow("upper bound only") << -inf << 0.1 << "Please specify a numeric value less than or equal to 0.1.";
    QTest::newRow("no bounds") << -inf << inf << "Please specify a valid numeric value.";
    QTest::newRow("default bounds are no bounds") << -most << most << "Please specify a valid numeric value.";
}

void NumericEditTest::range_message()
{
    QFETCH(double, lower);
    QFETCH(double, upper);
    QFETCH(QString, expected);
    auto edit = makeField(Field::Minimum);
    edit->SetBounds(lower, upper);
    QCOMPARE(QString::fromStdWString(edit->RangeMessage()), expected);
    // Bounds never change the text: the field keeps what it shows.
    QCOMPARE(edit->text(), QStringLiteral("0"));
}

int runNumericEditTests(int argc, char** argv)
{
    NumericEditTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "numeric_edit_test.moc"
