// Expressions compiled to machine code against the interpreter: the same bits for every
// value (NaN against NaN by bits), for chosen expressions, every curve of the library and
// the gallery, and random expressions built from the fuzz dictionary.
#include "curve/curve_sampler.h"
#include "curve/expression_parser.h"
#include "curve/native_code.h"
#include "model/default_library.h"
#include "model/equation_list.h"
#include "model/library_file.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <limits>
#include <optional>
#include <random>
#include <string>
#include <vector>

using namespace plotwright::curve;

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
const double kNaN = std::numeric_limits<double>::quiet_NaN();

const std::vector<double> kArguments = {
    0, -0.0, 1, -1, 0.5, 2, 3, -2.5, 7.25, 1e-20, -1e-310, 4.9e-324, 1e308, -1e308, 710, -745.5, 1e22,
    kInf, -kInf, kNaN, -kNaN, 0.1, 100, 3.141592653589793, -1.5707963267948966,
};

// Switches compilation for one scope, back on at its end.
class NativeSwitch {
public:
    explicit NativeSwitch(bool on) { setNativeCodeEnabled(on); }
    ~NativeSwitch() { setNativeCodeEnabled(true); }
    NativeSwitch(const NativeSwitch&) = delete;
    NativeSwitch& operator=(const NativeSwitch&) = delete;
};

struct Values {
    std::vector<std::uint64_t> bits;
    bool native = false;
};

// The expression's value at every argument, as bits; nullopt when it does not parse.
std::optional<Values> evaluateAll(const std::wstring& text, bool native, const std::vector<double>& arguments = kArguments)
{
    NativeSwitch scope(native);
    ExpressionParser parser;
    double t = 0;
    parser.setExpression(text);
    parser.bindVariable(L"t", &t);
    parser.bindConstant(L"a", 3);
    Values values;
    try {
        for (double v : arguments) {
            t = v;
            values.bits.push_back(std::bit_cast<std::uint64_t>(parser.evaluate()));
        }
    } catch (const ExpressionError&) {
        return std::nullopt;
    }
    values.native = parser.isNative();
    return values;
}

std::string narrow(const std::wstring& s) { return std::string(s.begin(), s.end()); }

// Whether both ways give the same bits; the first difference otherwise.
testing::AssertionResult sameBits(const std::wstring& text, const Values& interpreted, const Values& compiled,
                                  const std::vector<double>& arguments = kArguments)
{
    for (std::size_t i = 0; i < interpreted.bits.size(); ++i)
        if (interpreted.bits[i] != compiled.bits[i])
            return testing::AssertionFailure()
                << narrow(text) << " at t = " << arguments[i] << ": interpreted " << std::bit_cast<double>(interpreted.bits[i])
                << ", compiled " << std::bit_cast<double>(compiled.bits[i]);
    return testing::AssertionSuccess();
}

struct ExpressionRow {
    const wchar_t* text;
};

class NativeExpressionTest : public testing::TestWithParam<ExpressionRow> {};

TEST_P(NativeExpressionTest, native_expression_same_bits_as_interpreter)
{
    const std::wstring text = GetParam().text;
    const std::optional<Values> interpreted = evaluateAll(text, false);
    const std::optional<Values> compiled = evaluateAll(text, true);
    ASSERT_TRUE(interpreted && compiled);
    EXPECT_FALSE(interpreted->native);
    EXPECT_TRUE(compiled->native) << "not compiled: " << narrow(text);
    EXPECT_TRUE(sameBits(text, *interpreted, *compiled));
}

