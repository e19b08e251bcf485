#include "model/equation.h"

#include "base/number_text.h"
#include "base/utf8_text.h"

#include <cmath>

void CEquation::AddParameter(const CEquationParameterPtr& parameter)
{
    parameters_.push_back(parameter);
    index_.try_emplace(parameter->GetName(), parameter);
}

void CEquation::RenameParameter(const CEquationParameterPtr& parameter, const std::wstring& newName)
{
    index_.erase(parameter->GetName());
    parameter->SetName(newName);
    index_.insert_or_assign(newName, parameter);
}

CEquationParameterPtr CEquation::FindParameter(const std::wstring& name) const
{
    auto it = index_.find(name);
    return it == index_.end() ? nullptr : it->second;
}

void CEquation::CopyTo(CEquation& target) const
{
    if (&target == this)
        return;
    target.type_ = type_;
    target.name_ = name_;
    target.equationy_ = equationy_;
    target.equationx_ = equationx_;
    target.equationz_ = equationz_;
    target.window_ = window_;
    target.createdBy_ = createdBy_;
    target.selected_ = selected_;
    target.parameters_.clear();
    target.index_.clear();
    for (const CEquationParameterPtr& p : parameters_)
        target.AddParameter(std::make_shared<CEquationParameter>(*p));
}

namespace {

// Written as "lo <= v && v <= hi" so that a NaN on any side fails.
bool within(double v, double lo, double hi) { return lo <= v && v <= hi; }

bool parameterValid(const CEquationParameter& p)
{
    const ParameterFields& f = p.Fields();
    switch (f.type) {
    case Constant:
        return f.min == f.max || within(f.value, f.min, f.max);
    case RunningVariable:
        if (f.minSet == f.maxSet)
            return f.maxValue > f.minValue;
        return within(f.minValue, f.minSet, f.maxSet) && within(f.maxValue, f.minSet, f.maxSet);
    default:
        return false;
    }
}

} // namespace

bool ValidateParameters(const CEquation& equation)
{
    for (const CEquationParameterPtr& p : equation.GetParameters())
        if (!parameterValid(*p))
            return false;
    return true;
}

namespace {

std::wstring number(double v) { return plotwright::base::wideFromUtf8(plotwright::base::formatShortest(v)); }

// The reason one bounded value breaks its bounds, or empty.
std::wstring outside(const std::wstring& what, double v, double lo, double hi)
{
    if (std::isnan(v))
        return what + L" is not a number";
    if (!(lo <= v))
        return what + L" is below its lower bound " + number(lo);
    if (!(v <= hi))
        return what + L" is above its upper bound " + number(hi);
    return {};
}

std::wstring parameterReason(const CEquationParameter& p)
{
    const ParameterFields& f = p.Fields();
    switch (f.type) {
    case Constant:
        return f.min == f.max ? std::wstring() : outside(f.name + L" = " + number(f.value), f.value, f.min, f.max);
    case RunningVariable:
        if (f.minSet == f.maxSet)
            return f.maxValue > f.minValue ? std::wstring()
                                           : f.name + L": the range's end " + number(f.maxValue)
                                                 + L" is not above its start " + number(f.minValue);
        if (std::wstring r = outside(f.name + L": the range's start " + number(f.minValue), f.minValue, f.minSet,
                                     f.maxSet);
            !r.empty())
            return r;
        return outside(f.name + L": the range's end " + number(f.maxValue), f.maxValue, f.minSet, f.maxSet);
    default:
        return f.name + L": the parameter's type " + std::to_wstring(f.type)
               + L" is neither 1 (running variable) nor 2 (constant)";
    }
}

} // namespace

std::wstring invalidParameterReason(const CEquation& equation)
{
    for (const CEquationParameterPtr& p : equation.GetParameters())
        if (std::wstring reason = parameterReason(*p); !reason.empty())
            return reason;
    return {};
}
