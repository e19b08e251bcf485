#include "model/equation_list.h"

#include <algorithm>

void CEquationList::AddEquation(const CEquationPtr& equation)
{
    equations_.push_back(equation);
    index_.try_emplace(equation->GetName(), equation);
}

bool CEquationList::RemoveEquation(const CEquation* equation)
{
    auto it = std::find_if(equations_.begin(), equations_.end(),
                           [equation](const CEquationPtr& e) { return e.get() == equation; });
    if (it == equations_.end())
        return false;
    equations_.erase(it);
    return true;
}

CEquationPtr CEquationList::FindEquation(const std::wstring& name) const
{
    auto it = index_.find(name);
    return it == index_.end() ? nullptr : it->second;
}

void CEquationList::SetSelected(CEquation& equation)
{
    for (const CEquationPtr& e : equations_)
        e->SetSelected(0);
    equation.SetSelected(1);
}

CEquationPtr CEquationList::GetSelected() const
{
    for (const CEquationPtr& e : equations_)
        if (e->GetSelected() != 0)
            return e;
    return nullptr;
}

void CEquationList::Clear()
{
    equations_.clear();
    index_.clear();
}
