// The module's exports and its attach and detach work.
//
// Attach and detach are the constructor and destructor of a static object: they run
// when the module is mapped into the process and when it is unmapped, as the operating
// system's attach and detach notifications do. The editor keeps an unloaded module
// mapped until it exits, so the two run once per process; everything that must follow
// each load and unload (the command, the per-drawing records) is done on kInitAppMsg
// and kUnloadAppMsg instead.

#include "app/plotwright_app.h"
#include "dialogs/ui_library.h"

#include <QtCore/qglobal.h>

#include <dlfcn.h>

// Outside any namespace: the resource macros declare global functions.
static void initModuleResources() { Q_INIT_RESOURCE(ui_resources); }
static void cleanupModuleResources() { Q_CLEANUP_RESOURCE(ui_resources); }

CPlotwrightApp& thePlotwrightApp()
{
    static CPlotwrightApp app;
    return app;
}

namespace {

struct ModuleAttachment {
    ModuleAttachment()
    {
        Dl_info info{};
        if (dladdr(reinterpret_cast<void*>(&initModuleResources), &info))
            thePlotwrightApp().SetModuleInstance(info.dli_fbase);
        initModuleResources();
        InitAcUiDLL();
    }
    ~ModuleAttachment() { cleanupModuleResources(); }
};

const ModuleAttachment attachment;

} // namespace

ACRX_MODULE_EXPORT AcRx::AppRetCode acrxEntryPoint(AcRx::AppMsgCode msg, void* pkt)
{
    return thePlotwrightApp().dispatch(msg, pkt);
}

ACRX_DEFINE_API_VERSION()
