#include "curve/native_code.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <cmath>
#include <cstdint>
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

#if defined(__x86_64__)
#include <sys/mman.h>
// The generator's inline code stays inside whatever library holds this file (the
// shared core, the module), never shared with another copy of it in the process.
#pragma GCC visibility push(hidden)
#include <xbyak/xbyak.h>
#pragma GCC visibility pop
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

// Caches and the code generator's state are shared by all threads (the preview samples
// on one); the lock and the cache are never destroyed, so that a function cached at exit
// can still be released whatever the order of static destruction.
std::mutex& cacheMutex()
{
    static auto* m = new std::mutex;
    return *m;
}

// Every compiled function lives in its own pages, written once and then only executable
// (never writable and executable at once). The mapping's length is kept in front of the
// code so that releasing needs nothing but the entry point.
constexpr std::size_t kCodeOffset = 16;

NativeCode::Entry install(const std::uint8_t* code, std::size_t size)
{
    const std::size_t length = kCodeOffset + size;
    void* base = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (base == MAP_FAILED)
        return nullptr;
    auto* bytes = static_cast<std::uint8_t*>(base);
    std::memcpy(bytes, &length, sizeof length);
    std::memcpy(bytes + kCodeOffset, code, size);
    if (mprotect(base, length, PROT_READ | PROT_EXEC) != 0) {
        munmap(base, length);
        return nullptr;
    }
    return reinterpret_cast<NativeCode::Entry>(bytes + kCodeOffset);
}

void uninstall(NativeCode::Entry entry)
{
    auto* base = reinterpret_cast<std::uint8_t*>(entry) - kCodeOffset;
    std::size_t length = 0;
    std::memcpy(&length, base, sizeof length);
    munmap(base, length);
}

// Emits the graph as one function void(const double* in, double* out) in the SysV
// calling convention. Every computed value has a home in the frame and is written there
// when computed; the sixteen xmm registers cache values between calls (the C library's
// functions may change them all). A value is read from its register while it is cached,
// otherwise from its home; variables are read from `in`, constants from a pool after
// the code. There are no branches: the code is straight-line and position-independent.
class Emitter : public Xbyak::CodeGenerator {
public:
    Emitter(const Graph& g, std::size_t maxSize)
        : Xbyak::CodeGenerator(maxSize, Xbyak::DontSetProtectRWE), g_(g), n_(static_cast<int>(g.nodes.size())),
          live_(g.nodes.size(), false), done_(g.nodes.size(), false), lastUse_(g.nodes.size(), -1),
          slot_(g.nodes.size(), -1), pool_(g.nodes.size(), -1), where_(g.nodes.size(), -1)
    {
        holder_.fill(-1);
        stamp_.fill(0);
    }

    void emit()
    {
        plan();
        using namespace Xbyak::util;
        // Entry: rsp is 8 past a multiple of 16; two pushes and the frame (8 past a
        // multiple of 16) leave it aligned for the calls.
        push(rbx);
        push(r12);
        sub(rsp, frame_);
        mov(rbx, rdi);
        mov(r12, rsi);
        for (int i = 0; i < n_; ++i)
            if (live_[i] && !done_[i])
                node(i);
        for (std::size_t k = 0; k < g_.outputs.size(); ++k) {
            const int o = g_.outputs[k];
            if (where_[o] < 0)
                load(Xbyak::Xmm(0), o);
            movsd(qword[r12 + static_cast<int>(8 * k)], Xbyak::Xmm(where_[o] >= 0 ? where_[o] : 0));
        }
        add(rsp, frame_);
        pop(r12);
        pop(rbx);
        ret();
        // The pool: 1.0 first, paired with +0 in a 16-byte aligned slot for andpd.
        while (getSize() % 16 != 0)
            db(0xCC);
        L(poolLabel_);
        dq(std::bit_cast<std::uint64_t>(1.0));
        dq(0);
        for (double v : constants_)
            dq(std::bit_cast<std::uint64_t>(v));
    }

private:
    static constexpr int kRegisters = 16;

    // Liveness, last uses, homes in the frame and in the pool.
    void plan()
    {
        for (int o : g_.outputs)
            live_[o] = true;
        for (int i = n_; i-- > 0;)
            if (live_[i])
                for (int a : g_.nodes[i].args)
                    live_[a] = true;
        int slots = 0;
        std::size_t scratch = 0;
        for (int i = 0; i < n_; ++i) {
            if (!live_[i])
                continue;
            const Node& n = g_.nodes[i];
            for (int a : n.args)
                lastUse_[a] = std::max(lastUse_[a], i);
            if (n.op == Op::Const) {
                pool_[i] = static_cast<int>(constants_.size());
                constants_.push_back(n.value);
            } else if (n.op != Op::Var) {
                slot_[i] = slots++;
            }
            if (n.op == Op::CallN)
                scratch = std::max(scratch, n.args.size());
        }
        for (int o : g_.outputs)
            lastUse_[o] = n_;
        scratchOffset_ = 8 * slots;
        int bytes = 8 * (slots + static_cast<int>(scratch));
        bytes += (bytes % 16 == 8) ? 0 : 8;   // 8 past a multiple of 16
        frame_ = bytes;
    }

