// The GL picture path on a real X display with Mesa's software OpenGL: pictures of every
// layout, matrix and range come out as libswscale converts them, subtitles show over them,
// and where no context can be made the raster path is taken.

#include "support/waitfor.h"
#include "support/xdisplay.h"

#include "glvideocanvas.h"
#include "picture.h"
#include "videoview.h"

extern "C" {
#include <libavutil/frame.h>
#include <libswscale/swscale.h>
}

#include <QCoreApplication>
#include <QPainter>
#include <QProcess>

#include <cmath>
#include <cstdio>
#include <cstring>

#include <gtest/gtest.h>

using namespace MovraReference;
using namespace MovraStreamEngine;

namespace {

struct Layout
{
    const char* name;
    AVPixelFormat av;
    int32_t sdk;
    int bits;
};

// A smooth picture (luma across, the two chroma down and diagonally), filled in the
// layout's own samples, as a decoder would hand it over.
struct SmoothFrame
{
    SmoothFrame(int width, int height, const Layout& layout)
    {
        frame = av_frame_alloc();
        frame->width = width;
        frame->height = height;
        frame->format = layout.av;
        if (av_frame_get_buffer(frame, 0) < 0)
            return;
        const int shiftX = layout.av == AV_PIX_FMT_YUV444P || layout.av == AV_PIX_FMT_YUV444P10LE ? 0 : 1;
        const int shiftY = layout.av == AV_PIX_FMT_YUV420P || layout.av == AV_PIX_FMT_YUV420P10LE || layout.av == AV_PIX_FMT_NV12 ? 1 : 0;
        const int top = (1 << layout.bits) - 1;
        // Luma across the whole range a full-range picture uses, the chroma down (one rising,
        // one falling) over most of theirs: strong colours, which tell the matrices apart.
        // Chroma changes only downwards, where every layout places it the same way.
        const auto luma = [&](int x, int) { return x * top / (width - 1); };
        const auto cb = [&](int, int y) { return top / 16 + y * (top * 7 / 8) / (height - 1); };
        const auto cr = [&](int, int y) { return top - top / 16 - y * (top * 7 / 8) / (height - 1); };
        const auto put = [&](int plane, int x, int y, int value) {
            uint8_t* row = frame->data[plane] + std::ptrdiff_t(y) * frame->linesize[plane];
            if (layout.bits > 8)
                reinterpret_cast<uint16_t*>(row)[x] = uint16_t(value);
            else
                row[x] = uint8_t(value);
        };
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                put(0, x, y, luma(x, y));
        const int cw = -((-width) >> shiftX), ch = -((-height) >> shiftY);
        for (int y = 0; y < ch; ++y) {
            for (int x = 0; x < cw; ++x) {
                const int fx = x << shiftX, fy = y << shiftY;
                if (layout.av == AV_PIX_FMT_NV12) {
                    frame->data[1][y * frame->linesize[1] + 2 * x] = uint8_t(cb(fx, fy));
                    frame->data[1][y * frame->linesize[1] + 2 * x + 1] = uint8_t(cr(fx, fy));
                } else {
                    put(1, x, y, cb(fx, fy));
                    put(2, x, y, cr(fx, fy));
                }
            }
        }
        sdkFrame.width = width;
        sdkFrame.height = height;
        sdkFrame.pixelFormat = layout.sdk;
        for (int p = 0; p < 4; ++p) {
            sdkFrame.planes[p] = frame->data[p];
            sdkFrame.strides[p] = frame->linesize[p];
        }
    }
    ~SmoothFrame() { av_frame_free(&frame); }
    AVFrame* frame = nullptr;
    VideoFrame sdkFrame;
};

int swsSpace(int32_t matrix)
{
    return matrix == kMatrixBT709 ? SWS_CS_ITU709 : matrix == kMatrixBT2020 ? SWS_CS_BT2020 : SWS_CS_ITU601;
}

// libswscale's own conversion at the picture's size, with the matrix and range given.
QImage ffmpegPicture(const AVFrame* frame, int32_t matrix, int32_t range)
{
    SwsContext* context = sws_getContext(frame->width, frame->height, AVPixelFormat(frame->format), frame->width,
                                         frame->height, AV_PIX_FMT_BGRA,
                                         SWS_BILINEAR | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT | SWS_FULL_CHR_H_INP,
                                         nullptr, nullptr, nullptr);
    int *inverse, *table, sourceRange, targetRange, brightness, contrast, saturation;
    sws_getColorspaceDetails(context, &inverse, &sourceRange, &table, &targetRange, &brightness, &contrast, &saturation);
    sws_setColorspaceDetails(context, sws_getCoefficients(swsSpace(matrix)), range == kRangeFull, table, 1, brightness,
                             contrast, saturation);
    QImage image(frame->width, frame->height, QImage::Format_RGB32);
    uint8_t* target[4] = {image.bits()};
    int strides[4] = {int(image.bytesPerLine())};
    sws_scale(context, frame->data, frame->linesize, 0, frame->height, target, strides);
    sws_freeContext(context);
    return image;
}

// Mean absolute difference per colour channel, 0 to 255.
double meanDifference(const QImage& a, const QImage& b)
{
    if (a.size() != b.size())
        return 255;
    double sum = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q));
        }
    }
    return sum / (3.0 * a.width() * a.height());
}

