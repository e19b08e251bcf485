// UTF-8 against wide text: the two ways of replacing ill-formed bytes, and the code
// points that UTF-8 cannot carry.
#include "base/utf8_text.h"

#include <gtest/gtest.h>

#include <string>

using plotwright::base::Utf8Replacement;
using plotwright::base::utf8FromWide;
using plotwright::base::wideFromUtf8;

namespace {

TEST(utf8_text, decoding_replaces_each_bad_part_or_sequence)
{
    struct Row {
        const char* name;
        std::string bytes;
        std::wstring byParts;      // Utf8Replacement::perMaximalPart
        std::wstring bySequences;  // Utf8Replacement::perSequence, the default
    };
    const std::wstring r = L"\ufffd";
    const Row rows[] = {
        {"ascii", "abc", L"abc", L"abc"},
        {"two bytes", "\xC3\xA9", L"\u00e9", L"\u00e9"},
        {"three bytes", "\xE2\x82\xAC", L"\u20ac", L"\u20ac"},
        {"four bytes", "\xF0\x9F\x98\x80", L"\U0001F600", L"\U0001F600"},
        {"stray continuation byte", "\x80" "a", r + L"a", r + L"a"},
        {"stray continuation bytes", "\x80\xBF" "a", r + r + L"a", r + r + L"a"},
        {"overlong two bytes", "\xC0\xAF", r + r, r + r},
        {"overlong three bytes", "\xE0\x80\xAF", r + r + r, r},
        {"surrogate", "\xED\xA0\x80", r + r + r, r},
        {"beyond the last code point", "\xF4\x90\x80\x80", r + r + r + r, r},
        {"invalid lead byte", "\xF5\x80", r + r, r + r},
        {"cut off at the end", "a\xE2\x82", L"a" + r, L"a" + r},
        {"cut off before ascii", "\xE2\x82" "a", r + L"a", r + L"a"},
        {"nul byte kept", std::string("a\0b", 3), std::wstring(L"a\0b", 3), std::wstring(L"a\0b", 3)},
        {"byte-order mark kept", "\xEF\xBB\xBF" "a", L"\ufeffa", L"\ufeffa"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(wideFromUtf8(row.bytes, Utf8Replacement::perMaximalPart), row.byParts);
        EXPECT_EQ(wideFromUtf8(row.bytes), row.bySequences);
    }
}

TEST(utf8_text, encoding_round_trips_and_replaces_surrogates)
{
    const std::wstring text = L"a\u00e9\u20ac\U0001F600\u007f\u0080\u07ff\u0800\uffff\U0010FFFF";
    EXPECT_EQ(wideFromUtf8(utf8FromWide(text)), text);
    EXPECT_EQ(utf8FromWide(std::wstring(1, static_cast<wchar_t>(0xD800))), "\xEF\xBF\xBD");
    EXPECT_EQ(utf8FromWide(std::wstring(1, static_cast<wchar_t>(0x110000))), "\xEF\xBF\xBD");
}

TEST(utf8_text, encoding_joins_a_surrogate_pair)
{
    const std::wstring pair{static_cast<wchar_t>(0xD83D), static_cast<wchar_t>(0xDE00)};
    EXPECT_EQ(utf8FromWide(pair), "\xF0\x9F\x98\x80");
    EXPECT_EQ(utf8FromWide(std::wstring(pair.rbegin(), pair.rend())), "\xEF\xBF\xBD\xEF\xBF\xBD");
}

} // namespace
