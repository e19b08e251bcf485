#include "curve/expression_parser.h"

#include "curve/native_code.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include <muParser.h>

namespace plotwright::curve {
namespace {

using mu::value_type;

// The language's functions. muParser 2.3.3 differs from it: its "log" is natural, it has
// functions the language does not, and no "if" function. The whole set is therefore defined here, after
// clearing the built-in one, so that a later muParser cannot widen the language either.
struct Function1 {
    const char* name;
    mu::fun_type1 fn;
};

constexpr Function1 kFunctions1[] = {
    {"sin", [](value_type v) { return std::sin(v); }},
    {"cos", [](value_type v) { return std::cos(v); }},
    {"tan", [](value_type v) { return std::tan(v); }},
    {"asin", [](value_type v) { return std::asin(v); }},
    {"acos", [](value_type v) { return std::acos(v); }},
    {"atan", [](value_type v) { return std::atan(v); }},
    {"sinh", [](value_type v) { return std::sinh(v); }},
    {"cosh", [](value_type v) { return std::cosh(v); }},
    {"tanh", [](value_type v) { return std::tanh(v); }},
    {"asinh", [](value_type v) { return std::asinh(v); }},
    {"acosh", [](value_type v) { return std::acosh(v); }},
    {"atanh", [](value_type v) { return std::atanh(v); }},
    {"log2", [](value_type v) { return std::log2(v); }},
    {"log10", [](value_type v) { return std::log10(v); }},
    {"log", [](value_type v) { return std::log10(v); }},
    {"ln", [](value_type v) { return std::log(v); }},
    {"exp", [](value_type v) { return std::exp(v); }},
    {"sqrt", [](value_type v) { return std::sqrt(v); }},
    // NaN is neither below nor above 0, so it gives 0.
    {"sign", [](value_type v) { return v < 0 ? -1.0 : v > 0 ? 1.0 : 0.0; }},
    {"rint", [](value_type v) { return std::floor(v + 0.5); }},
    {"abs", [](value_type v) { return std::fabs(v); }},
    {"floor", [](value_type v) { return std::floor(v); }},
    {"ceil", [](value_type v) { return std::ceil(v); }},
};

// Functions of two arguments, for outlines made of repeated pieces (gear teeth) and
// angles of points: mod is C's fmod (the sign of the dividend), atan2(y, x) the angle of
// the point (x, y).
struct Function2 {
    const char* name;
    mu::fun_type2 fn;
};

constexpr Function2 kFunctions2[] = {
    {"mod", [](value_type a, value_type b) { return std::fmod(a, b); }},
    {"atan2", [](value_type y, value_type x) { return std::atan2(y, x); }},
    {"hypot", [](value_type a, value_type b) { return std::hypot(a, b); }},
};

// Functions of one or more arguments; muParser itself refuses a call without any.
struct FunctionN {
    const char* name;
    mu::multfun_type fn;
};

constexpr FunctionN kFunctionsN[] = {
    {"sum", [](const value_type* a, int n) {
         value_type s = 0;
         for (int i = 0; i < n; ++i)
             s += a[i];
         return s;
     }},
    {"avg", [](const value_type* a, int n) {
         value_type s = 0;
         for (int i = 0; i < n; ++i)
             s += a[i];
         return s / n;
     }},
    {"min", [](const value_type* a, int n) {
         value_type m = a[0];
         for (int i = 1; i < n; ++i)
             m = std::min(m, a[i]);
         return m;
     }},
    {"max", [](const value_type* a, int n) {
         value_type m = a[0];
         for (int i = 1; i < n; ++i)
             m = std::max(m, a[i]);
         return m;
     }},
};

// if(c, a, b): a only when c is exactly 1. Like any function, it receives both branches
// already evaluated.
constexpr const char* kIfName = "if";
value_type ifFunction(value_type c, value_type a, value_type b) { return c == 1 ? a : b; }

struct Constant {
    const char* name;
    value_type value;
};

constexpr Constant kConstants[] = {
    {"PI", 3.141592653589793},
    {"e", 2.718281828459045},
};

// Logical operators on truth values (nonzero is true), giving 1 or 0. They bind less
// tightly than comparisons, and among themselves as in C: and, then xor, then or; each
// is left-associative. So "x > 1 and x < 3 or x == 5" means ((x > 1) and (x < 3)) or (x == 5).
struct LogicalOperator {
    const char* name;
    mu::fun_type2 fn;
    unsigned precedence;
};

constexpr LogicalOperator kOperators[] = {
    {"and", [](value_type a, value_type b) { return (a != 0 && b != 0) ? 1.0 : 0.0; }, 3},
    {"xor", [](value_type a, value_type b) { return ((a != 0) != (b != 0)) ? 1.0 : 0.0; }, 2},
    {"or", [](value_type a, value_type b) { return (a != 0 || b != 0) ? 1.0 : 0.0; }, 1},
};

// The language's sine and cosine, which the compiler calls as the C library's and pairs.
KnownCallbacks knownCallbacks()
{
    KnownCallbacks known;
    for (const Function1& f : kFunctions1) {
        if (std::string_view(f.name) == "sin")
            known.sin = reinterpret_cast<const void*>(f.fn);
        else if (std::string_view(f.name) == "cos")
            known.cos = reinterpret_cast<const void*>(f.fn);
    }
    return known;
}

bool isReservedWord(std::string_view name)
{
    auto same = [&](const char* word) { return name == word; };
    return name == kIfName
        || std::any_of(std::begin(kFunctions1), std::end(kFunctions1), [&](const Function1& f) { return same(f.name); })
        || std::any_of(std::begin(kFunctions2), std::end(kFunctions2), [&](const Function2& f) { return same(f.name); })
        || std::any_of(std::begin(kFunctionsN), std::end(kFunctionsN), [&](const FunctionN& f) { return same(f.name); })
        || std::any_of(std::begin(kConstants), std::end(kConstants), [&](const Constant& c) { return same(c.name); })
        || std::any_of(std::begin(kOperators), std::end(kOperators), [&](const LogicalOperator& o) { return same(o.name); });
}

constexpr std::size_t kMaxNameLength = 100;          // muParser's own identifier limit
constexpr std::size_t kMaxExpressionLength = 10000;  // far beyond any curve, below muParser's 20000

bool isNameChar(wchar_t c)
{
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') || c == L'_';
}

// Characters that can appear in an expression of the language: names, numbers, the
// operators, parentheses, the argument comma and white space. Anything else (non-ASCII
// text, control characters, NUL, or muParser extras such as ?:, &&, || and string
// literals) is refused here, before muParser sees it.
bool isExpressionChar(wchar_t c)
{
    if (isNameChar(c))
        return true;
    switch (c) {
    case L'.': case L'+': case L'-': case L'*': case L'/': case L'^':
    case L'<': case L'>': case L'=': case L'!':
    case L'(': case L')': case L',':
    case L' ': case L'\t': case L'\r': case L'\n':
        return true;
    default:
        return false;
    }
}

// muParser's assignment "name = value" is no operator of the language: an "=" that is
// not part of ==, <=, >= or != is refused. (It would also let an expression change a
// constant that the parser has folded into its compiled form.)
std::size_t assignmentAt(std::wstring_view text)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != L'=')
            continue;
        const bool pairedBefore = i > 0 && std::wstring_view(L"<>!=").find(text[i - 1]) != std::wstring_view::npos;
        const bool pairedAfter = i + 1 < text.size() && text[i + 1] == L'=';
        if (!pairedBefore && !pairedAfter)
            return i;
    }
    return std::wstring_view::npos;
}

