#include "PallixPushDemuxer.h"

#include <cstring>

namespace
{
constexpr int PRIVATE_STREAM_1 = 0xBD;
} // namespace

bool PallixPushDemuxer::Open(int nReadSize, Reader reader)
{
    Close();
    mReader = std::move(reader);
    mbProbing = true;
    pallix_av::BufferPtr buffer(static_cast<unsigned char*>(av_malloc(size_t(nReadSize))));
    if (!buffer)
        return false;
    mIO.reset(avio_alloc_context(buffer.get(), nReadSize, 0, this, &PallixPushDemuxer::ReadPacket, nullptr, nullptr));
    if (!mIO)
        return false;
    buffer.release();
    mIO->seekable = 0;

    AVFormatContext* raw = avformat_alloc_context();
    if (!raw)
        return false;
    raw->pb = mIO.get();
    raw->flags |= AVFMT_FLAG_CUSTOM_IO | AVFMT_FLAG_DISCARD_CORRUPT;
    raw->format_whitelist = av_strdup("mpeg,mpegts");
    if (avformat_open_input(&raw, nullptr, nullptr, nullptr) < 0)
        return false;
    mFormat.reset(raw);
    mbTransport = std::strcmp(mFormat->iformat->name, "mpegts") == 0;
    mbProbing = false;
    return true;
}

void PallixPushDemuxer::Close()
{
    mFormat.reset();
    mIO.reset();
}

int PallixPushDemuxer::ReadPacket(void* opaque, uint8_t* buf, int size)
{
    auto* self = static_cast<PallixPushDemuxer*>(opaque);
    return self->mReader(buf, size, self->mbProbing);
}

bool PallixPushDemuxer::Carries(const AVStream& stream, int id, int ssid) const
{
    if (id <= 0)
        return false;
    if (mbTransport)
        return stream.id == id;
    // libavformat names program-stream ids by their whole start code (0x1E0),
    // and substreams of private stream 1 by their substream id (0x80).
    if (id == PRIVATE_STREAM_1)
        return stream.id < 0x100 && (ssid <= 0 || stream.id == ssid);
    return stream.id >= 0x100 && (stream.id & 0xFF) == id;
}
