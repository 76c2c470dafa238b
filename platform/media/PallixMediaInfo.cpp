#include "PallixMediaInfo.h"

#include "PallixAVTypes.h"
#include "PallixDirScanner.h"
#include "PallixString.h"
#include "PallixTitleSetName.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <map>
#include <utility>
#include <vector>

namespace
{
// Frames decoded after a seek before the nearest one is taken as it is.
constexpr int MAX_FRAMES_AFTER_SEEK = 250;

std::string ExtensionOf(const std::string& path)
{
    size_t dot = path.rfind('.');
    size_t slash = path.rfind('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return std::string();
    return PallixString::LowerAscii(path.substr(dot + 1));
}

// libavformat names a family of containers; the extension says which member.
std::string ContainerLabel(const AVInputFormat* pFormat, const std::string& path)
{
    const std::string name = pFormat ? pFormat->name : "";
    const std::string extension = ExtensionOf(path);
    if (name.find("matroska") != std::string::npos)
        return extension == "webm" ? "WEBM" : "MKV";
    if (name.find("mp4") != std::string::npos || name.find("mov") != std::string::npos)
        return extension == "mov" ? "MOV" : extension == "m4v" ? "M4V" : "MP4";
    if (name == "avi")
        return "AVI";
    if (name == "mpeg" || name == "mpegvideo")
        return extension == "vob" ? "VOB" : "MPEG";
    if (name == "mpegts")
        return extension == "m2ts" || extension == "mts" ? "M2TS" : "TS";
    if (name == "asf")
        return "WMV";
    if (name == "flv")
        return "FLV";
    return PallixString::UpperAscii(name.substr(0, name.find(',')));
}

std::string VideoCodecLabel(AVCodecID id)
{
    static const std::map<AVCodecID, std::string> labels = {
        {AV_CODEC_ID_H264, "H.264"},      {AV_CODEC_ID_HEVC, "HEVC"},         {AV_CODEC_ID_MPEG2VIDEO, "MPEG-2"},
        {AV_CODEC_ID_MPEG1VIDEO, "MPEG-1"}, {AV_CODEC_ID_MPEG4, "MPEG-4"},    {AV_CODEC_ID_VP8, "VP8"},
        {AV_CODEC_ID_VP9, "VP9"},         {AV_CODEC_ID_AV1, "AV1"},           {AV_CODEC_ID_VC1, "VC-1"},
        {AV_CODEC_ID_WMV3, "WMV9"},       {AV_CODEC_ID_WMV2, "WMV8"},         {AV_CODEC_ID_MSMPEG4V3, "DivX 3"},
        {AV_CODEC_ID_MJPEG, "MJPEG"},     {AV_CODEC_ID_THEORA, "Theora"},     {AV_CODEC_ID_H263, "H.263"},
    };
    auto found = labels.find(id);
    return found != labels.end() ? found->second : PallixString::UpperAscii(avcodec_get_name(id));
}

std::string AudioCodecLabel(AVCodecID id)
{
    static const std::map<AVCodecID, std::string> labels = {
        {AV_CODEC_ID_AAC, "AAC"},       {AV_CODEC_ID_AC3, "AC-3"},       {AV_CODEC_ID_EAC3, "E-AC-3"},
        {AV_CODEC_ID_DTS, "DTS"},       {AV_CODEC_ID_TRUEHD, "TrueHD"},  {AV_CODEC_ID_MP2, "MP2"},
        {AV_CODEC_ID_MP3, "MP3"},       {AV_CODEC_ID_OPUS, "Opus"},      {AV_CODEC_ID_VORBIS, "Vorbis"},
        {AV_CODEC_ID_FLAC, "FLAC"},     {AV_CODEC_ID_ALAC, "ALAC"},      {AV_CODEC_ID_WMAV1, "WMA"},
        {AV_CODEC_ID_WMAV2, "WMA"},     {AV_CODEC_ID_WMAPRO, "WMA Pro"}, {AV_CODEC_ID_PCM_DVD, "LPCM"},
        {AV_CODEC_ID_PCM_BLURAY, "LPCM"},
    };
    auto found = labels.find(id);
    if (found != labels.end())
        return found->second;
    const std::string name = avcodec_get_name(id);
    if (name.rfind("pcm_", 0) == 0)
        return "PCM";
    return PallixString::UpperAscii(name);
}

// libavformat takes "name:" at the front of a path for a protocol; saying
// "file:" outright keeps a folder called "Mission: Impossible" a folder.
std::string FileUrl(const std::string& path)
{
    return "file:" + path;
}

pallix_av::FormatPtr OpenAnalysed(const std::string& path)
{
    pallix_av::InitOnce();
    AVFormatContext* pRaw = nullptr;
    if (avformat_open_input(&pRaw, FileUrl(path).c_str(), nullptr, nullptr) < 0)
        return nullptr;
    pallix_av::FormatPtr format(pRaw);
    if (avformat_find_stream_info(format.get(), nullptr) < 0)
        return nullptr;
    return format;
}

// The film's picture: the first video stream that is not a cover picture
// carried in the file.
int PictureStreamOf(AVFormatContext* pFormat)
{
    for (unsigned i = 0; i < pFormat->nb_streams; ++i)
    {
        const AVStream* pStream = pFormat->streams[i];
        if (pStream->codecpar->codec_type == AVMEDIA_TYPE_VIDEO &&
            !(pStream->disposition & AV_DISPOSITION_ATTACHED_PIC) && pStream->codecpar->width > 0 &&
            pStream->codecpar->height > 0)
            return int(i);
    }
    return -1;
}

double DurationOf(AVFormatContext* pFormat, const AVStream* pStream)
{
    if (pFormat->duration != AV_NOPTS_VALUE && pFormat->duration > 0)
        return double(pFormat->duration) / AV_TIME_BASE;
    if (pStream && pStream->duration != AV_NOPTS_VALUE && pStream->duration > 0)
        return double(pStream->duration) * av_q2d(pStream->time_base);
    return 0;
}

} // namespace

PallixMediaInfo::ProbeResult PallixMediaInfo::Probe(const std::string& path)
{
    *this = PallixMediaInfo();
    pallix_av::FormatPtr format = OpenAnalysed(path);
    if (!format)
        return kUnreadable;
    const int nPicture = PictureStreamOf(format.get());
    if (nPicture < 0)
        return kNoPicture;
    AVStream* pStream = format->streams[nPicture];
    const AVCodecParameters* pParams = pStream->codecpar;

    mDuration = DurationOf(format.get(), pStream);
    mWidth = pParams->width;
    mHeight = pParams->height;
    AVRational sar = av_guess_sample_aspect_ratio(format.get(), pStream, nullptr);
    if (sar.num <= 0 || sar.den <= 0)
        sar = AVRational{1, 1};
    mDisplayAspect = double(mWidth) * sar.num / (double(mHeight) * sar.den);
    mContainer = ContainerLabel(format->iformat, path);
    mVideoCodec = VideoCodecLabel(pParams->codec_id);

    int nSound = av_find_best_stream(format.get(), AVMEDIA_TYPE_AUDIO, -1, nPicture, nullptr, 0);
    if (nSound >= 0)
        mAudioCodec = AudioCodecLabel(format->streams[nSound]->codecpar->codec_id);
    return kProbed;
}

std::string PallixMediaInfo::ProbeLongestTitleSet(const std::string& folder)
{
    *this = PallixMediaInfo();
    // Set number to its parts' names in part order.
    std::map<int, std::map<int, std::string>> sets;
    PallixDirScanner listing(folder.c_str());
    for (int i = 0; i < listing.GetNumEntries(); ++i)
    {
        std::string name = listing.GetEntry(i).str();
        int nSet = 0;
        int nPart = 0;
        // Menus (part 0) and set 0 are no film.
        if (PallixTitleSetName::Parse(name, nSet, nPart) && nSet > 0 && nPart > 0)
            sets[nSet].emplace(nPart, name);
    }

    std::string longest;
    double longestDuration = -1;
    for (const auto& [nSet, parts] : sets)
    {
        PallixMediaInfo first;
        if (first.Probe(folder + "/" + parts.begin()->second) != kProbed)
            continue;
        double total = first.mDuration;
        for (auto part = std::next(parts.begin()); part != parts.end(); ++part)
        {
            PallixMediaInfo next;
            if (next.Probe(folder + "/" + part->second) == kProbed)
                total += next.mDuration;
        }
        // Ties keep the earlier set.
        if (total > longestDuration)
        {
            longestDuration = total;
            longest = parts.begin()->second;
            *this = first;
            mDuration = total;
        }
    }
    if (!longest.empty())
        mContainer = "DVD";
    return longest;
}

namespace
{
pallix_av::CodecPtr OpenPictureDecoder(const AVStream* pStream)
{
    const AVCodec* pCodec = avcodec_find_decoder(pStream->codecpar->codec_id);
    if (!pCodec)
        return nullptr;
    pallix_av::CodecPtr codec(avcodec_alloc_context3(pCodec));
    if (!codec || avcodec_parameters_to_context(codec.get(), pStream->codecpar) < 0 ||
        avcodec_open2(codec.get(), pCodec, nullptr) < 0)
        return nullptr;
    return codec;
}

// Seeks to the key frame before the moment; the moment in the stream's time
// base, or AV_NOPTS_VALUE when the stream has no known length.
int64_t SeekBefore(AVFormatContext* pFormat, int nPicture, double fraction)
{
    const AVStream* pStream = pFormat->streams[nPicture];
    const double duration = DurationOf(pFormat, pStream);
    if (duration <= 0)
        return AV_NOPTS_VALUE;
    const double seconds = std::clamp(fraction, 0.0, 1.0) * duration;
    const double start = pStream->start_time != AV_NOPTS_VALUE ? pStream->start_time * av_q2d(pStream->time_base) : 0.0;
    const int64_t target = int64_t((start + seconds) / av_q2d(pStream->time_base));
    if (av_seek_frame(pFormat, nPicture, target, AVSEEK_FLAG_BACKWARD) < 0)
        av_seek_frame(pFormat, -1, 0, AVSEEK_FLAG_BACKWARD);
    return target;
}

// Takes the frames the decoder has ready into chosen, the latest last; true
// once the frame wanted is there or nothing more will come.
bool TakeFrames(AVCodecContext* pCodec, AVFrame* pFrame, AVFrame* pChosen, int64_t target, bool bDraining,
                int& nDecoded)
{
    for (;;)
    {
        int nReceived = avcodec_receive_frame(pCodec, pFrame);
        if (nReceived == AVERROR_EOF)
            return true;
        if (nReceived < 0)
            return bDraining && nReceived != AVERROR(EAGAIN);
        av_frame_unref(pChosen);
        av_frame_move_ref(pChosen, pFrame);
        ++nDecoded;
        const int64_t pts = pChosen->best_effort_timestamp;
        if (target == AV_NOPTS_VALUE || (pts != AV_NOPTS_VALUE && pts >= target) || nDecoded >= MAX_FRAMES_AFTER_SEEK)
            return true;
    }
}

// Decodes the picture stream up to the frame at or after target (the first
// frame when there is none); false when no frame came.
bool DecodeUpTo(AVFormatContext* pFormat, AVCodecContext* pCodec, int nPicture, int64_t target, AVFrame* pChosen)
{
    pallix_av::PacketPtr packet(av_packet_alloc());
    pallix_av::FramePtr frame(av_frame_alloc());
    if (!packet || !frame)
        return false;
    int nDecoded = 0;
    bool bDone = false;
    bool bDraining = false;
    while (!bDone)
    {
        if (!bDraining)
        {
            if (av_read_frame(pFormat, packet.get()) < 0)
            {
                bDraining = true;
                avcodec_send_packet(pCodec, nullptr);
            }
            else
            {
                if (packet->stream_index == nPicture)
                    avcodec_send_packet(pCodec, packet.get());
                av_packet_unref(packet.get());
            }
        }
        bDone = TakeFrames(pCodec, frame.get(), pChosen, target, bDraining, nDecoded);
    }
    return nDecoded > 0;
}

// The frame in RGBA, pixels that are not square stretched to the width the
// picture is shown at.
bool ToRGBA(AVFormatContext* pFormat, AVStream* pStream, AVFrame* pChosen, PallixRGBAImage& image)
{
    AVRational sar = av_guess_sample_aspect_ratio(pFormat, pStream, pChosen);
    if (sar.num <= 0 || sar.den <= 0)
        sar = AVRational{1, 1};
    const int outWidth = std::clamp(int(std::lround(double(pChosen->width) * sar.num / sar.den)), 1, 8192);
    const int outHeight = pChosen->height;
    pallix_av::SwsPtr scaler(sws_getContext(pChosen->width, pChosen->height, AVPixelFormat(pChosen->format), outWidth,
                                            outHeight, AV_PIX_FMT_RGBA, SWS_BICUBIC, nullptr, nullptr, nullptr));
    if (!scaler)
        return false;
    // libswscale's ARM code stores whole vectors at aligned addresses, more
    // strictly aligned than a 32-bit box's malloc gives: the picture is made in
    // a frame of FFmpeg's own and copied out. That code also answers 0 rather
    // than the picture's height, so only a negative answer is a failure.
    pallix_av::FramePtr rgba(av_frame_alloc());
    if (!rgba)
        return false;
    rgba->format = AV_PIX_FMT_RGBA;
    rgba->width = outWidth;
    rgba->height = outHeight;
    if (av_frame_get_buffer(rgba.get(), 0) < 0 ||
        sws_scale(scaler.get(), pChosen->data, pChosen->linesize, 0, pChosen->height, rgba->data, rgba->linesize) < 0)
        return false;
    image.width = uint32_t(outWidth);
    image.height = uint32_t(outHeight);
    image.pixels.resize(size_t(outWidth) * size_t(outHeight) * 4);
    for (int y = 0; y < outHeight; ++y)
        std::memcpy(image.pixels.data() + size_t(y) * size_t(outWidth) * 4,
                    rgba->data[0] + ptrdiff_t(y) * rgba->linesize[0], size_t(outWidth) * 4);
    return true;
}
} // namespace

bool PallixMediaInfo::GrabFrame(const std::string& path, double fraction, PallixRGBAImage& image)
{
    image = PallixRGBAImage();
    pallix_av::FormatPtr format = OpenAnalysed(path);
    if (!format)
        return false;
    const int nPicture = PictureStreamOf(format.get());
    if (nPicture < 0)
        return false;
    AVStream* pStream = format->streams[nPicture];
    pallix_av::CodecPtr codec = OpenPictureDecoder(pStream);
    if (!codec)
        return false;
    // Seek to the key frame before the moment, then decode up to it.
    const int64_t target = SeekBefore(format.get(), nPicture, fraction);
    pallix_av::FramePtr chosen(av_frame_alloc());
    if (!chosen || !DecodeUpTo(format.get(), codec.get(), nPicture, target, chosen.get()) || chosen->width <= 0 ||
        chosen->height <= 0)
        return false;
    return ToRGBA(format.get(), pStream, chosen.get(), image);
}
