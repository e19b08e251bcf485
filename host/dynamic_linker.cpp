#include "host/dynamic_linker.h"

#include "host/command_stack.h"
#include "base/utf8_text.h"

#include <dlfcn.h>

#include <algorithm>
#include <charconv>
#include <exception>
#include <filesystem>
#include <system_error>

using plotwright::base::utf8FromWide;
using plotwright::base::wideFromUtf8;

struct AcRxDynamicLinker::Module {
    std::wstring path;    // resolved: the name by which it is found again
    void* handle = nullptr;
    void* base = nullptr; // load address: tells which commands live in its code
    AcRxEntryPointFunction entryPoint = nullptr;
    bool unlocked = false;
    bool mdiAware = false;
};

namespace {

namespace fs = std::filesystem;

std::wstring inQuotes(std::wstring_view path) { return L"\"" + std::wstring(path) + L"\""; }

std::wstring versionText(int version)
{
    // Each part in its own buffer, where any int fits.
    char major[16];
    char minor[16];
    char* majorEnd = std::to_chars(major, major + sizeof major, version >> 16).ptr;
    char* minorEnd = std::to_chars(minor, minor + sizeof minor, version & 0xFFFF).ptr;
    return wideFromUtf8(std::string(+major, majorEnd) + '.' + std::string(+minor, minorEnd));
}

// dlerror() starts with the file name, which the message already gives.
std::wstring dlReason(const std::string& file)
{
    const char* error = dlerror();
    std::string reason = error ? error : "unknown error";
    if (reason.rfind(file + ": ", 0) == 0)
        reason.erase(0, file.size() + 2);
    return wideFromUtf8(reason);
}

// The absolute, symlink-free form of `path`, so that one module has one name; the
// plain absolute form when the file does not exist.
std::wstring resolve(std::wstring_view path)
{
    std::error_code ec;
    const fs::path p(utf8FromWide(path));
    fs::path resolved = fs::canonical(p, ec);
    if (ec)
        resolved = fs::absolute(p, ec).lexically_normal();
    return wideFromUtf8(resolved.string());
}

void* loadAddress(void* symbol)
{
    Dl_info info{};
    return dladdr(symbol, &info) ? info.dli_fbase : nullptr;
}

} // namespace

ACRX_DEFINE_MEMBERS(AcRxDynamicLinker, AcRxObject)

AcRxDynamicLinker::AcRxDynamicLinker() = default;
AcRxDynamicLinker::~AcRxDynamicLinker() = default;

AcRxDynamicLinker::Module* AcRxDynamicLinker::find(std::wstring_view path) const
{
    const std::wstring resolved = resolve(path);
    for (const auto& m : modules_)
        if (m->path == resolved || m->path == path)
            return m.get();
    return nullptr;
}

AcRxDynamicLinker::Module* AcRxDynamicLinker::fromPacket(void* appId) const
{
    for (const auto& m : modules_)
        if (m.get() == appId)
            return m.get();
    return nullptr;
}

AcRx::AppRetCode AcRxDynamicLinker::send(Module& module, AcRx::AppMsgCode msg)
{
    // An exception must not unwind through the module's C entry point into the editor.
    try {
        return module.entryPoint(msg, &module);
    } catch (...) {
        return AcRx::kRetError;
    }
}

bool AcRxDynamicLinker::loadModule(std::wstring_view path, std::wstring* message)
{
    auto fail = [&](std::wstring text) {
        if (message)
            *message = std::move(text);
        return false;
    };
    const std::wstring resolved = resolve(path);
    const std::wstring name = inQuotes(path);
    if (find(resolved))
        return fail(name + L" is already loaded.");

    std::error_code ec;
    const std::string file = utf8FromWide(resolved);
    if (!fs::exists(fs::path(file), ec))
        return fail(L"Cannot load " + name + L": no such file.");
    if (fs::is_directory(fs::path(file), ec))
        return fail(L"Cannot load " + name + L": it is a folder.");

    dlerror();
    // RTLD_NODELETE: an unloaded module stays mapped. A toolkit keeps pointers into a
    // module's constant data in process-wide caches (string literals become font
    // family names, type descriptions get registered); unmapping the module would
    // leave those pointing at nothing.
    void* handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    if (!handle)
        return fail(L"Cannot load " + name + L": " + dlReason(file));
    // The same file under another name (a hard link) maps to the same handle.
    for (const auto& m : modules_)
        if (m->handle == handle) {
            dlclose(handle);
            return fail(name + L" is already loaded as " + inQuotes(m->path) + L".");
        }

    auto entryPoint = reinterpret_cast<AcRxEntryPointFunction>(dlsym(handle, "acrxEntryPoint"));
    auto apiVersion = reinterpret_cast<AcRxApiVersionFunction>(dlsym(handle, "acrxGetApiVersion"));
    if (!entryPoint || !apiVersion) {
        dlclose(handle);
        return fail(L"Cannot load " + name + L": it is not an application module (it does not export " +
                    (entryPoint ? L"acrxGetApiVersion" : L"acrxEntryPoint") + L").");
    }
    const int version = apiVersion();
    if ((version >> 16) != (AcRx::kApiVersion >> 16)) {
        dlclose(handle);
        return fail(L"Cannot load " + name + L": it was built for API version " + versionText(version) +
                    L", this editor runs modules of version " + versionText(AcRx::kApiVersion) + L".");
    }

    auto module = std::make_unique<Module>();
    module->path = resolved;
    module->handle = handle;
    module->base = loadAddress(reinterpret_cast<void*>(entryPoint));
    module->entryPoint = entryPoint;
    Module& m = *modules_.emplace_back(std::move(module));
    if (send(m, AcRx::kInitAppMsg) != AcRx::kRetOK) {
        close(m);
        return fail(L"Cannot load " + name + L": its initialisation failed.");
    }
    if (message)
        *message = L"Loaded " + name + L".";
    return true;
}

