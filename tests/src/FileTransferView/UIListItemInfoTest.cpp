// The display state of an item, by stage and result.
#include "UIListItemInfo.h"

#include <gtest/gtest.h>

namespace {

using namespace Vela::Ux;

TEST(UIListItemInfoTest, DisplayStateByStageAndResult) {
    using Stage = TransferStage;
    using Result = TransferResult;
    struct Case {
        Stage stage;
        Result result;
        UIItemState shown;
    } cases[] = {
        {Stage::None, Result::Ok, UIItemState::Idle},
        {Stage::Preparing, Result::Ok, UIItemState::Preparing},
        {Stage::Connecting, Result::Failed, UIItemState::Preparing},
        {Stage::Transferring, Result::Rejected, UIItemState::Sending},  // not finished yet
        {static_cast<Stage>(7), Result::Ok, UIItemState::Sending},
        {Stage::Finished, Result::Ok, UIItemState::Succeeded},
        {Stage::Finished, Result::Failed, UIItemState::Failed},
        {Stage::Finished, Result::CancelledByUser, UIItemState::CancelledByUser},
        {Stage::Finished, Result::Cancelled, UIItemState::Cancelled},
        {Stage::Finished, Result::Rejected, UIItemState::Rejected},
        {Stage::Finished, static_cast<Result>(5), UIItemState::Idle},
    };
    for (const auto& c : cases) {
        TransferItemState state;
        state.stage = c.stage;
        state.result = c.result;
        EXPECT_EQ(UIItemStateOf(state), c.shown)
            << static_cast<int>(c.stage) << "/" << static_cast<int>(c.result);
    }
}

}  // namespace
