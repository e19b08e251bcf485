#include "model/library_merge.h"

#include "model/equation_list.h"

#include <algorithm>
#include <set>

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
