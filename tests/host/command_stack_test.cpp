// Registering, finding, removing and running commands.

#include "host/command_stack.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace {

int runs = 0;
void countRun() { ++runs; }
void otherRun() { runs += 100; }
void throwing() { throw std::runtime_error("division by zero"); }
void throwingUnknown() { throw 42; }

AcEdCommandStack* nested = nullptr;
std::wstring nestedMessage;
bool nestedResult = true;
void runsAnotherModal()
{
    nestedResult = nested->invoke(L"count", &nestedMessage);
}

AcEdCommandStack* selfRemoving = nullptr;
void removesItself()
{
    selfRemoving->removeCmd(L"G", L"gone");
    ++runs;
}

} // namespace

TEST(command_stack, add_command_refuses_bad_input)
{
    struct Row {
        const char* name;
        const wchar_t* group;
        const wchar_t* global;
        const wchar_t* local;
        AcRxFunctionPtr function;
        Acad::ErrorStatus expected;
    };
    const Row rows[] = {
        {"null group", nullptr, L"cmd", L"cmd", countRun, Acad::eInvalidInput},
        {"empty group", L"", L"cmd", L"cmd", countRun, Acad::eInvalidInput},
        {"empty global name", L"G", L"", L"cmd", countRun, Acad::eInvalidInput},
        {"blank in the name", L"G", L"two words", L"two", countRun, Acad::eInvalidInput},
        {"null function", L"G", L"cmd", L"cmd", nullptr, Acad::eInvalidInput},
        {"same global name in the group", L"G", L"EXISTING", L"other", countRun, Acad::eDuplicateKey},
        {"same local name in the group", L"G", L"other", L"Existing", countRun, Acad::eDuplicateKey},
        {"same name in another group", L"H", L"existing", L"existing", countRun, Acad::eOk},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        AcEdCommandStack stack;
        ASSERT_EQ(stack.addCommand(L"G", L"existing", L"existing", ACRX_CMD_MODAL, countRun), Acad::eOk);
        AcEdCommand* out = reinterpret_cast<AcEdCommand*>(1);
        EXPECT_EQ(stack.addCommand(row.group, row.global, row.local, ACRX_CMD_MODAL, row.function, nullptr, -1,
                                   nullptr, &out),
                  row.expected);
        EXPECT_EQ(out != nullptr, row.expected == Acad::eOk);
        EXPECT_EQ(stack.commands().size(), row.expected == Acad::eOk ? 2u : 1u);
    }
}

TEST(command_stack, typed_names_match_without_regard_to_case)
{
    AcEdCommandStack stack;
    int resource = 0;
    AcEdCommand* added = nullptr;
    ASSERT_EQ(stack.addCommand(L"KRVX", L"vexilo", L"lokal", ACRX_CMD_MODAL, countRun, nullptr, -1, &resource, &added),
              Acad::eOk);
    for (const wchar_t* typed : {L"vexilo", L"VEXILO", L"VeXiLo", L"lokal", L"LOKAL"}) {
        SCOPED_TRACE(testing::Message() << "typed " << typed);
        EXPECT_EQ(stack.lookupCmd(typed), added);
    }
    EXPECT_EQ(stack.lookupCmd(L"vexil"), nullptr);
    EXPECT_EQ(stack.lookupCmd(L"vexilo "), nullptr);
    EXPECT_EQ(stack.lookupCmd(L""), nullptr);
    EXPECT_EQ(added->resourceHandle(), &resource);
    EXPECT_EQ(added->functionCode(), -1);
}

TEST(command_stack, newest_group_shadows_and_removal_uncovers)
{
    AcEdCommandStack stack;
    ASSERT_EQ(stack.addCommand(L"OLD", L"draw", L"draw", ACRX_CMD_MODAL, countRun), Acad::eOk);
    ASSERT_EQ(stack.addCommand(L"NEW", L"draw", L"draw", ACRX_CMD_MODAL, otherRun), Acad::eOk);
    EXPECT_EQ(stack.lookupCmd(L"draw")->functionAddr(), &otherRun);
    EXPECT_EQ(stack.removeCmd(L"new", L"DRAW"), Acad::eOk);
    EXPECT_EQ(stack.lookupCmd(L"draw")->functionAddr(), &countRun);
    EXPECT_EQ(stack.removeCmd(L"NEW", L"draw"), Acad::eKeyNotFound);
    EXPECT_EQ(stack.removeCmd(L"OLD", L"other"), Acad::eKeyNotFound);
    EXPECT_EQ(stack.removeGroup(L"NEW"), Acad::eKeyNotFound) << "a group goes with its last command";
    EXPECT_EQ(stack.removeGroup(L"old"), Acad::eOk);
    EXPECT_EQ(stack.lookupCmd(L"draw"), nullptr);
    EXPECT_TRUE(stack.commands().empty());
}

TEST(command_stack, invoke_runs_or_explains)
{
    AcEdCommandStack stack;
    ASSERT_EQ(stack.addCommand(L"G", L"count", L"count", ACRX_CMD_MODAL, countRun), Acad::eOk);
    ASSERT_EQ(stack.addCommand(L"G", L"boom", L"boom", ACRX_CMD_MODAL, throwing), Acad::eOk);
    ASSERT_EQ(stack.addCommand(L"G", L"odd", L"odd", ACRX_CMD_MODAL, throwingUnknown), Acad::eOk);
    runs = 0;
    std::wstring message = L"stale";
    EXPECT_TRUE(stack.invoke(L"COUNT", &message));
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(message, L"");

    EXPECT_FALSE(stack.invoke(L"xyz", &message));
    EXPECT_EQ(message, L"Unknown command \"XYZ\".");
    EXPECT_FALSE(stack.invoke(L"boom", &message));
    EXPECT_EQ(message, L"Command BOOM failed: division by zero");
    EXPECT_FALSE(stack.invoke(L"odd", &message));
    EXPECT_EQ(message, L"Command ODD failed.");
    EXPECT_FALSE(stack.isRunning()) << "a command that threw no longer counts as running";
}

TEST(command_stack, a_modal_command_does_not_start_inside_another)
{
    AcEdCommandStack stack;
    nested = &stack;
    ASSERT_EQ(stack.addCommand(L"G", L"count", L"count", ACRX_CMD_MODAL, countRun), Acad::eOk);
    ASSERT_EQ(stack.addCommand(L"G", L"outer", L"outer", ACRX_CMD_MODAL, runsAnotherModal), Acad::eOk);
    runs = 0;
    EXPECT_TRUE(stack.invoke(L"outer"));
    EXPECT_FALSE(nestedResult);
    EXPECT_EQ(nestedMessage, L"Command COUNT cannot run while another command is running.");
    EXPECT_EQ(runs, 0);
}

TEST(command_stack, a_command_may_remove_itself_while_it_runs)
{
    AcEdCommandStack stack;
    selfRemoving = &stack;
    ASSERT_EQ(stack.addCommand(L"G", L"gone", L"gone", ACRX_CMD_MODAL, removesItself), Acad::eOk);
    runs = 0;
    EXPECT_TRUE(stack.invoke(L"gone"));
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(stack.lookupCmd(L"gone"), nullptr);
    EXPECT_FALSE(stack.isRunning());
}