// The byte code's shapes: the optimizer's combined operations (x*a+b, integer powers,
// folded constants), -0 from a multiplication by 0, comparisons with NaN, the logical
// operators, functions of any number of arguments, sine and cosine of one argument (one
// sincos call).
INSTANTIATE_TEST_SUITE_P(
    Shapes, NativeExpressionTest,
    testing::Values(ExpressionRow{L"t"}, ExpressionRow{L"2.5"}, ExpressionRow{L"a"}, ExpressionRow{L"-t"},
                    ExpressionRow{L"+t"}, ExpressionRow{L"t*3*5"}, ExpressionRow{L"t*0"}, ExpressionRow{L"0*t-0"},
                    ExpressionRow{L"0-t"}, ExpressionRow{L"t+t"}, ExpressionRow{L"t-t"}, ExpressionRow{L"t*t"},
                    ExpressionRow{L"2*t+1"}, ExpressionRow{L"(3*t+1)*2"}, ExpressionRow{L"4*t/3"},
                    ExpressionRow{L"1/3*t"}, ExpressionRow{L"t/0"}, ExpressionRow{L"t^0"}, ExpressionRow{L"t^1"},
                    ExpressionRow{L"t^2"}, ExpressionRow{L"t^3"}, ExpressionRow{L"t^4"}, ExpressionRow{L"t^5"},
                    ExpressionRow{L"t^2.5"}, ExpressionRow{L"-t^2"}, ExpressionRow{L"t^t"}, ExpressionRow{L"2^t"},
                    ExpressionRow{L"e^t"}, ExpressionRow{L"(t+1)^3"}, ExpressionRow{L"a*t+a"},
                    ExpressionRow{L"PI*t"}, ExpressionRow{L"t<1"}, ExpressionRow{L"t<=1"}, ExpressionRow{L"t>1"},
                    ExpressionRow{L"t>=1"}, ExpressionRow{L"t==1"}, ExpressionRow{L"t!=1"},
                    ExpressionRow{L"t<t"}, ExpressionRow{L"t==t"}, ExpressionRow{L"t!=t"},
                    ExpressionRow{L"t and 1"}, ExpressionRow{L"t or 0"}, ExpressionRow{L"t xor 1"},
                    ExpressionRow{L"t > 1 and t < 3 or t == 5"}, ExpressionRow{L"if(t>1, t, -t)"},
                    ExpressionRow{L"sum(t, 1, -t)"}, ExpressionRow{L"sum(t)"}, ExpressionRow{L"avg(t, 2, 3)"},
                    ExpressionRow{L"min(t, 2)"}, ExpressionRow{L"max(t, -2)"}, ExpressionRow{L"min(t, t, 1, -t)"},
                    ExpressionRow{L"max(1, t, t^2)"}, ExpressionRow{L"sign(t)"}, ExpressionRow{L"rint(t)"},
                    ExpressionRow{L"abs(t)"}, ExpressionRow{L"sqrt(t)"}, ExpressionRow{L"ln(t)+log(t)"},
                    ExpressionRow{L"log2(t)-log10(t)"}, ExpressionRow{L"exp(t)/(1+exp(t))"},
                    ExpressionRow{L"sin(t)*cos(t)"}, ExpressionRow{L"sin(2*t)+cos(2*t)-cos(t)"},
                    ExpressionRow{L"sin(t)^2+cos(t)^2"}, ExpressionRow{L"sin(t)+sin(t)"},
                    ExpressionRow{L"tan(t)+atan(t)+asin(t)+acos(t)"},
                    ExpressionRow{L"sinh(t)+cosh(t)+tanh(t)+asinh(t)+acosh(t)+atanh(t)"},
                    ExpressionRow{L"floor(t)+ceil(-t)"}, ExpressionRow{L"mod(t, 0.75)+mod(-7, t)"},
                    ExpressionRow{L"atan2(t, -1)*hypot(t, 3)"}, ExpressionRow{L"sin(cos(sin(t)))"},
                    ExpressionRow{L"((((t+1)*2-3)/4)^2+sin(t/3))*max(t,1,2,3,4,5,6,7,8,9,10,11,12)"}));

TEST(NativeCode, native_switched_off_interprets_with_same_results)
{
    const std::wstring text = L"a*sin(t)^3 - t/7";
    const std::optional<Values> off = evaluateAll(text, false);
    const std::optional<Values> on = evaluateAll(text, true);
    ASSERT_TRUE(off && on);
    EXPECT_FALSE(off->native);
    EXPECT_TRUE(on->native);
    EXPECT_TRUE(sameBits(text, *off, *on));
}

