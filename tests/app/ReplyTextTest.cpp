#include "WindowFixture.h"
#include "widgets/LineMemo.h"

#include <QLineEdit>
#include <QTest>

using namespace sievra;

namespace {

class ReplyTextTest : public test::WindowFixture {
protected:
    void SetUp() override {
        WriteStandardStore();
        auto p = Product();
        for (int i = 1; i <= 5; ++i) {
            p.WriteText(QString("Header %1").arg(i), QString("old %1").arg(i));
        }
        ASSERT_TRUE(OpenWindow());
        Select({"Message"});
        header = Find<LineMemo>("memHeader");
    }
    // Replaces the memo's text as a user would and leaves it.
    void TypeMemo(LineMemo* memo, const QString& text) {
        memo->setFocus();
        QTest::keyClick(memo, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(memo, Qt::Key_Delete);
        const QStringList lines = text.split('\n');
        for (qsizetype i = 0; i < lines.size(); ++i) {
            if (i > 0) {
                QTest::keyClick(memo, Qt::Key_Return);
            }
            QTest::keyClicks(memo, lines[i]);
        }
        Leave();
    }
    QStringList StoredLines(const QString& prefix) {
        QStringList lines;
        for (int i = 1; i <= 10; ++i) {
            const auto v = Stored(ProductKey, prefix + QString::number(i));
            if (v) {
                lines.append(QString("%1=%2").arg(i).arg(v->Text));
            }
        }
        return lines;
    }
    LineMemo* header = nullptr;
};

TEST_F(ReplyTextTest, TrailingEmptyLinesAreDroppedAndSurplusValuesDeleted) {
    EXPECT_EQ(header->DisplayLines(), QStringList({"old 1", "old 2", "old 3", "old 4", "old 5"}));
    TypeMemo(header, "first\nsecond\n\n\n");
    EXPECT_EQ(StoredLines("Header "), QStringList({"1=first", "2=second"}));
    EXPECT_EQ(header->DisplayLines(), QStringList({"first", "second"}))
        << "the memo shows what was saved";
    EXPECT_EQ(window->ReadPassOptions().ReplyHeaderLines, QStringList({"first", "second"}));
}

TEST_F(ReplyTextTest, OnlyEmptyLinesKeepTheFirst) {
    TypeMemo(header, "\n\n");
    EXPECT_EQ(StoredLines("Header "), QStringList({"1="}));
}

TEST_F(ReplyTextTest, AnEmptyMemoDeletesEveryValue) {
    TypeMemo(header, "x");
    header->setFocus();
    QTest::keyClick(header, Qt::Key_Backspace);
    Leave();
    EXPECT_EQ(StoredLines("Header "), QStringList());
}

TEST_F(ReplyTextTest, AWrappedLineIsStoredAsTheLinesTheMemoShows) {
    const QString paragraph =
        "qualify for addition into this list, please reply using a subject line containing a "
        "code word matching one of these hints, and write again";
    header->setFixedWidth(220);
    TypeMemo(header, paragraph);
    const QStringList stored = StoredLines("Header ");
    ASSERT_GT(stored.size(), 2);
    QString joined;
    for (const QString& entry : stored) {
        joined += entry.section('=', 1);
    }
    EXPECT_EQ(joined, paragraph);
}

TEST_F(ReplyTextTest, FooterAndSubjectHaveTheirOwnValues) {
    TypeMemo(Find<LineMemo>("memFooter"), "Thanks\n");
    EXPECT_EQ(StoredLines("Footer "), QStringList({"1=Thanks"}));
    EXPECT_EQ(StoredLines("Header ").size(), 5) << "the header was not touched";
    TypeInto("txtSubject", "Please use a code word");
    Leave();
    EXPECT_EQ(Stored(ProductKey, "Subject")->Text, "Please use a code word");
    EXPECT_EQ(window->ReadPassOptions().ReplySubject, "Please use a code word");
}

TEST_F(ReplyTextTest, LeavingAnUnchangedMemoWritesNothing) {
    Product().WriteText("Header 6", "written elsewhere");
    header->setFocus();
    Leave();
    EXPECT_EQ(StoredLines("Header ").size(), 6);
}

} // namespace
