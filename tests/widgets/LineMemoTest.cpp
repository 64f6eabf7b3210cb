#include "widgets/LineMemo.h"

#include <QTest>
#include <gtest/gtest.h>

using namespace sievra;

namespace {

class LineMemoTest : public testing::Test {
protected:
    LineMemoTest() {
        memo.resize(400, 200);
        memo.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&memo));
    }
    LineMemo memo;
};

TEST_F(LineMemoTest, LinesAreParagraphsUntilTheyWrap) {
    memo.SetLines({"one", "", "three "});
    EXPECT_EQ(memo.DisplayLines(), QStringList({"one", "", "three "}));
    EXPECT_FALSE(memo.IsModified());
    memo.clear();
    EXPECT_EQ(memo.DisplayLines(), QStringList()) << "an empty memo has no lines";
}

TEST_F(LineMemoTest, AWrappedParagraphCountsAsSeveralLines) {
    const QString paragraph =
        "qualify for addition into this list, please reply using a subject line containing "
        "a code word matching one of these hints and nothing else at all";
    memo.SetLines({paragraph, "end"});
    memo.resize(160, 200);
    const QStringList lines = memo.DisplayLines();
    ASSERT_GT(lines.size(), 3);
    EXPECT_EQ(lines.last(), "end");
    // Split where the memo wrapped: the pieces give back the paragraph, spaces included.
    EXPECT_EQ(lines.mid(0, lines.size() - 1).join(QString()), paragraph);
    for (const QString& line : lines) {
        EXPECT_LE(memo.fontMetrics().horizontalAdvance(line.trimmed()), memo.viewport()->width());
    }
}

} // namespace