bool AcRxDynamicLinker::unloadModule(std::wstring_view path, std::wstring* message)
{
    auto fail = [&](std::wstring text) {
        if (message)
            *message = std::move(text);
        return false;
    };
    const std::wstring name = inQuotes(path);
    Module* m = find(path);
    if (!m)
        return fail(name + L" is not loaded.");
    if (!m->unlocked)
        return fail(L"Cannot unload " + name + L": the application does not allow unloading.");
    if (const AcEdCommandStack* stack = acedRegCmds())
        for (const AcEdCommand* c : stack->commands())
            if (stack->isRunning(c) && loadAddress(reinterpret_cast<void*>(c->functionAddr())) == m->base)
                return fail(L"Cannot unload " + name + L": its command " + c->globalName() + L" is running.");
    if (send(*m, AcRx::kUnloadAppMsg) != AcRx::kRetOK)
        return fail(L"Cannot unload " + name + L": the application refused to unload.");
    close(*m);
    if (message)
        *message = L"Unloaded " + name + L".";
    return true;
}

void AcRxDynamicLinker::unloadAll()
{
    while (!modules_.empty()) {
        Module& m = *modules_.back();
        send(m, AcRx::kUnloadAppMsg);
        close(m);
    }
}

void AcRxDynamicLinker::removeCommandsOf(const Module& module)
{
    AcEdCommandStack* stack = acedRegCmds();
    if (!stack || !module.base)
        return;
    for (const AcEdCommand* c : stack->commands())
        if (loadAddress(reinterpret_cast<void*>(c->functionAddr())) == module.base)
            stack->removeCmd(c->groupName(), c->globalName());
}

// Leaves no command behind whose code is about to be unmapped, then unmaps.
void AcRxDynamicLinker::close(Module& module)
{
    removeCommandsOf(module);
    dlclose(module.handle);
    std::erase_if(modules_, [&](const auto& m) { return m.get() == &module; });
}

bool AcRxDynamicLinker::unlockApplication(void* appId)
{
    Module* m = fromPacket(appId);
    return m && (m->unlocked = true);
}

bool AcRxDynamicLinker::lockApplication(void* appId)
{
    Module* m = fromPacket(appId);
    if (m)
        m->unlocked = false;
    return m != nullptr;
}

bool AcRxDynamicLinker::registerAppMDIAware(void* appId)
{
    Module* m = fromPacket(appId);
    return m && (m->mdiAware = true);
}

bool AcRxDynamicLinker::registerAppNotMDIAware(void* appId)
{
    Module* m = fromPacket(appId);
    if (m)
        m->mdiAware = false;
    return m != nullptr;
}

bool AcRxDynamicLinker::isModuleLoaded(std::wstring_view path) const { return find(path) != nullptr; }

bool AcRxDynamicLinker::isApplicationLocked(std::wstring_view path) const
{
    const Module* m = find(path);
    return m && !m->unlocked;
}

bool AcRxDynamicLinker::isAppMDIAware(std::wstring_view path) const
{
    const Module* m = find(path);
    return m && m->mdiAware;
}

std::vector<std::wstring> AcRxDynamicLinker::loadedModules() const
{
    std::vector<std::wstring> out;
    for (const auto& m : modules_)
        out.push_back(m->path);
    return out;
}

void AcRxDynamicLinker::sendToAll(AcRx::AppMsgCode msg)
{
    // A module may load or unload others while handling the message: walk a snapshot
    // and skip modules that are gone.
    std::vector<Module*> snapshot;
    for (const auto& m : modules_)
        snapshot.push_back(m.get());
    for (Module* m : snapshot)
        if (fromPacket(m))
            send(*m, msg);
}

AcRxDynamicLinker* acrxDynamicLinker() { return AcRxDynamicLinker::cast(acrxSysRegistry()->at(ACRX_DYNAMIC_LINKER)); }