// A comma separates the arguments of a function call and nothing else: muParser would
// take "x*1,5" as two results and keep the last, so a decimal comma typed by habit
// would silently give y = 5. Returns the first comma outside a call's parentheses.
std::size_t strayCommaAt(std::wstring_view text)
{
    std::vector<bool> call;   // for each open parenthesis: whether a name precedes it
    bool afterName = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        if (c == L' ' || c == L'\t' || c == L'\r' || c == L'\n')
            continue;
        if (isNameChar(c)) {
            // A name starts with a letter or underscore; digits after it belong to it,
            // digits alone are a number (as are letters of an exponent, which never
            // precede a parenthesis in a valid expression).
            const std::size_t start = i;
            while (i + 1 < text.size() && isNameChar(text[i + 1]))
                ++i;
            afterName = !(text[start] >= L'0' && text[start] <= L'9');
            continue;
        }
        if (c == L'(')
            call.push_back(afterName);
        else if (c == L')' && !call.empty())
            call.pop_back();
        else if (c == L',' && (call.empty() || !call.back()))
            return i;
        afterName = false;
    }
    return std::wstring_view::npos;
}

struct Refusal {
    std::string reason;   // empty: `text` may be given to muParser
    int position = -1;
};

Refusal refusal(std::wstring_view text)
{
    if (text.size() > kMaxExpressionLength)
        return {"expression too long", -1};
    if (auto c = std::find_if_not(text.begin(), text.end(), isExpressionChar); c != text.end())
        return {"character outside the expression language", static_cast<int>(c - text.begin())};
    if (std::size_t at = assignmentAt(text); at != std::wstring_view::npos)
        return {"assignment outside the expression language", static_cast<int>(at)};
    if (std::size_t at = strayCommaAt(text); at != std::wstring_view::npos)
        return {"comma outside a function's arguments (a decimal comma? numbers use \".\")", static_cast<int>(at)};
    return {};
}

