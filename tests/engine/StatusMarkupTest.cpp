#include "engine/StatusMarkup.h"

#include <gtest/gtest.h>

using namespace sievra;

namespace {

TEST(StatusMarkup, LabelTextLosesTheTags) {
    EXPECT_EQ(StripMarkup("<B>Connecting to <font color=\"clGreen\">pop.x.org</B>"),
              "Connecting to pop.x.org");
    EXPECT_EQ(StripMarkup("<font color=\"clRed\"><B>Error 10061: Cannot connect</B>"),
              "Error 10061: Cannot connect");
    EXPECT_EQ(StripMarkup("Getting status.."), "Getting status..");
}

TEST(StatusMarkup, StopsWhereTheFirstCloseStandsBeforeTheFirstOpen) {
    EXPECT_EQ(StripMarkup("a > b <B>c</B>"), "a > b <B>c</B>");
    EXPECT_EQ(StripMarkup("<B>x</B> 5 > 3 <B>y"), "x 5 > 3 <B>y");
    EXPECT_EQ(StripMarkup("a < b"), "a < b");
    EXPECT_EQ(StripMarkup("<B>a < b"), "a < b");
}

} // namespace
