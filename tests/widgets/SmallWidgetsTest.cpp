#include "widgets/ImageButton.h"
#include "widgets/ReadableColour.h"
#include "widgets/SpinEdit.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using namespace sievra;

namespace {

class SmallWidgetsTest : public testing::Test {
protected:
    SmallWidgetsTest()
        : layout(new QHBoxLayout(&window)) {}

    void Show() {
        window.show();
        window.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
    }

    QWidget window;
    QHBoxLayout* layout;
};

TEST_F(SmallWidgetsTest, ImageButtonShowsThePictureOfItsState) {
    auto* button = new ImageButton(&window);
    button->SetCaption("GO", QSize(80, 26), QColor(0x2e, 0x8b, 0x57));
    auto* edit = new QLineEdit(&window);
    layout->addWidget(button);
    layout->addWidget(edit);
    Show();
    const auto key = [&] {
        return button->CurrentPicture().cacheKey();
    };
    const qint64 up = key();
    button->setDown(true);
    EXPECT_NE(key(), up);
    button->setDown(false);
    EXPECT_EQ(key(), up);
    button->setEnabled(false);
    const qint64 disabled = key();
    EXPECT_NE(disabled, up);
    button->setEnabled(true);

    // A real button for the keyboard: it takes the focus (the field being edited is left, and
    // written, first), and Enter and Space press it.
    edit->setFocus();
    QSignalSpy clicked(button, &QAbstractButton::clicked);
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(clicked.count(), 1);
    EXPECT_TRUE(button->hasFocus());
    QTest::keyClick(button, Qt::Key_Return);
    QTest::keyClick(button, Qt::Key_Space);
    EXPECT_TRUE(QTest::qWaitFor([&] { return clicked.count() == 3; }));
    // The disabled picture is greyer than the coloured one.
    const QImage upImage = button->CurrentPicture().toImage();
    button->setEnabled(false);
    const QImage greyImage = button->CurrentPicture().toImage();
    const QPoint inside(10, 13);
    EXPECT_LT(qAbs(qRed(greyImage.pixel(inside)) - qGreen(greyImage.pixel(inside))), 3);
    EXPECT_GT(qGreen(upImage.pixel(inside)) - qRed(upImage.pixel(inside)), 30);
}

TEST_F(SmallWidgetsTest, SpinEditMarksOnlyTheUsersChanges) {
    auto* spin = new SpinEdit(30, 999, 60, &window);
    layout->addWidget(spin);
    Show();
    spin->SetValueQuietly(0);
    EXPECT_EQ(spin->value(), 30) << "kept within its limits";
    EXPECT_FALSE(spin->IsModified());
    spin->setFocus();
    QTest::keyClick(spin, Qt::Key_Up);
    EXPECT_EQ(spin->value(), 31);
    EXPECT_TRUE(spin->IsModified());
    spin->SetValueQuietly(45);
    EXPECT_FALSE(spin->IsModified());
}

} // namespace

namespace {

// The status list's red and green and the page titles' blue read on light and dark bases
// alike, and keep their hue.
TEST(ReadableColourTest, ColoursKeepTheirHueAndReachTextContrast) {
    const struct {
        QColor wanted;
        QColor base;
    } rows[] = {{QColor(255, 0, 0), Qt::white},
                {QColor(255, 0, 0), QColor(30, 30, 30)},
                {QColor(0, 128, 0), QColor(30, 30, 30)},
                {QColor(0x1b, 0x4f, 0x8a), Qt::black},
                {QColor(0, 128, 0), QColor(250, 250, 250)}};
    for (const auto& row : rows) {
        const QColor readable = ReadableOn(row.wanted, row.base);
        EXPECT_GE(ContrastRatio(readable, row.base), 4.5) << row.wanted.name().toStdString();
        EXPECT_NEAR(readable.hslHueF(), row.wanted.hslHueF(), 0.02);
    }
    EXPECT_EQ(ReadableOn(QColor(0, 128, 0), Qt::white), QColor(0, 128, 0)) << "already readable";
}

} // namespace
