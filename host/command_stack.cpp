#include "host/command_stack.h"

#include "base/utf8_text.h"

#include <algorithm>
#include <exception>
#include <utility>

namespace {

// Command names are compared with ASCII case folding only, so that the result does
// not depend on the user's locale.
wchar_t fold(wchar_t c) { return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - L'a' + L'A') : c; }

bool sameName(std::wstring_view a, std::wstring_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](wchar_t x, wchar_t y) {
               return fold(x) == fold(y);
           });
}

std::wstring upper(std::wstring_view s)
{
    std::wstring out(s);
    std::transform(out.begin(), out.end(), out.begin(), fold);
    return out;
}

bool validName(const wchar_t* name)
{
    if (!name || !*name)
        return false;
    for (const wchar_t* p = name; *p; ++p)
        if (*p == L' ' || *p == L'\t' || *p == L'\n' || *p == L'\r')
            return false;
    return true;
}

} // namespace

AcEdCommand::AcEdCommand(std::wstring group, std::wstring globalName, std::wstring localName, int flags,
                         AcRxFunctionPtr function, AcEdUIContext* uiContext, int functionCode, void* resourceHandle)
    : group_(std::move(group)), globalName_(std::move(globalName)), localName_(std::move(localName)), flags_(flags),
      function_(function), uiContext_(uiContext), functionCode_(functionCode), resourceHandle_(resourceHandle)
{
}

struct AcEdCommandStack::Group {
    std::wstring name;
    std::vector<std::unique_ptr<AcEdCommand>> commands;
};

ACRX_DEFINE_MEMBERS(AcEdCommandStack, AcRxObject)

AcEdCommandStack::AcEdCommandStack() = default;
AcEdCommandStack::~AcEdCommandStack() = default;

AcEdCommandStack::Group* AcEdCommandStack::findGroup(std::wstring_view name) const
{
    for (const auto& g : groups_)
        if (sameName(g->name, name))
            return g.get();
    return nullptr;
}

Acad::ErrorStatus AcEdCommandStack::addCommand(const wchar_t* cmdGroupName, const wchar_t* cmdGlobalName,
                                               const wchar_t* cmdLocalName, int commandFlags,
                                               AcRxFunctionPtr functionAddr, AcEdUIContext* UIContext, int fcode,
                                               void* hResourceHandle, AcEdCommand** cmdOut)
{
    if (cmdOut)
        *cmdOut = nullptr;
    // A missing local name means the global one, as it does for commands that are
    // not translated.
    const wchar_t* localName = (cmdLocalName && *cmdLocalName) ? cmdLocalName : cmdGlobalName;
    if (!validName(cmdGroupName) || !validName(cmdGlobalName) || !validName(localName) || !functionAddr)
        return Acad::eInvalidInput;

    Group* group = findGroup(cmdGroupName);
    if (group) {
        for (const auto& c : group->commands)
            if (sameName(c->globalName(), cmdGlobalName) || sameName(c->localName(), localName))
                return Acad::eDuplicateKey;
    } else {
        groups_.push_back(std::make_unique<Group>());
        group = groups_.back().get();
        group->name = cmdGroupName;
    }
    group->commands.push_back(std::make_unique<AcEdCommand>(cmdGroupName, cmdGlobalName, localName, commandFlags,
                                                            functionAddr, UIContext, fcode, hResourceHandle));
    if (cmdOut)
        *cmdOut = group->commands.back().get();
    return Acad::eOk;
}

Acad::ErrorStatus AcEdCommandStack::removeCmd(const wchar_t* cmdGroupName, const wchar_t* cmdGlobalName)
{
    if (!cmdGroupName || !cmdGlobalName)
        return Acad::eInvalidInput;
    Group* group = findGroup(cmdGroupName);
    if (!group)
        return Acad::eKeyNotFound;
    auto& list = group->commands;
    auto it = std::find_if(list.begin(), list.end(),
                           [&](const auto& c) { return sameName(c->globalName(), cmdGlobalName); });
    if (it == list.end())
        return Acad::eKeyNotFound;
    // The names passed in may be the command's own (the linker passes them): they die
    // with it, so the empty group goes by identity, not by name.
    list.erase(it);
    if (list.empty())
        std::erase_if(groups_, [group](const auto& g) { return g.get() == group; });
    return Acad::eOk;
}

Acad::ErrorStatus AcEdCommandStack::removeGroup(const wchar_t* groupName)
{
    if (!groupName)
        return Acad::eInvalidInput;
    auto it = std::find_if(groups_.begin(), groups_.end(), [&](const auto& g) { return sameName(g->name, groupName); });
    if (it == groups_.end())
        return Acad::eKeyNotFound;
    groups_.erase(it);
    return Acad::eOk;
}

AcEdCommand* AcEdCommandStack::lookupCmd(std::wstring_view name) const
{
    // Global names first, so a translated name of one command cannot hide another's
    // global name.
    for (auto g = groups_.rbegin(); g != groups_.rend(); ++g)
        for (const auto& c : (*g)->commands)
            if (sameName(c->globalName(), name))
                return c.get();
    for (auto g = groups_.rbegin(); g != groups_.rend(); ++g)
        for (const auto& c : (*g)->commands)
            if (sameName(c->localName(), name))
                return c.get();
    return nullptr;
}

std::vector<const AcEdCommand*> AcEdCommandStack::commands() const
{
    std::vector<const AcEdCommand*> out;
    for (auto g = groups_.rbegin(); g != groups_.rend(); ++g)
        for (const auto& c : (*g)->commands)
            out.push_back(c.get());
    return out;
}

bool AcEdCommandStack::invoke(std::wstring_view name, std::wstring* message)
{
    auto say = [message](std::wstring text) {
        if (message)
            *message = std::move(text);
    };
    const AcEdCommand* command = lookupCmd(name);
    if (!command) {
        say(L"Unknown command \"" + upper(name) + L"\".");
        return false;
    }
    if ((command->commandFlags() & ACRX_CMD_MODAL) && !running_.empty()) {
        say(L"Command " + upper(command->globalName()) + L" cannot run while another command is running.");
        return false;
    }
    // The command may remove itself (its module may drop it): keep what is needed.
    const AcRxFunctionPtr function = command->functionAddr();
    const std::wstring globalName = upper(command->globalName());
    running_.push_back(command);
    bool ok = true;
    try {
        function();
        say({});
    } catch (const std::exception& e) {
        say(L"Command " + globalName + L" failed: " + plotwright::base::wideFromUtf8(e.what()));
        ok = false;
    } catch (...) {
        say(L"Command " + globalName + L" failed.");
        ok = false;
    }
    running_.pop_back();
    return ok;
}

bool AcEdCommandStack::isRunning(const AcEdCommand* command) const
{
    if (!command)
        return !running_.empty();
    return std::find(running_.begin(), running_.end(), command) != running_.end();
}

AcEdCommandStack* acedRegCmds() { return AcEdCommandStack::cast(acrxSysRegistry()->at(ACRX_COMMAND_DOCK)); }
