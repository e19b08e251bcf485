#pragma once
// The editor's command stack: commands registered by modules in named groups, found
// by their global or local name without regard to case, and run by name.

#include "db/acad_status.h"
#include "host/rx_object.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

using AcRxFunctionPtr = void (*)();
class AcEdUIContext;

// Command flags. A modal command runs only when no other command runs.
inline constexpr int ACRX_CMD_MODAL = 1;

// One registered command. Owned by the command stack; valid until it is removed.
class AcEdCommand {
public:
    AcEdCommand(std::wstring group, std::wstring globalName, std::wstring localName, int flags,
                AcRxFunctionPtr function, AcEdUIContext* uiContext, int functionCode, void* resourceHandle);

    const wchar_t* groupName() const { return group_.c_str(); }
    const wchar_t* globalName() const { return globalName_.c_str(); }
    const wchar_t* localName() const { return localName_.c_str(); }
    int commandFlags() const { return flags_; }
    AcRxFunctionPtr functionAddr() const { return function_; }
    AcEdUIContext* UIContext() const { return uiContext_; }
    int functionCode() const { return functionCode_; }
    void* resourceHandle() const { return resourceHandle_; }

private:
    std::wstring group_, globalName_, localName_;
    int flags_;
    AcRxFunctionPtr function_;
    AcEdUIContext* uiContext_;
    int functionCode_;
    void* resourceHandle_;
};

class AcEdCommandStack : public AcRxObject {
public:
    ACRX_DECLARE_MEMBERS(AcEdCommandStack)

    AcEdCommandStack();
    ~AcEdCommandStack() override;
    AcEdCommandStack(const AcEdCommandStack&) = delete;
    AcEdCommandStack& operator=(const AcEdCommandStack&) = delete;

    // Registers a command. eInvalidInput for an empty group or name, a name with
    // blanks, or a null function; eDuplicateKey when the group already holds the global
    // or local name. A name registered in another group is shadowed: the group added
    // last is searched first. `cmdOut` (may be null) receives the new command.
    Acad::ErrorStatus addCommand(const wchar_t* cmdGroupName, const wchar_t* cmdGlobalName,
                                 const wchar_t* cmdLocalName, int commandFlags, AcRxFunctionPtr functionAddr,
                                 AcEdUIContext* UIContext = nullptr, int fcode = -1,
                                 void* hResourceHandle = nullptr, AcEdCommand** cmdOut = nullptr);

    // eKeyNotFound when the group holds no such global name (names without regard to case).
    Acad::ErrorStatus removeCmd(const wchar_t* cmdGroupName, const wchar_t* cmdGlobalName);
    // Removes every command of the group; eKeyNotFound when there is no such group.
    Acad::ErrorStatus removeGroup(const wchar_t* groupName);

    // The command a user's typed name means: global or local name, without regard to
    // case, newest group first. Null when none.
    AcEdCommand* lookupCmd(std::wstring_view name) const;
    // All commands, newest group first, each group's in the order added.
    std::vector<const AcEdCommand*> commands() const;

    // Runs the named command. False with `message` set when no command has that name
    // ("Unknown command "XYZ"."), when a modal command is asked for while another
    // runs, or when the command ended by throwing.
    bool invoke(std::wstring_view name, std::wstring* message = nullptr);
    // True while `command` (or any, for null) is running.
    bool isRunning(const AcEdCommand* command = nullptr) const;

private:
    struct Group;
    Group* findGroup(std::wstring_view name) const;

    std::vector<std::unique_ptr<Group>> groups_; // oldest first
    std::vector<const AcEdCommand*> running_;
};

// The "ACAD_REGISTERED_COMMANDS" entry of the system registry, or null when missing.
AcEdCommandStack* acedRegCmds();
