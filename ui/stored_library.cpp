#include "ui/stored_library.h"

#include "base/utf8_text.h"
#include "model/equation_list.h"
#include "model/library_file.h"
#include "base/file_bytes.h"
#include "base/replace_file.h"

#include <cerrno>
#include <string_view>
#include <system_error>

namespace plotwright::ui {

namespace {

using base::Utf8Replacement;
using base::utf8FromWide;
using base::wideFromUtf8;

std::wstring systemReason(int code)
{
    return wideFromUtf8(std::generic_category().message(code), Utf8Replacement::perMaximalPart);
}

void appendDigits(std::wstring& text, int value, int width)
{
    std::wstring digits = std::to_wstring(value);
    if (static_cast<int>(digits.size()) < width)
        digits.insert(0, static_cast<std::size_t>(width) - digits.size(), L'0');
    text += digits;
}

// "<stem>.damaged-YYYYMMDD-HHMMSS[-n].xml" beside `path`.
std::wstring copyName(const std::wstring& path, std::time_t now, int attempt)
{
    std::wstring stem = path;
    if (stem.size() >= 4 && stem.compare(stem.size() - 4, 4, L".xml") == 0)
        stem.resize(stem.size() - 4);
    std::tm local {};
    localtime_r(&now, &local);
    std::wstring name = stem + L".damaged-";
    appendDigits(name, local.tm_year + 1900, 4);
    appendDigits(name, local.tm_mon + 1, 2);
    appendDigits(name, local.tm_mday, 2);
    name += L'-';
    appendDigits(name, local.tm_hour, 2);
    appendDigits(name, local.tm_min, 2);
    appendDigits(name, local.tm_sec, 2);
    if (attempt > 1) {
        name += L'-';
        name += std::to_wstring(attempt);
    }
    return name + L".xml";
}

void keepCopy(StoredLibrary& library, std::string_view bytes, std::time_t now)
{
    constexpr int attempts = 1000;
    for (int attempt = 1; attempt <= attempts; ++attempt) {
        const std::wstring name = copyName(library.path, now, attempt);
        // The copy's name appears only once all of it is on disk.
        const base::FileResult made = base::createNewFile(utf8FromWide(name), bytes);
        if (made.ok()) {
            library.copyPath = name;
            return;
        }
        if (made.error != base::FileError::exists) {
            library.copyError = wideFromUtf8(made.reason, Utf8Replacement::perMaximalPart);
            return;
        }
    }
    library.copyError = systemReason(EEXIST);
}

std::wstring withoutFinalStop(std::wstring text)
{
    while (!text.empty() && (text.back() == L'.' || text.back() == L'\n'))
        text.pop_back();
    return text;
}

} // namespace

StoredLibrary ReadStoredLibrary(const std::wstring& path, CEquationList& list, std::time_t now)
{
    StoredLibrary library;
    library.path = path;
    list.Clear();

    std::string bytes;
    if (const int code = base::readFileBytes(utf8FromWide(path), bytes); code != 0) {
        if (code == ENOENT || code == ENOTDIR)
            return library;
        library.state = StoredLibrary::State::Damaged;
        library.unreadable = true;
        library.problem = systemReason(code);
        // Nothing was read, so there is nothing to copy either.
        library.copyError = library.problem;
        return library;
    }

    std::string_view content(bytes);
    if (content.starts_with("\xEF\xBB\xBF"))
        content.remove_prefix(3);
    // Bytes that are not UTF-8 would come back as U+FFFD, and the next save would
    // write those instead of what the file held.
    if (utf8FromWide(wideFromUtf8(content, Utf8Replacement::perMaximalPart)) != content)
        library.problem = L"it is not UTF-8 text";
    const plotwright::Result loaded = plotwright::model::loadLibrary(bytes, list, utf8FromWide(path));
    if (library.problem.empty() && !loaded.notice.empty())
        library.problem = L"it is not well-formed (" + withoutFinalStop(loaded.notice) + L")";
    if (!loaded && library.problem.empty())
        library.problem = L"it holds no curve library";

    if (library.problem.empty()) {
        library.state = StoredLibrary::State::Loaded;
        return library;
    }
    library.state = StoredLibrary::State::Damaged;
    library.curvesRead = list.GetEquations().size();
    keepCopy(library, bytes, now);
    return library;
}

std::wstring DamageReport(const StoredLibrary& library, const std::wstring& nothingReadNote)
{
    if (library.state != StoredLibrary::State::Damaged)
        return {};
    std::wstring text = L"The curve library \"" + library.path + L"\"";
    text += library.unreadable ? L" could not be read: " : L" is damaged: ";
    text += withoutFinalStop(library.problem) + L".\n";
    if (library.curvesRead == 0)
        text += nothingReadNote;
    else if (library.curvesRead == 1)
        text += L"The one curve that could be read from it is shown.";
    else
        text += L"The " + std::to_wstring(library.curvesRead) + L" curves that could be read from it are shown.";
    text += L"\nThe file will be replaced when the dialog is closed. ";
    if (!library.copyPath.empty())
        text += L"A copy of it as it was is kept in \"" + library.copyPath + L"\".";
    else
        text += L"No copy of it could be kept: " + withoutFinalStop(library.copyError) + L".";
    return text;
}

} // namespace plotwright::ui
