#include "render/mtext_layout.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cwctype>
#include <numbers>
#include <string>
#include <string_view>

namespace plotwright::db::detail {
namespace {

std::wstring lowerCase(std::wstring s)
{
    for (wchar_t& c : s)
        c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
    return s;
}

// The number at the start of `s` ("2.5", "-1e2"); `used` receives its length, 0 when none.
double leadingNumber(std::wstring_view s, std::size_t& used)
{
    std::string ascii;
    for (wchar_t c : s) {
        if (!(std::iswdigit(static_cast<wint_t>(c)) || c == L'.' || c == L'-' || c == L'+' || c == L'e' || c == L'E'))
            break;
        ascii.push_back(static_cast<char>(c));
    }
    double value = 0;
    const auto [end, ec] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
    used = ec == std::errc() ? static_cast<std::size_t>(end - ascii.data()) : 0;
    return ec == std::errc() && std::isfinite(value) ? value : 0.0;
}

// Reads a code's contents up to its ';' (the rest of the text when there is none).
class Reader {
public:
    Reader(const std::wstring& s, const MTextFormat& base) : s_(s) { formats_.push_back(base); }

    MTextColumns read()
    {
        MTextColumns columns(1, std::vector<MTextParagraph>(1));
        while (i_ < s_.size()) {
            const wchar_t c = s_[i_];
            if (c == L'{') {
                formats_.push_back(formats_.back());
                ++i_;
            } else if (c == L'}') {
                if (formats_.size() > 1)
                    formats_.pop_back();
                ++i_;
            } else if (c == L'\n') {
                newParagraph(columns);
                ++i_;
            } else if (c == L'^' && i_ + 1 < s_.size()) {
                // Caret codes, as files keep control characters: ^J a line break, ^I a
                // tab, "^ " the caret itself; ^X otherwise the character 64 below X,
                // whose control characters (^M and the like) are not shown.
                const wchar_t next = s_[i_ + 1];
                if (next == L'J')
                    newParagraph(columns);
                else if (next == L'I')
                    tab(columns);
                else if (next == L' ')
                    add(columns, L"^");
                else if (next < L'@')
                    add(columns, std::wstring(1, next));
                else if (next - L'@' >= 0x20)
                    add(columns, std::wstring(1, static_cast<wchar_t>(next - L'@')));
                i_ += 2;
            } else if (c != L'\\' || i_ + 1 >= s_.size()) {
                add(columns, std::wstring(1, c));
                ++i_;
            } else {
                code(columns);
            }
        }
        return columns;
    }

private:
    std::wstring argument()
    {
        const std::size_t semi = s_.find(L';', i_);
        const std::size_t end = semi == std::wstring::npos ? s_.size() : semi;
        std::wstring value = s_.substr(i_, end - i_);
        i_ = semi == std::wstring::npos ? s_.size() : semi + 1;
        return value;
    }

    // A new paragraph starts in the paragraph format set last.
    void newParagraph(MTextColumns& columns) { columns.back().push_back({{}, paragraph_}); }

    void tab(MTextColumns& columns) { columns.back().back().pieces.push_back({L"", {}, L'\t', formats_.back()}); }

    void add(MTextColumns& columns, const std::wstring& text)
    {
        std::vector<MTextPiece>& paragraph = columns.back().back().pieces;
        if (!paragraph.empty() && paragraph.back().stack == 0 && paragraph.back().format == formats_.back())
            paragraph.back().text += text;
        else
            paragraph.push_back({text, {}, 0, formats_.back()});
    }

