#include "net/LineReceiver.h"

#include <QByteArrayList>
#include <gtest/gtest.h>

using namespace sievra;

namespace {

struct Collected {
    QByteArrayList lines;
    LineReceiver::LineHandler Handler() {
        return [this](const QByteArray& line) {
            lines.append(line);
        };
    }
};

TEST(LineReceiverSplit, OnlyCrLfEndsALine) {
    LineReceiver receiver;
    Collected got;
    receiver.Feed("one\r\ntwo\r\n\r\nhalf\rway\nstill");
    EXPECT_EQ(receiver.TakeLines(got.Handler()), LineReceiver::Status::Ok);
    EXPECT_EQ(got.lines, QByteArrayList({"one", "two", ""}));
    EXPECT_EQ(receiver.Count(), 14) << "the tail waits for the next read";

    receiver.Feed(" going\r");
    receiver.TakeLines(got.Handler());
    EXPECT_EQ(got.lines.size(), 3) << "a CR without its LF ends nothing yet";
    receiver.Feed("\nnext\r\n");
    receiver.TakeLines(got.Handler());
    EXPECT_EQ(got.lines, QByteArrayList({"one", "two", "", "half\rway\nstill going", "next"}));
    EXPECT_EQ(receiver.Count(), 0);
}

TEST(LineReceiverSplit, HandlerDropsTheRest) {
    LineReceiver receiver;
    QByteArrayList lines;
    receiver.Feed("-ERR go away\r\n+OK ignored\r\nmore");
    receiver.TakeLines([&](const QByteArray& line) {
        lines.append(line);
        receiver.Clear(); // greeting refused
    });
    EXPECT_EQ(lines, QByteArrayList({"-ERR go away"}));
    EXPECT_EQ(receiver.Count(), 0);
}

TEST(LineReceiverSplit, LongestLineFitsAndOneMoreOverflows) {
    LineReceiver receiver;
    Collected got;
    const QByteArray longest(LineReceiver::BufferSize - 2, 'x');
    EXPECT_EQ(receiver.Feed(longest + "\r\n"), LineReceiver::BufferSize);
    EXPECT_EQ(receiver.TakeLines(got.Handler()), LineReceiver::Status::Ok);
    ASSERT_EQ(got.lines.size(), 1);
    EXPECT_EQ(got.lines[0], longest);

    // One byte more and its CR LF cannot come in: reported at once, the buffer emptied.
    EXPECT_EQ(receiver.Feed(longest + "y\r\n"), LineReceiver::BufferSize);
    EXPECT_EQ(receiver.TakeLines(got.Handler()), LineReceiver::Status::LineTooLong);
    EXPECT_EQ(receiver.Count(), 0);
    EXPECT_EQ(got.lines.size(), 1);
    receiver.Feed("+OK\r\n");
    EXPECT_EQ(receiver.TakeLines(got.Handler()), LineReceiver::Status::Ok);
    EXPECT_EQ(got.lines.last(), "+OK");
}

} // namespace
