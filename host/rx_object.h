#pragma once
// The editor's run-time object system as a module meets it: objects that know their
// class description, class descriptions that know their parent, named dictionaries,
// and the system registry through which a module finds the editor's services.

#include <map>
#include <string>
#include <string_view>

class AcRxClass;

// Declares the run-time class members of CLASS: its description, isA() and a checked
// cast that yields null when the object is not of CLASS or one derived from it.
#define ACRX_DECLARE_MEMBERS(CLASS)                                                    \
public:                                                                                \
    static AcRxClass* desc();                                                          \
    AcRxClass* isA() const override;                                                   \
    static CLASS* cast(const AcRxObject* object)                                       \
    {                                                                                  \
        return object && object->isKindOf(desc())                                      \
                   ? static_cast<CLASS*>(const_cast<AcRxObject*>(object))              \
                   : nullptr;                                                          \
    }

// Defines what ACRX_DECLARE_MEMBERS declared; the description is made on first use.
#define ACRX_DEFINE_MEMBERS(CLASS, PARENT)                                             \
    AcRxClass* CLASS::desc()                                                           \
    {                                                                                  \
        static AcRxClass description(L## #CLASS, PARENT::desc());                      \
        return &description;                                                           \
    }                                                                                  \
    AcRxClass* CLASS::isA() const { return desc(); }

class AcRxObject {
public:
    virtual ~AcRxObject() = default;

    static AcRxClass* desc();
    virtual AcRxClass* isA() const;
    // True when this object's class is `cls` or derives from it; false for null.
    bool isKindOf(const AcRxClass* cls) const;
    static AcRxObject* cast(const AcRxObject* object) { return const_cast<AcRxObject*>(object); }
};

// A class description: a name and the description of the parent class.
class AcRxClass : public AcRxObject {
public:
    ACRX_DECLARE_MEMBERS(AcRxClass)

    // `parent` is null only for AcRxObject's own description.
    AcRxClass(std::wstring name, AcRxClass* parent);
    AcRxClass(const AcRxClass&) = delete;
    AcRxClass& operator=(const AcRxClass&) = delete;

    const wchar_t* name() const { return name_.c_str(); }
    AcRxClass* myParent() const { return parent_; }
    bool isDerivedFrom(const AcRxClass* other) const;

private:
    std::wstring name_;
    AcRxClass* parent_;
};

// Named objects, compared by exact name. Entries are not owned: the registry's
// services live as long as the process, and whoever puts an object in removes it.
class AcRxDictionary : public AcRxObject {
public:
    ACRX_DECLARE_MEMBERS(AcRxDictionary)

    AcRxDictionary() = default;
    AcRxDictionary(const AcRxDictionary&) = delete;
    AcRxDictionary& operator=(const AcRxDictionary&) = delete;

    // The object under `key`, or null.
    AcRxObject* at(std::wstring_view key) const;
    // Stores `object` under `key` and returns the object that was there (or null).
    AcRxObject* atPut(std::wstring_view key, AcRxObject* object);
    // Takes the entry out and returns its object (or null when there was none).
    AcRxObject* remove(std::wstring_view key);
    bool has(std::wstring_view key) const { return at(key) != nullptr; }
    std::size_t numEntries() const { return entries_.size(); }

private:
    std::map<std::wstring, AcRxObject*, std::less<>> entries_;
};

// Keys of the system registry.
inline constexpr const wchar_t* ACRX_DYNAMIC_LINKER = L"DynamicLinker";
inline constexpr const wchar_t* ACRX_COMMAND_DOCK = L"ACAD_REGISTERED_COMMANDS";
inline constexpr const wchar_t* ACRX_CLASS_DICTIONARY = L"ClassDictionary";

// The process-wide system registry: "DynamicLinker" (AcRxDynamicLinker),
// "ACAD_REGISTERED_COMMANDS" (AcEdCommandStack) and "ClassDictionary" (an
// AcRxDictionary of AcRxClass descriptions by class name). Never null.
AcRxDictionary* acrxSysRegistry();
// The "ClassDictionary" entry of the registry, or null when it was taken out.
AcRxDictionary* acrxClassDictionary();
