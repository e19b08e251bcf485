#include "curve/native_code.h"

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <list>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <math.h>   // sincos, a GNU extension

#include <muParserBase.h>
#include <muParserBytecode.h>

#if defined(__x86_64__) && !defined(PLOTWRIGHT_INTERPRET_ONLY)
#include <asmjit/x86.h>
#define PLOTWRIGHT_NATIVE_X86_64 1
#endif

namespace plotwright::curve {
namespace {

std::atomic<bool>& enabledFlag()
{
    static std::atomic<bool> flag = [] {
        const char* off = std::getenv("PLOTWRIGHT_INTERPRET");
        return !(off && std::strcmp(off, "1") == 0);
    }();
    return flag;
}

// The expressions as a graph of operations, one node per value the interpreter's stack
// would hold. Equal nodes are one node (all operations are pure), which lets a value
// used twice, in one expression or in both of a curve, be computed once: it is the same
// operation on the same operands, so it gives the same bits.
enum class Op : unsigned char {
    Const, Var, Add, Sub, Mul, Div, Le, Ge, Ne, Eq, Lt, Gt,
    Call,    // fixed arguments, fn(args...)
    CallN,   // a function of any number of arguments, fn(const double* args, int count)
    Sin, Cos,
};

struct Node {
    Op op;
    std::vector<int> args;
    double value = 0;         // Const
    int var = -1;             // Var
    const void* fn = nullptr; // Call, CallN

    std::string key() const
    {
        std::string k(1, static_cast<char>(op));
        auto put = [&](const void* p, std::size_t n) { k.append(static_cast<const char*>(p), n); };
        put(&value, sizeof value);   // by bits: 0 and -0, NaN payloads stay apart
        put(&var, sizeof var);
        put(&fn, sizeof fn);
        for (int a : args)
            put(&a, sizeof a);
        return k;
    }
};

struct Graph {
    std::vector<Node> nodes;
    std::map<std::string, int> index;
    std::vector<int> outputs;

