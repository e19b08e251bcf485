// The curve expression language as the configured parser evaluates it: the functions,
// constants and operators where muParser's defaults differ, the names it accepts, and
// the texts it refuses.
#include "curve/expression_parser.h"

#include <gtest/gtest.h>

#include <string>

using plotwright::curve::ExpressionError;
using plotwright::curve::ExpressionParser;

namespace {

std::string printable(const std::wstring& text)
{
    std::string out;
    for (wchar_t c : text)
        out += (c >= 0x20 && c < 0x7F) ? static_cast<char>(c) : '?';
    return out;
}

double evaluate(const std::wstring& text)
{
    ExpressionParser parser;
    parser.setExpression(text);
    return parser.evaluate();
}

struct ValueRow {
    std::wstring text;
    double value;
};

TEST(ExpressionLanguage, language_values)
{
    const ValueRow rows[] = {
        {L"log(100)", 2},   // base 10, unlike muParser's default
        {L"log10(1000)", 3},
        {L"log2(8)", 3},
        {L"ln(e)", 1},
        {L"PI", 3.141592653589793},
        {L"e", 2.718281828459045},
        {L"if(1, 2, 3)", 2},
        {L"if(0.5, 2, 3)", 3},   // true only for exactly 1
        {L"if(2, 2, 3)", 3},
        {L"1 and 0", 0},
        {L"2 and 3", 1},
        {L"1 or 0", 1},
        {L"1 xor 1", 0},
        {L"0 xor 2", 1},
        {L"1 or 0 and 0", 1},    // and binds tighter than or
        {L"1 xor 1 and 0", 1},   // and binds tighter than xor
        {L"1 or 1 xor 1", 1},    // xor binds tighter than or
        {L"2 < 3 and 3 < 2", 0}, // comparisons bind tighter than and
        {L"sign(-3)", -1},
        {L"sign(0)", 0},
        {L"sign(0.25)", 1},
        {L"rint(2.5)", 3},
        {L"rint(-2.5)", -2},
        {L"rint(-2.6)", -3},
        {L"sum(1, 2, 3)", 6},
        {L"avg(1, 2, 3, 4)", 2.5},
        {L"min(3, 1, 2)", 1},
        {L"max(3, 7, 2)", 7},
        {L"max(-3)", -3},
        {L"floor(-2.5)", -3},
        {L"ceil(-2.5)", -2},
        {L"mod(7.5, 2)", 1.5},
        {L"mod(-7.5, 2)", -1.5},   // C's fmod: the sign of the dividend
        {L"atan2(1, -1)", 0.75 * 3.141592653589793},
        {L"hypot(3, 4)", 5},
        {L"max(1, 2) * 3", 6},
        {L"0.5 * 3", 1.5},   // "." whatever the user's locale
        {L"\t1 +\r\n 2 ", 3},
    };
    for (const ValueRow& row : rows) {
        SCOPED_TRACE(printable(row.text));
        EXPECT_DOUBLE_EQ(evaluate(row.text), row.value);
    }
}

// Each of these fails at evaluation, never earlier and never with a crash.
TEST(ExpressionLanguage, language_refused_texts)
{
    const std::wstring rows[] = {
        L"",
        L"(1",
        L"1 +",
        L"sin(1, 2)",
        L"sum()",
        L"if(1, 2)",
        L"q + 1",           // not bound
        L"rnd()",           // muParser extra, not in the language
        L"_pi",             // muParser's own constant names
        L"1 ? 2 : 3",       // muParser's ternary
        L"1 && 1",
        L"\"text\"",
        L"q = 2",           // assignment
        L"1 + \u0131",      // its low byte is "1": must not be narrowed to it
        L"1\u22121",         // a minus sign that is not "-"
        std::wstring(L"1\0+ q", 5),   // NUL would end muParser's text early
        std::wstring(10001, L'1'),
    };
    for (const std::wstring& text : rows) {
        SCOPED_TRACE(printable(text.substr(0, 40)));
        ExpressionParser parser;
        ASSERT_NO_THROW(parser.setExpression(text));
        EXPECT_THROW(parser.evaluate(), ExpressionError);
    }
}

// A comma outside a call's arguments is refused where it stands: muParser would keep
// only the last of "x*1,5" and give 5 without a word.
TEST(ExpressionLanguage, language_comma_only_between_arguments)
{
    const std::pair<std::wstring, int> rows[] = {
        {L"x*1,5", 3},
        {L"(1,5)", 2},
        {L"sin(x)*(1,5)", 9},
        {L"max(1,2),3", 8},
        {L"2,5*x", 1},
        {L"max((1,2),3)", 6},
    };
    for (const auto& [text, position] : rows) {
        SCOPED_TRACE(printable(text));
        ExpressionParser parser;
        parser.setExpression(text);
        double x = 1;
        parser.bindVariable(L"x", &x);
        try {
            parser.evaluate();
            ADD_FAILURE() << "accepted";
        } catch (const ExpressionError& e) {
            EXPECT_EQ(std::string(e.what()), "comma outside a function's arguments (a decimal comma? numbers use \".\")");
            EXPECT_EQ(e.position(), position);
        }
    }
    EXPECT_EQ(evaluate(L"if(1 > 0, max(1, 2), hypot(3, 4))"), 2);
}

TEST(ExpressionLanguage, language_acceptable_names)
{
    const std::pair<std::wstring, bool> rows[] = {
        {L"x", true},
        {L"_a1", true},
        {L"Pi", true},     // names are case-sensitive
        {L"Sin", true},
        {std::wstring(100, L'a'), true},
        {std::wstring(101, L'a'), false},
        {L"", false},
        {L"2a", false},
        {L"a-b", false},
        {L"\u0161", false},   // its low byte is "a"
        {L"PI", false},
        {L"e", false},
        {L"sin", false},
        {L"if", false},
        {L"sum", false},
        {L"and", false},
        {L"mod", false},
        {L"floor", false},
    };
    for (const auto& [name, acceptable] : rows) {
        SCOPED_TRACE(printable(name));
        EXPECT_EQ(ExpressionParser::isAcceptableName(name), acceptable);
        ExpressionParser parser;
        double storage = 0;
        if (acceptable)
            EXPECT_NO_THROW(parser.bindVariable(name, &storage));
        else
            EXPECT_THROW(parser.bindVariable(name, &storage), ExpressionError);
    }
}

TEST(ExpressionLanguage, language_binding_last_wins)
{
    double x = 2;
    ExpressionParser parser;
    parser.setExpression(L"10 * a + x");
    parser.bindVariable(L"x", &x);
    parser.bindConstant(L"a", 1);
    parser.bindConstant(L"a", 3);
    EXPECT_EQ(parser.evaluate(), 32);
    x = 4;
    EXPECT_EQ(parser.evaluate(), 34);   // variables are read at every evaluation

    // A variable replaces a constant of the same name, and the other way round.
    double a = 5;
    parser.bindVariable(L"a", &a);
    EXPECT_EQ(parser.evaluate(), 54);
    a = 6;
    EXPECT_EQ(parser.evaluate(), 64);
    parser.bindConstant(L"x", 7);
    x = 100;
    EXPECT_EQ(parser.evaluate(), 67);
}

} // namespace
