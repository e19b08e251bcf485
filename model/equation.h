#pragma once
// One curve definition: its kind, name, expression texts and parameters.
// Parameters are held through shared handles; the copy constructor and assignment
// share them with the source, CopyTo makes independent ones.

#include "model/equation_parameter.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

enum EquationKind : int {
    ExplicitCartesian = 1,    // y = f(x): equationy
    ParametricCartesian = 2,  // x = f(t): equationx, y = f(t): equationy
    ExplicitPolar = 3,        // r = f(t): equationy
    SpaceCurve = 4,           // x = f(t), y = g(t), z = h(t): equationx, equationy, equationz
    ImplicitCurve = 5,        // F(x, y) = 0 within a window: equationy holds F
};

// Where an implicit curve is looked for, and how fine the grid that finds its branches
// is: cells of `cellSize` when it is above 0, otherwise `gridCells` cells along the
// window's longer side (0: the default count).
struct ImplicitWindow {
    double xMin = 0;
    double xMax = 0;
    double yMin = 0;
    double yMax = 0;
    int gridCells = 0;
    double cellSize = 0;
    bool operator==(const ImplicitWindow&) const = default;
};

// Cells along the longer side of an implicit curve's window when none are given.
constexpr int kDefaultGridCells = 200;

class CEquation {
public:
    using Parameters = std::vector<CEquationParameterPtr>;

    CEquation() = default;
    CEquation(const CEquation&) = default;
    CEquation& operator=(const CEquation&) = default;
    virtual ~CEquation() = default;

    int GetType() const { return type_; }
    void SetType(int type) { type_ = type; }
    std::wstring GetName() const { return name_; }
    void SetName(const std::wstring& name) { name_ = name; }
    std::wstring GetEquationY() const { return equationy_; }
    void SetEquationY(const std::wstring& text) { equationy_ = text; }
    std::wstring GetEquationX() const { return equationx_; }
    void SetEquationX(const std::wstring& text) { equationx_ = text; }
    // z of a space curve; empty for every other kind.
    std::wstring GetEquationZ() const { return equationz_; }
    void SetEquationZ(const std::wstring& text) { equationz_ = text; }
    // The window of an implicit curve; all zero for every other kind.
    const ImplicitWindow& GetWindow() const { return window_; }
    void SetWindow(const ImplicitWindow& window) { window_ = window; }
    int GetCreatedBy() const { return createdBy_; }
    void SetCreatedBy(int createdBy) { createdBy_ = createdBy; }
    // The `selected` mark of the library file; CEquationList::SetSelected sets it.
    int GetSelected() const { return selected_; }
    void SetSelected(int selected) { selected_ = selected; }

    // In insertion order; read with at() or indices below size().
    const Parameters& GetParameters() const { return parameters_; }
    // Appends; the name index keeps the first parameter added under a name.
    void AddParameter(const CEquationParameterPtr& parameter);
    // Re-keys the name index: drops the entry under the current name, renames, inserts.
    void RenameParameter(const CEquationParameterPtr& parameter, const std::wstring& newName);
    // The parameter indexed under `name`, or an empty handle.
    CEquationParameterPtr FindParameter(const std::wstring& name) const;

    // Deep copy into `target`: same fields, fresh parameter objects shared with nobody.
    void CopyTo(CEquation& target) const;

    // One Equation element of the library file format, with its parameters.
    std::wstring ToXml() const;

private:
    int type_ = 0;
    std::wstring name_;
    std::wstring equationy_;
    std::wstring equationx_;
    std::wstring equationz_;
    ImplicitWindow window_;
    int createdBy_ = 0;
    int selected_ = 0;
    Parameters parameters_;
    std::map<std::wstring, CEquationParameterPtr> index_;
};

using CEquationPtr = std::shared_ptr<CEquation>;

// True when every parameter is fit for sampling: constants within [min, max] unless
// min == max, running variables within [minSet, maxSet] unless minSet == maxSet (then
// maxValue > minValue). Any comparison with NaN fails; other kinds are invalid.
bool ValidateParameters(const CEquation& equation);

// Why ValidateParameters refuses `equation`: the first parameter at fault, the value,
// the rule it breaks and the bound ("k = 11 is above its upper bound 10", "t: the
// range's end 12.5 is above its upper bound 10"); empty when it accepts it.
std::wstring invalidParameterReason(const CEquation& equation);
