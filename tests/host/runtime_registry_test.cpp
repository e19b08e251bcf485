// The system registry as a module finds it, and the checked casts it relies on.

#include "host/command_stack.h"
#include "host/dynamic_linker.h"
#include "host/rx_object.h"

#include <gtest/gtest.h>

TEST(runtime_registry, holds_the_services_modules_look_up)
{
    AcRxDictionary* registry = acrxSysRegistry();
    ASSERT_NE(registry, nullptr);
    EXPECT_NE(AcRxDynamicLinker::cast(registry->at(L"DynamicLinker")), nullptr);
    EXPECT_NE(AcEdCommandStack::cast(registry->at(L"ACAD_REGISTERED_COMMANDS")), nullptr);
    AcRxDictionary* classes = AcRxDictionary::cast(registry->at(L"ClassDictionary"));
    ASSERT_NE(classes, nullptr);

    for (const wchar_t* name : {L"AcEdCommandStack", L"AcApDocManagerReactor", L"AcRxDynamicLinker"}) {
        SCOPED_TRACE(testing::Message() << "class " << name);
        AcRxClass* cls = AcRxClass::cast(classes->at(name));
        ASSERT_NE(cls, nullptr);
        EXPECT_STREQ(cls->name(), name);
    }
    // A module checks the registered object against the description it looked up.
    EXPECT_TRUE(registry->at(L"ACAD_REGISTERED_COMMANDS")->isKindOf(AcRxClass::cast(classes->at(L"AcEdCommandStack"))));
    EXPECT_FALSE(registry->at(L"DynamicLinker")->isKindOf(AcRxClass::cast(classes->at(L"AcEdCommandStack"))));
}

TEST(runtime_registry, casts_refuse_other_classes_and_null)
{
    AcRxDynamicLinker linker;
    EXPECT_EQ(AcEdCommandStack::cast(&linker), nullptr);
    EXPECT_EQ(AcRxDictionary::cast(&linker), nullptr);
    EXPECT_EQ(AcRxDynamicLinker::cast(nullptr), nullptr);
    EXPECT_EQ(AcRxDynamicLinker::cast(&linker), &linker);
    EXPECT_TRUE(linker.isKindOf(AcRxObject::desc()));
    EXPECT_FALSE(linker.isKindOf(nullptr));
    EXPECT_TRUE(AcRxClass::desc()->isKindOf(AcRxObject::desc()));
}