// A GL view of exactly the picture's size, shown and ready.
struct ShownView
{
    explicit ShownView(QSize size) : view(nullptr, VideoOutput::GL)
    {
        view.setFixedSize(size);
        view.show();
    }
    QImage draw(const PicturePtr& picture, const PictureOrientation& orientation = {}, const QImage& layer = {})
    {
        view.setPicture(picture, orientation, double(view.width()) / view.height(), layer);
        QCoreApplication::processEvents();
        return view.grabCanvas().convertToFormat(QImage::Format_RGB32);
    }
    VideoView view;
};

bool glHere()
{
    return movratest::XDisplay::shared() && canMakeGlContext();
}

TEST(GlPicture, EveryLayoutMatrixAndRangeComesOutAsFfmpegConvertsIt)
{
    MOVRA_REQUIRE_X();
    if (!canMakeGlContext())
        GTEST_SKIP() << "no OpenGL context on this display";
    const Layout layouts[] = {{"YUV420P", AV_PIX_FMT_YUV420P, kPixelYUV420P, 8},
                              {"YUV422P", AV_PIX_FMT_YUV422P, kPixelYUV422P, 8},
                              {"YUV444P", AV_PIX_FMT_YUV444P, kPixelYUV444P, 8},
                              {"NV12", AV_PIX_FMT_NV12, kPixelNV12, 8},
                              {"YUV420P10", AV_PIX_FMT_YUV420P10LE, kPixelYUV420P10, 10},
                              {"YUV422P10", AV_PIX_FMT_YUV422P10LE, kPixelYUV422P10, 10},
                              {"YUV444P10", AV_PIX_FMT_YUV444P10LE, kPixelYUV444P10, 10}};
    const QSize size(96, 64);
    ShownView shown(size);
    PicturePool pool;
    for (const Layout& layout : layouts) {
        SmoothFrame smooth(size.width(), size.height(), layout);
        ASSERT_NE(smooth.frame->data[0], nullptr);
        for (const int32_t matrix : {kMatrixBT601, kMatrixBT709, kMatrixBT2020}) {
            for (const int32_t range : {kRangeLimited, kRangeFull}) {
                SCOPED_TRACE(testing::Message() << layout.name << " matrix " << matrix << " range " << range);
                smooth.sdkFrame.colorMatrix = matrix;
                smooth.sdkFrame.colorRange = range;
                const QImage drawn = shown.draw(pool.copy(smooth.sdkFrame));
                ASSERT_EQ(drawn.size(), size);
                const double difference = meanDifference(drawn, ffmpegPicture(smooth.frame, matrix, range));
                EXPECT_LT(difference, 2.0);
                // The other matrices and range are told apart by more than that. (4:2:0 comes
                // nearest: libswscale repeats each chroma sample where GL interpolates.)
                for (const int32_t other : {kMatrixBT601, kMatrixBT709, kMatrixBT2020}) {
                    if (other != matrix) {
                        EXPECT_GT(meanDifference(drawn, ffmpegPicture(smooth.frame, other, range)), difference + 1.0);
                    }
                }
                EXPECT_GT(meanDifference(drawn, ffmpegPicture(smooth.frame, matrix, 1 - range)), 4.0);
                if (qEnvironmentVariableIsSet("MOVRA_TEST_SHOW_DIFFERENCES"))
                    std::printf("%s %d %d: %.2f\n", layout.name, matrix, range, difference);
            }
        }
    }
    // The unnamed matrix goes by size: BT.601 for this small picture.
    SmoothFrame smooth(size.width(), size.height(), layouts[0]);
    smooth.sdkFrame.colorMatrix = kMatrixUnspecified;
    EXPECT_LT(meanDifference(shown.draw(pool.copy(smooth.sdkFrame)), ffmpegPicture(smooth.frame, kMatrixBT601, kRangeLimited)),
              2.0);
}

