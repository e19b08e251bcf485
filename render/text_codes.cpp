#include "render/text_codes.h"

namespace plotwright::db::detail {

std::wstring plainText(const std::wstring& text)
{
    std::wstring out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        // A caret and a character stand for a control character (^J a line feed, ^I a
        // tab, "^ " the caret itself), as files keep them.
        if (text[i] == L'^' && i + 1 < text.size()) {
            const wchar_t next = text[++i];
            out.push_back(next == L' ' ? L'^' : next >= L'@' ? static_cast<wchar_t>(next - L'@') : next);
            continue;
        }
        if (text[i] != L'%' || i + 2 >= text.size() || text[i + 1] != L'%') {
            out.push_back(text[i]);
            continue;
        }
        const wchar_t code = text[i + 2];
        switch (code) {
        case L'd': case L'D': out.push_back(L'\u00B0'); i += 2; break;
        case L'p': case L'P': out.push_back(L'\u00B1'); i += 2; break;
        case L'c': case L'C': out.push_back(L'\u2300'); i += 2; break;
        case L'%': out.push_back(L'%'); i += 2; break;
        case L'u': case L'U': case L'o': case L'O': case L'k': case L'K': i += 2; break;
        default:
            if (code >= L'0' && code <= L'9') {
                // Up to three digits give a character number.
                unsigned value = 0;
                std::size_t j = i + 2;
                for (; j < text.size() && j < i + 5 && text[j] >= L'0' && text[j] <= L'9'; ++j)
                    value = value * 10 + unsigned(text[j] - L'0');
                out.push_back(static_cast<wchar_t>(value));
                i = j - 1;
            } else {
                out.push_back(text[i]);
            }
        }
    }
    return out;
}

namespace {

// Skips a code's argument up to and including its ';' (the rest of the text when none).
std::size_t skipArgument(const std::wstring& s, std::size_t i)
{
    const std::size_t semi = s.find(L';', i);
    return semi == std::wstring::npos ? s.size() : semi + 1;
}

} // namespace

std::vector<std::wstring> mtextLines(const std::wstring& s)
{
    std::vector<std::wstring> lines(1);
    std::size_t i = 0;
    while (i < s.size()) {
        const wchar_t c = s[i];
        if (c == L'{' || c == L'}') {
            ++i;
            continue;
        }
        if (c == L'\n') {
            lines.emplace_back();
            ++i;
            continue;
        }
        // Caret codes are control characters: ^J a line break, ^I a tab, ^M nothing.
        if (c == L'^' && i + 1 < s.size() && (s[i + 1] == L'J' || s[i + 1] == L'I' || s[i + 1] == L'M')) {
            if (s[i + 1] == L'J')
                lines.emplace_back();
            else if (s[i + 1] == L'I')
                lines.back().push_back(L' ');
            i += 2;
            continue;
        }
        if (c != L'\\' || i + 1 >= s.size()) {
            lines.back().push_back(c);
            ++i;
            continue;
        }
        const wchar_t code = s[i + 1];
        switch (code) {
        case L'P':
        case L'X':
            lines.emplace_back();
            i += 2;
            break;
        case L'~':
            lines.back().push_back(L'\u00A0');
            i += 2;
            break;
        case L'\\': case L'{': case L'}':
            lines.back().push_back(code);
            i += 2;
            break;
        case L'L': case L'l': case L'O': case L'o': case L'K': case L'k': case L'N':
            i += 2;
            break;
        case L'A': case L'C': case L'c': case L'F': case L'f': case L'H': case L'Q': case L'T': case L'W':
        case L'p':
            i = skipArgument(s, i + 2);
            break;
        case L'S': {
            // \Snumerator^denominator; (also / and # as separators)
            const std::size_t end = skipArgument(s, i + 2);
            std::wstring stack = s.substr(i + 2, end - (i + 2));
            if (!stack.empty() && stack.back() == L';')
                stack.pop_back();
            for (wchar_t& k : stack) {
                if (k == L'^' || k == L'#')
                    k = L'/';
            }
            lines.back() += stack;
            i = end;
            break;
        }
        default:
            lines.back().push_back(c);
            ++i;
            break;
        }
    }
    return lines;
}

} // namespace plotwright::db::detail
