#include "PallixMPEGFile.h"

#include "PallixAVTypes.h"
#include "PallixFileStream.h"
#include "PallixSeekableReader.h"
#include "PallixSubtitleFiles.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace
{
// Enough for the tables, a sequence header and a few audio frames even in a
// high-rate transport stream, small enough to read in an instant.
constexpr uint32_t PROBE_WINDOW = 2 * 1024 * 1024;
constexpr int PRIVATE_STREAM_1 = 0xBD;
// A running time that makes a file's rate fall outside these bounds comes
// from timestamps that jump (a recording joined from pieces), not from the file.
constexpr double MIN_PLAUSIBLE_RATE = 16000.0;
constexpr double MAX_PLAUSIBLE_RATE = 400000000.0;

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
                                        "MPEG-2 transport stream", "other container"};
    return names[type];
}

template <size_t N>
void copyText(char (&target)[N], const char* text)
{
    std::snprintf(target, N, "%s", text ? text : "");
}

const char* metadata(const AVStream* st, const char* key)
{
    const AVDictionaryEntry* entry = av_dict_get(st->metadata, key, nullptr, 0);
    return entry ? entry->value : nullptr;
}

void copyLanguage(char (&target)[4], const AVStream* st)
{
    const char* language = metadata(st, "language");
    // "und" is how containers say that they do not know.
    if (language && std::strcmp(language, "und") != 0)
        copyText(target, language);
}

bool isBitmapSubtitle(AVCodecID id)
{
    const AVCodecDescriptor* descriptor = avcodec_descriptor_get(id);
    return descriptor && (descriptor->props & AV_CODEC_PROP_BITMAP_SUB);
}

// Still pictures and text files are things libavformat can open, but no movies.
bool isMovieFormat(const AVInputFormat* format)
{
    const std::string name = format->name;
    return name != "image2" && name != "tty" && name.find("_pipe") == std::string::npos &&
           name.find("image") == std::string::npos;
}

// Opens the file whole, through a reader of its own, as the given format or
// as whatever the bytes say; null when it cannot.
pallix_av::FormatPtr OpenWhole(PallixSeekableReader& reader, const char* formatName, int& nScore)
{
    nScore = 0;
    const AVInputFormat* format = formatName ? av_find_input_format(formatName) : nullptr;
    if (!format)
    {
        const int score = av_probe_input_buffer2(reader.GetIO(), &format, "", nullptr, 0, 0);
        if (score < 0 || !format)
            return nullptr;
        nScore = score;
    }
    AVFormatContext* raw = avformat_alloc_context();
    if (!raw)
        return nullptr;
    raw->pb = reader.GetIO();
    raw->flags |= AVFMT_FLAG_CUSTOM_IO;
    raw->probesize = PROBE_WINDOW;
    raw->max_analyze_duration = 2 * AV_TIME_BASE;
    if (avformat_open_input(&raw, nullptr, format, nullptr) < 0)
        return nullptr;
    pallix_av::FormatPtr opened(raw);
    if (avformat_find_stream_info(opened.get(), nullptr) < 0)
        return nullptr;
    return opened;
}
} // namespace

bool PallixMPEGFile::Fail(const char* reason)
{
    mType = kUnknownMPEGFileType;
    mPrograms.clear();
    mDuration = 0.0;
    mStartTime = 0.0;
    mFailureReason = reason;
    return false;
}

bool PallixMPEGFile::SetStream(PallixFileStream& stream)
{
    pallix_av::InitOnce();
    mType = kUnknownMPEGFileType;
    mPrograms.clear();
    mDuration = 0.0;
    mStartTime = 0.0;
    mFailureReason.clear();
    mContainer.clear();
    mPath = static_cast<const char*>(stream.GetPath());
    mFileSize = stream.GetSize();

    const uint64_t start = stream.GetPosition();
    // A short file needs a window no larger than itself; a size of 0 may be a
    // stream that does not know its size, which gets the whole window.
    const uint64_t left = mFileSize > start ? mFileSize - start : 0;
    const uint32_t window = left == 0 ? PROBE_WINDOW : uint32_t(std::min<uint64_t>(PROBE_WINDOW, left));
    std::vector<uint8_t> bytes(window);
    bytes.resize(stream.ReadBytes(window, bytes.data()));
    if (stream.GetPosition() != start)
        stream.SeekToPosition(start);
    if (bytes.empty())
        return Fail(mFileSize == 0 ? "The file is empty." : "The file cannot be read.");

    if (!AnalyseMPEG(bytes) && (!AnalyseContainer() || !CheckDecodable()))
        return false;
    AddSubtitleFiles();
    return true;
}

