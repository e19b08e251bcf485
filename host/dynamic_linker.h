#pragma once
// Loads and unloads application modules (shared objects exporting acrxEntryPoint and
// acrxGetApiVersion), sends them the editor's messages, and keeps what each module
// announced about itself: whether it may be unloaded, whether it handles several drawings.

#include "host/rx_app.h"
#include "host/rx_object.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

class AcRxDynamicLinker : public AcRxObject {
public:
    ACRX_DECLARE_MEMBERS(AcRxDynamicLinker)

    AcRxDynamicLinker();
    // Modules still loaded are not told: call unloadAll() before the process ends.
    ~AcRxDynamicLinker() override;
    AcRxDynamicLinker(const AcRxDynamicLinker&) = delete;
    AcRxDynamicLinker& operator=(const AcRxDynamicLinker&) = delete;

    // Loads the module at `path` (UTF-8 file system path as wide text), checks the
    // version handshake and sends kInitAppMsg. On failure nothing stays loaded, no
    // command of the module stays registered, and `message` names the file and the
    // reason; on success it says the module was loaded. Loading a loaded module is refused.
    bool loadModule(std::wstring_view path, std::wstring* message = nullptr);

    // Sends kUnloadAppMsg and removes every command still registered from the module's
    // code; the module is then no longer loaded (a later load initialises it again), but
    // its code and data stay mapped until the process ends, because objects it handed
    // out may still point into them. Refused (module stays loaded) when the module is not
    // loaded, never unlocked itself, has a command running, or answers kRetError.
    bool unloadModule(std::wstring_view path, std::wstring* message = nullptr);

    // Unloads every module in reverse load order, locked ones included (editor exit).
    void unloadAll();

    // For the module whose message is being handled: `appId` is the packet that came
    // with it. False for a packet that names no loaded module.
    bool unlockApplication(void* appId);
    bool lockApplication(void* appId);
    bool registerAppMDIAware(void* appId);
    bool registerAppNotMDIAware(void* appId);

    bool isModuleLoaded(std::wstring_view path) const;
    // False for a module that is not loaded.
    bool isApplicationLocked(std::wstring_view path) const;
    bool isAppMDIAware(std::wstring_view path) const;
    // Resolved paths of the loaded modules, in load order.
    std::vector<std::wstring> loadedModules() const;

    // Sends `msg` to every loaded module in load order, each with its own packet.
    void sendToAll(AcRx::AppMsgCode msg);

private:
    struct Module;
    Module* find(std::wstring_view path) const;
    Module* fromPacket(void* appId) const;
    static AcRx::AppRetCode send(Module& module, AcRx::AppMsgCode msg);
    void removeCommandsOf(const Module& module);
    void close(Module& module);

    std::vector<std::unique_ptr<Module>> modules_;
};

// The "DynamicLinker" entry of the system registry, or null when it is missing.
AcRxDynamicLinker* acrxDynamicLinker();
