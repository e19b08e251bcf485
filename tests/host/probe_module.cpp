// A small module for the runtime's tests. Compile definitions make the variants:
// PROBE_API_VERSION (the version it reports), PROBE_NO_VERSION (no handshake export),
// PROBE_NO_ENTRY (no entry point),
// PROBE_LOCKED (never unlocks), PROBE_FORGETFUL (leaves its commands at unload),
// PROBE_FAILS_INIT (registers its command, then answers kRetError).
// Its commands report through acedAlert, which the tests' recording back-end sees.

#include "host/command_stack.h"
#include "host/dynamic_linker.h"
#include "host/editor.h"
#include "host/rx_app.h"

#include <dlfcn.h>

#include <string>

#ifndef PROBE_API_VERSION
#define PROBE_API_VERSION AcRx::kApiVersion
#endif

namespace {

void probe() { acedAlert(L"probe ran"); }

// Tries to unload its own module while it runs, and reports the linker's answer.
void probeUnloadSelf()
{
    Dl_info info{};
    dladdr(reinterpret_cast<void*>(&probeUnloadSelf), &info);
    const std::string file = info.dli_fname ? info.dli_fname : "";
    std::wstring message;
    const bool unloaded = acrxDynamicLinker()->unloadModule(std::wstring(file.begin(), file.end()), &message);
    acedAlert(((unloaded ? L"unloaded: " : L"refused: ") + message).c_str());
}

class ProbeApp : public AcRxArxApp {
public:
#ifdef PROBE_LOCKED
    ProbeApp() : AcRxArxApp(false, true) {}
#else
    ProbeApp() : AcRxArxApp(true, true) {}
#endif

    AcRx::AppRetCode On_kInitAppMsg(void* pkt) override
    {
        if (AcRx::AppRetCode result = AcRxArxApp::On_kInitAppMsg(pkt); result != AcRx::kRetOK)
            return result;
        acedRegCmds()->addCommand(L"PROBE", L"probe", L"probe", ACRX_CMD_MODAL, probe);
        acedRegCmds()->addCommand(L"PROBE", L"probeunload", L"probeunload", ACRX_CMD_MODAL, probeUnloadSelf);
#ifdef PROBE_FAILS_INIT
        return AcRx::kRetError;
#else
        return AcRx::kRetOK;
#endif
    }

    AcRx::AppRetCode On_kUnloadAppMsg(void*) override
    {
#ifndef PROBE_FORGETFUL
        acedRegCmds()->removeGroup(L"PROBE");
#endif
        return AcRx::kRetOK;
    }
};

} // namespace

#ifndef PROBE_NO_ENTRY
ACRX_MODULE_EXPORT AcRx::AppRetCode acrxEntryPoint(AcRx::AppMsgCode msg, void* pkt)
{
    static ProbeApp app;
    return app.dispatch(msg, pkt);
}
#endif

#ifndef PROBE_NO_VERSION
ACRX_MODULE_EXPORT int acrxGetApiVersion() { return PROBE_API_VERSION; }
#endif
