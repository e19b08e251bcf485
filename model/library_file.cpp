#include "model/library_file.h"

#include "base/utf8_text.h"
#include "base/file_bytes.h"

#include <string>
#include <string_view>
#include <system_error>

using plotwright::base::Utf8Replacement;
using plotwright::base::utf8FromWide;
using plotwright::base::wideFromUtf8;

namespace {

bool fail(int code, std::wstring& text, std::wstring* error)
{
    text.clear();
    if (error)
        *error = wideFromUtf8(std::generic_category().message(code), Utf8Replacement::perMaximalPart);
    return false;
}

} // namespace

bool ReadLibraryFile(const std::wstring& path, std::wstring& text, std::wstring* error)
{
    std::string bytes;
    if (const int code = plotwright::base::readFileBytes(utf8FromWide(path), bytes); code != 0)
        return fail(code, text, error);
    std::string_view view(bytes);
    if (view.starts_with("\xEF\xBB\xBF"))
        view.remove_prefix(3);
    text = wideFromUtf8(view, Utf8Replacement::perMaximalPart);
    if (error)
        error->clear();
    return true;
}