// muParser's messages embed their own (0-based) position; the usual ones are given here
// as a bare reason so that the caller can say where in its own words.
std::string reason(const mu::ParserError& e)
{
    const std::string token = e.GetToken();
    const std::string quoted = "\"" + token + "\"";
    switch (e.GetCode()) {
    case mu::ecUNEXPECTED_OPERATOR: return "unexpected operator " + quoted;
    case mu::ecUNASSIGNABLE_TOKEN: return "unknown name " + quoted;
    case mu::ecUNEXPECTED_EOF: return "unexpected end of expression";
    case mu::ecUNEXPECTED_ARG_SEP: return "unexpected comma";
    case mu::ecUNEXPECTED_ARG: return "unexpected argument";
    case mu::ecUNEXPECTED_VAL: return "unexpected value " + quoted;
    case mu::ecUNEXPECTED_VAR: return "unexpected name " + quoted;
    case mu::ecUNEXPECTED_PARENS: return "unexpected parenthesis " + quoted;
    case mu::ecMISSING_PARENS: return "missing parenthesis";
    case mu::ecUNEXPECTED_FUN: return "unexpected function " + quoted;
    case mu::ecTOO_MANY_PARAMS: return "too many arguments for " + quoted;
    case mu::ecTOO_FEW_PARAMS: return "too few arguments for " + quoted;
    case mu::ecEMPTY_EXPRESSION: return "empty expression";
    default: break;
    }
    const std::string message = e.GetMsg();
    return message.empty() ? "invalid expression" : message;
}

// Only for text already known to be ASCII.
std::string narrow(std::wstring_view text)
{
    std::string out(text.size(), '\0');
    std::transform(text.begin(), text.end(), out.begin(), [](wchar_t c) { return static_cast<char>(c); });
    return out;
}

} // namespace

ExpressionParser::ExpressionParser()
    : parser_(std::make_unique<mu::Parser>())
{
    mu::Parser& p = *parser_;
    p.ClearFun();
    for (const Function1& f : kFunctions1)
        p.DefineFun(f.name, f.fn);
    for (const Function2& f : kFunctions2)
        p.DefineFun(f.name, f.fn);
    for (const FunctionN& f : kFunctionsN)
        p.DefineFun(f.name, f.fn);
    p.DefineFun(kIfName, ifFunction);
    for (const LogicalOperator& o : kOperators)
        p.DefineOprt(o.name, o.fn, o.precedence, mu::oaLEFT, true);
    applyBindings();
}

ExpressionParser::~ExpressionParser() = default;

void ExpressionParser::setExpression(std::wstring_view text)
{
    Refusal refused = refusal(text);
    textError_ = std::move(refused.reason);
    textErrorPosition_ = refused.position;
    textLength_ = text.size();
    dropNative();
    if (!textError_.empty())
        return;
    try {
        parser_->SetExpr(narrow(text));
    } catch (const mu::ParserError& e) {
        textError_ = reason(e);
        textErrorPosition_ = clampedPosition(e.GetPos());
    }
}

// muParser counts a blank it appends to the text, so an error at the end may lie past it.
int ExpressionParser::clampedPosition(int position) const
{
    if (position < 0)
        return -1;
    return static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(position), textLength_));
}

void ExpressionParser::bindVariable(std::wstring_view name, double* storage)
{
    bind(name, {storage, 0});
}

void ExpressionParser::bindConstant(std::wstring_view name, double value)
{
    bind(name, {nullptr, value});
}

