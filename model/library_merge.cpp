#include "model/library_merge.h"

#include "base/utf8_text.h"
#include "model/equation_list.h"
#include "model/library_file.h"
#include "base/file_bytes.h"

#include <algorithm>
#include <cerrno>
#include <set>
#include <string_view>
#include <system_error>

using plotwright::base::utf8FromWide;
using plotwright::base::wideFromUtf8;

namespace {

std::wstring freeName(const std::wstring& name, const std::set<std::wstring>& taken)
{
    for (int n = 2;; ++n) {
        std::wstring candidate = name + L" (" + std::to_wstring(n) + L")";
        if (!taken.contains(candidate))
            return candidate;
    }
}

} // namespace

LibraryMergeResult MergeLibrary(CEquationList& into, const CEquationList& from, bool replace)
{
    LibraryMergeResult result;
    // Works on a copy of the sequence: the list's name index cannot forget a removed
    // curve, so the list is rebuilt from the merged sequence at the end.
    CEquationList::Equations merged = into.GetEquations();
    std::set<std::wstring> taken;
    for (const CEquationPtr& equation : merged)
        taken.insert(equation->GetName());

    for (const CEquationPtr& source : from.GetEquations()) {
        auto copy = std::make_shared<CEquation>();
        source->CopyTo(*copy);
        copy->SetSelected(0);
        const std::wstring name = copy->GetName();
        if (taken.contains(name)) {
            if (replace) {
                auto same = std::find_if(merged.begin(), merged.end(),
                                         [&](const CEquationPtr& e) { return e->GetName() == name; });
                *same = copy;
                ++result.replaced;
                continue;
            }
            copy->SetName(freeName(name, taken));
            result.renamed.push_back({name, copy->GetName()});
        }
        taken.insert(copy->GetName());
        merged.push_back(copy);
        ++result.added;
    }

    into.Clear();
    for (const CEquationPtr& equation : merged)
        into.AddEquation(equation);
    return result;
}

bool MergeIntoLibraryFile(const std::wstring& intoPath, const CEquationList& from, bool replace,
                          LibraryMergeResult& result, std::wstring& error)
{
    CEquationList into;
    std::string bytes;
    const int code = plotwright::base::readFileBytes(utf8FromWide(intoPath), bytes);
    if (code != 0 && code != ENOENT) {
        error = wideFromUtf8(std::generic_category().message(code));
        return false;
    }
    if (code == 0) {
        std::string_view view(bytes);
        if (view.starts_with("\xEF\xBB\xBF"))
            view.remove_prefix(3);
        const std::wstring text = wideFromUtf8(view);
        // Bytes that are not UTF-8 would come back as U+FFFD.
        if (utf8FromWide(text) != view) {
            error = L"not a curve library (not UTF-8 text); left unchanged";
            return false;
        }
        const plotwright::Result loaded = plotwright::model::loadLibrary(view, into);
        if (!loaded.notice.empty()) {
            error = L"not a well-formed curve library (" + loaded.notice + L"); left unchanged";
            return false;
        }
        if (!loaded) {
            error = L"not a curve library (no EquationList element); left unchanged";
            return false;
        }
    }
    result = MergeLibrary(into, from, replace);
    // The writer's result text also describes a success; only a failure's is passed on.
    std::wstring written;
    if (!into.SaveToFile(intoPath, &written)) {
        error = written;
        return false;
    }
    error.clear();
    return true;
}