TEST(NativeCode, native_code_follows_new_text_and_bindings)
{
    ExpressionParser parser;
    double t = 2;
    parser.setExpression(L"t*k");
    parser.bindVariable(L"t", &t);
    parser.bindConstant(L"k", 3);
    EXPECT_EQ(parser.evaluate(), 6);
    EXPECT_EQ(parser.evaluate(), 6);
    EXPECT_TRUE(parser.isNative());
    t = 5;
    EXPECT_EQ(parser.evaluate(), 15);
    parser.bindConstant(L"k", 4);   // folded into the byte code: compiled afresh
    EXPECT_EQ(parser.evaluate(), 20);
    parser.setExpression(L"t+k");
    EXPECT_EQ(parser.evaluate(), 9);
    EXPECT_EQ(parser.evaluate(), 9);
    EXPECT_TRUE(parser.isNative());
    parser.setExpression(L"t+");
    EXPECT_THROW(parser.evaluate(), ExpressionError);
    EXPECT_FALSE(parser.isNative());
}

// Random expressions from the fuzz dictionary's words: functions, constants, operators
// and numbers, over the variable t and the constant a.
class ExpressionMaker {
public:
    explicit ExpressionMaker(unsigned seed) : rng_(seed)
    {
        std::ifstream in(PLOTWRIGHT_FUZZ_CURVE_DICT);
        std::string line;
        while (std::getline(in, line)) {
            if (line.size() < 2 || line.front() != '"' || line.back() != '"')
                continue;
            const std::string word = line.substr(1, line.size() - 2);
            if (word == "if" || word == "sum" || word == "avg" || word == "min" || word == "max")
                multi_.push_back(word);
            else if (word == "PI" || word == "e" || word == "1e308")
                leaves_.push_back(word);
            else if (std::isalpha(static_cast<unsigned char>(word[0])))
                addFunction(word);
            else if (word.find_first_of("<>=!^") != std::string::npos || word.front() == ' ')
                operators_.push_back(word);
        }
        for (const char* op : {"+", "-", "*", "/"})
            operators_.push_back(op);
        for (const char* leaf : {"t", "t", "t", "a", "0", "1", "2", "3", "0.5", "1e-300"})
            leaves_.push_back(leaf);
    }

    bool usable() const { return !functions_.empty() && !multi_.empty() && operators_.size() > 4; }

    std::wstring make()
    {
        const std::string s = expression(0);
        return std::wstring(s.begin(), s.end());
    }

private:
    // The language itself says how many arguments a function takes.
    void addFunction(const std::string& name)
    {
        for (const char* args : {"(1)", "(1,1)"}) {
            const std::string text = name + args;
            if (evaluateAll(std::wstring(text.begin(), text.end()), false, {0}))
                functions_.push_back(name + (args[2] == ',' ? "2" : "1"));
        }
    }

    std::size_t pick(std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(rng_); }

    std::string expression(int depth)
    {
        const std::size_t kind = depth > 4 ? 0 : pick(6);
        switch (kind) {
        case 0: return leaves_[pick(leaves_.size())];
        case 1: return "-" + expression(depth + 1);
        case 2: {
            const std::string& f = functions_[pick(functions_.size())];   // name and argument count
            std::string s = f.substr(0, f.size() - 1) + "(" + expression(depth + 1);
            if (f.back() == '2')
                s += "," + expression(depth + 1);
            return s + ")";
        }
        case 3: {
            const std::string& f = multi_[pick(multi_.size())];
            const std::size_t n = f == "if" ? 3 : 1 + pick(4);
            std::string s = f + "(";
            for (std::size_t i = 0; i < n; ++i)
                s += (i ? "," : "") + expression(depth + 1);
            return s + ")";
        }
        case 4: return "(" + expression(depth + 1) + ")";
        default: return expression(depth + 1) + operators_[pick(operators_.size())] + expression(depth + 1);
        }
    }

    std::mt19937 rng_;
    std::vector<std::string> functions_, multi_, leaves_, operators_;
};

