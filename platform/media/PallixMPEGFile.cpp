#include "PallixMPEGFile.h"

#include "PallixAVTypes.h"
#include "PallixFileDemuxer.h"
#include "PallixFileStream.h"
#include "PallixOpenedFilm.h"
#include "PallixSeekableReader.h"
#include "PallixSubtitleFiles.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace
{
// Enough for the tables, a sequence header and a few audio frames even in a
// high-rate transport stream, small enough to read in an instant.
constexpr uint32_t PROBE_WINDOW = 2 * 1024 * 1024;
// The further parts of a program stream are only timed: their first and last
// timestamps are near their ends.
constexpr int64_t PART_PROBE = 1024 * 1024;
// Chapters this close together are one.
constexpr double SAME_CHAPTER = 0.01;
constexpr int PRIVATE_STREAM_1 = 0xBD;
// A running time that makes a file's rate fall outside these bounds comes
// from timestamps that jump (a recording joined from pieces), not from the file.
constexpr double MIN_PLAUSIBLE_RATE = 16000.0;
constexpr double MAX_PLAUSIBLE_RATE = 400000000.0;

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

// What sound and subtitle tracks have alike: how the player names them, their
// language, codec and title.
template <typename Track>
void fillTrack(Track& track, const AVStream* st, int nId, int nSSID, const char* title)
{
    track.m_nPIDorStreamID = nId;
    track.m_nSSID = nSSID;
    copyLanguage(track.m_language, st);
    copyText(track.m_codec, avcodec_get_name(st->codecpar->codec_id));
    if (title)
        track.m_title = title;
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

// Opens a program or transport stream read through reader for analysis: as the
// given format, or as one of the two when the bytes say so.
pallix_av::FormatPtr OpenMPEG(PallixSeekableReader& reader, const AVInputFormat* format, int64_t probeSize)
{
    AVFormatContext* raw = avformat_alloc_context();
    if (!raw)
        return nullptr;
    raw->pb = reader.GetIO();
    raw->flags |= AVFMT_FLAG_CUSTOM_IO;
    raw->probesize = probeSize;
    raw->max_analyze_duration = AV_TIME_BASE;
    if (!format)
        raw->format_whitelist = av_strdup("mpeg,mpegts");
    if (avformat_open_input(&raw, nullptr, format, nullptr) < 0)
        return nullptr;
    pallix_av::FormatPtr opened(raw);
    if (avformat_find_stream_info(opened.get(), nullptr) < 0)
        return nullptr;
    return opened;
}

// The running time of a program or transport stream is the distance between
// its first and its last timestamps, which libavformat finds at both ends of
// the file; false when they tell none that fits the file's size.
bool TimestampSpan(const AVFormatContext* format, uint64_t size, double& start, double& duration)
{
    if (!format || format->duration_estimation_method != AVFMT_DURATION_FROM_PTS || format->duration <= 0)
        return false;
    duration = double(format->duration) / AV_TIME_BASE;
    const double rate = double(size) * 8.0 / duration;
    if (rate < MIN_PLAUSIBLE_RATE || rate > MAX_PLAUSIBLE_RATE)
        return false;
    start = format->start_time != AV_NOPTS_VALUE ? double(format->start_time) / AV_TIME_BASE : 0.0;
    return true;
}

// The bytes read ahead at start, as a reader of the first part alone sees them.
std::shared_ptr<const std::vector<uint8_t>> HeadOfPart(const std::shared_ptr<const std::vector<uint8_t>>& head,
                                                       uint64_t start, uint64_t partSize)
{
    if (start >= partSize)
        return nullptr;
    if (start + head->size() <= partSize)
        return head;
    return std::make_shared<const std::vector<uint8_t>>(head->begin(), head->begin() + ptrdiff_t(partSize - start));
}
} // namespace

void PallixMPEGFile::ClearAnalysis()
{
    mType = kUnknownMPEGFileType;
    mPrograms.clear();
    mDuration = 0.0;
    mStartTime = 0.0;
    mChapters.clear();
    mOpened.reset();
}

bool PallixMPEGFile::Fail(const char* reason)
{
    ClearAnalysis();
    mFailureReason = reason;
    return false;
}

bool PallixMPEGFile::SetStream(PallixFileStream& stream)
{
    pallix_av::InitOnce();
    ClearAnalysis();
    mFailureReason.clear();
    mContainer.clear();
    mParts.clear();
    mPath = static_cast<const char*>(stream.GetPath());
    mFileSize = stream.GetSize();
    for (const PallixJoinedFile::Part& part : stream.GetParts())
        mParts.push_back(Part{part.path, part.offset, part.size, 0.0, 0.0});

    const uint64_t start = stream.GetPosition();
    // A short file needs a window no larger than itself; a size of 0 may be a
    // stream that does not know its size, which gets the whole window.
    const uint64_t left = mFileSize > start ? mFileSize - start : 0;
    const uint32_t window = left == 0 ? PROBE_WINDOW : uint32_t(std::min<uint64_t>(PROBE_WINDOW, left));
    // The stream keeps what it read ahead for the decoder, so the film's first
    // bytes come from the disk once.
    const std::shared_ptr<const std::vector<uint8_t>> head = stream.Peek(window);
    if (head->empty())
        return Fail(mFileSize == 0 ? "The file is empty." : "The file cannot be read.");

    if (!AnalyseMPEG(head, start) && (!AnalyseContainer(head, start) || !CheckDecodable()))
        return false;
    AddSubtitleFiles();
    return true;
}

PallixByteTimeMap PallixMPEGFile::GetByteTimeMap() const
{
    if (mDuration <= 0 || mParts.size() <= 1)
        return PallixByteTimeMap(mFileSize, mStartTime, mDuration);
    std::vector<PallixByteTimeMap::Piece> pieces;
    for (const Part& part : mParts)
        pieces.push_back(PallixByteTimeMap::Piece{part.nSize, part.duration});
    return PallixByteTimeMap(pieces, mStartTime);
}

// The bytes ahead of the position, read by libavformat from the first part
// (the rest of which it reads for the running time).
bool PallixMPEGFile::AnalyseMPEG(const std::shared_ptr<const std::vector<uint8_t>>& head, uint64_t start)
{
    PallixSeekableReader reader;
    if (mParts.empty() || !reader.Open(mParts.front().path))
        return false;
    // libavformat sees the stream from its position on, as if it began there.
    reader.SetOrigin(start);
    reader.SetHead(HeadOfPart(head, start, mParts.front().nSize), start);
    pallix_av::FormatPtr format = OpenMPEG(reader, nullptr, PROBE_WINDOW);
    if (!format)
        return false;

    const bool bTransport = std::strcmp(format->iformat->name, "mpegts") == 0;
    MPEGFileType type = kUnknownMPEGFileType;
    if (bTransport)
        type = kMPEG2TransportStream;
    else if (std::strcmp(format->iformat->name, "mpeg") == 0)
        type = ProgramStreamGeneration(*head);
    if (type == kUnknownMPEGFileType)
        return false;
    mType = type;
    mContainer = format->iformat->name;

    if (bTransport && format->nb_programs > 0)
    {
        for (unsigned p = 0; p < format->nb_programs; ++p)
        {
            const AVProgram* program = format->programs[p];
            ProgramEntry entry;
            entry.program.m_nProgramID = program->program_num;
            entry.program.m_nPCRPID = program->pcr_pid;
            for (unsigned i = 0; i < program->nb_stream_indexes; ++i)
                AddMPEGStream(entry, format->streams[program->stream_index[i]], bTransport);
            mPrograms.push_back(std::move(entry));
        }
    }
    else
    {
        ProgramEntry entry;
        for (unsigned i = 0; i < format->nb_streams; ++i)
            AddMPEGStream(entry, format->streams[i], bTransport);
        mPrograms.push_back(std::move(entry));
    }
    SortStreams();
    FindDurations(format.get());
    return true;
}

void PallixMPEGFile::AddMPEGStream(ProgramEntry& entry, const AVStream* st, bool bTransport)
{
    // libavformat names program-stream ids by their whole start code (0x1E0),
    // and substreams of private stream 1 (AC-3, LPCM, DVD subtitles) by their
    // substream id alone.
    int nId = st->id & 0xFF;
    int nSSID = 0;
    if (bTransport)
        nId = st->id;
    else if (st->id < 0x100 && st->codecpar->codec_type != AVMEDIA_TYPE_VIDEO)
    {
        nId = PRIVATE_STREAM_1;
        nSSID = st->id;
    }
    AddStreamRecord(entry, st, nId, nSSID, false);
}

void PallixMPEGFile::AddStreamRecord(ProgramEntry& entry, const AVStream* st, int nId, int nSSID, bool bTagged)
{
    const AVCodecParameters* par = st->codecpar;
    const char* title = bTagged ? metadata(st, "title") : nullptr;
    if (par->codec_type == AVMEDIA_TYPE_VIDEO)
    {
        VideoStream video;
        video.m_nPIDorStreamID = nId;
        video.m_nPictureWidth = par->width;
        video.m_nPictureHeight = par->height;
        copyText(video.m_codec, avcodec_get_name(par->codec_id));
        entry.video.push_back(video);
    }
    else if (par->codec_type == AVMEDIA_TYPE_AUDIO)
    {
        AudioStream audio;
        fillTrack(audio, st, nId, nSSID, title);
        audio.m_streamType = AudioTypeOf(par->codec_id);
        audio.m_nChannels = par->ch_layout.nb_channels;
        audio.m_bDefault = bTagged && (st->disposition & AV_DISPOSITION_DEFAULT) != 0;
        entry.audio.push_back(audio);
    }
    else if (par->codec_type == AVMEDIA_TYPE_SUBTITLE)
    {
        SubtitleStream subtitle;
        fillTrack(subtitle, st, nId, nSSID, title);
        subtitle.m_bBitmap = isBitmapSubtitle(par->codec_id);
        subtitle.m_bForced = (st->disposition & AV_DISPOSITION_FORCED) != 0;
        entry.subtitles.push_back(subtitle);
    }
}

// A stream id sorts the streams the way a viewer expects: the first video and
// the first audio track come first.
void PallixMPEGFile::SortStreams()
{
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
}

// Each part's own running time, from its timestamps: the parts of a title set
// run on from each other, those of a film in parts each start again.
void PallixMPEGFile::FindDurations(AVFormatContext* pFirst)
{
    double total = 0.0;
    for (size_t i = 0; i < mParts.size(); ++i)
    {
        Part& part = mParts[i];
        PallixSeekableReader reader;
        pallix_av::FormatPtr own;
        const AVFormatContext* pFormat = pFirst;
        if (i > 0)
        {
            if (!reader.Open(part.path))
                return;
            own = OpenMPEG(reader, pFirst->iformat, PART_PROBE);
            pFormat = own.get();
        }
        // A recording joined from pieces tells no running time.
        if (!TimestampSpan(pFormat, part.nSize, part.start, part.duration))
            return;
        total += part.duration;
    }
    if (mParts.empty())
        return;
    mDuration = total;
    mStartTime = mParts.front().start;
}

// Any other container: each part opened and analysed once, kept open for the
// decoder. The film ends with the last part that can be read.
bool PallixMPEGFile::AnalyseContainer(const std::shared_ptr<const std::vector<uint8_t>>& head, uint64_t start)
{
    if (mPath.empty() || mParts.empty())
        return Fail("The file is not a movie this player knows.");
    auto first = std::make_unique<PallixFileDemuxer>();
    // libavformat reads the file from its start: what the stream read ahead
    // serves when it is that.
    if (!first->Open(mParts.front().path, start == 0 ? HeadOfPart(head, start, mParts.front().nSize) : nullptr,
                     AVPROBE_SCORE_RETRY) ||
        !isMovieFormat(first->Get()->iformat))
    {
        // A weak guess is what noise and text files get.
        switch (first->GetFailure())
        {
        case PallixFileDemuxer::kMissing:
            return Fail("The file does not exist.");
        case PallixFileDemuxer::kCannotOpen:
            return Fail("The file cannot be opened.");
        case PallixFileDemuxer::kCannotRead:
            return Fail("The file cannot be read.");
        default:
            return Fail("The file is not a movie this player knows.");
        }
    }
    const AVFormatContext* format = first->Get();
    mType = kOtherContainer;
    mContainer = format->iformat->name;
    ProgramEntry entry;
    for (unsigned i = 0; i < format->nb_streams; ++i)
    {
        // A cover picture is no video to play.
        const AVStream* st = format->streams[i];
        if (st->codecpar->codec_type != AVMEDIA_TYPE_VIDEO || !(st->disposition & AV_DISPOSITION_ATTACHED_PIC))
            AddStreamRecord(entry, st, int(i) + 1, 0, true);
    }
    mPrograms.push_back(std::move(entry));
    mDuration = first->GetDuration();
    mStartTime = first->GetStartTime();
    mOpened = std::make_shared<PallixOpenedFilm>();
    AddParts(std::move(first));
    return true;
}

// The film's parts after the first follow it in time; a part without a running
// time, or one that cannot be read, ends the film before it.
void PallixMPEGFile::AddParts(std::unique_ptr<PallixFileDemuxer> first)
{
    mParts.front().start = mStartTime;
    mParts.front().duration = mDuration;
    AddChapters(first->Get(), 0.0);
    mOpened->Add(std::move(first));
    for (size_t i = 1; i < mParts.size(); ++i)
    {
        auto part = std::make_unique<PallixFileDemuxer>();
        if (mDuration <= 0 || !part->Open(mParts[i].path) || part->GetDuration() <= 0)
        {
            mParts.resize(i);
            break;
        }
        mParts[i].start = part->GetStartTime();
        mParts[i].duration = part->GetDuration();
        AddChapters(part->Get(), mStartTime + mDuration - mParts[i].start);
        mDuration += mParts[i].duration;
        mOpened->Add(std::move(part));
    }
    std::sort(mChapters.begin(), mChapters.end());
    mChapters.erase(std::unique(mChapters.begin(), mChapters.end(),
                                [](double a, double b) { return b - a < SAME_CHAPTER; }),
                    mChapters.end());
}

void PallixMPEGFile::AddChapters(const AVFormatContext* pFormat, double offset)
{
    for (unsigned i = 0; i < pFormat->nb_chapters; ++i)
    {
        const AVChapter* chapter = pFormat->chapters[i];
        const double time = double(chapter->start) * av_q2d(chapter->time_base) + offset;
        if (std::isfinite(time))
            mChapters.push_back(time);
    }
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
