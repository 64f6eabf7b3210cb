#include "engine/TrayTip.h"

#include <gtest/gtest.h>

using namespace sievra;

namespace {

TEST(TrayTip, WaitingAndChecking) {
    EXPECT_EQ(ComposeTrayTip(TrayTipMode::Waiting), "Sievra\rWaiting to run...");
    EXPECT_EQ(ComposeTrayTip(TrayTipMode::Checking), "Sievra\rChecking...");
}

TEST(TrayTip, SingularOnlyForExactlyOne) {
    EXPECT_EQ(ComposeTrayTip(TrayTipMode::Results, {1, 1, 1}),
              "Sievra\r1 Message Waiting\r1 Spam deleted\r1 Error");
    EXPECT_EQ(ComposeTrayTip(TrayTipMode::Results, {0, 2, 0}),
              "Sievra\r0 Messages Waiting\r2 Spams deleted\r0 Errors");
}

TEST(TrayTip, CutAtSixtyThreeCharacters) {
    const QString tip = ComposeTrayTip(TrayTipMode::Results, {2000000000, 2000000000, 2000000000});
    EXPECT_EQ(tip.size(), 63);
    EXPECT_TRUE(tip.startsWith("Sievra\r2000000000 Messages Waiting\r2000000000 Spams"));
}

} // namespace