TEST(NativeCode, native_random_expressions_same_bits_as_interpreter)
{
    ExpressionMaker maker(20261208);
    ASSERT_TRUE(maker.usable()) << "fuzz dictionary not found or changed: " << PLOTWRIGHT_FUZZ_CURVE_DICT;
    const std::vector<double> arguments = {0, -0.0, 1, -2.5, 0.75, 40, kNaN, -kInf};
    int compared = 0;
    int compiled = 0;
    for (int attempt = 0; compared < 10000 && attempt < 30000; ++attempt) {
        const std::wstring text = maker.make();
        const std::optional<Values> interpreted = evaluateAll(text, false, arguments);
        if (!interpreted)
            continue;
        const std::optional<Values> native = evaluateAll(text, true, arguments);
        ASSERT_TRUE(native) << narrow(text);
        ASSERT_TRUE(sameBits(text, *interpreted, *native, arguments));
        ++compared;
        compiled += native->native;
    }
    EXPECT_EQ(compared, 10000);
    EXPECT_EQ(compiled, compared);
}

// Every curve of a library sampled both ways, with fixed steps and adaptively.
void expectSameSamples(const std::wstring& libraryText)
{
    CEquationList list;
    ASSERT_TRUE(list.LoadFromXml(libraryText));
    ASSERT_FALSE(list.GetEquations().empty());
    for (const CEquationPtr& curve : list.GetEquations()) {
        SCOPED_TRACE(narrow(curve->GetName()));
        for (const bool adaptive : {false, true}) {
            SampleOptions options;
            if (adaptive)
                options.tolerance = 1e-3;
            SampleResult interpreted;
            {
                NativeSwitch off(false);
                interpreted = sampleCurve(*curve, {1, 2, 0}, options);
            }
            const SampleResult native = sampleCurve(*curve, {1, 2, 0}, options);
            ASSERT_EQ(interpreted.status, SampleStatus::Done);
            ASSERT_EQ(native.points.size(), interpreted.points.size());
            for (std::size_t i = 0; i < native.points.size(); ++i) {
                const CurvePoint& p = interpreted.points[i];
                const CurvePoint& q = native.points[i];
                ASSERT_EQ(std::bit_cast<std::uint64_t>(p.x), std::bit_cast<std::uint64_t>(q.x)) << "sample " << i;
                ASSERT_EQ(std::bit_cast<std::uint64_t>(p.y), std::bit_cast<std::uint64_t>(q.y)) << "sample " << i;
            }
        }
    }
}

TEST(NativeCode, native_library_curves_same_samples)
{
    expectSameSamples(DefaultLibraryText());
}

TEST(NativeCode, native_gallery_curves_same_samples)
{
    const std::string path = PLOTWRIGHT_GALLERY_FILE;
    std::wstring text;
    ASSERT_TRUE(ReadLibraryFile(std::wstring(path.begin(), path.end()), text));
    expectSameSamples(text);
}

} // namespace

namespace {

// What the compiler cannot take, the caller interprets: a variable it was not given,
// byte code not yet made by an evaluation, text that failed.
TEST(NativeCode, native_refuses_what_it_cannot_compile)
{
    double t = 1;
    double u = 2;
    ExpressionParser both;
    both.setExpression(L"t*u");
    both.bindVariable(L"t", &t);
    both.bindVariable(L"u", &u);
    EXPECT_EQ(ExpressionParser::compileTogether({&both}, {&t}), nullptr);   // not evaluated yet
    EXPECT_EQ(both.evaluate(), 2);
    EXPECT_EQ(ExpressionParser::compileTogether({&both}, {&t}), nullptr);   // u not given
    const std::shared_ptr<const NativeCode> code = ExpressionParser::compileTogether({&both}, {&u, &t});
    ASSERT_NE(code, nullptr);
    const double in[] = {5, 3};   // u, t
    double out = 0;
    code->run(in, &out);
    EXPECT_EQ(out, 15);

    ExpressionParser broken;
    broken.setExpression(L"t*");
    broken.bindVariable(L"t", &t);
    EXPECT_THROW(broken.evaluate(), ExpressionError);
    EXPECT_EQ(ExpressionParser::compileTogether({&broken}, {&t}), nullptr);
    {
        NativeSwitch off(false);
        EXPECT_EQ(ExpressionParser::compileTogether({&both}, {&u, &t}), nullptr);
    }
}

} // namespace
