// The system registry and the services it holds. They are built together on first
// use, so a module finds every entry whichever it asks for first.

#include "host/command_stack.h"
#include "host/dynamic_linker.h"
#include "host/rx_object.h"

namespace {

struct Runtime {
    AcRxDictionary registry;
    AcRxDictionary classes;
    AcRxDynamicLinker linker;
    AcEdCommandStack commands;
    // The document reactor's description: modules look it up by name; the reactor
    // class itself is no run-time object.
    AcRxClass docManagerReactor{L"AcApDocManagerReactor", AcRxObject::desc()};

    Runtime()
    {
        for (AcRxClass* cls : {AcRxObject::desc(), AcRxClass::desc(), AcRxDictionary::desc(),
                               AcRxDynamicLinker::desc(), AcEdCommandStack::desc(), &docManagerReactor})
            classes.atPut(cls->name(), cls);
        registry.atPut(ACRX_DYNAMIC_LINKER, &linker);
        registry.atPut(ACRX_COMMAND_DOCK, &commands);
        registry.atPut(ACRX_CLASS_DICTIONARY, &classes);
    }
};

Runtime& runtime()
{
    static Runtime instance;
    return instance;
}

} // namespace

AcRxDictionary* acrxSysRegistry() { return &runtime().registry; }

AcRxDictionary* acrxClassDictionary() { return AcRxDictionary::cast(acrxSysRegistry()->at(ACRX_CLASS_DICTIONARY)); }
