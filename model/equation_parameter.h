#pragma once
// One named variable of a curve: the running variable stepped over a range, or a constant.

#include <memory>
#include <string>

enum ParameterKind : int {
    RunningVariable = 1,
    Constant = 2,
};

// Every field of a parameter, in the order of the library file's attributes.
// Lets a loader or a test build a parameter in one expression:
//   CEquationParameter({.name = L"a", .type = Constant, .min = 1, .max = 5, .value = 3})
struct ParameterFields {
    std::wstring name;
    int type = 0;
    double defaultValue = 0;   // the file's "default"
    double min = 0;
    double max = 0;
    double defaultMin = 0;
    double defaultMax = 0;
    double increment = 0;
    int minSet = 0;
    int maxSet = 0;
    double value = 0;
    double minValue = 0;
    double maxValue = 0;
    double defaultIncrement = 0;
};

class CEquationParameter {
public:
    CEquationParameter() = default;
    explicit CEquationParameter(ParameterFields fields) : f_(std::move(fields)) {}
    CEquationParameter(const CEquationParameter&) = default;
    CEquationParameter& operator=(const CEquationParameter&) = default;
    virtual ~CEquationParameter() = default;

    std::wstring GetName() const { return f_.name; }
    // Use CEquation::RenameParameter when the parameter belongs to an equation.
    void SetName(const std::wstring& name) { f_.name = name; }
    int GetType() const { return f_.type; }
    void SetType(int type) { f_.type = type; }
    double GetMin() const { return f_.min; }
    double GetMax() const { return f_.max; }
    double GetIncrement() const { return f_.increment; }
    void SetIncrement(double v) { f_.increment = v; }
    int GetMinSet() const { return f_.minSet; }
    int GetMaxSet() const { return f_.maxSet; }
    double GetValue() const { return f_.value; }
    void SetValue(double v) { f_.value = v; }
    double GetMinValue() const { return f_.minValue; }
    void SetMinValue(double v) { f_.minValue = v; }
    double GetMaxValue() const { return f_.maxValue; }
    void SetMaxValue(double v) { f_.maxValue = v; }

    // All fields, including the stored-only defaults, for writers and displays.
    const ParameterFields& Fields() const { return f_; }

    // One EquationParameter element of the library file format.
    std::wstring ToXml() const;

private:
    ParameterFields f_;
};

using CEquationParameterPtr = std::shared_ptr<CEquationParameter>;
