#include "app/plotwright_app.h"

#include "app/curve_command.h"
#include "app/curve_edit_command.h"
#include "host/command_stack.h"
#include "install/install_folder.h"

#include <cstdio>
#include <utility>

namespace {

// The command stack's class description, looked up in the class dictionary once it
// is found and kept from then on.
AcRxClass* commandStackClass()
{
    static AcRxClass* kept = nullptr;
    if (!kept)
        if (AcRxDictionary* classes = acrxClassDictionary())
            kept = AcRxClass::cast(classes->at(L"AcEdCommandStack"));
    return kept ? kept : AcEdCommandStack::desc();
}

// The editor's command stack, or null when the registry holds none (or something else
// under its name).
AcEdCommandStack* commandStack()
{
    AcRxObject* entry = acrxSysRegistry()->at(ACRX_COMMAND_DOCK);
    return entry && entry->isKindOf(commandStackClass()) ? AcEdCommandStack::cast(entry) : nullptr;
}

void report(const char* text) { std::fprintf(stderr, "plotwright: %s\n", text); }

} // namespace

CPlotwrightApp::CPlotwrightApp() : AcRxArxApp(/*unlocked=*/true, /*mdiAware=*/true) {}

AcRx::AppRetCode CPlotwrightApp::On_kInitAppMsg(void* pkt)
{
    // Unlock, several-drawings awareness, server components.
    if (AcRxArxApp::On_kInitAppMsg(pkt) != AcRx::kRetOK) {
        report("the editor offers no dynamic linker; the module does not initialise.");
        return AcRx::kRetError;
    }
    AcEdCommandStack* stack = commandStack();
    if (!stack) {
        report("the editor offers no command stack; the vexilo command cannot be added.");
        return AcRx::kRetError;
    }
    const Acad::ErrorStatus added = stack->addCommand(kCommandGroup, kCommandName, kCommandName, ACRX_CMD_MODAL,
                                                      RunCurveCommand, nullptr, -1, GetModuleInstance(), nullptr);
    if (added != Acad::eOk) {
        report("the vexilo command could not be added (the name is taken).");
        return AcRx::kRetError;
    }
    // The commands on drawn curves; the module works without them when their names are taken.
    for (const auto& [name, run] : {std::pair{kEditCommandName, &RunCurveEditCommand},
                                    std::pair{kAddCommandName, &RunAddToMyCurvesCommand}}) {
        if (stack->addCommand(kCommandGroup, name, name, ACRX_CMD_MODAL, run, nullptr, -1, GetModuleInstance(),
                              nullptr) != Acad::eOk)
            report("a command on drawn curves could not be added (the name is taken).");
    }
    SetInstallInfo(PlotwrightInstallInfo()); // maker "Tolbrin", product "Plotwright", its product code
    docData_ = std::make_unique<AcApDataManager<CDocData>>();
    return AcRx::kRetOK;
}

AcRx::AppRetCode CPlotwrightApp::On_kUnloadAppMsg(void*)
{
    if (AcEdCommandStack* stack = commandStack()) {
        stack->removeCmd(kCommandGroup, kCommandName);
        stack->removeCmd(kCommandGroup, kEditCommandName);
        stack->removeCmd(kCommandGroup, kAddCommandName);
    }
    docData_.reset();
    return AcRx::kRetOK;
}
