#pragma once
// What a loadable application module meets: the message codes the editor sends to
// its entry point, the return codes it answers with, the application base class
// whose virtual slots receive those messages, and the export conventions.

namespace AcRx {

// A fixed underlying type: the editor may send codes this enumeration does not name.
enum AppMsgCode : int {
    kNullMsg = 0,
    kInitAppMsg = 1,
    kUnloadAppMsg = 2,
    kLoadDwgMsg = 3,
    kUnloadDwgMsg = 4,
    kInvkSubrMsg = 5,
    kCfgMsg = 6,
    kEndMsg = 7,
    kQuitMsg = 8,
    kSaveMsg = 9,
    kDependencyMsg = 10,
    kNoDependencyMsg = 11,
    kOleUnloadAppMsg = 12,
    kPreQuitMsg = 13,
    kInitDialogMsg = 14,
    kEndDialogMsg = 15,
};

enum AppRetCode : int {
    kRetOK = 0,
    kRetError = 3,
};

// The API version this editor runs: release 17 in the high word, 0 in the low one.
// A module is accepted when its release (version >> 16) is the same.
inline constexpr int kApiVersion = 0x110000;

} // namespace AcRx

// Marks the two functions a module exports; a module builds with hidden visibility.
#define ACRX_MODULE_EXPORT extern "C" __attribute__((visibility("default")))

// The module's side of the version handshake, as every module defines it.
#define ACRX_DEFINE_API_VERSION()                                                      \
    ACRX_MODULE_EXPORT int acrxGetApiVersion() { return AcRx::kApiVersion; }

// Signatures of the two exports the dynamic linker looks up.
using AcRxEntryPointFunction = AcRx::AppRetCode (*)(AcRx::AppMsgCode, void*);
using AcRxApiVersionFunction = int (*)();

// The application object of a module. Each virtual slot receives the packet that
// came with the message and returns the module's answer; every slot answers kRetOK
// unless overridden. The slots are declared in the order of the dispatch table.
class AcRxArxApp {
public:
    // `unlocked`: the module may be unloaded at any time; `mdiAware`: it works with
    // several open drawings. Both are announced to the dynamic linker at initialisation.
    explicit AcRxArxApp(bool unlocked = true, bool mdiAware = true);
    virtual ~AcRxArxApp() = default;
    AcRxArxApp(const AcRxArxApp&) = delete;
    AcRxArxApp& operator=(const AcRxArxApp&) = delete;

    // Announces the flags above through the "DynamicLinker" service (unlock first,
    // then several-drawings awareness), then RegisterServerComponents. Answers
    // kRetError, announcing nothing, when the registry holds no dynamic linker.
    virtual AcRx::AppRetCode On_kInitAppMsg(void* pkt);
    virtual AcRx::AppRetCode On_kUnloadAppMsg(void* pkt);
    virtual AcRx::AppRetCode On_kLoadDwgMsg(void* pkt);
    virtual AcRx::AppRetCode On_kUnloadDwgMsg(void* pkt);
    virtual AcRx::AppRetCode On_kInvkSubrMsg(void* pkt);
    virtual AcRx::AppRetCode On_kCfgMsg(void* pkt);
    virtual AcRx::AppRetCode On_kEndMsg(void* pkt);
    virtual AcRx::AppRetCode On_kQuitMsg(void* pkt);
    virtual AcRx::AppRetCode On_kSaveMsg(void* pkt);
    virtual AcRx::AppRetCode On_kDependencyMsg(void* pkt);
    virtual AcRx::AppRetCode On_kNoDependencyMsg(void* pkt);
    virtual AcRx::AppRetCode On_kOleUnloadAppMsg(void* pkt);
    virtual AcRx::AppRetCode On_kPreQuitMsg(void* pkt);
    virtual AcRx::AppRetCode On_kInitDialogMsg(void* pkt);
    virtual AcRx::AppRetCode On_kEndDialogMsg(void* pkt);
    virtual AcRx::AppRetCode On_kNullMsg(void* pkt);
    virtual AcRx::AppRetCode RegisterServerComponents();

    // The entry point's dispatch: code 0 to On_kNullMsg, codes 1 to 15 to the slots
    // On_kInitAppMsg .. On_kEndDialogMsg in order; any other code answers kRetOK
    // without calling anything.
    AcRx::AppRetCode dispatch(AcRx::AppMsgCode msg, void* pkt);

    // The module's own instance (its load address), used as the resource handle of
    // the commands it registers; null until the module stores it at attach.
    void* GetModuleInstance() const { return m_hdllInstance; }
    void SetModuleInstance(void* instance) { m_hdllInstance = instance; }

protected:
    bool m_bUnlocked;
    bool m_bMDIAware;
    void* m_hdllInstance = nullptr;
};
