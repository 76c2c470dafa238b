#include "PallixMPEGFile.h"

#include "PallixAVTypes.h"
#include "PallixFileStream.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace
{
// Enough for the tables, a sequence header and a few audio frames even in a
// high-rate transport stream, small enough to read in an instant.
constexpr uint32_t PROBE_WINDOW = 2 * 1024 * 1024;
constexpr int PRIVATE_STREAM_1 = 0xBD;

// A read-only, seekable view of the probe window for libavformat.
struct MemoryReader
{
    const std::vector<uint8_t>* pBytes = nullptr;
    size_t nPos = 0;

    static int Read(void* opaque, uint8_t* buf, int size)
    {
        auto* self = static_cast<MemoryReader*>(opaque);
        const size_t left = self->pBytes->size() - self->nPos;
        const size_t n = std::min(left, size_t(size));
        if (n == 0)
            return AVERROR_EOF;
        std::memcpy(buf, self->pBytes->data() + self->nPos, n);
        self->nPos += n;
        return int(n);
    }

    static int64_t Seek(void* opaque, int64_t offset, int whence)
    {
        auto* self = static_cast<MemoryReader*>(opaque);
        const int64_t size = int64_t(self->pBytes->size());
        if ((whence & ~AVSEEK_FORCE) == AVSEEK_SIZE)
            return size;
        int64_t target = offset;
        if ((whence & ~AVSEEK_FORCE) == SEEK_CUR)
            target += int64_t(self->nPos);
        else if ((whence & ~AVSEEK_FORCE) == SEEK_END)
            target += size;
        if (target < 0 || target > size)
            return AVERROR(EINVAL);
        self->nPos = size_t(target);
        return target;
    }
};

// The byte after the first pack start code tells the generations apart: MPEG-2
// packs begin with the bits 01, MPEG-1 packs with 0010.
PallixMPEGFile::MPEGFileType ProgramStreamGeneration(const std::vector<uint8_t>& bytes)
{
    for (size_t i = 0; i + 4 < bytes.size(); ++i)
    {
        if (bytes[i] == 0 && bytes[i + 1] == 0 && bytes[i + 2] == 1 && bytes[i + 3] == 0xBA)
        {
            const uint8_t b = bytes[i + 4];
            if ((b & 0xC0) == 0x40)
                return PallixMPEGFile::kMPEG2ProgramStream;
            if ((b & 0xF0) == 0x20)
                return PallixMPEGFile::kMPEG1ProgramStream;
        }
    }
    return PallixMPEGFile::kUnknownMPEGFileType;
}

PallixMPEGFile::AudioStreamType AudioTypeOf(AVCodecID id)
{
    switch (id)
    {
    case AV_CODEC_ID_AC3:
        return PallixMPEGFile::kAC3;
    case AV_CODEC_ID_PCM_DVD:
    case AV_CODEC_ID_PCM_BLURAY:
    case AV_CODEC_ID_PCM_S16BE:
    case AV_CODEC_ID_PCM_S16LE:
        return PallixMPEGFile::kPCM;
    case AV_CODEC_ID_MP1:
        return PallixMPEGFile::kMPEG1Layer1;
    case AV_CODEC_ID_MP2:
        return PallixMPEGFile::kMPEG1Layer2;
    case AV_CODEC_ID_MP3:
        return PallixMPEGFile::kMPEG1Layer3;
    default:
        return PallixMPEGFile::kUnknownAudioStreamType;
    }
}

const char* AudioTypeName(PallixMPEGFile::AudioStreamType type)
{
    static const char* const names[] = {"unknown", "AC-3", "LPCM", "MPEG-1 layer 1", "MPEG-1 layer 2",
                                        "MPEG-1 layer 3"};
    return names[type];
}

const char* FileTypeName(PallixMPEGFile::MPEGFileType type)
{
    static const char* const names[] = {"unknown", "MPEG-1 program stream", "MPEG-2 program stream",
                                        "MPEG-2 transport stream"};
    return names[type];
}
} // namespace

