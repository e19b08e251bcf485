#include "model/library_file.h"

#include "base/utf8_text.h"
#include "base/file_bytes.h"
#include "markup/xml_document.h"
#include "model/equation_list.h"
#include "model/library_document.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <system_error>

using plotwright::base::Utf8Replacement;
using plotwright::base::utf8FromWide;
using plotwright::base::wideFromUtf8;

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

std::wstring systemReason(int code)
{
    return wideFromUtf8(std::generic_category().message(code), Utf8Replacement::perMaximalPart);
}

bool fail(int code, std::wstring& text, std::wstring* error)
{
    text.clear();
    if (error)
        *error = systemReason(code);
    return false;
}

// The line and byte offset in the file of character `at` of its decoded `text`, which
// followed `skipped` bytes (a byte-order mark). A character that was an ill-formed byte
// counts as the three bytes of U+FFFD: the offset is exact for well-formed UTF-8.
void placeFault(plotwright::Where& where, const std::wstring& text, long long at, std::size_t skipped)
{
    if (at < 0 || static_cast<std::size_t>(at) > text.size())
        return;
    const std::wstring_view before = std::wstring_view(text).substr(0, static_cast<std::size_t>(at));
    where.line = 1 + static_cast<long>(std::count(before.begin(), before.end(), L'\n'));
    where.offset = static_cast<std::int64_t>(skipped + utf8FromWide(before).size());
}

} // namespace

bool ReadLibraryFile(const std::wstring& path, std::wstring& text, std::wstring* error)
{
    std::string bytes;
    if (const int code = plotwright::base::readFileBytes(utf8FromWide(path), bytes); code != 0)
        return fail(code, text, error);
    std::string_view view(bytes);
    if (view.starts_with(kByteOrderMark))
        view.remove_prefix(kByteOrderMark.size());
    text = wideFromUtf8(view, Utf8Replacement::perMaximalPart);
    if (error)
        error->clear();
    return true;
}

namespace plotwright::model {

Result loadLibrary(std::string_view bytes, CEquationList& list, const std::filesystem::path& file,
                   base::Utf8Replacement replacement)
{
    std::size_t skipped = 0;
    if (bytes.starts_with(kByteOrderMark)) {
        bytes.remove_prefix(kByteOrderMark.size());
        skipped = kByteOrderMark.size();
    }
    const std::wstring text = wideFromUtf8(bytes, replacement);
    CXmlDocument document;
    const bool wellFormed = document.ParseText(text);

    Result result;
    result.where.file = file;
    if (!wellFormed)
        placeFault(result.where, text, document.GetErrorOffset(), skipped);
    if (!wellFormed)
        result.notice = document.GetResultText();
    if (!ReadLibraryDocument(document, list)) {
        result.status = Status::fileError;
        result.message = L"not a curve library (no EquationList element)";
    }
    return result;
}

Result loadLibraryFile(const std::filesystem::path& path, CEquationList& list)
{
    std::string bytes;
    if (const int code = base::readFileBytes(path.string(), bytes); code != 0) {
        list.Clear();
        return {Status::fileError, systemReason(code), {path}};
    }
    return loadLibrary(bytes, list, path);
}

} // namespace plotwright::model