    Xbyak::Address home(int node) const
    {
        using namespace Xbyak::util;
        const Node& n = g_.nodes[node];
        if (n.op == Op::Var)
            return qword[rbx + 8 * n.var];
        if (n.op == Op::Const)
            return qword[rip + poolLabel_ + 16 + 8 * pool_[node]];
        return qword[rsp + 8 * slot_[node]];
    }

    // A node's value as an operand: its register while cached, else its home.
    const Xbyak::Operand& operand(int node)
    {
        if (where_[node] >= 0) {
            touch(where_[node]);
            return regs_[where_[node]];
        }
        homeScratch_ = home(node);
        return homeScratch_;
    }

    void load(const Xbyak::Xmm& r, int node)
    {
        if (where_[node] >= 0)
            movapd(r, regs_[where_[node]]);
        else
            movsd(r, home(node));
        forget(r.getIdx());
    }

    void touch(int r) { stamp_[r] = ++clock_; }

    void forget(int r)
    {
        if (holder_[r] >= 0)
            where_[holder_[r]] = -1;
        holder_[r] = -1;
    }

    void bind(int r, int node)
    {
        forget(r);
        holder_[r] = node;
        where_[node] = r;
        touch(r);
    }

    // A register for a new value, keeping the operands a and b: a free one, else one
    // whose value has no use left, else the least recently used (its value is at home).
    int allocate(int now, int a, int b)
    {
        int best = -1;
        auto rank = [&](int r) { return holder_[r] < 0 ? 0 : lastUse_[holder_[r]] < now ? 1 : 2; };
        for (int r = 0; r < kRegisters; ++r) {
            if (holder_[r] >= 0 && (holder_[r] == a || holder_[r] == b))
                continue;
            if (best < 0 || rank(r) < rank(best) || (rank(r) == rank(best) && stamp_[r] < stamp_[best]))
                best = r;
        }
        forget(best);
        return best;
    }

    // The C library may change every xmm register.
    void flush()
    {
        for (int r = 0; r < kRegisters; ++r)
            forget(r);
    }

    void stored(int r, int node)
    {
        movsd(home(node), regs_[r]);
        bind(r, node);
        done_[node] = true;
    }

    void callAbsolute(const void* fn)
    {
        using namespace Xbyak::util;
        mov(rax, reinterpret_cast<std::uint64_t>(fn));
        call(rax);
    }

    void node(int i)
    {
        const Node& n = g_.nodes[i];
        switch (n.op) {
        case Op::Const:
        case Op::Var:
            done_[i] = true;   // read from their homes
            return;
        case Op::Add: binary(i, [&](const Xbyak::Xmm& r, const Xbyak::Operand& b) { addsd(r, b); }); return;
        case Op::Sub: binary(i, [&](const Xbyak::Xmm& r, const Xbyak::Operand& b) { subsd(r, b); }); return;
        case Op::Mul: binary(i, [&](const Xbyak::Xmm& r, const Xbyak::Operand& b) { mulsd(r, b); }); return;
        case Op::Div: binary(i, [&](const Xbyak::Xmm& r, const Xbyak::Operand& b) { divsd(r, b); }); return;
        // C's comparisons give 1 or +0; cmpsd gives all ones or zero, masked with 1.0.
        // Ordered predicates are false with NaN, as <, <=, ==; the unordered one is true, as !=.
        case Op::Eq: compare(i, n.args[0], n.args[1], 0); return;
        case Op::Lt: compare(i, n.args[0], n.args[1], 1); return;
        case Op::Le: compare(i, n.args[0], n.args[1], 2); return;
        case Op::Ne: compare(i, n.args[0], n.args[1], 4); return;
        case Op::Gt: compare(i, n.args[1], n.args[0], 1); return;
        case Op::Ge: compare(i, n.args[1], n.args[0], 2); return;
        case Op::Call: callFixed(i, n.fn); return;
        case Op::CallN: callArray(i); return;
        case Op::Sin:
        case Op::Cos: {
            const int partner = partnerOf(i);
            if (partner >= 0)
                sinCos(i, partner);
            else
                callFixed(i, reinterpret_cast<const void*>(n.op == Op::Sin ? kSin : kCos));
            return;
        }
        }
    }

    template <class Operation>
    void binary(int i, Operation operation)
    {
        const int a = g_.nodes[i].args[0];
        const int b = g_.nodes[i].args[1];
        const int r = allocate(i, a, b);
        load(regs_[r], a);
        operation(regs_[r], operand(b));
        stored(r, i);
    }

