// Number forms of library files: the exact writer text, the lenient readers, and
// lossless round trips, all independent of the user's locale.
#include "model/library_numbers.h"

#include "model/row_name.h"

#include <gtest/gtest.h>

#include <bit>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>
#include <random>
#include <cwchar>

using namespace plotwright::model;

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

struct FormatRow {
    const char* name;
    double value;
    const wchar_t* text;
};

const FormatRow kFormatRows[] = {
    {"two decimals pad to ten", 0.1, L"      0.10"},
    {"negative keeps two decimals", -1234.5, L"  -1234.50"},
    {"wider than ten takes the room", 12345678.9, L"12345678.90"},
    {"zero", 0.0, L"      0.00"},
    {"negative zero keeps its sign", -0.0, L"     -0.00"},
    {"whole number", 10.0, L"     10.00"},
    {"increment of half a cent", 0.005, L"     0.005"},
    {"increment of a thousandth", 0.001, L"     0.001"},
    {"five decimals of the default list", 6.28319, L"   6.28319"},
    {"two pi in full", 2 * std::numbers::pi, L"6.283185307179586"},
    {"negative small", -0.0625, L"   -0.0625"},
    {"large integer stays fixed", 1e20, L"100000000000000000000.00"},
    {"thirty decimals stay fixed", 1e-30, L"0.000000000000000000000000000001"},
    {"beyond thirty decimals uses an exponent", 1e-40, L"     1e-40"},
    {"smallest subnormal", 5e-324, L"    5e-324"},
    {"not a number", std::numeric_limits<double>::quiet_NaN(), L"       nan"},
    {"infinity", kInf, L"       inf"},
    {"negative infinity", -kInf, L"      -inf"},
};

class FormatRealRows : public testing::TestWithParam<FormatRow> {};

TEST_P(FormatRealRows, writes_exact_text)
{
    EXPECT_EQ(FormatReal(GetParam().value), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(library_numbers, FormatRealRows, testing::ValuesIn(kFormatRows), rowName<FormatRow>);

bool sameBits(double a, double b)
{
    return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

TEST(library_numbers, real_round_trip_is_bit_exact)
{
    std::mt19937_64 random(20240501);
    std::vector<double> values = {0.1, 0.2, 0.3, 1.0 / 3, 2 * std::numbers::pi, 1e15 + 0.3, 123456.789e-9,
                                  std::numeric_limits<double>::max(), std::numeric_limits<double>::lowest(),
                                  std::numeric_limits<double>::min(), std::numeric_limits<double>::denorm_min(),
                                  std::nextafter(1.0, 2.0), std::nextafter(0.01, 0.0), -0.0};
    for (int i = 0; i < 20000; ++i) {
        double v = std::bit_cast<double>(random());
        if (std::isfinite(v))
            values.push_back(v);
        // Values of the size people type: few digits, any decimal scale.
        values.push_back(static_cast<double>(static_cast<std::int64_t>(random() % 2000001) - 1000000)
                         / std::pow(10.0, static_cast<double>(random() % 9)));
    }
    for (double v : values) {
        const std::wstring text = FormatReal(v);
        EXPECT_TRUE(sameBits(ParseReal(text), v)) << "value written as \"" << std::string(text.begin(), text.end()) << '"';
        EXPECT_GE(text.size(), 10u);
    }
    EXPECT_TRUE(std::isnan(ParseReal(FormatReal(std::nan("")))));
    EXPECT_EQ(ParseReal(FormatReal(-kInf)), -kInf);
}

TEST(library_numbers, real_reader_takes_leading_number)
{
    struct Row {
        const wchar_t* text;
        double value;
    };
    const Row rows[] = {
        {L" 12abc", 12},
        {L"abc", 0},
        {L"1e3", 1000},
        {L"-", 0},
        {L"", 0},
        {L"+2.5", 2.5},
        {L".5", 0.5},
        {L"5.", 5},
        {L".", 0},
        {L"-.25", -0.25},
        {L"1e", 1},
        {L"1e+", 1},
        {L"2E-2", 0.02},
        {L"\t\n -3.25e-2x", -0.0325},
        {L"1,5", 1},
        {L"0x10", 0},
        {L"  6.28319", 6.28319},
        {L"1e400", kInf},
        {L"-1e400", -kInf},
        {L"1e-400", 0},
        {L"100000000000000000000000e-400", 0},
        {L"0.0000000001e+315", 1e305},
        {L"infinity", kInf},
        {L"-INF", -kInf},
        {L"+ 1", 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.text, row.text + std::wcslen(row.text)));
        EXPECT_EQ(ParseReal(row.text), row.value);
    }
    EXPECT_TRUE(std::isnan(ParseReal(L" nan")));
    EXPECT_TRUE(std::signbit(ParseReal(L"-1e-999")));
}

TEST(library_numbers, integer_reader_takes_leading_digits_and_clamps)
{
    struct Row {
        const wchar_t* text;
        int value;
    };
    const Row rows[] = {
        {L" 12abc", 12},
        {L"abc", 0},
        {L"-", 0},
        {L"", 0},
        {L"+7", 7},
        {L" \t-42", -42},
        {L"3.9", 3},
        {L"1e3", 1},
        {L"2147483647", 2147483647},
        {L"-2147483648", std::numeric_limits<int>::min()},
        {L"2147483648", 2147483647},
        {L"99999999999999999999999", 2147483647},
        {L"-99999999999999999999999", std::numeric_limits<int>::min()},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.text, row.text + std::wcslen(row.text)));
        EXPECT_EQ(ParseInteger(row.text), row.value);
    }
}

TEST(library_numbers, integer_writer_is_plain_decimal)
{
    std::wstring out;
    AppendInteger(out, -2147483647 - 1);
    out += L' ';
    AppendInteger(out, 1234567);
    EXPECT_EQ(out, L"-2147483648 1234567");
}

} // namespace
