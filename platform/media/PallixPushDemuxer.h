#pragma once

#include "PallixAVTypes.h"

#include <functional>

// Demuxes an MPEG program or transport stream handed over a piece at a time,
// through a one-way (non-seekable) reader: what comes next is whatever the
// owner's stream holds now, even after the owner moved it.
class PallixPushDemuxer
{
public:
    // Fills buf with up to size bytes: the count, or a negative AVERROR when
    // there is nothing (AVERROR_EOF: nothing for now, AVERROR_EXIT: stop).
    // bProbing is true while the container is still being recognised.
    using Reader = std::function<int(uint8_t* buf, int size, bool bProbing)>;

    PallixPushDemuxer() = default;
    PallixPushDemuxer(const PallixPushDemuxer&) = delete;
    PallixPushDemuxer& operator=(const PallixPushDemuxer&) = delete;

    // False when the bytes cannot be read as a program or transport stream.
    bool Open(int nReadSize, Reader reader);
    void Close();
    AVFormatContext* Get() const { return mFormat.get(); }
    // Whether the stream is the one a selection names: a PID in a transport
    // stream; in a program stream a stream id (0xE0, 0xC0...), or private
    // stream 1 (0xBD) with a substream id (any when ssid is 0).
    bool Carries(const AVStream& stream, int id, int ssid) const;

private:
    static int ReadPacket(void* opaque, uint8_t* buf, int size);

    Reader mReader;
    bool mbProbing = false;
    bool mbTransport = false;
    pallix_av::IOPtr mIO;
    pallix_av::FormatPtr mFormat;
};