    int add(Node node)
    {
        auto [it, fresh] = index.try_emplace(node.key(), static_cast<int>(nodes.size()));
        if (fresh)
            nodes.push_back(std::move(node));
        return it->second;
    }
    int constant(double v) { return add({Op::Const, {}, v}); }
    int binary(Op op, int a, int b) { return add({op, {a, b}}); }
};

using Stack = std::vector<int>;

bool pop2(Stack& s, int& a, int& b)
{
    if (s.size() < 2)
        return false;
    b = s.back();
    s.pop_back();
    a = s.back();
    s.pop_back();
    return true;
}

std::optional<Op> binaryOp(mu::ECmdCode cmd)
{
    switch (cmd) {
    case mu::cmADD: return Op::Add;
    case mu::cmSUB: return Op::Sub;
    case mu::cmMUL: return Op::Mul;
    case mu::cmDIV: return Op::Div;
    case mu::cmLE: return Op::Le;
    case mu::cmGE: return Op::Ge;
    case mu::cmNEQ: return Op::Ne;
    case mu::cmEQ: return Op::Eq;
    case mu::cmLT: return Op::Lt;
    case mu::cmGT: return Op::Gt;
    default: return std::nullopt;
    }
}

constexpr int kMaxFixedArgs = 6;   // all in registers in the calling convention

double (*const kPow)(double, double) = &::pow;
double (*const kSin)(double) = &::sin;
double (*const kCos)(double) = &::cos;

// Adds one expression's byte code to `g`, mirroring muParser 2.3's ParseCmdCodeBulk and
// ParseCmdCodeShort token by token. False for anything not mirrored here.
bool translate(const mu::ParserBase& parser, std::span<const double* const> variables, const KnownCallbacks& known,
               Graph& g)
{
    const mu::ParserByteCode& code = parser.GetByteCode();
    if (code.GetSize() < 2)
        return false;
    int results = 0;
    parser.Eval(results);   // the index of the result on the stack (several for "a, b")

    auto slotOf = [&](const double* p) {
        for (std::size_t i = 0; i < variables.size(); ++i)
            if (variables[i] == p)
                return static_cast<int>(i);
        return -1;
    };
    Stack s;
    const mu::SToken* tok = code.GetBase();
    for (; tok->Cmd != mu::cmEND; ++tok) {
        if (auto op = binaryOp(tok->Cmd)) {
            int a, b;
            if (!pop2(s, a, b))
                return false;
            s.push_back(g.binary(*op, a, b));
            continue;
        }
        switch (tok->Cmd) {
        case mu::cmVAL:
            s.push_back(g.constant(tok->Val.data2));
            break;
        case mu::cmVAR:
        case mu::cmVARPOW2:
        case mu::cmVARPOW3:
        case mu::cmVARPOW4:
        case mu::cmVARMUL: {
            const int slot = slotOf(tok->Val.ptr);
            if (slot < 0)
                return false;
            const int v = g.add({Op::Var, {}, 0, slot});
            int r = v;
            if (tok->Cmd == mu::cmVARMUL) {
                // *ptr * data + data2: two roundings, as the interpreter does them.
                r = g.binary(Op::Add, g.binary(Op::Mul, v, g.constant(tok->Val.data)), g.constant(tok->Val.data2));
            } else {
                const int times = tok->Cmd == mu::cmVARPOW2 ? 1 : tok->Cmd == mu::cmVARPOW3 ? 2 : tok->Cmd == mu::cmVARPOW4 ? 3 : 0;
                for (int i = 0; i < times; ++i)
                    r = g.binary(Op::Mul, r, v);   // ((v * v) * v) * v
            }
            s.push_back(r);
            break;
        }
        case mu::cmPOW: {
            int a, b;
            if (!pop2(s, a, b))
                return false;
            s.push_back(g.add({Op::Call, {a, b}, 0, -1, reinterpret_cast<const void*>(kPow)}));
            break;
        }
        case mu::cmFUNC: {
            if (tok->Fun.cb._pUserData != nullptr)
                return false;
            const int argc = tok->Fun.argc;
            const int count = argc < 0 ? -argc : argc;
            if (argc == 0 || argc > kMaxFixedArgs || static_cast<int>(s.size()) < count)
                return false;
            Node n{argc < 0 ? Op::CallN : Op::Call, {}, 0, -1, reinterpret_cast<const void*>(tok->Fun.cb._pRawFun)};
            n.args.assign(s.end() - count, s.end());
            s.resize(s.size() - count);
            if (argc == 1 && n.fn == known.sin)
                n = Node{Op::Sin, n.args};
            else if (argc == 1 && n.fn == known.cos)
                n = Node{Op::Cos, n.args};
            s.push_back(g.add(std::move(n)));
            break;
        }
        default:
            // Assignment, if-then-else, && and ||, strings, bulk functions: not in the
            // expression language, so never compiled.
            return false;
        }
    }
    if (s.empty() || static_cast<int>(s.size()) != results)
        return false;
    g.outputs.push_back(s.back());
    return true;
}

#if PLOTWRIGHT_NATIVE_X86_64

using namespace asmjit;

// The runtime, its lock and the cache are never destroyed: a function cached at exit
// still needs the runtime to release it, whatever the order of static destruction.
asmjit::JitRuntime& runtime()
{
    static auto* rt = new asmjit::JitRuntime;
    return *rt;
}

// asmjit's runtime and the cache are shared by all threads (the preview samples on one).
std::mutex& runtimeMutex()
{
    static auto* m = new std::mutex;
    return *m;
}

class Emitter {
public:
    Emitter(const Graph& g, x86::Compiler& cc) : g_(g), cc_(cc), regs_(g.nodes.size()) {}

    // The function; asmjit's errors reach the code holder's error handler.
    bool emit()
    {
        FuncNode* fn = cc_.addFunc(FuncSignatureT<void, const double*, double*>());
        in_ = cc_.newIntPtr("in");
        out_ = cc_.newIntPtr("out");
        fn->setArg(0, in_);
        fn->setArg(1, out_);

        std::vector<bool> live(g_.nodes.size(), false);
        for (int o : g_.outputs)
            live[o] = true;
        for (std::size_t i = g_.nodes.size(); i-- > 0;)
            if (live[i])
                for (int a : g_.nodes[i].args)
                    live[a] = true;
        // Nodes are numbered in the order of the byte code, operands before their uses.
        for (std::size_t i = 0; i < g_.nodes.size(); ++i)
            if (live[i] && !regs_[i].isValid())
                node(static_cast<int>(i), live);
        for (std::size_t k = 0; k < g_.outputs.size(); ++k)
            cc_.movsd(x86::ptr(out_, static_cast<int32_t>(8 * k)), regs_[g_.outputs[k]]);
        cc_.endFunc();
        return true;
    }

private:
    x86::Xmm fresh() { return cc_.newXmmSd(); }

    x86::Xmm constant(double v)
    {
        x86::Xmm r = fresh();
        cc_.movsd(r, cc_.newDoubleConst(ConstPoolScope::kLocal, v));
        return r;
    }

    x86::Mem scratch(std::size_t doubles)
    {
        if (doubles > scratchSize_) {
            scratch_ = cc_.newStack(static_cast<uint32_t>(8 * doubles), 16);
            scratchSize_ = doubles;
        }
        return scratch_;
    }

