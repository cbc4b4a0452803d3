#include "VideoEncoder.h"

#include "Cli.h"

#include <algorithm>
#include <cstring>
#include <strings.h>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/error.h>
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

namespace {

const OutputFormat FORMATS[] = {
    {".mp4", "mp4", "libx264", "aac", "H.264 video and AAC sound"},
    {".mkv", "matroska", "libx264", "flac", "H.264 video and FLAC sound"},
    {".webm", "webm", "libvpx-vp9", "libopus", "VP9 video and Opus sound"},
    {".wav", "wav", nullptr, "pcm_s16le", "the sound alone, 16-bit PCM"},
};
const OutputFormat LOSSLESS = {".mkv", "matroska", "ffv1", "flac", "lossless FFV1 video and FLAC sound"};

// FFmpeg's text for an error code.
std::string AvError(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {0};
    av_strerror(code, text, sizeof text);
    return text;
}

void Check(int ret, const std::string& what)
{
    if (ret < 0) throw EncodeError(what + ": " + AvError(ret));
}

template <typename T>
T* CheckAlloc(T* p, const char* what)
{
    if (!p) throw EncodeError(std::string("out of memory for ") + what);
    return p;
}

struct CodecContextDeleter
{
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct FrameDeleter
{
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketDeleter
{
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct SwrDeleter
{
    void operator()(SwrContext* s) const { swr_free(&s); }
};
struct SwsDeleter
{
    void operator()(SwsContext* s) const { sws_freeContext(s); }
};
// The container and, once opened, its file.
struct FormatDeleter
{
    void operator()(AVFormatContext* oc) const
    {
        if (oc->pb && !(oc->oformat->flags & AVFMT_NOFILE)) avio_closep(&oc->pb);
        avformat_free_context(oc);
    }
};

using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextDeleter>;
using FramePtr = std::unique_ptr<AVFrame, FrameDeleter>;
using PacketPtr = std::unique_ptr<AVPacket, PacketDeleter>;
using SwrPtr = std::unique_ptr<SwrContext, SwrDeleter>;
using SwsPtr = std::unique_ptr<SwsContext, SwsDeleter>;
using FormatPtr = std::unique_ptr<AVFormatContext, FormatDeleter>;

const AVCodec* FindEncoder(const char* name)
{
    const AVCodec* codec = avcodec_find_encoder_by_name(name);
    if (!codec)
        throw EncodeError(std::string("the encoder '") + name +
                          "' is missing from this system's FFmpeg libraries");
    return codec;
}

// One encoder feeding one stream of the container.
struct Stream
{
    AVStream* stream = nullptr;
    CodecContextPtr codec;
    FramePtr frame;
    int64_t next_pts = 0;
};

} // namespace

const OutputFormat* FindOutputFormat(const std::string& path, bool lossless)
{
    if (lossless) return HasExtension(path, LOSSLESS.extension) ? &LOSSLESS : nullptr;
    for (const OutputFormat& f : FORMATS)
        if (HasExtension(path, f.extension)) return &f;
    return nullptr;
}

std::string OutputExtensions()
{
    std::string all;
    for (const OutputFormat& f : FORMATS) all += std::string(all.empty() ? "" : ", ") + f.extension;
    return all;
}

struct VideoEncoder::Impl
{
    Settings settings;
    FormatPtr container;
    PacketPtr packet;

    Stream video;
    bool direct = false; // the encoder takes the pixels as they are, else yuv420p
    SwsPtr convert;      // the pixels to yuv420p, if not direct

    Stream sound;
    SwrPtr resample;              // 44100 Hz to the encoder's rate, if it differs
    std::vector<int16_t> pending; // samples at the encoder's rate not yet in a frame
    std::vector<int16_t> resampled;
    bool finished = false;

    void OpenVideo(const std::string& path);
    void OpenSound(const std::string& path);
    void Encode(Stream& s, AVFrame* frame);
    void EncodeSoundFrame(size_t count);
    void Resample(const int16_t* samples, size_t count);
};

void VideoEncoder::Impl::OpenVideo(const std::string& path)
{
    const AVCodec* codec = FindEncoder(settings.format.video_encoder);
    video.stream = CheckAlloc(avformat_new_stream(container.get(), nullptr), "a video stream");
    video.codec.reset(CheckAlloc(avcodec_alloc_context3(codec), "the video encoder"));
    AVCodecContext* c = video.codec.get();

    c->width = settings.width;
    c->height = settings.height;
    c->time_base = AVRational{1, settings.fps};
    c->framerate = AVRational{settings.fps, 1};
    c->sample_aspect_ratio = AVRational{1, 1};
    video.stream->time_base = c->time_base;
    if (container->oformat->flags & AVFMT_GLOBALHEADER) c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;

    if (codec->id == AV_CODEC_ID_FFV1) {
        // the pixels as they are: 0xAARRGGBB words are bgr0 in memory
        c->pix_fmt = AV_PIX_FMT_0RGB32;
        c->gop_size = 1;
        direct = true;
    }
    else {
        c->pix_fmt = AV_PIX_FMT_YUV420P;
        c->color_range = AVCOL_RANGE_MPEG;
        c->colorspace = AVCOL_SPC_BT709;
        c->color_primaries = AVCOL_PRI_BT709;
        c->color_trc = AVCOL_TRC_BT709;
        if (codec->id == AV_CODEC_ID_H264) {
            av_opt_set(c->priv_data, "preset", "superfast", 0);
            av_opt_set(c->priv_data, "crf", "20", 0);
            c->gop_size = 10 * settings.fps;
        }
        else if (codec->id == AV_CODEC_ID_VP9) {
            c->bit_rate = 0;
            av_opt_set(c->priv_data, "crf", "30", 0);
            av_opt_set(c->priv_data, "deadline", "realtime", 0);
            av_opt_set(c->priv_data, "cpu-used", "8", 0);
            av_opt_set(c->priv_data, "row-mt", "1", 0);
            c->gop_size = 10 * settings.fps;
        }
    }
    Check(avcodec_open2(c, codec, nullptr), std::string("cannot open the video encoder '") + codec->name + "'");
    Check(avcodec_parameters_from_context(video.stream->codecpar, c), "cannot describe the video stream");

    video.frame.reset(CheckAlloc(av_frame_alloc(), "a video frame"));
    video.frame->format = c->pix_fmt;
    video.frame->width = c->width;
    video.frame->height = c->height;
    Check(av_frame_get_buffer(video.frame.get(), 0), "cannot allocate a video frame");
    (void)path;

    if (!direct) {
        // full-range pixels to limited-range BT.709, as the stream is tagged;
        // the size stays, so the filter only matters for the halved chroma
        convert.reset(sws_getContext(c->width, c->height, AV_PIX_FMT_0RGB32, c->width, c->height,
                                     c->pix_fmt, SWS_BILINEAR, nullptr, nullptr, nullptr));
        if (!convert) throw EncodeError("cannot convert the pictures to yuv420p");
        const int* bt709 = sws_getCoefficients(SWS_CS_ITU709);
        // brightness 0, contrast and saturation 1.0 in 16.16 fixed point
        Check(sws_setColorspaceDetails(convert.get(), bt709, 1, bt709, 0, 0, 1 << 16, 1 << 16),
              "cannot set the pictures' colour space");
    }
}

void VideoEncoder::Impl::OpenSound(const std::string& path)
{
    const AVCodec* codec = FindEncoder(settings.format.audio_encoder);
    sound.stream = CheckAlloc(avformat_new_stream(container.get(), nullptr), "a sound stream");
    sound.codec.reset(CheckAlloc(avcodec_alloc_context3(codec), "the sound encoder"));
    AVCodecContext* c = sound.codec.get();

    // 44100 Hz if the encoder takes it, else the nearest rate above it
    int rate = SOUND_RATE;
    if (codec->supported_samplerates) {
        int best = 0;
        for (const int* r = codec->supported_samplerates; *r; ++r) {
            if (*r == SOUND_RATE) { best = SOUND_RATE; break; }
            if (*r > SOUND_RATE && (best == 0 || *r < best)) best = *r;
        }
        if (best == 0) best = codec->supported_samplerates[0];
        rate = best;
    }
    // signed 16-bit if the encoder takes it, else planar float
    AVSampleFormat format = AV_SAMPLE_FMT_S16;
    if (codec->sample_fmts) {
        format = codec->sample_fmts[0];
        for (const AVSampleFormat* f = codec->sample_fmts; *f != AV_SAMPLE_FMT_NONE; ++f)
            if (*f == AV_SAMPLE_FMT_S16) format = AV_SAMPLE_FMT_S16;
    }
    if (format != AV_SAMPLE_FMT_S16 && format != AV_SAMPLE_FMT_FLTP && format != AV_SAMPLE_FMT_FLT)
        throw EncodeError(std::string("the encoder '") + codec->name + "' takes no sample format this program writes");

    c->sample_fmt = format;
    c->sample_rate = rate;
    const AVChannelLayout mono = AV_CHANNEL_LAYOUT_MONO;
    Check(av_channel_layout_copy(&c->ch_layout, &mono), "cannot set the sound's channel layout");
    c->time_base = AVRational{1, rate};
    if (codec->id == AV_CODEC_ID_AAC) c->bit_rate = 128000;
    if (codec->id == AV_CODEC_ID_OPUS) c->bit_rate = 96000;
    sound.stream->time_base = c->time_base;
    if (container->oformat->flags & AVFMT_GLOBALHEADER) c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    Check(avcodec_open2(c, codec, nullptr), std::string("cannot open the sound encoder '") + codec->name + "'");
    Check(avcodec_parameters_from_context(sound.stream->codecpar, c), "cannot describe the sound stream");

    if (rate != SOUND_RATE) {
        SwrContext* s = nullptr;
        Check(swr_alloc_set_opts2(&s, &c->ch_layout, AV_SAMPLE_FMT_S16, rate, &c->ch_layout, AV_SAMPLE_FMT_S16,
                                  SOUND_RATE, 0, nullptr),
              "cannot set up the sound's resampling");
        resample.reset(s);
        Check(swr_init(s), "cannot set up the sound's resampling");
    }

    sound.frame.reset(CheckAlloc(av_frame_alloc(), "a sound frame"));
    (void)path;
}

VideoEncoder::VideoEncoder(const std::string& path, const Settings& settings) : m(new Impl)
{
    m->settings = settings;
    // the libraries' own reports only for errors; ours name the file
    av_log_set_level(AV_LOG_ERROR);
    const OutputFormat& f = settings.format;

    AVFormatContext* oc = nullptr;
    Check(avformat_alloc_output_context2(&oc, nullptr, f.muxer, path.c_str()),
          std::string("cannot set up the container '") + f.muxer + "'");
    m->container.reset(oc);
    m->packet.reset(CheckAlloc(av_packet_alloc(), "a packet"));

    if (f.video_encoder) m->OpenVideo(path);
    if (settings.sound || !f.video_encoder) m->OpenSound(path);

    if (!(oc->oformat->flags & AVFMT_NOFILE))
        Check(avio_open(&oc->pb, path.c_str(), AVIO_FLAG_WRITE), "cannot write '" + path + "'");
    Check(avformat_write_header(oc, nullptr), "cannot write the header of '" + path + "'");
}

VideoEncoder::~VideoEncoder() = default;

bool VideoEncoder::has_video() const { return m->video.codec != nullptr; }
bool VideoEncoder::has_sound() const { return m->sound.codec != nullptr; }

void VideoEncoder::Impl::Encode(Stream& s, AVFrame* frame)
{
    Check(avcodec_send_frame(s.codec.get(), frame), "cannot encode");
    for (;;) {
        const int ret = avcodec_receive_packet(s.codec.get(), packet.get());
        if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF) return;
        Check(ret, "cannot encode");
        av_packet_rescale_ts(packet.get(), s.codec->time_base, s.stream->time_base);
        packet->stream_index = s.stream->index;
        // takes the packet's contents and leaves it blank
        Check(av_interleaved_write_frame(container.get(), packet.get()), "cannot write the file");
    }
}

void VideoEncoder::WriteVideo(const uint32_t* pixels, ptrdiff_t stride)
{
    if (!has_video()) return;
    AVFrame* frame = m->video.frame.get();
    Check(av_frame_make_writable(frame), "cannot reuse the video frame");
    if (m->direct) {
        const size_t row = static_cast<size_t>(m->settings.width) * 4;
        for (int y = 0; y < m->settings.height; ++y)
            std::memcpy(frame->data[0] + y * frame->linesize[0], pixels + y * stride, row);
    }
    else {
        const uint8_t* src[1] = {reinterpret_cast<const uint8_t*>(pixels)};
        const int src_stride[1] = {static_cast<int>(stride * sizeof(uint32_t))};
        sws_scale(m->convert.get(), src, src_stride, 0, m->settings.height, frame->data, frame->linesize);
    }
    frame->pts = m->video.next_pts++;
    m->Encode(m->video, frame);
}

void VideoEncoder::Impl::Resample(const int16_t* samples, size_t count)
{
    const int out_max = swr_get_out_samples(resample.get(), static_cast<int>(count));
    Check(out_max, "cannot resample the sound");
    resampled.resize(static_cast<size_t>(out_max));
    uint8_t* out[1] = {reinterpret_cast<uint8_t*>(resampled.data())};
    const uint8_t* in[1] = {reinterpret_cast<const uint8_t*>(samples)};
    const int got = swr_convert(resample.get(), out, out_max, samples ? in : nullptr, static_cast<int>(count));
    Check(got, "cannot resample the sound");
    pending.insert(pending.end(), resampled.begin(), resampled.begin() + got);
}

// Encodes the first count pending samples as one frame.
void VideoEncoder::Impl::EncodeSoundFrame(size_t count)
{
    AVCodecContext* c = sound.codec.get();
    AVFrame* frame = sound.frame.get();
    av_frame_unref(frame);
    frame->format = c->sample_fmt;
    frame->sample_rate = c->sample_rate;
    frame->nb_samples = static_cast<int>(count);
    Check(av_channel_layout_copy(&frame->ch_layout, &c->ch_layout), "cannot set the sound's channel layout");
    Check(av_frame_get_buffer(frame, 0), "cannot allocate a sound frame");

    const int16_t* in = pending.data();
    if (c->sample_fmt == AV_SAMPLE_FMT_S16) {
        std::memcpy(frame->data[0], in, count * sizeof(int16_t));
    }
    else { // float, planar or not: one channel either way
        float* out = reinterpret_cast<float*>(frame->data[0]);
        for (size_t i = 0; i < count; ++i) out[i] = static_cast<float>(in[i]) / 32768.0f;
    }
    frame->pts = sound.next_pts;
    sound.next_pts += static_cast<int64_t>(count);
    pending.erase(pending.begin(), pending.begin() + static_cast<ptrdiff_t>(count));
    Encode(sound, frame);
}

void VideoEncoder::WriteSound(const int16_t* samples, size_t count)
{
    if (!has_sound() || count == 0) return;
    if (m->resample) m->Resample(samples, count);
    else m->pending.insert(m->pending.end(), samples, samples + count);

    AVCodecContext* c = m->sound.codec.get();
    if (c->frame_size > 0 && !(c->codec->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE)) {
        const size_t n = static_cast<size_t>(c->frame_size);
        while (m->pending.size() >= n) m->EncodeSoundFrame(n);
    }
    else {
        m->EncodeSoundFrame(m->pending.size());
    }
}

void VideoEncoder::Finish()
{
    if (m->finished) return;
    m->finished = true;
    if (has_sound()) {
        if (m->resample) m->Resample(nullptr, 0);
        AVCodecContext* c = m->sound.codec.get();
        if (!m->pending.empty()) {
            // a short last frame, or one padded with silence
            const bool small_last = c->frame_size <= 0 || (c->codec->capabilities & (AV_CODEC_CAP_SMALL_LAST_FRAME |
                                                                                    AV_CODEC_CAP_VARIABLE_FRAME_SIZE));
            if (!small_last) m->pending.resize(static_cast<size_t>(c->frame_size), 0);
            m->EncodeSoundFrame(m->pending.size());
        }
        m->Encode(m->sound, nullptr);
    }
    if (has_video()) m->Encode(m->video, nullptr);
    Check(av_write_trailer(m->container.get()), "cannot finish the file");
    AVFormatContext* oc = m->container.get();
    if (oc->pb && !(oc->oformat->flags & AVFMT_NOFILE)) Check(avio_closep(&oc->pb), "cannot close the file");
}
