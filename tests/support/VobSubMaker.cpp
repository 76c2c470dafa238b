#include "VobSubMaker.h"

#include "PallixAVTypes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>

namespace
{
constexpr int CANVAS_WIDTH = 720;
constexpr int CANVAS_HEIGHT = 480;
constexpr size_t PACK_SIZE = 2048;

struct OutputDeleter
{
    void operator()(AVFormatContext* p) const
    {
        avio_closep(&p->pb);
        avformat_free_context(p);
    }
};

// One picture through the DVD subtitle encoder.
std::string encode(AVCodecContext& encoder, const VobSubMaker::Picture& picture)
{
    const int w = int(picture.block.w);
    const int h = int(picture.block.h);
    std::vector<uint8_t> indices(size_t(w) * size_t(h), 1);
    uint32_t palette[4] = {0x00000000, 0xFF000000 | picture.color, 0xFF000000, 0xFFFFFFFF};
    AVSubtitleRect rect = {};
    rect.type = SUBTITLE_BITMAP;
    rect.x = picture.block.x;
    rect.y = picture.block.y;
    rect.w = w;
    rect.h = h;
    rect.nb_colors = 4;
    rect.data[0] = indices.data();
    rect.linesize[0] = w;
    rect.data[1] = reinterpret_cast<uint8_t*>(palette);
    AVSubtitleRect* rects[] = {&rect};
    AVSubtitle subtitle = {};
    subtitle.num_rects = 1;
    subtitle.rects = rects;
    subtitle.end_display_time = uint32_t(std::lround((picture.end - picture.start) * 1000));
    subtitle.pts = std::llround(picture.start * AV_TIME_BASE);
    std::vector<uint8_t> out(1 << 16);
    const int n = avcodec_encode_subtitle(&encoder, out.data(), int(out.size()), &subtitle);
    return n > 0 ? std::string(reinterpret_cast<const char*>(out.data()), size_t(n)) : std::string();
}

bool mux(const std::string& path, const std::vector<std::string>& units, const std::vector<VobSubMaker::Picture>& pictures)
{
    AVFormatContext* raw = nullptr;
    if (avformat_alloc_output_context2(&raw, nullptr, "vob", path.c_str()) < 0)
        return false;
    std::unique_ptr<AVFormatContext, OutputDeleter> out(raw);
    AVStream* stream = avformat_new_stream(out.get(), nullptr);
    if (!stream || avio_open(&out->pb, path.c_str(), AVIO_FLAG_WRITE) < 0)
        return false;
    stream->codecpar->codec_type = AVMEDIA_TYPE_SUBTITLE;
    stream->codecpar->codec_id = AV_CODEC_ID_DVD_SUBTITLE;
    stream->time_base = AVRational{1, 90000};
    // A DVD's rate: the muxer's own guess, from a subtitle stream alone, is so
    // low that every picture would arrive late for its decoder.
    AVDictionary* options = nullptr;
    av_dict_set(&options, "muxrate", "10080000", 0);
    const int ret = avformat_write_header(out.get(), &options);
    av_dict_free(&options);
    if (ret < 0)
        return false;
    for (size_t i = 0; i < units.size(); ++i)
    {
        pallix_av::PacketPtr packet(av_packet_alloc());
        if (!packet || av_new_packet(packet.get(), int(units[i].size())) < 0)
            return false;
        std::copy(units[i].begin(), units[i].end(), packet->data);
        packet->pts = av_rescale_q(std::llround(pictures[i].start * 1000), AVRational{1, 1000}, stream->time_base);
        packet->dts = packet->pts;
        packet->stream_index = stream->index;
        if (av_interleaved_write_frame(out.get(), packet.get()) < 0)
            return false;
    }
    return av_write_trailer(out.get()) >= 0;
}

// The offsets of the packs in which a picture starts: those whose private
// stream 1 packet carries a time.
std::vector<size_t> pictureStarts(const std::string& bytes)
{
    std::vector<size_t> starts;
    auto at = [&](size_t i) { return i < bytes.size() ? uint8_t(bytes[i]) : uint8_t(0); };
    for (size_t pack = 0; pack + 14 <= bytes.size(); pack += PACK_SIZE)
    {
        if (at(pack) != 0 || at(pack + 1) != 0 || at(pack + 2) != 1 || at(pack + 3) != 0xBA)
            return {};
        size_t p = pack + 14 + (at(pack + 13) & 7);
        while (p + 9 < pack + PACK_SIZE && at(p) == 0 && at(p + 1) == 0 && at(p + 2) == 1)
        {
            const size_t length = size_t(at(p + 4)) << 8 | at(p + 5);
            if (at(p + 3) == 0xBD && (at(p + 7) & 0x80))
                starts.push_back(pack);
            p += 6 + length;
        }
    }
    return starts;
}
} // namespace

bool VobSubMaker::make(const std::string& stem, const std::string& language, const std::vector<Picture>& pictures)
{
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_DVD_SUBTITLE);
    pallix_av::CodecPtr encoder(codec ? avcodec_alloc_context3(codec) : nullptr);
    if (!encoder)
    {
        ADD_FAILURE() << "no DVD subtitle encoder";
        return false;
    }
    encoder->width = CANVAS_WIDTH;
    encoder->height = CANVAS_HEIGHT;
    encoder->time_base = AVRational{1, 1000};
    if (avcodec_open2(encoder.get(), codec, nullptr) < 0)
    {
        ADD_FAILURE() << "cannot open the DVD subtitle encoder";
        return false;
    }
    std::vector<std::string> units;
    for (const Picture& picture : pictures)
        units.push_back(encode(*encoder, picture));
    if (std::find(units.begin(), units.end(), std::string()) != units.end() || !mux(stem + ".sub", units, pictures))
    {
        ADD_FAILURE() << "cannot write " << stem << ".sub";
        return false;
    }
    std::ifstream in(stem + ".sub", std::ios::binary);
    const std::vector<size_t> starts =
        pictureStarts(std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()));
    if (starts.size() != pictures.size())
    {
        ADD_FAILURE() << stem << ".sub: " << starts.size() << " pictures found in the packs, not " << pictures.size();
        return false;
    }

    // The encoder's header holds the canvas size and the palette, as an index does.
    std::string index = "# VobSub index file, v7 (do not modify this line!)\n#\n" +
                        std::string(reinterpret_cast<const char*>(encoder->extradata), size_t(encoder->extradata_size)) +
                        "\n# Language index in use\nlangidx: 0\n\nid: " + language + ", index: 0\n";
    for (size_t i = 0; i < pictures.size(); ++i)
    {
        const long long ms = std::llround(pictures[i].start * 1000);
        char line[80];
        std::snprintf(line, sizeof line, "timestamp: %02lld:%02lld:%02lld:%03lld, filepos: %09zX\n", ms / 3600000,
                      ms / 60000 % 60, ms / 1000 % 60, ms % 1000, starts[i]);
        index += line;
    }
    std::ofstream(stem + ".idx", std::ios::binary) << index;
    return true;
}