TEST(GlPicture, ScaledTurnedAndWithSubtitlesOverIt)
{
    MOVRA_REQUIRE_X();
    if (!canMakeGlContext())
        GTEST_SKIP() << "no OpenGL context on this display";
    const Layout layout{"YUV420P", AV_PIX_FMT_YUV420P, kPixelYUV420P, 8};
    PicturePool pool;
    // Drawn at half the size: still the same picture, as libswscale scales it.
    SmoothFrame smooth(192, 128, layout);
    smooth.sdkFrame.colorMatrix = kMatrixBT709;
    const PicturePtr picture = pool.copy(smooth.sdkFrame);
    ShownView half(QSize(96, 64));
    const QImage reference = ffmpegPicture(smooth.frame, kMatrixBT709, kRangeLimited)
                                 .scaled(96, 64, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    EXPECT_LT(meanDifference(half.draw(picture), reference), 3.0);
    // A quarter turn clockwise: the picture's left column (dark) comes to the top.
    ShownView turned(QSize(64, 96));
    const QImage upright = turned.draw(picture, PictureOrientation{1, false, false});
    EXPECT_LT(qGray(upright.pixel(32, 1)), 40);
    EXPECT_GT(qGray(upright.pixel(32, 94)), 200);
    // A clear layer with a white block lies over the picture, the rest shows through.
    QImage layer(96, 64, QImage::Format_ARGB32_Premultiplied);
    layer.fill(Qt::transparent);
    QPainter(&layer).fillRect(QRect(0, 40, 30, 20), Qt::white);
    const QImage withLayer = half.draw(picture, {}, layer);
    EXPECT_EQ(withLayer.pixel(10, 50), qRgb(255, 255, 255));
    EXPECT_LT(meanDifference(withLayer.copy(40, 0, 56, 64), reference.copy(40, 0, 56, 64)), 3.0);
}

TEST(GlPicture, AViewShownRasterTurnsToGlLater)
{
    MOVRA_REQUIRE_X();
    if (!canMakeGlContext())
        GTEST_SKIP() << "no OpenGL context on this display";
    // As the window does: shown without OpenGL, turned to it when the first file opens.
    VideoView view;
    view.setFixedSize(96, 64);
    view.setText(QStringLiteral("No file open"));
    view.show();
    QCoreApplication::processEvents();
    ASSERT_EQ(view.output(), VideoOutput::Raster);
    view.useGl();
    ASSERT_EQ(view.output(), VideoOutput::GL);
    const Layout layout{"YUV444P", AV_PIX_FMT_YUV444P, kPixelYUV444P, 8};
    SmoothFrame smooth(96, 64, layout);
    smooth.sdkFrame.colorMatrix = kMatrixBT709;
    PicturePool pool;
    view.setPicture(pool.copy(smooth.sdkFrame), {}, 1.5, QImage());
    QCoreApplication::processEvents();
    EXPECT_LT(meanDifference(view.grabCanvas().convertToFormat(QImage::Format_RGB32),
                             ffmpegPicture(smooth.frame, kMatrixBT709, kRangeLimited)),
              1.0);
    // What reaches the screen is the picture too (the window composes the canvas).
    const QPoint at = view.mapToGlobal(QPoint(90, 32));
    EXPECT_TRUE(MovraTest::waitFor(
        [&] {
            const QImage screen = movratest::XDisplay::shared()->screenshot();
            return !screen.isNull() && qGray(screen.pixel(at)) > 180;
        },
        10000));
}

// Unset, only a graphics card earns the GL path: on a software rasteriser it costs several
// times the processor time of the raster path. Forced, any context will do.
TEST(VideoOutputChoice, ForcedOrByWhatOpenGLThereIs)
{
    using S = GlSupport;
    struct Row
    {
        const char* forced;
        GlSupport support;
        VideoOutput chosen;
    };
    for (const Row& row : {Row{"", S::Hardware, VideoOutput::GL}, Row{"", S::Software, VideoOutput::Raster},
                           Row{"", S::None, VideoOutput::Raster}, Row{"raster", S::Hardware, VideoOutput::Raster},
                           Row{"RASTER ", S::Hardware, VideoOutput::Raster}, Row{"gl", S::Hardware, VideoOutput::GL},
                           Row{"gl", S::Software, VideoOutput::GL}, Row{"gl", S::None, VideoOutput::Raster},
                           Row{"vulkan", S::Hardware, VideoOutput::GL}, Row{"vulkan", S::Software, VideoOutput::Raster},
                           Row{"vulkan", S::None, VideoOutput::Raster}}) {
        SCOPED_TRACE(testing::Message() << '"' << row.forced << "\" " << int(row.support));
        EXPECT_EQ(chooseVideoOutput(QByteArray(row.forced), row.support), row.chosen);
    }
    for (const char* software : {"llvmpipe (LLVM 15.0.6, 256 bits)", "softpipe", "Mesa X11 Software Rasterizer",
                                 "Google SwiftShader"})
        EXPECT_TRUE(isSoftwareRenderer(software)) << software;
    for (const char* card : {"Mesa Intel(R) UHD Graphics 620 (KBL GT2)", "AMD Radeon RX 6600 (navi23, LLVM 15.0.6, DRM 3.49)",
                             "NVIDIA GeForce GTX 1060 6GB/PCIe/SSE2"})
        EXPECT_FALSE(isSoftwareRenderer(card)) << card;
}

// Run by the next test in a process of its own, whose X connection has no OpenGL.
TEST(VideoOutputChoice, WithoutOpenGLTheRasterPathIsTaken)
{
    if (qgetenv("MOVRA_TEST_NO_GL_CHILD") != "1")
        GTEST_SKIP() << "runs in the process the next test starts";
    ASSERT_FALSE(canMakeGlContext());
    qputenv("MOVRA_VIDEO_OUTPUT", "gl");
    EXPECT_EQ(chooseVideoOutput(), VideoOutput::Raster);
}

TEST(VideoOutputChoice, ADisplayWithoutOpenGLFallsBackToRaster)
{
    MOVRA_REQUIRE_X();
    if (!glHere())
        GTEST_SKIP() << "no OpenGL context on this display";
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("MOVRA_TEST_NO_GL_CHILD"), QStringLiteral("1"));
    // Qt's X platform then has no way to OpenGL at all.
    environment.insert(QStringLiteral("QT_XCB_GL_INTEGRATION"), QStringLiteral("none"));
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_filter=VideoOutputChoice.WithoutOpenGLTheRasterPathIsTaken")});
    ASSERT_TRUE(child.waitForFinished(60000));
    const QByteArray output = child.readAll();
    EXPECT_EQ(child.exitCode(), 0) << output.constData();
    EXPECT_TRUE(output.contains("[  PASSED  ] 1 test")) << output.constData();
    EXPECT_TRUE(output.contains("drawing pictures without it")) << output.constData();
}

} // namespace
