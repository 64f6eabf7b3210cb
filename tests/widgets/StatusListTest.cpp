#include "widgets/StatusList.h"

#include "widgets/ReadableColour.h"

#include <QImage>
#include <QTest>
#include <gtest/gtest.h>

using namespace sievra;

namespace {

// Red and green as the list draws them on the default white base (red darkened to read).
const QRgb Red = ReadableOn(QColor(255, 0, 0), Qt::white).rgb();
const QRgb Green = ReadableOn(QColor(0, 128, 0), Qt::white).rgb();

class StatusListTest : public testing::Test {
protected:
    StatusListTest() {
        // Without antialiasing every inked pixel has exactly the pen's colour.
        QFont font = list.font();
        font.setStyleStrategy(QFont::NoAntialias);
        font.setPointSize(11);
        list.setFont(font);
        // No current line: nothing draws a focus frame over the text.
        list.setFocusPolicy(Qt::NoFocus);
        list.resize(420, 200);
        list.show();
    }

    // The inked pixels of one line, by colour: the number of pixels and the rightmost column.
    struct Ink {
        int red = 0, green = 0, other = 0, right = -1;
    };
    Ink InkOf(int row) {
        const QImage image = list.viewport()->grab().toImage();
        const QRect box = list.visualItemRect(list.item(row));
        const QRgb background = list.palette().color(QPalette::Base).rgb();
        Ink ink;
        for (int y = box.top(); y <= box.bottom(); ++y) {
            for (int x = box.left(); x <= box.right(); ++x) {
                const QRgb pixel = image.pixel(x, y) | 0xff000000;
                if (pixel == background) {
                    continue;
                }
                ink.red += pixel == Red;
                ink.green += pixel == Green;
                ink.other += pixel != Red && pixel != Green;
                ink.right = std::max(ink.right, x);
            }
        }
        return ink;
    }

    StatusList list;
};

TEST_F(StatusListTest, RendersBoldAndColourInEitherTagOrder) {
    list.AppendLine("<B><font color=\"clRed\">No POP3 Host!</B>");
    list.AppendLine("<font color=\"clRed\"><B>No POP3 Host!</B>");
    list.AppendLine("<font color=\"clRed\">No POP3 Host!");
    list.AppendLine("No POP3 Host!");
    list.AppendLine("<B>Connecting to <font color=\"clGreen\">pop</B>");
    list.AppendLine("<B>Connecting to </B>");
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));

    const Ink boldFirst = InkOf(0), colourFirst = InkOf(1), redPlain = InkOf(2), plain = InkOf(3);
    EXPECT_GT(boldFirst.red, 0);
    EXPECT_EQ(boldFirst.other, 0) << "the whole line is red";
    EXPECT_EQ(colourFirst.red, boldFirst.red) << "tag order makes no difference";
    EXPECT_EQ(colourFirst.right, boldFirst.right);
    // Bold strokes are heavier and wider than the same text in the normal weight.
    EXPECT_GT(boldFirst.red, redPlain.red);
    EXPECT_GT(boldFirst.right, redPlain.right);
    EXPECT_EQ(plain.red, 0);
    EXPECT_EQ(plain.right, redPlain.right) << "colour alone does not change the width";

    const Ink connecting = InkOf(4), prefixOnly = InkOf(5);
    EXPECT_GT(connecting.green, 0) << "the server name is green";
    EXPECT_GT(connecting.other, 0) << "the text before the colour tag keeps the text colour";
    EXPECT_EQ(connecting.other, prefixOnly.other);
}

TEST_F(StatusListTest, KeepsEveryLineAndTheNewestInView) {
    list.AppendLine("line 1");
    // Six lines in view: the seventh goes past the bottom.
    list.resize(420, list.sizeHintForRow(0) * 6 + 2 * list.frameWidth());
    for (int i = 2; i <= 7; ++i) {
        list.AppendLine(QString("line %1").arg(i));
    }
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    ASSERT_EQ(list.count(), 7);
    EXPECT_GT(list.TopIndex(), 0);
    const QRect last = list.visualItemRect(list.item(6));
    EXPECT_TRUE(list.viewport()->rect().contains(last)) << "line 7 is fully visible";
    EXPECT_EQ(list.item(0)->text(), "line 1");
    // Each line keeps its markup; the display text is the plain form.
    list.AppendLine("<B>Connecting to <font color=\"clGreen\">pop</B>");
    EXPECT_EQ(list.Lines().last(), "<B>Connecting to <font color=\"clGreen\">pop</B>");
    EXPECT_EQ(list.item(7)->text(), "Connecting to pop");
}

} // namespace
