#pragma once
// Parsed expressions compiled to machine code. muParser's byte code is translated
// operation for operation (its optimizer's folded constants and combined operations
// included), with the same IEEE operations in the same order and the same C library
// functions for the same arguments, so that the code computes bit for bit what the
// interpreter computes, only without walking the byte code at every evaluation.

#include <cstddef>
#include <memory>
#include <span>

namespace mu {
class ParserBase;
}

namespace plotwright::curve {

class NativeCode {
public:
    using Entry = void (*)(const double* in, double* out);

    explicit NativeCode(Entry entry) : entry_(entry) {}
    ~NativeCode();
    NativeCode(const NativeCode&) = delete;
    NativeCode& operator=(const NativeCode&) = delete;

    // in[i]: the value of the i-th variable given to compileNative; out[k]: receives the
    // value of the k-th expression.
    void run(const double* in, double* out) const { entry_(in, out); }

private:
    Entry entry_;
};

// Callbacks of the parsers that the compiler knows: their C library functions are called
// directly, and a sine and a cosine of one argument share one call of sincos.
struct KnownCallbacks {
    const void* sin = nullptr;
    const void* cos = nullptr;
};

// Compiles the current byte code of `parsers` (each evaluated at least once since its
// last change) into one function; `variables` lists the storage of every variable they
// read. Every callback of the parsers must be a pure function of its arguments. Returns
// null, and the caller interprets, when an expression uses anything the compiler does
// not translate, when the processor is not x86-64, or when compilation is switched off.
// Equal byte code shares one compiled function: the last few stay cached for the next
// draw or preview of the same expressions, and a function's memory is released with the
// last holder.
std::shared_ptr<const NativeCode> compileNative(std::span<const mu::ParserBase* const> parsers,
                                                std::span<const double* const> variables,
                                                const KnownCallbacks& known);

// Compilation for the whole process, on unless the environment has PLOTWRIGHT_INTERPRET=1.
// Off, every expression is interpreted (to compare both, or to rule the compiler out).
void setNativeCodeEnabled(bool enabled);
bool nativeCodeEnabled();

} // namespace plotwright::curve
