#include "PallixSubtitleRenderer.h"

#include "PallixVobSubIndex.h"
#include "PallixWebVtt.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <iconv.h>
#include <iterator>

namespace
{
// A text line whose end nobody gave stays this long.
constexpr long long DEFAULT_DURATION_MS = 5000;

bool isUtf8(const std::string& text)
{
    size_t i = 0;
    while (i < text.size())
    {
        const auto c = static_cast<unsigned char>(text[i]);
        const size_t n = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
        if (n == 0 || i + n > text.size())
            return false;
        for (size_t k = 1; k < n; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
                return false;
        i += n;
    }
    return true;
}

// The text in the code page, as UTF-8; a byte the code page does not define
// becomes U+FFFD.
std::string toUtf8(const std::string& bytes, const char* charset)
{
    iconv_t converter = iconv_open("UTF-8", charset);
    if (converter == iconv_t(-1))
        return std::string();
    std::string out(bytes.size() * 3 + 4, '\0');
    char* in = const_cast<char*>(bytes.data());
    size_t inLeft = bytes.size();
    char* at = out.data();
    size_t outLeft = out.size();
    while (inLeft > 0 && iconv(converter, &in, &inLeft, &at, &outLeft) == size_t(-1) && errno == EILSEQ &&
           outLeft >= 3)
    {
        ++in;
        --inLeft;
        *at++ = '\xEF';
        *at++ = '\xBF';
        *at++ = '\xBD';
        outLeft -= 3;
    }
    iconv_close(converter);
    out.resize(out.size() - outLeft);
    return out;
}

struct SubtitleDeleter
{
    void operator()(AVSubtitle* p) const
    {
        avsubtitle_free(p);
        delete p;
    }
};
} // namespace

bool PallixSubtitleRenderer::OpenDecoder(const AVCodecParameters& parameters, const char* charset,
                                         const std::vector<PallixAttachedFonts::Font>& fonts)
{
    mCodec.reset();
    const AVCodec* decoder = avcodec_find_decoder(parameters.codec_id);
    if (!decoder)
        return false;
    pallix_av::CodecPtr context(avcodec_alloc_context3(decoder));
    if (!context || avcodec_parameters_to_context(context.get(), &parameters) < 0)
        return false;
    context->pkt_timebase = AVRational{1, 1000};
    AVDictionary* options = nullptr;
    if (charset)
        av_dict_set(&options, "sub_charenc", charset, 0);
    const int ret = avcodec_open2(context.get(), decoder, &options);
    av_dict_free(&options);
    if (ret < 0)
        return false;
    mCodec = std::move(context);
    if (decoder->type != AVMEDIA_TYPE_SUBTITLE)
        return false;
    const AVCodecDescriptor* descriptor = avcodec_descriptor_get(parameters.codec_id);
    if (descriptor && (descriptor->props & AV_CODEC_PROP_BITMAP_SUB))
    {
        mBitmaps.Start();
        return true;
    }
    const std::string header = mCodec->subtitle_header
                                   ? std::string(reinterpret_cast<const char*>(mCodec->subtitle_header),
                                                 size_t(mCodec->subtitle_header_size))
                                   : std::string();
    return mText.Start(header, fonts);
}

void PallixSubtitleRenderer::Reset()
{
    mCodec.reset();
    mText.Stop();
    mBitmaps.Stop();
    mNextPicture.reset();
    mPictureFile.reset();
    mPictureStream = -1;
    mbPicturesPlaced = false;
    mLastPictureMs = -1;
}

bool PallixSubtitleRenderer::StartStream(const AVFormatContext& movie, const AVStream& stream)
{
    std::lock_guard<std::mutex> lock(mMutex);
    Reset();
    if (!OpenDecoder(*stream.codecpar, nullptr, PallixAttachedFonts::Find(&movie)))
    {
        mCodec.reset();
        return false;
    }
    return true;
}

bool PallixSubtitleRenderer::StartFile(const std::string& path, int nTrack, const AVFormatContext* pMovie)
{
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::vector<PallixAttachedFonts::Font> fonts = PallixAttachedFonts::Find(pMovie);
    // Subtitle files come in whatever the author's system wrote; what is not
    // UTF-8 is most often Windows' Western code page.
    const char* charset = isUtf8(bytes) ? nullptr : "CP1252";
    // libass must get UTF-8: in anything else each stray byte is a character
    // that no face has, and a search of every face.
    if (PallixWebVtt::IsWebVtt(bytes))
        return StartWebVtt(charset ? toUtf8(bytes, charset) : bytes, fonts);

    // A VobSub index names its pictures' file by its own name; found here in
    // any letter case.
    const bool bVobSub = PallixVobSubIndex::IsIndex(bytes);
    const AVInputFormat* pFormat = bVobSub ? av_find_input_format("vobsub") : nullptr;
    AVDictionary* options = nullptr;
    if (bVobSub)
        av_dict_set(&options, "sub_name", PallixVobSubIndex::PicturesPath(path).c_str(), 0);
    AVFormatContext* raw = nullptr;
    const int ret = avformat_open_input(&raw, path.c_str(), pFormat, &options);
    av_dict_free(&options);
    if (ret < 0)
        return false;
    pallix_av::FormatPtr format(raw);
    const AVStream* pStream = nullptr;
    for (unsigned i = 0; i < format->nb_streams && !pStream; ++i)
        if (!bVobSub || format->streams[i]->id == nTrack)
            pStream = format->streams[i];
    if (!pStream || pStream->codecpar->codec_type != AVMEDIA_TYPE_SUBTITLE)
        return false;

    std::lock_guard<std::mutex> lock(mMutex);
    Reset();
    if (!OpenDecoder(*pStream->codecpar, charset, fonts))
    {
        mCodec.reset();
        return false;
    }
    if (mBitmaps.IsActive())
    {
        // Pictures are read and decoded when the movie gets there: read at
        // once, a film's take tens of megabytes, seconds from a network share.
        mPictureStream = pStream->index;
        mPictureTimeBase = pStream->time_base;
        mPictureFile = std::move(format);
        return true;
    }
    pallix_av::PacketPtr packet(av_packet_alloc());
    while (packet && av_read_frame(format.get(), packet.get()) >= 0)
    {
        if (packet->stream_index == pStream->index)
            Decode(*packet, pStream->time_base);
        av_packet_unref(packet.get());
    }
    return true;
}

bool PallixSubtitleRenderer::StartWebVtt(const std::string& bytes, const std::vector<PallixAttachedFonts::Font>& fonts)
{
    std::vector<PallixWebVtt::Cue> cues;
    PallixWebVtt::Read(bytes, cues);
    // libavcodec's decoder gives the same header as to the other text files.
    AVCodecParameters* pParameters = avcodec_parameters_alloc();
    if (!pParameters)
        return false;
    pParameters->codec_type = AVMEDIA_TYPE_SUBTITLE;
    pParameters->codec_id = AV_CODEC_ID_WEBVTT;
    std::lock_guard<std::mutex> lock(mMutex);
    Reset();
    const bool bOpened = OpenDecoder(*pParameters, nullptr, fonts);
    avcodec_parameters_free(&pParameters);
    mCodec.reset();
    if (!bOpened)
        return false;
    long long nReadOrder = 0;
    for (const PallixWebVtt::Cue& cue : cues)
    {
        const std::string dialogue = std::to_string(nReadOrder++) + ",0,Default,,0,0,0,," + cue.text;
        mText.AddEvent(dialogue.c_str(), cue.startMs, cue.endMs - cue.startMs);
    }
    return true;
}

void PallixSubtitleRenderer::Stop()
{
    std::lock_guard<std::mutex> lock(mMutex);
    Reset();
}

bool PallixSubtitleRenderer::IsActive()
{
    std::lock_guard<std::mutex> lock(mMutex);
    return mText.IsActive() || mBitmaps.IsActive();
}

void PallixSubtitleRenderer::AddPacket(const AVPacket& packet, AVRational timeBase)
{
    std::lock_guard<std::mutex> lock(mMutex);
    if (mCodec)
        Decode(packet, timeBase);
}

void PallixSubtitleRenderer::Flush()
{
    std::lock_guard<std::mutex> lock(mMutex);
    mBitmaps.Flush();
    // A file's picture of the moment is found again at the next one drawn.
    mbPicturesPlaced = false;
    if (mCodec)
        avcodec_flush_buffers(mCodec.get());
}

pallix_av::PacketPtr PallixSubtitleRenderer::ReadPicture()
{
    pallix_av::PacketPtr packet(av_packet_alloc());
    while (packet && av_read_frame(mPictureFile.get(), packet.get()) >= 0)
    {
        if (packet->stream_index == mPictureStream && packet->pts != AV_NOPTS_VALUE)
        {
            av_packet_rescale_ts(packet.get(), mPictureTimeBase, AVRational{1, 1000});
            return packet;
        }
        av_packet_unref(packet.get());
    }
    return nullptr;
}

void PallixSubtitleRenderer::FeedPictures(long long timeMs)
{
    if (!mPictureFile)
        return;
    // After a seek, or back before the last picture decoded: to the last
    // picture that starts by now, or the first of all when none does.
    if (!mbPicturesPlaced || timeMs < mLastPictureMs)
    {
        mBitmaps.Flush();
        avcodec_flush_buffers(mCodec.get());
        const int64_t target = timeMs * (AV_TIME_BASE / 1000);
        if (avformat_seek_file(mPictureFile.get(), -1, INT64_MIN, target, target, 0) < 0)
            avformat_seek_file(mPictureFile.get(), -1, INT64_MIN, 0, INT64_MAX, 0);
        mNextPicture = ReadPicture();
        mbPicturesPlaced = true;
        mLastPictureMs = -1;
    }
    // Only the last picture that has started can be on the screen: each one
    // replaces the one before.
    pallix_av::PacketPtr due;
    while (mNextPicture && mNextPicture->pts <= timeMs)
    {
        due = std::move(mNextPicture);
        mNextPicture = ReadPicture();
    }
    if (!due)
        return;
    Decode(*due, AVRational{1, 1000});
    mLastPictureMs = due->pts;
}

void PallixSubtitleRenderer::Decode(const AVPacket& packet, AVRational timeBase)
{
    if (packet.pts == AV_NOPTS_VALUE && packet.dts == AV_NOPTS_VALUE)
        return;
    const int64_t ts = packet.pts != AV_NOPTS_VALUE ? packet.pts : packet.dts;
    const auto packetMs = static_cast<long long>(std::llround(double(ts) * av_q2d(timeBase) * 1000.0));
    const auto packetDurationMs =
        packet.duration > 0 ? static_cast<long long>(std::llround(double(packet.duration) * av_q2d(timeBase) * 1000.0))
                            : 0LL;
    // The decoder works in milliseconds, so the packet is handed over in them.
    pallix_av::PacketPtr copy(av_packet_clone(&packet));
    if (!copy)
        return;
    copy->pts = packetMs;
    copy->dts = packetMs;
    copy->duration = packetDurationMs;
    std::unique_ptr<AVSubtitle, SubtitleDeleter> subtitle(new AVSubtitle{});
    int nGot = 0;
    if (avcodec_decode_subtitle2(mCodec.get(), subtitle.get(), &nGot, copy.get()) < 0 || !nGot)
        return;
    const long long startMs = packetMs + subtitle->start_display_time;
    const bool bEndKnown = subtitle->end_display_time > subtitle->start_display_time &&
                           subtitle->end_display_time != UINT32_MAX;
    const long long endMs = bEndKnown ? packetMs + subtitle->end_display_time
                            : packetDurationMs > 0 ? packetMs + packetDurationMs
                                                   : -1;
    if (mBitmaps.IsActive())
    {
        mBitmaps.Add(*subtitle, mCodec->width, mCodec->height, startMs, endMs);
        return;
    }
    for (unsigned i = 0; i < subtitle->num_rects; ++i)
    {
        const AVSubtitleRect& rect = *subtitle->rects[i];
        if (rect.type == SUBTITLE_ASS && rect.ass)
            mText.AddEvent(rect.ass, startMs, endMs >= 0 ? endMs - startMs : DEFAULT_DURATION_MS);
    }
}

std::shared_ptr<const PallixBitmap> PallixSubtitleRenderer::Render(double time, int width, int height,
                                                                   int videoWidth, int videoHeight, bool& bChanged,
                                                                   PallixPoint& at)
{
    std::lock_guard<std::mutex> lock(mMutex);
    const auto timeMs = static_cast<long long>(std::llround(time * 1000.0));
    if (mText.IsActive() || mBitmaps.IsActive())
        mbWasShowing = true;
    if (mText.IsActive())
        return mText.Render(timeMs, width, height, videoWidth, videoHeight, bChanged, at);
    if (mBitmaps.IsActive())
    {
        FeedPictures(timeMs);
        return mBitmaps.Render(timeMs, width, height, videoWidth, videoHeight, bChanged, at);
    }
    // Switched off: one change to take the last subtitle away.
    bChanged = mbWasShowing;
    mbWasShowing = false;
    return nullptr;
}
