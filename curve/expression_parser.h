#pragma once
// One expression of a curve, parsed in the curve expression language: muParser with
// its built-ins replaced so that they match that language exactly (see the .cpp).

#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace mu {
class Parser;
}

namespace plotwright::curve {

class NativeCode;

// Raised for every failure of an expression: text, name or evaluation. what() is a short
// reason in lower case ("unknown name \"pi\""); position() the 0-based character of the
// expression where it was found, -1 when no place applies (a refused variable name).
class ExpressionError : public std::runtime_error {
public:
    explicit ExpressionError(const std::string& reason, int position = -1)
        : std::runtime_error(reason), position_(position) {}
    int position() const { return position_; }

private:
    int position_;
};

class ExpressionParser {
public:
    ExpressionParser();
    ~ExpressionParser();
    ExpressionParser(const ExpressionParser&) = delete;
    ExpressionParser& operator=(const ExpressionParser&) = delete;

    // Sets the expression. Problems with the text (syntax, unknown names, characters
    // outside the language, excessive length or nesting) surface at the next evaluate().
    void setExpression(std::wstring_view text);

    // Binds `name` to the double at `storage`, read at every evaluation; `storage` must
    // stay put while this parser lives. Throws ExpressionError when the name is not
    // acceptable (see isAcceptableName). A later binding of the same name replaces it.
    void bindVariable(std::wstring_view name, double* storage);

    // Binds `name` to a value that stays fixed while this parser lives, which lets the
    // parser fold it into the compiled expression. Otherwise as bindVariable.
    void bindConstant(std::wstring_view name, double value);

    // Evaluates the expression with the bound variables' current values. The first call
    // after a change parses the expression, the second compiles it to machine code when
    // it can (native_code.h); the results are the same either way. Throws
    // ExpressionError on any failure; non-finite results are not failures.
    double evaluate();

    // Whether evaluate() runs machine code.
    bool isNative() const { return native_ != nullptr; }

    // Compiles the expressions of `parsers` into one function writing their values in
    // this order; in[i] of NativeCode::run is the value of variables[i], storage bound in
    // the parsers. Each parser must have been evaluated without error since its last
    // change. Null when not compiled: then evaluate each. Throws nothing.
    static std::shared_ptr<const NativeCode> compileTogether(const std::vector<const ExpressionParser*>& parsers,
                                                             const std::vector<const double*>& variables);

    // A variable name: ASCII letters, digits and underscores, not starting with a digit,
    // at most 100 characters, and not a word of the language (function, constant or
    // operator name).
    static bool isAcceptableName(std::wstring_view name);

    // The names `text` uses as variables or constants, in order of first use, each once:
    // names that are not called as functions and are not words of the language. Numbers'
    // exponents ("1e5") are no names.
    static std::vector<std::wstring> namesUsed(std::wstring_view text);

private:
    struct Binding {
        double* storage = nullptr;   // null: a constant
        double value = 0;
    };

    void bind(std::wstring_view name, Binding binding);
    void applyBindings();
    void dropNative();
    int clampedPosition(int position) const;

    std::unique_ptr<mu::Parser> parser_;
    std::string textError_;   // non-empty: the expression was refused before parsing
    int textErrorPosition_ = -1;
    std::size_t textLength_ = 0;
    std::map<std::string, Binding> bindings_;
    bool bindingsChanged_ = false;
    std::shared_ptr<const NativeCode> native_;
    bool parsed_ = false;        // evaluated since the last change: the byte code is current
    bool nativeTried_ = false;
    std::vector<const double*> variables_;   // the bound storage, in the order native_ reads it
    std::vector<double> inputs_;
};

} // namespace plotwright::curve
