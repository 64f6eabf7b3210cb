#include "markup/StatusMarkup.h"

#include <gtest/gtest.h>

using namespace sievra;

namespace sievra {
void PrintTo(const StatusRun& run, std::ostream* os) {
    *os << '{' << '"' << run.Text.toStdString() << "\" bold=" << run.Bold
        << " colour=" << static_cast<int>(run.Color) << '}';
}
} // namespace sievra

namespace {

using C = StatusColor;

struct ParseRow {
    const char* line;
    std::vector<StatusRun> runs;
};

class ParseStatusMarkupTest : public testing::TestWithParam<ParseRow> {};

TEST_P(ParseStatusMarkupTest, GivesRunsOfEqualStyle) {
    EXPECT_EQ(ParseStatusMarkup(QString::fromUtf8(GetParam().line)), GetParam().runs);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ParseStatusMarkupTest,
    testing::Values(
        ParseRow{"Getting status..", {{"Getting status..", false, C::Default}}},
        // Bold first, then colour (the engine's complaint lines).
        ParseRow{"<B><font color=\"clRed\">No POP3 Host!</B>", {{"No POP3 Host!", true, C::Red}}},
        // Colour first, then bold (the error lines).
        ParseRow{"<font color=\"clRed\"><B>Error 500: Timeout</B>",
                 {{"Error 500: Timeout", true, C::Red}}},
        ParseRow{"<B>Connecting to <font color=\"clGreen\">pop.example.org</B>",
                 {{"Connecting to ", true, C::Default}, {"pop.example.org", true, C::Green}}},
        // A colour is never closed: it holds past the end of bold to the end of the line.
        ParseRow{"<font color=\"clGreen\"><B>ok</B> then",
                 {{"ok", true, C::Green}, {" then", false, C::Green}}},
        // Only the exact tags count; anything else is shown as it stands.
        ParseRow{"<b>x</b> <i>y</i>", {{"<b>x</b> <i>y</i>", false, C::Default}}},
        ParseRow{"<font color=\"red\">a < b", {{"<font color=\"red\">a < b", false, C::Default}}},
        ParseRow{"<B></B>", {}}));

struct StripRow {
    const char* line;
    const char* label;
};

class StripStatusMarkupTest : public testing::TestWithParam<StripRow> {};

TEST_P(StripStatusMarkupTest, GivesTheLabelText) {
    EXPECT_EQ(StripStatusMarkup(QString::fromUtf8(GetParam().line)),
              QString::fromUtf8(GetParam().label));
}

INSTANTIATE_TEST_SUITE_P(
    Lines, StripStatusMarkupTest,
    testing::Values(StripRow{"<B>Connecting to <font color=\"clGreen\">mail.example.com</B>",
                             "Connecting to mail.example.com"},
                    StripRow{
                        "<font color=\"clRed\"><B>Error 10061: Cannot connect to POP3 Server</B>",
                        "Error 10061: Cannot connect to POP3 Server"},
                    // A ">" before the first "<" stops the stripping at once.
                    StripRow{"a>b <B>c</B>", "a>b <B>c</B>"}, StripRow{"3 < 4", "3 < 4"},
                    // Stripping stops where a ">" comes before the next "<"; later tags stay.
                    StripRow{"<B>x</B> > y <B>z", "x > y <B>z"},
                    // The label rule cuts any tag, known or not.
                    StripRow{"<i>plain</i>", "plain"}));

} // namespace
