#include "editor/module_host.h"

#include "host/command_stack.h"
#include "host/dynamic_linker.h"

namespace plotwright::editor::module_host {

bool canLoad() { return acrxDynamicLinker() != nullptr; }

bool load(const std::wstring& path, std::wstring& message)
{
    AcRxDynamicLinker* linker = acrxDynamicLinker();
    if (!linker) {
        message = L"Cannot load \"" + path + L"\": the editor has no dynamic linker.";
        return false;
    }
    return linker->loadModule(path, &message);
}

bool unload(const std::wstring& path, std::wstring& message)
{
    AcRxDynamicLinker* linker = acrxDynamicLinker();
    message = L"The editor has no dynamic linker.";
    return linker && linker->unloadModule(path, &message);
}

void unloadAll()
{
    if (AcRxDynamicLinker* linker = acrxDynamicLinker())
        linker->unloadAll();
}

std::vector<std::wstring> loaded()
{
    const AcRxDynamicLinker* linker = acrxDynamicLinker();
    return linker ? linker->loadedModules() : std::vector<std::wstring>{};
}

namespace {

void sendToAll(AcRx::AppMsgCode message)
{
    if (AcRxDynamicLinker* linker = acrxDynamicLinker())
        linker->sendToAll(message);
}

} // namespace

void drawingOpened() { sendToAll(AcRx::kLoadDwgMsg); }

void drawingClosing() { sendToAll(AcRx::kUnloadDwgMsg); }

bool hasCommand(const std::wstring& name)
{
    const AcEdCommandStack* stack = acedRegCmds();
    return stack && stack->lookupCmd(name) != nullptr;
}

bool runCommand(const std::wstring& name, std::wstring& message)
{
    AcEdCommandStack* stack = acedRegCmds();
    return stack && stack->invoke(name, &message);
}

} // namespace plotwright::editor::module_host
