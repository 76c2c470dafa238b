#pragma once

#include "PallixAVTypes.h"

#include <cstddef>
#include <deque>

// Compressed pictures read ahead of their decoding. Films put a picture's data
// well before its sound in the file (a DVD by half a second and more), so
// while the pictures decoded fill the presenter's queue the reader goes on to
// the sound, keeping the pictures met on the way here, small as they are.
class PallixPacketBacklog
{
public:
    // Keeps a reference to packet's data.
    void Add(const AVPacket& packet);
    bool IsEmpty() const { return mPackets.empty(); }
    // Past this much the reader waits for the pictures to be shown instead.
    bool IsFull() const;
    // The oldest packet, out of the backlog.
    pallix_av::PacketPtr Take();
    void Clear();

private:
    std::deque<pallix_av::PacketPtr> mPackets;
    size_t mnBytes = 0;
};
