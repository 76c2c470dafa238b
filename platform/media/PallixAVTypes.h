#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/frame.h>
#include <libavutil/mem.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <memory>

// Owning handles for the FFmpeg objects the media classes make, each freed by
// its own free function.
namespace pallix_av
{
struct FormatInputDeleter
{
    void operator()(AVFormatContext* p) const { avformat_close_input(&p); }
};
struct IOContextDeleter
{
    // The buffer may have been replaced by FFmpeg since it was handed over.
    void operator()(AVIOContext* p) const
    {
        av_freep(&p->buffer);
        avio_context_free(&p);
    }
};
struct CodecContextDeleter
{
    void operator()(AVCodecContext* p) const { avcodec_free_context(&p); }
};
struct PacketDeleter
{
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct FrameDeleter
{
    void operator()(AVFrame* p) const { av_frame_free(&p); }
};
struct SwrDeleter
{
    void operator()(SwrContext* p) const { swr_free(&p); }
};
struct SwsDeleter
{
    void operator()(SwsContext* p) const { sws_freeContext(p); }
};
struct BufferDeleter
{
    void operator()(unsigned char* p) const { av_free(p); }
};

using FormatPtr = std::unique_ptr<AVFormatContext, FormatInputDeleter>;
using IOPtr = std::unique_ptr<AVIOContext, IOContextDeleter>;
using CodecPtr = std::unique_ptr<AVCodecContext, CodecContextDeleter>;
using PacketPtr = std::unique_ptr<AVPacket, PacketDeleter>;
using FramePtr = std::unique_ptr<AVFrame, FrameDeleter>;
using SwrPtr = std::unique_ptr<SwrContext, SwrDeleter>;
using SwsPtr = std::unique_ptr<SwsContext, SwsDeleter>;
using BufferPtr = std::unique_ptr<unsigned char, BufferDeleter>;

// Silences FFmpeg's own console chatter (damaged-stream warnings are not the
// viewer's business) once per process.
void InitOnce();
} // namespace pallix_av
