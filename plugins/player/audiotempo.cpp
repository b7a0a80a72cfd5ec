#include "audiotempo.h"

#include "playerlog.h"

extern "C" {
#include <libavfilter/avfilter.h>
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavfilter/version_major.h>
#include <libavutil/channel_layout.h>
#include <libavutil/frame.h>
#include <libavutil/macros.h>
#include <libavutil/opt.h>
}

#include <cmath>
#include <cstring>

#include <dlfcn.h>

namespace MovraReference {

namespace {

// libavfilter is opened the first time a speed other than 1 is asked for, not linked: it
// brings some thirty libraries (speech synthesis, linear algebra, Vulkan...) whose loading
// alone costs more than ten megabytes of memory in every player that never changes speed.
struct FilterLibrary
{
    decltype(&avfilter_graph_alloc) graphAlloc = nullptr;
    decltype(&avfilter_graph_free) graphFree = nullptr;
    decltype(&avfilter_graph_create_filter) createFilter = nullptr;
    decltype(&avfilter_graph_parse_ptr) parse = nullptr;
    decltype(&avfilter_graph_config) config = nullptr;
    decltype(&avfilter_get_by_name) byName = nullptr;
    decltype(&avfilter_inout_alloc) inoutAlloc = nullptr;
    decltype(&avfilter_inout_free) inoutFree = nullptr;
    decltype(&av_buffersrc_add_frame) addFrame = nullptr;
    decltype(&av_buffersink_get_frame) getFrame = nullptr;
};

template <class F>
bool resolve(void* library, const char* name, F* function)
{
    *function = reinterpret_cast<F>(dlsym(library, name));
    return *function != nullptr;
}

// Null when the library cannot be opened; opened once, never closed.
const FilterLibrary* filterLibrary()
{
    static const FilterLibrary* const loaded = []() -> const FilterLibrary* {
        void* library = dlopen(kFilterLibraryName, RTLD_NOW | RTLD_LOCAL);
        if (!library) {
            qCWarning(lcPlayer, "Movra Player: %s", dlerror());
            return nullptr;
        }
        static FilterLibrary f;
        const bool ok = resolve(library, "avfilter_graph_alloc", &f.graphAlloc)
                        && resolve(library, "avfilter_graph_free", &f.graphFree)
                        && resolve(library, "avfilter_graph_create_filter", &f.createFilter)
                        && resolve(library, "avfilter_graph_parse_ptr", &f.parse)
                        && resolve(library, "avfilter_graph_config", &f.config)
                        && resolve(library, "avfilter_get_by_name", &f.byName)
                        && resolve(library, "avfilter_inout_alloc", &f.inoutAlloc)
                        && resolve(library, "avfilter_inout_free", &f.inoutFree)
                        && resolve(library, "av_buffersrc_add_frame", &f.addFrame)
                        && resolve(library, "av_buffersink_get_frame", &f.getFrame);
        if (!ok) {
            qCWarning(lcPlayer, "Movra Player: %s lacks the time-stretch functions", kFilterLibraryName);
            return nullptr;
        }
        return &f;
    }();
    return loaded;
}

} // namespace

const char* const kFilterLibraryName = "libavfilter.so." AV_STRINGIFY(LIBAVFILTER_VERSION_MAJOR);

AudioTempo::AudioTempo(int sampleRate, int channels) : m_sampleRate(sampleRate), m_channels(channels)
{
    m_frame = av_frame_alloc();
}

AudioTempo::~AudioTempo()
{
    release();
    av_frame_free(&m_frame);
}

void AudioTempo::release()
{
    if (m_graph)
        filterLibrary()->graphFree(&m_graph);
    m_source = nullptr;
    m_sink = nullptr;
}

bool AudioTempo::setTempo(double tempo)
{
    if (!(tempo > 0) || tempo == m_tempo)
        return tempo > 0;
    m_tempo = tempo;
    reset();
    return m_tempo == 1.0 || build();
}

void AudioTempo::reset()
{
    release();
    m_basePtsUs = INT64_MIN;
    m_samplesOut = 0;
    m_samplesIn = 0;
}

bool AudioTempo::build()
{
    release();
    const FilterLibrary* f = filterLibrary();
    if (!f)
        return false;
    m_graph = f->graphAlloc();
    if (!m_graph)
        return false;
    AVChannelLayout layout = {};
    av_channel_layout_default(&layout, m_channels);
    char layoutName[64] = {};
    av_channel_layout_describe(&layout, layoutName, sizeof layoutName);
    av_channel_layout_uninit(&layout);
    char sourceArgs[160];
    std::snprintf(sourceArgs, sizeof sourceArgs, "sample_rate=%d:sample_fmt=s16:channel_layout=%s:time_base=1/%d",
                  m_sampleRate, layoutName, m_sampleRate);
    // One atempo stage stretches by at most half; slower speeds chain stages.
    std::string chain;
    double left = m_tempo;
    while (left < 0.5) {
        chain += "atempo=0.5,";
        left /= 0.5;
    }
    char stage[64];
    std::snprintf(stage, sizeof stage, "atempo=%.6f,aformat=sample_fmts=s16", left);
    chain += stage;

    AVFilterInOut* inputs = f->inoutAlloc();
    AVFilterInOut* outputs = f->inoutAlloc();
    bool ok = inputs && outputs
              && f->createFilter(&m_source, f->byName("abuffer"), "in", sourceArgs, nullptr, m_graph) >= 0
              && f->createFilter(&m_sink, f->byName("abuffersink"), "out", nullptr, nullptr, m_graph) >= 0;
    if (ok) {
        outputs->name = av_strdup("in");
        outputs->filter_ctx = m_source;
        inputs->name = av_strdup("out");
        inputs->filter_ctx = m_sink;
        ok = f->parse(m_graph, chain.c_str(), &inputs, &outputs, nullptr) >= 0
             && f->config(m_graph, nullptr) >= 0;
    }
    f->inoutFree(&inputs);
    f->inoutFree(&outputs);
    if (!ok) {
        qCWarning(lcPlayer, "Movra Player: the time-stretch filter for %.2f× could not be set up", m_tempo);
        release();
    }
    return ok;
}

QByteArray AudioTempo::process(const QByteArray& pcm, int64_t ptsUs, int64_t* outPtsUs)
{
    const int frameBytes = m_channels * 2;
    if (m_tempo == 1.0) {
        *outPtsUs = ptsUs;
        return pcm;
    }
    if (m_basePtsUs == INT64_MIN)
        m_basePtsUs = ptsUs;
    if (!m_graph && !build()) {
        // Without the filter the sound plays at its own pace rather than not at all.
        *outPtsUs = ptsUs;
        return pcm;
    }
    const int samples = int(pcm.size() / frameBytes);
    av_frame_unref(m_frame);
    m_frame->format = AV_SAMPLE_FMT_S16;
    m_frame->sample_rate = m_sampleRate;
    av_channel_layout_default(&m_frame->ch_layout, m_channels);
    m_frame->nb_samples = samples;
    m_frame->pts = m_samplesIn;
    if (samples > 0 && av_frame_get_buffer(m_frame, 0) >= 0) {
        std::memcpy(m_frame->data[0], pcm.constData(), size_t(samples) * frameBytes);
        m_samplesIn += samples;
        if (filterLibrary()->addFrame(m_source, m_frame) < 0)
            av_frame_unref(m_frame);
    }
    return drain(outPtsUs);
}

QByteArray AudioTempo::finish(int64_t* outPtsUs)
{
    *outPtsUs = m_basePtsUs;
    if (!m_graph)
        return QByteArray();
    QByteArray out;
    if (filterLibrary()->addFrame(m_source, nullptr) >= 0)
        out = drain(outPtsUs);
    reset();
    return out;
}

QByteArray AudioTempo::drain(int64_t* outPtsUs)
{
    const int frameBytes = m_channels * 2;
    QByteArray out;
    while (filterLibrary()->getFrame(m_sink, m_frame) >= 0) {
        out.append(reinterpret_cast<const char*>(m_frame->data[0]), m_frame->nb_samples * frameBytes);
        av_frame_unref(m_frame);
    }
    // The stretched sound keeps the media's order: its n-th sample stands for the media at
    // n × tempo samples past where the run of samples began.
    *outPtsUs = m_basePtsUs + int64_t(std::llround(double(m_samplesOut) * m_tempo * 1e6 / m_sampleRate));
    m_samplesOut += out.size() / frameBytes;
    return out;
}

} // namespace MovraReference
