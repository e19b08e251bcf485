// The equation model: which parameters are fit for sampling, first-name-wins indexing,
// shared versus deep copies, and the selection mark of a list.
#include "model/equation.h"
#include "model/equation_list.h"

#include "model/row_name.h"

#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

CEquationParameterPtr parameter(ParameterFields fields) { return std::make_shared<CEquationParameter>(std::move(fields)); }

CEquationParameterPtr constant(double value, double min = 0, double max = 0)
{
    return parameter({.name = L"a", .type = Constant, .min = min, .max = max, .value = value});
}

CEquationParameterPtr running(double start, double end, int minSet = 0, int maxSet = 0)
{
    return parameter({.name = L"t", .type = RunningVariable, .increment = 0.1, .minSet = minSet, .maxSet = maxSet,
                      .minValue = start, .maxValue = end});
}

CEquationPtr equationNamed(const std::wstring& name)
{
    auto e = std::make_shared<CEquation>();
    e->SetName(name);
    return e;
}

struct ValidationRow {
    std::string name;
    std::vector<CEquationParameterPtr> parameters;
    bool valid;
};

class ValidateParametersTest : public testing::TestWithParam<ValidationRow> {};

TEST_P(ValidateParametersTest, equation_validate_parameters)
{
    CEquation e;
    for (const CEquationParameterPtr& p : GetParam().parameters)
        e.AddParameter(p);
    EXPECT_EQ(ValidateParameters(e), GetParam().valid);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ValidateParametersTest,
    testing::Values(
        ValidationRow{"no parameters", {}, true},
        ValidationRow{"unbounded constant", {constant(10)}, true},
        ValidationRow{"constant on lower bound", {constant(1, 1, 5)}, true},
        ValidationRow{"constant on upper bound", {constant(5, 1, 5)}, true},
        ValidationRow{"constant just below bounds", {constant(0.999, 1, 5)}, false},
        ValidationRow{"constant just above bounds", {constant(5.001, 1, 5)}, false},
        ValidationRow{"constant with crossed bounds", {constant(3, 5, 1)}, false},
        ValidationRow{"NaN constant within bounds", {constant(kNaN, 1, 5)}, false},
        ValidationRow{"NaN constant unbounded", {constant(kNaN)}, true},
        ValidationRow{"unbounded range", {running(0, 6.28319)}, true},
        ValidationRow{"unbounded empty range", {running(5, 5)}, false},
        ValidationRow{"unbounded reversed range", {running(5, 2)}, false},
        ValidationRow{"unbounded range with NaN end", {running(0, kNaN)}, false},
        ValidationRow{"bounded reversed range inside bounds", {running(5, 2, 0, 10)}, true},
        ValidationRow{"bounded single value", {running(5, 5, 0, 10)}, true},
        ValidationRow{"bounded range on both bounds", {running(0, 10, 0, 10)}, true},
        ValidationRow{"bounded end past upper bound", {running(0, 10.5, 0, 10)}, false},
        ValidationRow{"bounded start below lower bound", {running(-0.5, 5, 0, 10)}, false},
        ValidationRow{"bounded range with NaN start", {running(kNaN, 5, 0, 10)}, false},
        ValidationRow{"type 0", {parameter({.name = L"k", .type = 0})}, false},
        ValidationRow{"type 3", {parameter({.name = L"k", .type = 3, .value = 1})}, false},
        ValidationRow{"valid then invalid", {running(0, 1), constant(6, 1, 5)}, false},
        ValidationRow{"invalid then valid", {constant(6, 1, 5), running(0, 1)}, false}),
    rowName<ValidationRow>);

TEST(EquationModel, equation_index_first_name_wins)
{
    CEquation e;
    auto first = parameter({.name = L"a", .type = Constant, .value = 1});
    auto second = parameter({.name = L"a", .type = Constant, .value = 2});
    e.AddParameter(first);
    e.AddParameter(second);
    ASSERT_EQ(e.GetParameters().size(), 2u);
    EXPECT_EQ(e.GetParameters()[1], second);
    EXPECT_EQ(e.FindParameter(L"a"), first);
    EXPECT_EQ(e.FindParameter(L"A"), nullptr);

    CEquationList list;
    auto one = equationNamed(L"Cycloid");
    auto two = equationNamed(L"Cycloid");
    list.AddEquation(one);
    list.AddEquation(two);
    ASSERT_EQ(list.GetEquations().size(), 2u);
    EXPECT_EQ(list.GetEquations()[1], two);
    EXPECT_EQ(list.FindEquation(L"Cycloid"), one);
    EXPECT_EQ(list.FindEquation(L"cycloid"), nullptr);
}

