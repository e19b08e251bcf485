#pragma once
// The module's application object: answers the editor's messages. Initialisation
// announces the module as unloadable and aware of several drawings, registers the
// curve command and records the install information; unload removes the command.

#include "app/doc_data.h"
#include "host/data_manager.h"
#include "host/rx_app.h"

#include <memory>

// The command this module adds to the editor.
inline constexpr const wchar_t* kCommandGroup = L"KRVX";
inline constexpr const wchar_t* kCommandName = L"vexilo";

class CPlotwrightApp : public AcRxArxApp {
public:
    CPlotwrightApp();

    // kRetError, registering nothing, when the registry lacks the dynamic linker or a
    // command stack under "ACAD_REGISTERED_COMMANDS".
    AcRx::AppRetCode On_kInitAppMsg(void* pkt) override;
    AcRx::AppRetCode On_kUnloadAppMsg(void* pkt) override;

    // The per-drawing records; null while the module is not initialised.
    AcApDataManager<CDocData>* docData() const { return docData_.get(); }

private:
    std::unique_ptr<AcApDataManager<CDocData>> docData_;
};

// The one application object of the module.
CPlotwrightApp& thePlotwrightApp();
