#include "host/rx_app.h"

#include "host/dynamic_linker.h"

AcRxArxApp::AcRxArxApp(bool unlocked, bool mdiAware) : m_bUnlocked(unlocked), m_bMDIAware(mdiAware) {}

AcRx::AppRetCode AcRxArxApp::On_kInitAppMsg(void* pkt)
{
    AcRxDynamicLinker* linker = acrxDynamicLinker();
    if (!linker)
        return AcRx::kRetError;
    if (m_bUnlocked)
        linker->unlockApplication(pkt);
    if (m_bMDIAware)
        linker->registerAppMDIAware(pkt);
    return RegisterServerComponents();
}

AcRx::AppRetCode AcRxArxApp::On_kUnloadAppMsg(void*) { return AcRx::kRetOK; }
AcRx::AppRetCode AcRxArxApp::On_kLoadDwgMsg(void*) { return AcRx::kRetOK; }
AcRx::AppRetCode AcRxArxApp::On_kUnloadDwgMsg(void*) { return AcRx::kRetOK; }
AcRx::AppRetCode AcRxArxApp::On_kInvkSubrMsg(void*) { return AcRx::kRetOK; }
AcRx::AppRetCode AcRxArxApp::On_kCfgMsg(void*) { return AcRx::kRetOK; }
AcRx::AppRetCode AcRxArxApp::On_kEndMsg(void*) { return AcRx::kRetOK; }
AcRx::AppRetCode AcRxArxApp::On_kQuitMsg(void*) { return AcRx::kRetOK; }
AcRx::AppRetCode AcRxArxApp::On_kSaveMsg(void*) { return AcRx::kRetOK; }
AcRx::AppRetCode AcRxArxApp::On_kDependencyMsg(void*) { return AcRx::kRetOK; }
AcRx::AppRetCode AcRxArxApp::On_kNoDependencyMsg(void*) { return AcRx::kRetOK; }
AcRx::AppRetCode AcRxArxApp::On_kOleUnloadAppMsg(void*) { return AcRx::kRetOK; }
AcRx::AppRetCode AcRxArxApp::On_kPreQuitMsg(void*) { return AcRx::kRetOK; }
AcRx::AppRetCode AcRxArxApp::On_kInitDialogMsg(void*) { return AcRx::kRetOK; }
AcRx::AppRetCode AcRxArxApp::On_kEndDialogMsg(void*) { return AcRx::kRetOK; }
AcRx::AppRetCode AcRxArxApp::On_kNullMsg(void*) { return AcRx::kRetOK; }
AcRx::AppRetCode AcRxArxApp::RegisterServerComponents() { return AcRx::kRetOK; }

AcRx::AppRetCode AcRxArxApp::dispatch(AcRx::AppMsgCode msg, void* pkt)
{
    using Slot = AcRx::AppRetCode (AcRxArxApp::*)(void*);
    // Slot i serves message code i + 1; the null message, code 0, comes last.
    static constexpr Slot slots[] = {
        &AcRxArxApp::On_kInitAppMsg,   &AcRxArxApp::On_kUnloadAppMsg,    &AcRxArxApp::On_kLoadDwgMsg,
        &AcRxArxApp::On_kUnloadDwgMsg, &AcRxArxApp::On_kInvkSubrMsg,     &AcRxArxApp::On_kCfgMsg,
        &AcRxArxApp::On_kEndMsg,       &AcRxArxApp::On_kQuitMsg,         &AcRxArxApp::On_kSaveMsg,
        &AcRxArxApp::On_kDependencyMsg, &AcRxArxApp::On_kNoDependencyMsg, &AcRxArxApp::On_kOleUnloadAppMsg,
        &AcRxArxApp::On_kPreQuitMsg,   &AcRxArxApp::On_kInitDialogMsg,   &AcRxArxApp::On_kEndDialogMsg,
        &AcRxArxApp::On_kNullMsg,
    };
    // The code arrives from outside as a plain integer: compare as one, so that a
    // value outside the enumeration's range is never used as an index.
    const int code = static_cast<int>(msg);
    if (code == AcRx::kNullMsg)
        return (this->*slots[15])(pkt);
    if (code >= AcRx::kInitAppMsg && code <= AcRx::kEndDialogMsg)
        return (this->*slots[code - 1])(pkt);
    return AcRx::kRetOK;
}