TEST(EquationModel, equation_rename_parameter_rekeys)
{
    CEquation e;
    auto x = parameter({.name = L"x", .type = RunningVariable});
    e.AddParameter(x);
    e.RenameParameter(x, L"t");
    EXPECT_EQ(x->GetName(), L"t");
    EXPECT_EQ(e.FindParameter(L"t"), x);
    EXPECT_EQ(e.FindParameter(L"x"), nullptr);
}

TEST(EquationModel, equation_copy_shares_copyto_separates)
{
    CEquation source;
    source.SetType(ParametricCartesian);
    source.SetName(L"Cycloid");
    source.SetEquationY(L"a*(1-cos(t))");
    source.SetEquationX(L"a*(t-sin(t))");
    source.SetCreatedBy(2);
    source.SetSelected(1);
    source.AddParameter(parameter({.name = L"a", .type = Constant, .value = 10}));
    source.AddParameter(parameter({.name = L"a", .type = Constant, .value = 20}));

    CEquation deep;
    deep.AddParameter(parameter({.name = L"stale", .type = Constant}));
    source.CopyTo(deep);
    EXPECT_EQ(deep.GetType(), ParametricCartesian);
    EXPECT_EQ(deep.GetName(), L"Cycloid");
    EXPECT_EQ(deep.GetEquationY(), L"a*(1-cos(t))");
    EXPECT_EQ(deep.GetEquationX(), L"a*(t-sin(t))");
    EXPECT_EQ(deep.GetCreatedBy(), 2);
    EXPECT_EQ(deep.GetSelected(), 1);
    ASSERT_EQ(deep.GetParameters().size(), 2u);
    EXPECT_EQ(deep.FindParameter(L"stale"), nullptr);
    // The copy's index keeps its own first "a", not the source's.
    EXPECT_EQ(deep.FindParameter(L"a"), deep.GetParameters()[0]);
    deep.FindParameter(L"a")->SetValue(99);
    EXPECT_EQ(source.FindParameter(L"a")->GetValue(), 10);

    CEquation shallow;
    shallow = source;
    shallow.FindParameter(L"a")->SetValue(99);
    EXPECT_EQ(source.FindParameter(L"a")->GetValue(), 99);
    const CEquation constructed(source);
    EXPECT_EQ(constructed.GetParameters()[1], source.GetParameters()[1]);
}

TEST(EquationModel, list_selection_marks_one)
{
    CEquationList list;
    auto a = equationNamed(L"a");
    auto b = equationNamed(L"b");
    auto c = equationNamed(L"c");
    for (const auto& e : {a, b, c})
        list.AddEquation(e);
    EXPECT_EQ(list.GetSelected(), nullptr);

    a->SetSelected(1);
    c->SetSelected(1);
    EXPECT_EQ(list.GetSelected(), a);
    list.SetSelected(*b);
    EXPECT_EQ(a->GetSelected(), 0);
    EXPECT_EQ(b->GetSelected(), 1);
    EXPECT_EQ(c->GetSelected(), 0);
    EXPECT_EQ(list.GetSelected(), b);

    // An equation outside the list is marked, and the list's marks are still cleared.
    CEquation outsider;
    list.SetSelected(outsider);
    EXPECT_EQ(outsider.GetSelected(), 1);
    EXPECT_EQ(list.GetSelected(), nullptr);
}

TEST(EquationModel, list_clear_keeps_version)
{
    CEquationList list;
    list.SetVersion(L"1.2");
    list.AddEquation(equationNamed(L"a"));
    list.Clear();
    EXPECT_TRUE(list.GetEquations().empty());
    EXPECT_EQ(list.FindEquation(L"a"), nullptr);
    EXPECT_EQ(list.GetVersion(), L"1.2");
}

} // namespace