void ExpressionParser::bind(std::wstring_view name, Binding binding)
{
    if (!isAcceptableName(name)) {
        const bool printable = std::all_of(name.begin(), name.end(), [](wchar_t c) { return c >= 0x20 && c < 0x7F; });
        throw ExpressionError(printable ? "unacceptable variable name \"" + narrow(name) + "\"" : "unacceptable variable name");
    }
    bindings_.insert_or_assign(narrow(name), binding);
    bindingsChanged_ = true;
}

// muParser refuses a variable named like one of its constants and lets a constant hide a
// variable, so "the last binding wins" needs every name defined afresh, exactly once.
void ExpressionParser::applyBindings()
{
    mu::Parser& p = *parser_;
    p.ClearVar();
    p.ClearConst();
    variables_.clear();
    for (const Constant& c : kConstants)
        p.DefineConst(c.name, c.value);
    for (const auto& [name, binding] : bindings_) {
        if (binding.storage) {
            p.DefineVar(name, binding.storage);
            variables_.push_back(binding.storage);
        }
        else
            p.DefineConst(name, binding.value);
    }
    bindingsChanged_ = false;
    inputs_.resize(variables_.size());
    dropNative();
}

void ExpressionParser::dropNative()
{
    native_.reset();
    nativeTried_ = false;
    parsed_ = false;
}

double ExpressionParser::evaluate()
{
    if (!textError_.empty())
        throw ExpressionError(textError_, textErrorPosition_);
    try {
        if (bindingsChanged_)
            applyBindings();
        if (native_) {
            for (std::size_t i = 0; i < variables_.size(); ++i)
                inputs_[i] = *variables_[i];
            double value;
            native_->run(inputs_.data(), &value);
            return value;
        }
        const double value = parser_->Eval();
        // Compiled at the second evaluation: a single one (a check of the text) does not
        // pay for compiling, and a sampler that compiles its expressions together
        // (compileTogether) does so before.
        if (parsed_ && !nativeTried_) {
            nativeTried_ = true;
            const mu::ParserBase* parsed = parser_.get();
            native_ = compileNative({&parsed, 1}, variables_, knownCallbacks());
        }
        parsed_ = true;
        return value;
    } catch (const mu::ParserError& e) {
        throw ExpressionError(reason(e), clampedPosition(e.GetPos()));
    }
}

std::shared_ptr<const NativeCode> ExpressionParser::compileTogether(const std::vector<const ExpressionParser*>& parsers,
                                                                   const std::vector<const double*>& variables)
{
    std::vector<const mu::ParserBase*> parsed;
    for (const ExpressionParser* p : parsers) {
        // Only byte code that an evaluation made from the current text and bindings.
        if (!p || !p->textError_.empty() || p->bindingsChanged_ || !p->parsed_)
            return nullptr;
        parsed.push_back(p->parser_.get());
    }
    return compileNative(parsed, variables, knownCallbacks());
}

bool ExpressionParser::isAcceptableName(std::wstring_view name)
{
    if (name.empty() || name.size() > kMaxNameLength)
        return false;
    if (!std::all_of(name.begin(), name.end(), isNameChar) || (name[0] >= L'0' && name[0] <= L'9'))
        return false;
    return !isReservedWord(narrow(name));
}

std::vector<std::wstring> ExpressionParser::namesUsed(std::wstring_view text)
{
    std::vector<std::wstring> names;
    for (std::size_t i = 0; i < text.size();) {
        const wchar_t c = text[i];
        const bool digit = c >= L'0' && c <= L'9';
        if (digit || c == L'.') {
            // A number, with its exponent and the exponent's sign.
            while (i < text.size() && (isNameChar(text[i]) || text[i] == L'.'
                                       || ((text[i] == L'+' || text[i] == L'-') && (text[i - 1] == L'e' || text[i - 1] == L'E'))))
                ++i;
            continue;
        }
        if (!isNameChar(c)) {
            ++i;
            continue;
        }
        const std::size_t start = i;
        while (i < text.size() && isNameChar(text[i]))
            ++i;
        std::size_t next = i;
        while (next < text.size() && (text[next] == L' ' || text[next] == L'\t' || text[next] == L'\r' || text[next] == L'\n'))
            ++next;
        const std::wstring name(text.substr(start, i - start));
        const bool called = next < text.size() && text[next] == L'(';
        if (!called && !isReservedWord(narrow(name)) && std::find(names.begin(), names.end(), name) == names.end())
            names.push_back(name);
    }
    return names;
}

} // namespace plotwright::curve