    void node(int i, const std::vector<bool>& live)
    {
        const Node& n = g_.nodes[i];
        x86::Xmm r = fresh();
        auto arg = [&](int k) { return regs_[n.args[k]]; };
        switch (n.op) {
        case Op::Const:
            r = constant(n.value);
            break;
        case Op::Var:
            cc_.movsd(r, x86::ptr(in_, 8 * n.var));
            break;
        case Op::Add: cc_.movapd(r, arg(0)); cc_.addsd(r, arg(1)); break;
        case Op::Sub: cc_.movapd(r, arg(0)); cc_.subsd(r, arg(1)); break;
        case Op::Mul: cc_.movapd(r, arg(0)); cc_.mulsd(r, arg(1)); break;
        case Op::Div: cc_.movapd(r, arg(0)); cc_.divsd(r, arg(1)); break;
        // C's comparisons give 1 or +0; cmpsd gives all ones or zero, masked with 1.0.
        // Ordered predicates are false with NaN, as <, <=, ==; the unordered one is true, as !=.
        case Op::Eq: compare(r, arg(0), arg(1), 0); break;
        case Op::Lt: compare(r, arg(0), arg(1), 1); break;
        case Op::Le: compare(r, arg(0), arg(1), 2); break;
        case Op::Ne: compare(r, arg(0), arg(1), 4); break;
        case Op::Gt: compare(r, arg(1), arg(0), 1); break;
        case Op::Ge: compare(r, arg(1), arg(0), 2); break;
        case Op::Call: {
            FuncSignatureBuilder sig(CallConvId::kHost);
            sig.setRetT<double>();
            for (std::size_t k = 0; k < n.args.size(); ++k)
                sig.addArgT<double>();
            InvokeNode* call;
            cc_.invoke(&call, imm(n.fn), sig);
            for (std::size_t k = 0; k < n.args.size(); ++k)
                call->setArg(k, arg(static_cast<int>(k)));
            call->setRet(0, r);
            break;
        }
        case Op::CallN: {
            // The interpreter passes its stack, where the arguments lie side by side.
            x86::Mem array = scratch(n.args.size());
            for (std::size_t k = 0; k < n.args.size(); ++k) {
                x86::Mem at = array;
                at.addOffset(static_cast<int64_t>(8 * k));
                cc_.movsd(at, arg(static_cast<int>(k)));
            }
            x86::Gp p = cc_.newIntPtr();
            x86::Gp count = cc_.newInt32();
            cc_.lea(p, array);
            cc_.mov(count, static_cast<int>(n.args.size()));
            InvokeNode* call;
            cc_.invoke(&call, imm(n.fn), FuncSignatureT<double, const double*, int>());
            call->setArg(0, p);
            call->setArg(1, count);
            call->setRet(0, r);
            break;
        }
        case Op::Sin:
        case Op::Cos: {
            const int partner = partnerOf(i, live);
            if (partner >= 0) {
                sinCos(i, partner);
                return;
            }
            InvokeNode* call;
            double (*f)(double) = n.op == Op::Sin ? kSin : kCos;
            cc_.invoke(&call, imm(reinterpret_cast<const void*>(f)), FuncSignatureT<double, double>());
            call->setArg(0, arg(0));
            call->setRet(0, r);
            break;
        }
        }
        regs_[i] = r;
    }

    void compare(x86::Xmm r, x86::Xmm a, x86::Xmm b, int predicate)
    {
        cc_.movapd(r, a);
        cc_.cmpsd(r, b, imm(predicate));
        x86::Xmm one = constant(1.0);
        cc_.andpd(r, one);
    }

    // The live cosine of a sine's argument, or the other way round; -1 if none.
    int partnerOf(int i, const std::vector<bool>& live) const
    {
        const Node& n = g_.nodes[i];
        const Op other = n.op == Op::Sin ? Op::Cos : Op::Sin;
        for (std::size_t j = 0; j < g_.nodes.size(); ++j)
            if (live[j] && g_.nodes[j].op == other && g_.nodes[j].args == n.args)
                return static_cast<int>(j);
        return -1;
    }

    // glibc's sincos gives the same bits as its sin and cos (the compiler merges the two
    // on its own for the same reason); the tests compare every sample with the interpreter.
    void sinCos(int i, int partner)
    {
        const int sinNode = g_.nodes[i].op == Op::Sin ? i : partner;
        const int cosNode = sinNode == i ? partner : i;
        x86::Mem pair = scratch(2);
        x86::Mem cosAt = pair;
        cosAt.addOffset(8);
        x86::Gp ps = cc_.newIntPtr();
        x86::Gp pc = cc_.newIntPtr();
        cc_.lea(ps, pair);
        cc_.lea(pc, cosAt);
        InvokeNode* call;
        void (*f)(double, double*, double*) = &::sincos;
        cc_.invoke(&call, imm(reinterpret_cast<const void*>(f)), FuncSignatureT<void, double, double*, double*>());
        call->setArg(0, regs_[g_.nodes[i].args[0]]);
        call->setArg(1, ps);
        call->setArg(2, pc);
        regs_[sinNode] = fresh();
        regs_[cosNode] = fresh();
        cc_.movsd(regs_[sinNode], pair);
        cc_.movsd(regs_[cosNode], cosAt);
    }