    void code(MTextColumns& columns)
    {
        const wchar_t code = s_[i_ + 1];
        i_ += 2;
        MTextFormat& f = formats_.back();
        switch (code) {
        case L'P':
        case L'X':
            newParagraph(columns);
            break;
        case L'N':
            columns.emplace_back();
            newParagraph(columns);
            break;
        case L'~':
            add(columns, L"\u00A0");
            break;
        case L'\\': case L'{': case L'}':
            add(columns, std::wstring(1, code));
            break;
        case L'L': f.underline = true; break;
        case L'l': f.underline = false; break;
        case L'O': f.overline = true; break;
        case L'o': f.overline = false; break;
        case L'K': f.strike = true; break;
        case L'k': f.strike = false; break;
        case L'C': {
            std::size_t used = 0;
            const double value = leadingNumber(argument(), used);
            if (used > 0 && value >= 0 && value <= 256) {
                f.colorIndex = static_cast<int>(value);
                f.rgb = -1;
            }
            break;
        }
        case L'c': {
            std::size_t used = 0;
            const double value = leadingNumber(argument(), used);
            if (used > 0 && value >= 0 && value <= 0xFFFFFFFF) {
                // Stored as blue, green, red from the highest byte down.
                const auto v = static_cast<std::uint32_t>(value);
                f.rgb = static_cast<std::int32_t>(((v & 0xFF) << 16) | (v & 0xFF00) | ((v >> 16) & 0xFF));
            }
            break;
        }
        case L'H':
        case L'W': {
            const std::wstring arg = argument();
            std::size_t used = 0;
            const double value = std::abs(leadingNumber(arg, used));
            double& target = code == L'H' ? f.height : f.widthFactor;
            // "0.5x" is relative to the current value, "2.5" absolute.
            if (used > 0 && value > 0)
                target = used < arg.size() && (arg[used] == L'x' || arg[used] == L'X') ? target * value : value;
            break;
        }
        case L'Q': {
            std::size_t used = 0;
            const double degrees = leadingNumber(argument(), used);
            if (used > 0)
                f.oblique = degrees * std::numbers::pi / 180.0;
            break;
        }
        case L'f':
        case L'F': {
            // family|b1|i0|c0|p34 for a system font; a file name for a CAD line font.
            const std::wstring arg = argument();
            std::size_t start = 0;
            bool first = true;
            while (start <= arg.size()) {
                const std::size_t bar = std::min(arg.find(L'|', start), arg.size());
                const std::wstring part = arg.substr(start, bar - start);
                if (first)
                    f.family = part.find(L'.') != std::wstring::npos || code == L'F' ? fontFamilyOfFile(part) : part;
                else if (part.size() >= 2 && (part[0] == L'b' || part[0] == L'i'))
                    (part[0] == L'b' ? f.bold : f.italic) = part[1] != L'0';
                first = false;
                start = bar + 1;
            }
            break;
        }
        case L'S':
            stack(columns);
            break;
        case L'A': {
            std::size_t used = 0;
            const double value = leadingNumber(argument(), used);
            if (used > 0 && (value == 0 || value == 1 || value == 2))
                f.vertical = static_cast<int>(value);
            break;
        }
        case L'T': {
            std::size_t used = 0;
            const double value = std::abs(leadingNumber(argument(), used));
            // Tracking is limited to what the editors of CAD programs accept.
            if (used > 0 && value >= 0.75 && value <= 4)
                f.tracking = value;
            break;
        }
        case L'p':
            paragraphCode(argument());
            columns.back().back().format = paragraph_;
            break;
        default:
            // An unknown code is shown as it stands.
            add(columns, std::wstring{L'\\', code});
            break;
        }
    }

    // \p: i first indent, l left, r right, q alignment, t tab stops to the end, each
    // followed by "*" for its default; commas between; x is a marker without meaning.
    void paragraphCode(const std::wstring& arg)
    {
        std::size_t k = 0;
        const auto number = [&] {
            if (k < arg.size() && arg[k] == L'*') {
                ++k;
                return 0.0;
            }
            std::size_t used = 0;
            const double value = leadingNumber(std::wstring_view(arg).substr(k), used);
            k += used;
            return value;  // 0 when there is none
        };
        while (k < arg.size()) {
            const wchar_t c = arg[k++];
            MTextParagraphFormat& p = paragraph_;
            switch (c) {
            case L'i': p.firstIndent = number(); break;
            case L'l': p.left = number(); break;
            case L'r': p.right = number(); break;
            case L'q': {
                const wchar_t a = k < arg.size() ? arg[k++] : L'*';
                p.align = a == L'l' ? MTextParagraphFormat::kLeft : a == L'r' ? MTextParagraphFormat::kRight
                        : a == L'c' ? MTextParagraphFormat::kCenter : a == L'j' ? MTextParagraphFormat::kJustified
                        : a == L'd' ? MTextParagraphFormat::kDistributed : MTextParagraphFormat::kDefault;
                break;
            }
            case L't':
                p.tabs.clear();
                while (k < arg.size()) {
                    wchar_t kind = L'l';
                    if (arg[k] == L'c' || arg[k] == L'r')
                        kind = arg[k++];
                    std::size_t used = 0;
                    const double at = leadingNumber(std::wstring_view(arg).substr(k), used);
                    if (used == 0) {
                        ++k;  // not a number: skipped
                        continue;
                    }
                    k += used;
                    if (at >= 0)
                        p.tabs.push_back({at, kind});
                    while (k < arg.size() && arg[k] == L',')
                        ++k;
                }
                std::sort(p.tabs.begin(), p.tabs.end(), [](const auto& a, const auto& b) { return a.at < b.at; });
                break;
            default:  // x, commas and what is not known
                break;
            }
        }
    }