    void compare(int i, int a, int b, std::uint8_t predicate)
    {
        using namespace Xbyak::util;
        const int r = allocate(i, a, b);
        load(regs_[r], a);
        cmpsd(regs_[r], operand(b), predicate);
        andpd(regs_[r], xword[rip + poolLabel_]);
        stored(r, i);
    }

    // Arguments in xmm0, xmm1, ... in order; a register overwritten here no longer
    // caches its value, so a later argument that was there is read from its home.
    void callFixed(int i, const void* fn)
    {
        const std::vector<int>& args = g_.nodes[i].args;
        for (std::size_t k = 0; k < args.size(); ++k)
            load(regs_[k], args[k]);
        flush();
        callAbsolute(fn);
        stored(0, i);
    }

    // The interpreter passes its stack, where the arguments lie side by side.
    void callArray(int i)
    {
        using namespace Xbyak::util;
        const std::vector<int>& args = g_.nodes[i].args;
        for (std::size_t k = 0; k < args.size(); ++k) {
            const Xbyak::Address at = qword[rsp + scratchOffset_ + static_cast<int>(8 * k)];
            if (where_[args[k]] >= 0) {
                movsd(at, regs_[where_[args[k]]]);
            } else {
                load(regs_[0], args[k]);
                movsd(at, regs_[0]);
            }
        }
        flush();
        lea(rdi, ptr[rsp + scratchOffset_]);
        mov(esi, static_cast<int>(args.size()));
        callAbsolute(g_.nodes[i].fn);
        stored(0, i);
    }

    // The live cosine of a sine's argument, or the other way round; -1 if none.
    int partnerOf(int i) const
    {
        const Node& n = g_.nodes[i];
        const Op other = n.op == Op::Sin ? Op::Cos : Op::Sin;
        for (int j = 0; j < n_; ++j)
            if (live_[j] && g_.nodes[j].op == other && g_.nodes[j].args == n.args)
                return j;
        return -1;
    }

    // glibc's sincos gives the same bits as its sin and cos (the compiler merges the two
    // on its own for the same reason); the tests compare every sample with the interpreter.
    // It writes both straight to their homes.
    void sinCos(int i, int partner)
    {
        using namespace Xbyak::util;
        const int sinNode = g_.nodes[i].op == Op::Sin ? i : partner;
        const int cosNode = sinNode == i ? partner : i;
        load(regs_[0], g_.nodes[i].args[0]);
        flush();
        lea(rdi, ptr[rsp + 8 * slot_[sinNode]]);
        lea(rsi, ptr[rsp + 8 * slot_[cosNode]]);
        void (*f)(double, double*, double*) = &::sincos;
        callAbsolute(reinterpret_cast<const void*>(f));
        done_[sinNode] = done_[cosNode] = true;
    }

    const Graph& g_;
    const int n_;
    std::vector<bool> live_;
    std::vector<bool> done_;
    std::vector<int> lastUse_;
    std::vector<int> slot_;   // frame slot of a computed value
    std::vector<int> pool_;   // pool entry of a constant
    std::vector<int> where_;  // register caching a value, -1 if none
    std::vector<double> constants_;
    std::array<int, kRegisters> holder_{};
    std::array<unsigned, kRegisters> stamp_{};
    unsigned clock_ = 0;
    const std::array<Xbyak::Xmm, kRegisters> regs_ = {
        Xbyak::Xmm(0), Xbyak::Xmm(1), Xbyak::Xmm(2),  Xbyak::Xmm(3),  Xbyak::Xmm(4),  Xbyak::Xmm(5),
        Xbyak::Xmm(6), Xbyak::Xmm(7), Xbyak::Xmm(8),  Xbyak::Xmm(9),  Xbyak::Xmm(10), Xbyak::Xmm(11),
        Xbyak::Xmm(12), Xbyak::Xmm(13), Xbyak::Xmm(14), Xbyak::Xmm(15)};
    Xbyak::Label poolLabel_;
    Xbyak::Address homeScratch_ = Xbyak::util::qword[Xbyak::util::rsp];
    int scratchOffset_ = 0;
    int frame_ = 8;
};

NativeCode::Entry assemble(const Graph& g)
{
    // Generously sized: the longest node (a call of six arguments) takes under 100 bytes.
    const std::size_t maxSize = 256 + 160 * g.nodes.size();
    try {
        Emitter emitter(g, maxSize);
        emitter.emit();
        return install(emitter.getCode(), emitter.getSize());
    } catch (const std::exception&) {
        return nullptr;   // too large or not encodable: interpreted
    }
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
    uninstall(entry_);
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
    std::lock_guard lock(cacheMutex());
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
