// The application base: which virtual slot each message code reaches.

#include "host/rx_app.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

namespace {

// Records the slot (its position in the dispatch table) each message reached.
class SlotRecorder : public AcRxArxApp {
public:
    std::vector<int> slots;
    void* lastPacket = nullptr;

    AcRx::AppRetCode hit(int slot, void* pkt)
    {
        slots.push_back(slot);
        lastPacket = pkt;
        return AcRx::kRetError; // distinguishes a slot's answer from "not dispatched"
    }
    AcRx::AppRetCode On_kInitAppMsg(void* p) override { return hit(0, p); }
    AcRx::AppRetCode On_kUnloadAppMsg(void* p) override { return hit(1, p); }
    AcRx::AppRetCode On_kLoadDwgMsg(void* p) override { return hit(2, p); }
    AcRx::AppRetCode On_kUnloadDwgMsg(void* p) override { return hit(3, p); }
    AcRx::AppRetCode On_kInvkSubrMsg(void* p) override { return hit(4, p); }
    AcRx::AppRetCode On_kCfgMsg(void* p) override { return hit(5, p); }
    AcRx::AppRetCode On_kEndMsg(void* p) override { return hit(6, p); }
    AcRx::AppRetCode On_kQuitMsg(void* p) override { return hit(7, p); }
    AcRx::AppRetCode On_kSaveMsg(void* p) override { return hit(8, p); }
    AcRx::AppRetCode On_kDependencyMsg(void* p) override { return hit(9, p); }
    AcRx::AppRetCode On_kNoDependencyMsg(void* p) override { return hit(10, p); }
    AcRx::AppRetCode On_kOleUnloadAppMsg(void* p) override { return hit(11, p); }
    AcRx::AppRetCode On_kPreQuitMsg(void* p) override { return hit(12, p); }
    AcRx::AppRetCode On_kInitDialogMsg(void* p) override { return hit(13, p); }
    AcRx::AppRetCode On_kEndDialogMsg(void* p) override { return hit(14, p); }
    AcRx::AppRetCode On_kNullMsg(void* p) override { return hit(15, p); }
    AcRx::AppRetCode RegisterServerComponents() override { return hit(16, nullptr); }
};

} // namespace

TEST(arx_app, dispatch_reaches_the_slot_of_each_code)
{
    struct Row {
        int code;
        int slot;
    };
    const Row rows[] = {
        {0, 15}, {1, 0}, {2, 1}, {3, 2}, {4, 3}, {5, 4}, {6, 5}, {7, 6},
        {8, 7}, {9, 8}, {10, 9}, {11, 10}, {12, 11}, {13, 12}, {14, 13}, {15, 14},
    };
    int packet = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "code " << row.code);
        SlotRecorder app;
        EXPECT_EQ(app.dispatch(static_cast<AcRx::AppMsgCode>(row.code), &packet), AcRx::kRetError);
        EXPECT_EQ(app.slots, std::vector<int>{row.slot});
        EXPECT_EQ(app.lastPacket, &packet);
    }
}

TEST(arx_app, codes_outside_the_table_answer_ok_without_a_call)
{
    for (int code : {16, 17, 100, -1, INT_MAX, INT_MIN}) {
        SCOPED_TRACE(testing::Message() << "code " << code);
        SlotRecorder app;
        EXPECT_EQ(app.dispatch(static_cast<AcRx::AppMsgCode>(code), nullptr), AcRx::kRetOK);
        EXPECT_TRUE(app.slots.empty());
    }
}