bool PallixMPEGFile::AnalyseMPEG(const std::vector<uint8_t>& bytes)
{
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
    raw->format_whitelist = av_strdup("mpeg,mpegts");
    if (avformat_open_input(&raw, nullptr, nullptr, nullptr) < 0)
        return false;
    pallix_av::FormatPtr format(raw);
    if (avformat_find_stream_info(format.get(), nullptr) < 0)
        return false;

    const bool bTransport = std::strcmp(format->iformat->name, "mpegts") == 0;
    MPEGFileType type = kUnknownMPEGFileType;
    if (bTransport)
        type = kMPEG2TransportStream;
    else if (std::strcmp(format->iformat->name, "mpeg") == 0)
        type = ProgramStreamGeneration(bytes);
    if (type == kUnknownMPEGFileType)
        return false;
    mType = type;
    mContainer = format->iformat->name;

    // libavformat names program-stream ids by their whole start code (0x1E0),
    // and substreams of private stream 1 (AC-3, LPCM, DVD subtitles) by their
    // substream id alone.
    auto identify = [&](const AVStream* st, int& id, int& ssid) {
        if (bTransport)
            id = st->id;
        else if (st->id < 0x100)
        {
            id = PRIVATE_STREAM_1;
            ssid = st->id;
        }
        else
            id = st->id & 0xFF;
    };
    auto describe = [&](ProgramEntry& entry, const AVStream* st) {
        const AVCodecParameters* par = st->codecpar;
        if (par->codec_type == AVMEDIA_TYPE_VIDEO)
        {
            VideoStream video;
            video.m_nPIDorStreamID = bTransport ? st->id : (st->id & 0xFF);
            video.m_nPictureWidth = par->width;
            video.m_nPictureHeight = par->height;
            copyText(video.m_codec, avcodec_get_name(par->codec_id));
            entry.video.push_back(video);
        }
        else if (par->codec_type == AVMEDIA_TYPE_AUDIO)
        {
            AudioStream audio;
            audio.m_streamType = AudioTypeOf(par->codec_id);
            identify(st, audio.m_nPIDorStreamID, audio.m_nSSID);
            copyLanguage(audio.m_language, st);
            copyText(audio.m_codec, avcodec_get_name(par->codec_id));
            audio.m_nChannels = par->ch_layout.nb_channels;
            entry.audio.push_back(audio);
        }
        else if (par->codec_type == AVMEDIA_TYPE_SUBTITLE)
        {
            SubtitleStream subtitle;
            identify(st, subtitle.m_nPIDorStreamID, subtitle.m_nSSID);
            subtitle.m_bBitmap = isBitmapSubtitle(par->codec_id);
            subtitle.m_bForced = (st->disposition & AV_DISPOSITION_FORCED) != 0;
            copyLanguage(subtitle.m_language, st);
            copyText(subtitle.m_codec, avcodec_get_name(par->codec_id));
            entry.subtitles.push_back(subtitle);
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
    auto byId = [](const auto& a, const auto& b) {
        return a.m_nPIDorStreamID != b.m_nPIDorStreamID ? a.m_nPIDorStreamID < b.m_nPIDorStreamID
                                                        : a.m_nSSID < b.m_nSSID;
    };
    for (ProgramEntry& entry : mPrograms)
    {
        std::stable_sort(entry.video.begin(), entry.video.end(),
                         [](const VideoStream& a, const VideoStream& b) { return a.m_nPIDorStreamID < b.m_nPIDorStreamID; });
        std::stable_sort(entry.audio.begin(), entry.audio.end(), byId);
        std::stable_sort(entry.subtitles.begin(), entry.subtitles.end(), byId);
    }
    FindWholeFileDuration(format->iformat->name);
    return true;
}

// The running time of a program or transport stream is the distance between
// its first and its last timestamps, which only the whole file holds.
void PallixMPEGFile::FindWholeFileDuration(const char* formatName)
{
    PallixSeekableReader reader;
    if (mPath.empty() || !reader.Open(mPath))
        return;
    int nScore = 0;
    pallix_av::FormatPtr format = OpenWhole(reader, formatName, nScore);
    if (!format || format->duration_estimation_method != AVFMT_DURATION_FROM_PTS || format->duration <= 0)
        return;
    const double duration = double(format->duration) / AV_TIME_BASE;
    const double rate = double(reader.GetSize()) * 8.0 / duration;
    if (rate < MIN_PLAUSIBLE_RATE || rate > MAX_PLAUSIBLE_RATE)
        return;
    mDuration = duration;
    mStartTime = format->start_time != AV_NOPTS_VALUE ? double(format->start_time) / AV_TIME_BASE : 0.0;
}

bool PallixMPEGFile::AnalyseContainer()
{
    PallixSeekableReader reader;
    if (mPath.empty())
        return Fail("The file is not a movie this player knows.");
    if (!reader.Open(mPath))
        return Fail(errno == ENOENT ? "The file does not exist." : "The file cannot be opened.");
    int nScore = 0;
    pallix_av::FormatPtr format = OpenWhole(reader, nullptr, nScore);
    // A weak guess is what noise and text files get.
    if (!format || nScore <= AVPROBE_SCORE_RETRY || !isMovieFormat(format->iformat))
        return Fail(reader.HadReadError() ? "The file cannot be read." : "The file is not a movie this player knows.");

    mType = kOtherContainer;
    mContainer = format->iformat->name;
    ProgramEntry entry;
    for (unsigned i = 0; i < format->nb_streams; ++i)
    {
        const AVStream* st = format->streams[i];
        const AVCodecParameters* par = st->codecpar;
        const int id = int(i) + 1;
        if (par->codec_type == AVMEDIA_TYPE_VIDEO && !(st->disposition & AV_DISPOSITION_ATTACHED_PIC))
        {
            VideoStream video;
            video.m_nPIDorStreamID = id;
            video.m_nPictureWidth = par->width;
            video.m_nPictureHeight = par->height;
            copyText(video.m_codec, avcodec_get_name(par->codec_id));
            entry.video.push_back(video);
        }
        else if (par->codec_type == AVMEDIA_TYPE_AUDIO)
        {
            AudioStream audio;
            audio.m_nPIDorStreamID = id;
            audio.m_streamType = AudioTypeOf(par->codec_id);
            copyLanguage(audio.m_language, st);
            copyText(audio.m_codec, avcodec_get_name(par->codec_id));
            audio.m_nChannels = par->ch_layout.nb_channels;
            audio.m_bDefault = (st->disposition & AV_DISPOSITION_DEFAULT) != 0;
            if (const char* title = metadata(st, "title"))
                audio.m_title = title;
            entry.audio.push_back(audio);
        }
        else if (par->codec_type == AVMEDIA_TYPE_SUBTITLE)
        {
            SubtitleStream subtitle;
            subtitle.m_nPIDorStreamID = id;
            subtitle.m_bBitmap = isBitmapSubtitle(par->codec_id);
            subtitle.m_bForced = (st->disposition & AV_DISPOSITION_FORCED) != 0;
            copyLanguage(subtitle.m_language, st);
            copyText(subtitle.m_codec, avcodec_get_name(par->codec_id));
            if (const char* title = metadata(st, "title"))
                subtitle.m_title = title;
            entry.subtitles.push_back(subtitle);
        }
    }
    mPrograms.push_back(std::move(entry));
    if (format->duration > 0)
    {
        mDuration = double(format->duration) / AV_TIME_BASE;
        mStartTime = format->start_time != AV_NOPTS_VALUE ? double(format->start_time) / AV_TIME_BASE : 0.0;
    }
    return true;
}

bool PallixMPEGFile::CheckDecodable()
{
    const ProgramEntry& entry = mPrograms.front();
    auto decodable = [](const char* codec) {
        const AVCodecDescriptor* descriptor = avcodec_descriptor_get_by_name(codec);
        return descriptor && avcodec_find_decoder(descriptor->id);
    };
    if (entry.video.empty() && entry.audio.empty())
        return Fail("The file holds no picture and no sound.");
    if (!entry.video.empty() &&
        std::none_of(entry.video.begin(), entry.video.end(), [&](const VideoStream& v) { return decodable(v.m_codec); }))
    {
        const std::string reason =
            std::string("The picture is in a format (") + entry.video.front().m_codec + ") that cannot be decoded here.";
        return Fail(reason.c_str());
    }
    if (entry.video.empty() &&
        std::none_of(entry.audio.begin(), entry.audio.end(), [&](const AudioStream& a) { return decodable(a.m_codec); }))
    {
        const std::string reason =
            std::string("The sound is in a format (") + entry.audio.front().m_codec + ") that cannot be decoded here.";
        return Fail(reason.c_str());
    }
    return true;
}

void PallixMPEGFile::AddSubtitleFiles()
{
    if (mPath.empty())
        return;
    for (const PallixSubtitleFiles::Found& found : PallixSubtitleFiles::Find(mPath))
    {
        SubtitleStream subtitle;
        subtitle.m_bForced = found.bForced;
        copyText(subtitle.m_language, found.language.c_str());
        copyText(subtitle.m_codec, found.codec.c_str());
        subtitle.m_bBitmap = found.bBitmap;
        subtitle.m_title = found.name;
        subtitle.m_path = found.path;
        subtitle.m_nFileTrack = found.nFileTrack;
        mPrograms.front().subtitles.push_back(subtitle);
    }
}

int PallixMPEGFile::GetNumVideoStreams(int nProgram) const
{
    return nProgram >= 0 && nProgram < GetNumPrograms() ? int(mPrograms[size_t(nProgram)].video.size()) : 0;
}

int PallixMPEGFile::GetNumAudioStreams(int nProgram) const
{
    return nProgram >= 0 && nProgram < GetNumPrograms() ? int(mPrograms[size_t(nProgram)].audio.size()) : 0;
}

int PallixMPEGFile::GetNumSubtitleStreams(int nProgram) const
{
    return nProgram >= 0 && nProgram < GetNumPrograms() ? int(mPrograms[size_t(nProgram)].subtitles.size()) : 0;
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

const PallixMPEGFile::SubtitleStream* PallixMPEGFile::GetSubtitleStreamAt(int nProgram, int nIndex) const
{
    static const SubtitleStream none;
    if (nIndex < 0 || nIndex >= GetNumSubtitleStreams(nProgram))
        return &none;
    return &mPrograms[size_t(nProgram)].subtitles[size_t(nIndex)];
}

void PallixMPEGFile::Dump() const
{
    std::printf("MPEG file: %s\n", FileTypeName(mType));
    if (mType == kOtherContainer)
        std::printf("Container: %s\n", mContainer.c_str());
    if (mDuration > 0)
        std::printf("Duration: %.3f s\n", mDuration);
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
        for (size_t i = 0; i < entry.subtitles.size(); ++i)
        {
            const SubtitleStream& subtitle = entry.subtitles[i];
            std::printf("  Subtitles %zu: id 0x%X, substream 0x%X, %s, language \"%s\"%s%s%s\n", i,
                        subtitle.m_nPIDorStreamID, subtitle.m_nSSID, subtitle.m_codec, subtitle.m_language,
                        subtitle.m_bForced ? ", forced" : "", subtitle.m_path.empty() ? "" : ", file ",
                        subtitle.m_path.c_str());
        }
    }
    std::fflush(stdout);
}
