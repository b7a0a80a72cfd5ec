// The loading-codec panel: its three looks, its answers, where it sits, its animation, and its
// texts in another language.

#include "codec/loadingcodecwidget.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QImage>
#include <QImageReader>
#include <QLabel>
#include <QMovie>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTranslator>

#include <gtest/gtest.h>

#include "support/waitfor.h"

#include <ostream>

namespace {

using MovraPlayerX::LoadingCodecWidget;

const QString kDownloading =
    QStringLiteral("Downloading Movra codec... please be patient, this only needs to happen once.");
const QString kBordered =
    QStringLiteral("QFrame#LoadingCodecFrame{border-color:#303030; border-width:2; border-style: solid;}");

struct Parts
{
    QFrame* frame;
    QLabel* animation;
    QLabel* info;
    QPushButton* cancel;
    QPushButton* accept;
};

Parts partsOf(LoadingCodecWidget& widget)
{
    return {widget.findChild<QFrame*>(QStringLiteral("LoadingCodecFrame")),
            widget.findChild<QLabel*>(QStringLiteral("animationLabel")),
            widget.findChild<QLabel*>(QStringLiteral("infoLabel")),
            widget.findChild<QPushButton*>(QStringLiteral("cancelButton")),
            widget.findChild<QPushButton*>(QStringLiteral("acceptButton"))};
}

struct LookRow
{
    const char* name;
    int32_t status;
    QString text;
    bool buttons;
    QString acceptText;
    QString frameStyle;
};

// Test names carry the row name; this keeps the raw bytes out of them.
void PrintTo(const LookRow& row, std::ostream* out)
{
    *out << row.name;
}

class PanelLook : public ::testing::TestWithParam<LookRow>
{
};

TEST_P(PanelLook, FollowsTheStatus)
{
    const LookRow& row = GetParam();
    QWidget window;
    window.resize(640, 360);
    auto* widget = new LoadingCodecWidget(&window);
    window.show();
    // Another look first, so that nothing of the wanted one is left over from construction.
    widget->setErrorCode(row.status == 14 ? 3 : 14);
    widget->setErrorCode(row.status);
    widget->show();
    const Parts parts = partsOf(*widget);
    EXPECT_EQ(widget->errorCode(), row.status);
    EXPECT_EQ(parts.info->text(), row.text);
    EXPECT_TRUE(parts.cancel->isVisible()) << "a download can always be given up";
    EXPECT_EQ(parts.accept->isVisible(), row.buttons);
    EXPECT_EQ(parts.animation->isVisible(), !row.buttons);
    EXPECT_EQ(parts.accept->text(), row.acceptText);
    EXPECT_EQ(parts.cancel->text(), QStringLiteral("Cancel"));
    EXPECT_EQ(parts.frame->styleSheet(), row.frameStyle);

    QDir().mkpath(QStringLiteral(CODEC_PICTURE_DIR));
    const QString picture = QStringLiteral(CODEC_PICTURE_DIR) + QLatin1Char('/') + QLatin1String(row.name) + QStringLiteral(".png");
    const QImage image = widget->grab().toImage();
    EXPECT_TRUE(image.save(picture)) << picture.toStdString();
    EXPECT_EQ(image.size(), widget->size());
}

const QString kErrorTail = QStringLiteral(": Can't download Movra codec. Please check your internet connection and try again");

INSTANTIATE_TEST_SUITE_P(
    Rows, PanelLook,
    ::testing::Values(LookRow{"Downloading", 0, kDownloading, false, QStringLiteral("Try again"), QString()},
                      LookRow{"Update", 14,
                              QStringLiteral("Movra Software must be updated to play this video.\nDo you want to continue?"),
                              true, QStringLiteral("Ok"), kBordered},
                      LookRow{"ErrorThree", 3, QStringLiteral("Error 3") + kErrorTail, true, QStringLiteral("Try again"), kBordered},
                      LookRow{"ErrorFromTheLibrary", 27, QStringLiteral("Error 27") + kErrorTail, true,
                              QStringLiteral("Try again"), kBordered},
                      LookRow{"SignatureNotVerified", 22,
                              QStringLiteral("Error 22") + kErrorTail
                                  + QStringLiteral("\nThe codec's signature could not be verified."),
                              true, QStringLiteral("Try again"), kBordered},
                      LookRow{"NegativeStatus", -5, QStringLiteral("Error -5") + kErrorTail, true, QStringLiteral("Try again"),
                              kBordered}),
    [](const ::testing::TestParamInfo<LookRow>& info) { return std::string(info.param.name); });

TEST(Panel, AcceptTextIsResetOnEveryLook)
{
    LoadingCodecWidget widget;
    const Parts parts = partsOf(widget);
    widget.setErrorCode(14);
    EXPECT_EQ(parts.accept->text(), QStringLiteral("Ok"));
    widget.setErrorCode(0);
    widget.setErrorCode(7);
    EXPECT_EQ(parts.accept->text(), QStringLiteral("Try again"));
}

TEST(Panel, ButtonsAnswerThroughFinished)
{
    LoadingCodecWidget widget;
    widget.setErrorCode(3);
    widget.show();
    QSignalSpy spy(&widget, &LoadingCodecWidget::finished);
    const Parts parts = partsOf(widget);
    QTest::mouseClick(parts.accept, Qt::LeftButton);
    QTest::mouseClick(parts.cancel, Qt::LeftButton);
    ASSERT_EQ(spy.count(), 2);
    EXPECT_TRUE(spy.at(0).at(0).toBool());
    EXPECT_FALSE(spy.at(1).at(0).toBool());
    EXPECT_TRUE(widget.isVisible()) << "the panel never closes itself";
}

// What the player relies on when it lays the panel over the picture: a frameless panel that
// keeps the window's input to itself, with a bordered frame around flat buttons, and nothing
// to report until it is told a status.
TEST(Panel, IsAFramelessModalPanelThatStartsWithNothingToReport)
{
    LoadingCodecWidget widget;
    EXPECT_EQ(widget.windowModality(), Qt::WindowModal);
    EXPECT_TRUE(widget.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(widget.errorCode(), 0);
    const Parts parts = partsOf(widget);
    ASSERT_TRUE(parts.frame && parts.animation && parts.info && parts.cancel && parts.accept);
    EXPECT_EQ(parts.frame->property("borderedStyleSheet").toString(), kBordered);
    EXPECT_EQ(parts.frame->frameShape(), QFrame::StyledPanel);
    EXPECT_TRUE(parts.cancel->isFlat() && parts.accept->isFlat());
}

TEST(Panel, CentresOnItsParentTruncatingTowardZero)
{
    LoadingCodecWidget orphan;
    orphan.move(17, 23);
    orphan.setErrorCode(3);
    EXPECT_EQ(orphan.pos(), QPoint(17, 23)) << "without a parent it stays where it is";

    QWidget parent;
    auto* widget = new LoadingCodecWidget(&parent);
    widget->setErrorCode(3);
    const QSize own = widget->size();
    // A wider parent: the panel spans it, so nothing beneath shows beside it.
    parent.resize(own + QSize(101, 40));
    widget->setErrorCode(3);
    EXPECT_EQ(widget->width(), parent.width());
    EXPECT_EQ(widget->pos(), QPoint(0, 20));
    parent.resize(own - QSize(3, 5));
    widget->setErrorCode(3);
    EXPECT_EQ(widget->size(), own);
    EXPECT_EQ(widget->pos(), QPoint(-1, -2)) << "-3 * 0.5 is -1, -5 * 0.5 is -2";
}

TEST(Panel, AnimationRunsWhileShownAndRestartsOnShow)
{
    QWidget window;
    window.resize(640, 360);
    auto* widget = new LoadingCodecWidget(&window);
    widget->setErrorCode(0);
    window.show();
    widget->show();
    auto* label = partsOf(*widget).animation;
    QMovie* movie = label->movie();
    ASSERT_NE(movie, nullptr);
    EXPECT_TRUE(movie->isValid()) << "the GIF reader must be reachable";
    EXPECT_EQ(movie->frameCount(), 30);
    EXPECT_TRUE(MovraTest::waitFor([&] { return movie->currentFrameNumber() >= 2; }, 10000))
        << "the animation does not advance";
    EXPECT_EQ(movie->state(), QMovie::Running);
    EXPECT_EQ(widget->palette().color(QPalette::Window), QColor(Qt::black));

    widget->hide();
    widget->show();
    QMovie* again = label->movie();
    ASSERT_NE(again, nullptr);
    EXPECT_LE(again->currentFrameNumber(), 0) << "each show starts from the first frame";
}

// The committed animation, read block by block.
TEST(Panel, AnimationFileHasItsOwnColoursPerFrameAndLoopsForGood)
{
    QFile file(QStringLiteral(CODEC_ANIMATION_FILE));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray gif = file.readAll();
    const auto byte = [&](int i) { return static_cast<uint8_t>(gif.at(i)); };
    const auto word = [&](int i) { return byte(i) | (byte(i + 1) << 8); };
    ASSERT_TRUE(gif.startsWith("GIF89a"));
    EXPECT_EQ(word(6), 33);
    EXPECT_EQ(word(8), 22);
    int pos = 13;
    if (byte(10) & 0x80)
        pos += 3 * (1 << ((byte(10) & 7) + 1));
    int frames = 0, localTables = 0, delays = 0, loops = -1;
    auto skipSubBlocks = [&] {
        while (byte(pos) != 0)
            pos += byte(pos) + 1;
        ++pos;
    };
    while (pos < gif.size() && byte(pos) != 0x3B) {
        if (byte(pos) == 0x21 && byte(pos + 1) == 0xF9) {
            delays += word(pos + 4) == 10;
            pos += 2;
            skipSubBlocks();
        } else if (byte(pos) == 0x21 && byte(pos + 1) == 0xFF) {
            if (gif.mid(pos + 3, 11) == "NETSCAPE2.0")
                loops = word(pos + 16);
            pos += 2;
            skipSubBlocks();
        } else if (byte(pos) == 0x2C) {
            ++frames;
            const uint8_t flags = byte(pos + 9);
            pos += 10;
            if (flags & 0x80) {
                ++localTables;
                pos += 3 * (1 << ((flags & 7) + 1));
            }
            ++pos;  // LZW minimum code size
            skipSubBlocks();
        } else {
            FAIL() << "unexpected block at " << pos;
        }
    }
    EXPECT_EQ(frames, 30);
    EXPECT_EQ(localTables, 30);
    EXPECT_EQ(delays, 30);
    EXPECT_EQ(loops, 65535);

    QImageReader reader(QStringLiteral(":/LoadingWidget/LoadingAnimation"));
    LoadingCodecWidget registersTheResource;
    reader.setFileName(QStringLiteral(":/LoadingWidget/LoadingAnimation"));
    int decoded = 0;
    QImage image;
    while (reader.read(&image)) {
        ++decoded;
        EXPECT_EQ(image.size(), QSize(33, 22));
        EXPECT_EQ(reader.nextImageDelay(), 100);
    }
    EXPECT_EQ(decoded, 30);
}

TEST(Panel, TextsAreTranslatedInBothContexts)
{
    QTranslator german;
    ASSERT_TRUE(german.load(QStringLiteral(MOVRA_APP_DIR "/i18n/lang-de.qm")));
    QCoreApplication::installTranslator(&german);
    {
        LoadingCodecWidget widget;
        const Parts parts = partsOf(widget);
        EXPECT_NE(parts.cancel->text(), QStringLiteral("Cancel")) << "form context";
        widget.setErrorCode(0);
        EXPECT_NE(parts.info->text(), kDownloading) << "class context";
        widget.setErrorCode(27);
        EXPECT_TRUE(parts.info->text().contains(QStringLiteral("27")));
        EXPECT_NE(parts.info->text(), QStringLiteral("Error 27") + kErrorTail);
        widget.setErrorCode(14);
        EXPECT_NE(parts.accept->text(), QStringLiteral("Ok"));
        widget.setErrorCode(22);
        EXPECT_FALSE(parts.info->text().contains(QStringLiteral("signature could not be verified")));
    }
    QCoreApplication::removeTranslator(&german);
}

} // namespace