    const Graph& g_;
    x86::Compiler& cc_;
    std::vector<x86::Xmm> regs_;
    x86::Gp in_;
    x86::Gp out_;
    x86::Mem scratch_;
    std::size_t scratchSize_ = 0;
};

// Keeps the first error of any emitting call: asmjit reports them here as well as
// through return values, which the emitter does not check one by one.
class FirstError : public ErrorHandler {
public:
    void handleError(Error err, const char*, BaseEmitter*) override
    {
        if (error == kErrorOk)
            error = err;
    }
    Error error = kErrorOk;
};

NativeCode::Entry assemble(const Graph& g)
{
    CodeHolder code;
    FirstError errors;
    if (code.init(runtime().environment()) != kErrorOk)
        return nullptr;
    code.setErrorHandler(&errors);
    x86::Compiler cc(&code);
    Emitter emitter(g, cc);
    if (!emitter.emit() || cc.finalize() != kErrorOk || errors.error != kErrorOk)
        return nullptr;
    NativeCode::Entry entry = nullptr;
    if (runtime().add(&entry, &code) != kErrorOk)
        return nullptr;
    return entry;
}

// The functions of the last few distinct graphs, for the next draw or preview of the
// same expressions; a function outlives its slot while a sampler still holds it.
class Cache {
public:
    std::shared_ptr<const NativeCode> find(const std::string& key)
    {
        for (auto it = entries_.begin(); it != entries_.end(); ++it)
            if (it->first == key) {
                entries_.splice(entries_.begin(), entries_, it);
                return it->second;
            }
        return nullptr;
    }
    // Returns the function pushed out, for the caller to release outside the lock.
    std::shared_ptr<const NativeCode> put(std::string key, std::shared_ptr<const NativeCode> code)
    {
        entries_.emplace_front(std::move(key), std::move(code));
        if (entries_.size() <= kSize)
            return nullptr;
        std::shared_ptr<const NativeCode> out = std::move(entries_.back().second);
        entries_.pop_back();
        return out;
    }

private:
    static constexpr std::size_t kSize = 16;
    std::list<std::pair<std::string, std::shared_ptr<const NativeCode>>> entries_;
};

Cache& cache()
{
    static auto* c = new Cache;
    return *c;
}

std::string graphKey(const Graph& g)
{
    std::string key;
    for (const Node& n : g.nodes) {
        const std::string k = n.key();
        const auto size = static_cast<std::uint32_t>(k.size());
        key.append(reinterpret_cast<const char*>(&size), sizeof size);
        key += k;
    }
    for (int o : g.outputs)
        key.append(reinterpret_cast<const char*>(&o), sizeof o);
    return key;
}

#endif

} // namespace

NativeCode::~NativeCode()
{
#if PLOTWRIGHT_NATIVE_X86_64
    std::lock_guard lock(runtimeMutex());
    runtime().release(entry_);
#endif
}

std::shared_ptr<const NativeCode> compileNative(std::span<const mu::ParserBase* const> parsers,
                                                std::span<const double* const> variables,
                                                const KnownCallbacks& known)
{
    if (!nativeCodeEnabled() || parsers.empty())
        return nullptr;
#if PLOTWRIGHT_NATIVE_X86_64
    Graph g;
    try {
        for (const mu::ParserBase* parser : parsers)
            if (!parser || !translate(*parser, variables, known, g))
                return nullptr;
    } catch (const mu::ParserError&) {
        return nullptr;
    }
    const std::string key = graphKey(g);
    std::shared_ptr<const NativeCode> evicted;   // released after the lock
    std::lock_guard lock(runtimeMutex());
    if (auto cached = cache().find(key))
        return cached;
    NativeCode::Entry entry = assemble(g);
    if (!entry)
        return nullptr;
    auto code = std::make_shared<const NativeCode>(entry);
    evicted = cache().put(key, code);
    return code;
#else
    (void)variables;
    (void)known;
    return nullptr;
#endif
}

void setNativeCodeEnabled(bool enabled) { enabledFlag() = enabled; }

bool nativeCodeEnabled() { return enabledFlag(); }

} // namespace plotwright::curve