    // \Supper^lower; with / for a bar and # for a slant; "\;" and "\^" are characters.
    void stack(MTextColumns& columns)
    {
        std::wstring parts[2];
        wchar_t kind = 0;
        while (i_ < s_.size() && s_[i_] != L';') {
            wchar_t c = s_[i_++];
            if (c == L'\\' && i_ < s_.size()) {
                c = s_[i_++];
            } else if (kind == 0 && (c == L'^' || c == L'/' || c == L'#')) {
                kind = c;
                continue;
            }
            parts[kind ? 1 : 0].push_back(c < L' ' ? L' ' : c);
        }
        if (i_ < s_.size())
            ++i_;  // the ';'
        if (kind == 0) {
            add(columns, parts[0]);
            return;
        }
        // A tolerance stack ("+0.1^-0.2") has a blank after its '^'.
        if (kind == L'^' && !parts[1].empty() && parts[1].front() == L' ')
            parts[1].erase(0, 1);
        columns.back().back().pieces.push_back({parts[0], parts[1], kind, formats_.back()});
    }

    const std::wstring& s_;
    std::size_t i_ = 0;
    std::vector<MTextFormat> formats_;
    MTextParagraphFormat paragraph_;
};

} // namespace

MTextColumns mtextPieces(const std::wstring& contents, const MTextFormat& base)
{
    return Reader(contents, base).read();
}

std::wstring fontFamilyOfFile(const std::wstring& file)
{
    std::wstring name = file;
    const std::size_t slash = name.find_last_of(L"/\\");
    if (slash != std::wstring::npos)
        name.erase(0, slash + 1);
    const std::size_t dot = name.rfind(L'.');
    const std::wstring extension = dot == std::wstring::npos ? L"" : lowerCase(name.substr(dot + 1));
    if (extension != L"ttf" && extension != L"ttc" && extension != L"otf")
        return {};
    const std::wstring base = lowerCase(name.substr(0, dot));
    // The files of the fonts drawings name most, by their families.
    static const struct {
        const wchar_t* file;
        const wchar_t* family;
    } known[] = {
        {L"arial", L"Arial"},          {L"arialbd", L"Arial"},         {L"ariali", L"Arial"},
        {L"arialbi", L"Arial"},        {L"arialn", L"Arial Narrow"},   {L"times", L"Times New Roman"},
        {L"timesbd", L"Times New Roman"}, {L"timesi", L"Times New Roman"}, {L"cour", L"Courier New"},
        {L"courbd", L"Courier New"},   {L"calibri", L"Calibri"},       {L"verdana", L"Verdana"},
        {L"tahoma", L"Tahoma"},        {L"segoeui", L"Segoe UI"},      {L"consola", L"Consolas"},
        {L"isocpeur", L"ISOCPEUR"},    {L"isocteur", L"ISOCTEUR"},     {L"simsun", L"SimSun"},
        {L"gothic", L"Century Gothic"}, {L"romantic", L"Romantic"},    {L"swissek", L"Swis721 Ex BT"},
    };
    for (const auto& k : known) {
        if (base == k.file)
            return k.family;
    }
    return name.substr(0, dot);
}

} // namespace plotwright::db::detail
