#include "base/number_text.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>

namespace {

using plotwright::base::appendDecimal;
using plotwright::base::formatPrecise;
using plotwright::base::formatShortest;
using plotwright::base::parseNumber;

TEST(number_text, parse_accepts_only_finite_point_decimals)
{
    const struct {
        const char* text;
        std::optional<double> value;
    } rows[] = {
        {"1.5", 1.5}, {"-2", -2.0}, {"+3e2", 300.0}, {".5", 0.5}, {"1e-300", 1e-300},
        {"1,5", std::nullopt}, {" 4", std::nullopt}, {"4 ", std::nullopt}, {"+-5", std::nullopt},
        {"++5", std::nullopt}, {"+", std::nullopt}, {"", std::nullopt}, {"nan", std::nullopt},
        {"inf", std::nullopt}, {"1e999", std::nullopt}, {"0x10", std::nullopt},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(parseNumber(row.text), row.value);
    }
}

TEST(number_text, format_round_trips_and_names_non_finite_values)
{
    EXPECT_EQ(formatShortest(0.1), "0.1");
    EXPECT_EQ(formatShortest(6.28319), "6.28319");
    EXPECT_EQ(formatShortest(1e-20), "1e-20");
    EXPECT_EQ(formatPrecise(0.1), "0.10000000000000001");
    EXPECT_EQ(formatPrecise(std::numeric_limits<double>::quiet_NaN()), "nan");
    EXPECT_EQ(formatPrecise(-std::numeric_limits<double>::infinity()), "-inf");
    for (double v : {M_PI, -1.0 / 3, 1e308, 5e-324}) {
        EXPECT_EQ(parseNumber(formatShortest(v)), v);
        EXPECT_EQ(parseNumber(formatPrecise(v)), v);
    }
}

TEST(number_text, decimal_appends_whole_range)
{
    std::wstring text = L"at ";
    appendDecimal(text, LLONG_MIN);
    EXPECT_EQ(text, L"at -9223372036854775808");
}

} // namespace