bool PallixMPEGFile::SetStream(PallixFileStream& stream)
{
    pallix_av::InitOnce();
    mType = kUnknownMPEGFileType;
    mPrograms.clear();

    const uint64_t start = stream.GetPosition();
    std::vector<uint8_t> bytes(PROBE_WINDOW);
    bytes.resize(stream.ReadBytes(PROBE_WINDOW, bytes.data()));
    if (stream.GetPosition() != start)
        stream.SeekToPosition(start);
    if (bytes.empty())
        return false;

    MemoryReader reader{&bytes, 0};
    constexpr int IO_BUFFER = 32768;
    pallix_av::BufferPtr ioBuffer(static_cast<unsigned char*>(av_malloc(IO_BUFFER)));
    if (!ioBuffer)
        return false;
    pallix_av::IOPtr io(avio_alloc_context(ioBuffer.get(), IO_BUFFER, 0, &reader, &MemoryReader::Read, nullptr,
                                           &MemoryReader::Seek));
    if (!io)
        return false;
    ioBuffer.release();

    AVFormatContext* raw = avformat_alloc_context();
    if (!raw)
        return false;
    raw->pb = io.get();
    raw->flags |= AVFMT_FLAG_CUSTOM_IO;
    raw->probesize = PROBE_WINDOW;
    raw->max_analyze_duration = AV_TIME_BASE;
    if (avformat_open_input(&raw, nullptr, nullptr, nullptr) < 0)
        return false;
    pallix_av::FormatPtr format(raw);
    if (avformat_find_stream_info(format.get(), nullptr) < 0)
        return false;

    const bool bTransport = std::strcmp(format->iformat->name, "mpegts") == 0;
    if (bTransport)
        mType = kMPEG2TransportStream;
    else if (std::strcmp(format->iformat->name, "mpeg") == 0)
        mType = ProgramStreamGeneration(bytes);
    if (mType == kUnknownMPEGFileType)
        return false;

    auto describe = [&](ProgramEntry& entry, const AVStream* st) {
        const AVCodecParameters* par = st->codecpar;
        if (par->codec_type == AVMEDIA_TYPE_VIDEO)
        {
            VideoStream video;
            // libavformat names program-stream ids by their whole start code (0x1E0).
            video.m_nPIDorStreamID = bTransport ? st->id : (st->id & 0xFF);
            video.m_nPictureWidth = par->width;
            video.m_nPictureHeight = par->height;
            entry.video.push_back(video);
        }
        else if (par->codec_type == AVMEDIA_TYPE_AUDIO)
        {
            AudioStream audio;
            audio.m_streamType = AudioTypeOf(par->codec_id);
            if (bTransport)
                audio.m_nPIDorStreamID = st->id;
            else if (st->id < 0x100)
            {
                // Substreams of private stream 1 carry their own id.
                audio.m_nPIDorStreamID = PRIVATE_STREAM_1;
                audio.m_nSSID = st->id;
            }
            else
                audio.m_nPIDorStreamID = st->id & 0xFF;
            if (const AVDictionaryEntry* lang = av_dict_get(st->metadata, "language", nullptr, 0))
                std::snprintf(audio.m_language, sizeof audio.m_language, "%s", lang->value);
            entry.audio.push_back(audio);
        }
    };

    if (bTransport && format->nb_programs > 0)
    {
        for (unsigned p = 0; p < format->nb_programs; ++p)
        {
            const AVProgram* program = format->programs[p];
            ProgramEntry entry;
            entry.program.m_nProgramID = program->program_num;
            entry.program.m_nPCRPID = program->pcr_pid;
            for (unsigned i = 0; i < program->nb_stream_indexes; ++i)
                describe(entry, format->streams[program->stream_index[i]]);
            mPrograms.push_back(std::move(entry));
        }
    }
    else
    {
        ProgramEntry entry;
        for (unsigned i = 0; i < format->nb_streams; ++i)
            describe(entry, format->streams[i]);
        mPrograms.push_back(std::move(entry));
    }
    // A stream id sorts the streams the way a viewer expects: the first video
    // and the first audio track come first.
    for (ProgramEntry& entry : mPrograms)
    {
        std::stable_sort(entry.video.begin(), entry.video.end(),
                         [](const VideoStream& a, const VideoStream& b) { return a.m_nPIDorStreamID < b.m_nPIDorStreamID; });
        std::stable_sort(entry.audio.begin(), entry.audio.end(), [](const AudioStream& a, const AudioStream& b) {
            return a.m_nPIDorStreamID != b.m_nPIDorStreamID ? a.m_nPIDorStreamID < b.m_nPIDorStreamID
                                                            : a.m_nSSID < b.m_nSSID;
        });
    }
    return true;
}

int PallixMPEGFile::GetNumVideoStreams(int nProgram) const
{
    return nProgram >= 0 && nProgram < GetNumPrograms() ? int(mPrograms[size_t(nProgram)].video.size()) : 0;
}

int PallixMPEGFile::GetNumAudioStreams(int nProgram) const
{
    return nProgram >= 0 && nProgram < GetNumPrograms() ? int(mPrograms[size_t(nProgram)].audio.size()) : 0;
}

const PallixMPEGFile::Program* PallixMPEGFile::GetProgramAt(int nProgram) const
{
    static const Program none;
    return nProgram >= 0 && nProgram < GetNumPrograms() ? &mPrograms[size_t(nProgram)].program : &none;
}

const PallixMPEGFile::VideoStream* PallixMPEGFile::GetVideoStreamAt(int nProgram, int nIndex) const
{
    static const VideoStream none;
    if (nIndex < 0 || nIndex >= GetNumVideoStreams(nProgram))
        return &none;
    return &mPrograms[size_t(nProgram)].video[size_t(nIndex)];
}

const PallixMPEGFile::AudioStream* PallixMPEGFile::GetAudioStreamAt(int nProgram, int nIndex) const
{
    static const AudioStream none;
    if (nIndex < 0 || nIndex >= GetNumAudioStreams(nProgram))
        return &none;
    return &mPrograms[size_t(nProgram)].audio[size_t(nIndex)];
}

void PallixMPEGFile::Dump() const
{
    std::printf("MPEG file: %s\n", FileTypeName(mType));
    for (size_t p = 0; p < mPrograms.size(); ++p)
    {
        const ProgramEntry& entry = mPrograms[p];
        std::printf("Program %zu: id %d, PCR PID 0x%X\n", p, entry.program.m_nProgramID, entry.program.m_nPCRPID);
        for (size_t i = 0; i < entry.video.size(); ++i)
            std::printf("  Video %zu: id 0x%X, %dx%d\n", i, entry.video[i].m_nPIDorStreamID,
                        entry.video[i].m_nPictureWidth, entry.video[i].m_nPictureHeight);
        for (size_t i = 0; i < entry.audio.size(); ++i)
            std::printf("  Audio %zu: id 0x%X, substream 0x%X, %s, language \"%s\"\n", i,
                        entry.audio[i].m_nPIDorStreamID, entry.audio[i].m_nSSID,
                        AudioTypeName(entry.audio[i].m_streamType), entry.audio[i].m_language);
    }
    std::fflush(stdout);
}
