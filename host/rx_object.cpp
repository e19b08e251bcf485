#include "host/rx_object.h"

#include <utility>

AcRxClass* AcRxObject::desc()
{
    static AcRxClass description(L"AcRxObject", nullptr);
    return &description;
}

AcRxClass* AcRxObject::isA() const { return desc(); }

bool AcRxObject::isKindOf(const AcRxClass* cls) const
{
    const AcRxClass* mine = isA();
    return cls && mine && mine->isDerivedFrom(cls);
}

ACRX_DEFINE_MEMBERS(AcRxClass, AcRxObject)

AcRxClass::AcRxClass(std::wstring name, AcRxClass* parent) : name_(std::move(name)), parent_(parent) {}

bool AcRxClass::isDerivedFrom(const AcRxClass* other) const
{
    for (const AcRxClass* c = this; c; c = c->parent_)
        if (c == other)
            return true;
    return false;
}

ACRX_DEFINE_MEMBERS(AcRxDictionary, AcRxObject)

AcRxObject* AcRxDictionary::at(std::wstring_view key) const
{
    auto it = entries_.find(key);
    return it == entries_.end() ? nullptr : it->second;
}

AcRxObject* AcRxDictionary::atPut(std::wstring_view key, AcRxObject* object)
{
    auto it = entries_.find(key);
    if (it == entries_.end()) {
        if (object)
            entries_.emplace(std::wstring(key), object);
        return nullptr;
    }
    AcRxObject* previous = it->second;
    if (object)
        it->second = object;
    else
        entries_.erase(it);
    return previous;
}

AcRxObject* AcRxDictionary::remove(std::wstring_view key) { return atPut(key, nullptr); }
