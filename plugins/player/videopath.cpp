#include "playbackrun.h"

extern "C" {
#include <libswscale/swscale.h>
}

namespace MovraReference {

using namespace MovraStreamEngine;

namespace {

AVPixelFormat avPixelFormat(const VideoFrame& frame)
{
    switch (frame.pixelFormat) {
    case kPixelYUV420P:
        return AV_PIX_FMT_YUV420P;
    case kPixelYUV422P:
        return AV_PIX_FMT_YUV422P;
    case kPixelYUV444P:
        return AV_PIX_FMT_YUV444P;
    case kPixelNV12:
        return AV_PIX_FMT_NV12;
    case kPixelGray8:
        return AV_PIX_FMT_GRAY8;
    case kPixelBGRA:
        return AV_PIX_FMT_BGRA;
    default:
        return AV_PIX_FMT_NONE;
    }
}

} // namespace

void PlaybackRun::decodeVideo()
{
    IDecoder* decoder = video.decoder.get();
    SwsContext* scaler = nullptr;
    int32_t scalerRange = -1;
    int serialNow = 0;
    int64_t skipBeforeUs = INT64_MIN;
    int64_t lastPts = 0;
    const auto take = [&](const VideoFrame* frame, const AudioFrame*) -> bool {
        const int64_t pts = frame->pts != kNoTimestamp ? frame->pts : lastPts;
        const int64_t duration = frame->duration > 0 ? frame->duration : 40000;
        lastPts = pts + duration;
        if (pts + duration <= skipBeforeUs)
            return true;
        const AVPixelFormat source = avPixelFormat(*frame);
        if (source == AV_PIX_FMT_NONE || frame->width <= 0 || frame->height <= 0)
            return true;
        int width = frame->width;
        int height = frame->height;
        if (width > kMaxShownWidth) {
            height = int(int64_t(height) * kMaxShownWidth / width);
            width = kMaxShownWidth;
        }
        SwsContext* const previous = scaler;
        scaler = sws_getCachedContext(scaler, frame->width, frame->height, source, width, std::max(height, 1),
                                      AV_PIX_FMT_BGRA, SWS_BILINEAR, nullptr, nullptr, nullptr);
        QImage image(width, std::max(height, 1), QImage::Format_RGB32);
        if (!scaler || image.isNull())
            return true;
        if (scaler != previous)
            scalerRange = -1;
        if (frame->colorRange != scalerRange) {
            int* inverse = nullptr;
            int* table = nullptr;
            int sourceRange = 0, targetRange = 0, brightness = 0, contrast = 0, saturation = 0;
            sws_getColorspaceDetails(scaler, &inverse, &sourceRange, &table, &targetRange, &brightness, &contrast, &saturation);
            sws_setColorspaceDetails(scaler, inverse, frame->colorRange == kRangeFull ? 1 : 0, table, 1, brightness,
                                     contrast, saturation);
            scalerRange = frame->colorRange;
        }
        uint8_t* target[4] = {image.bits(), nullptr, nullptr, nullptr};
        int targetStride[4] = {int(image.bytesPerLine()), 0, 0, 0};
        sws_scale(scaler, frame->planes, frame->strides, 0, frame->height, target, targetStride);
        ShownFrame shown;
        shown.image = std::move(image);
        shown.pts = pts;
        shown.duration = duration;
        const double sar = frame->sampleAspectNum > 0 && frame->sampleAspectDen > 0
                               ? double(frame->sampleAspectNum) / frame->sampleAspectDen
                               : 1.0;
        shown.aspect = double(frame->width) * sar / double(frame->height);
        shown.serial = serialNow;
        ++video.framesOut;
        return pictures.put(std::move(shown)) || !aborted.load();
    };
    PacketQueue::Item item;
    bool failed = false;
    int damagedInARow = 0;
    while (video.packets.take(&item)) {
        if (item.kind == PacketQueue::Kind::Flush) {
            decoder->flush();
            serialNow = item.serial;
            skipBeforeUs = item.target;
            failed = false;
            continue;
        }
        if (item.serial != serialNow || failed) {
            av_packet_free(&item.packet);
            if (item.kind == PacketQueue::Kind::End && item.serial == serialNow)
                video.endedSerial = serialNow;
            continue;
        }
        QString why;
        if (item.kind == PacketQueue::Kind::End) {
            bool damaged = false;
            if (!feed(decoder, nullptr, take, true, &why, &damaged))
                reportStreamProblem(tx("The video decoder failed: %1").arg(why));
            video.endedSerial = serialNow;
            // Ready for a seek after the end: the decoder starts over after its flush.
            continue;
        }
        const Packet packet = packetOf(item.packet);
        bool damaged = false;
        const bool ok = feed(decoder, &packet, take, true, &why, &damaged);
        av_packet_free(&item.packet);
        damagedInARow = damaged ? damagedInARow + 1 : 0;
        if (damagedInARow == kDamagedPacketsToReport)
            reportStreamProblem(tx("The video is damaged and cannot be decoded: %1").arg(why));
        if (!ok) {
            reportStreamProblem(video.framesOut == 0 ? tx("The video could not be decoded: %1").arg(why)
                                                   : tx("The video decoder failed: %1").arg(why));
            failed = true;
            video.failed = true;
            video.endedSerial = serialNow;
        }
    }
    sws_freeContext(scaler);
}

} // namespace MovraReference
