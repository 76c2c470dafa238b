#include "PallixPacketBacklog.h"

namespace
{
// Seconds of a high-rate film; memory a set-top box can spare.
constexpr size_t MAX_BYTES = size_t(16) << 20;
constexpr size_t MAX_PACKETS = 2000;
} // namespace

void PallixPacketBacklog::Add(const AVPacket& packet)
{
    pallix_av::PacketPtr copy(av_packet_alloc());
    if (!copy || av_packet_ref(copy.get(), &packet) < 0)
        return;
    mnBytes += size_t(copy->size);
    mPackets.push_back(std::move(copy));
}

bool PallixPacketBacklog::IsFull() const
{
    return mnBytes >= MAX_BYTES || mPackets.size() >= MAX_PACKETS;
}

pallix_av::PacketPtr PallixPacketBacklog::Take()
{
    if (mPackets.empty())
        return nullptr;
    pallix_av::PacketPtr packet = std::move(mPackets.front());
    mPackets.pop_front();
    mnBytes -= size_t(packet->size);
    return packet;
}

void PallixPacketBacklog::Clear()
{
    mPackets.clear();
    mnBytes = 0;
}
