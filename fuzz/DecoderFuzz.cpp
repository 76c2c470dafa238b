// The decoder fed arbitrary bytes through the fill path: the bytes are handed to
// the push demuxer a read at a time, as OnFillBuffer hands a movie's to the
// player, and every picture and sound packet goes through the jump detector and
// the decoders the player uses, for a few seconds of the stream's own time. The
// player's threads and its pacing by the clock play no part: a run decodes as
// fast as it can, so that the fuzzer gets through many.
#include "FuzzConsole.h"
#include "PallixAVTypes.h"
#include "PallixAudioDecoder.h"
#include "PallixJumpDetector.h"
#include "PallixPushDemuxer.h"
#include "PallixVideoDecoder.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace
{
// The decoder's read size, and the stretch of the stream a run decodes.
constexpr int READ_SIZE = 0x8000;
constexpr double SECONDS = 3.0;
// A bound on packets, for streams whose timestamps never move on.
constexpr int MAX_PACKETS = 2000;
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    FuzzConsole::silenceStdout();
    pallix_av::InitOnce();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    size_t nRead = 0;
    PallixPushDemuxer demuxer;
    // The fill path: as much as is asked for, until the bytes run out.
    auto fill = [&](uint8_t* buf, int nWanted, bool) -> int
    {
        const size_t n = std::min(size - nRead, size_t(std::max(nWanted, 0)));
        if (n == 0)
            return AVERROR_EOF;
        std::memcpy(buf, data + nRead, n);
        nRead += n;
        return int(n);
    };
    if (!demuxer.Open(READ_SIZE, fill))
        return 0;
    AVFormatContext* pFormat = demuxer.Get();

    PallixVideoDecoder video;
    PallixAudioDecoder audio;
    int nVideo = -1;
    int nAudio = -1;
    PallixJumpDetector jumps;
    long nPictures = 0;
    long nSamples = 0;
    auto picture = [&](pallix_av::FramePtr frame, double) { nPictures += frame ? 1 : 0; };
    auto sound = [&](std::vector<int16_t> samples, double) { nSamples += long(samples.size()); };
    pallix_av::PacketPtr packet(av_packet_alloc());
    double first = -1.0;
    for (int nPackets = 0; packet && nPackets < MAX_PACKETS; ++nPackets)
    {
        if (av_read_frame(pFormat, packet.get()) < 0)
            break;
        const int index = packet->stream_index;
        const AVStream* pStream = index >= 0 && unsigned(index) < pFormat->nb_streams ? pFormat->streams[index] : nullptr;
        if (pStream && nVideo < 0 && pStream->codecpar->codec_type == AVMEDIA_TYPE_VIDEO && video.Open(*pStream))
            nVideo = index;
        if (pStream && nAudio < 0 && pStream->codecpar->codec_type == AVMEDIA_TYPE_AUDIO && audio.Open(*pStream, 48000, 2))
            nAudio = index;
        const int64_t ts = packet->dts != AV_NOPTS_VALUE ? packet->dts : packet->pts;
        if (pStream && ts != AV_NOPTS_VALUE && (index == nVideo || index == nAudio))
        {
            const double t = double(ts) * av_q2d(pStream->time_base);
            if (first < 0)
                first = t;
            // A few seconds of the stream's own time, then the run is over.
            if (t - first > SECONDS)
                break;
            const PallixJumpDetector::Verdict verdict = jumps.Track(index == nVideo ? 0 : 1, t);
            if (verdict == PallixJumpDetector::kJump)
            {
                jumps.Restart(t);
                video.Flush();
                audio.Flush();
            }
            if (verdict == PallixJumpDetector::kDrop)
            {
                av_packet_unref(packet.get());
                continue;
            }
        }
        if (index == nVideo)
            video.Decode(packet.get(), picture);
        else if (index == nAudio)
            audio.Decode(packet.get(), sound);
        av_packet_unref(packet.get());
    }
    // What the decoders still hold, as at the end of a movie.
    if (nVideo >= 0)
        video.Decode(nullptr, picture);
    if (nAudio >= 0)
        audio.Decode(nullptr, sound);
    if (nPictures < 0 || nSamples < 0)
        std::abort();
    return 0;
}
