#pragma once

#include "PallixByteTimeMap.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class PallixFileStream;
class PallixFileDemuxer;
class PallixOpenedFilm;
struct AVFormatContext;
struct AVStream;

// What a movie file holds: its container type and, per program, the video,
// audio and subtitle streams with the identifiers a decoder selects them by.
// MPEG program and transport streams are pushed to the decoder a piece at a
// time; any other container (Matroska, MP4, AVI, WebM...) is read by the
// decoder itself, and its streams are numbered from 1 in the file's order.
// A film in several files (a DVD title set, CD1 and CD2) is analysed as the
// stream gives it: one film over its parts.
class PallixMPEGFile
{
public:
    enum MPEGFileType
    {
        kUnknownMPEGFileType = 0,
        kMPEG1ProgramStream = 1,
        kMPEG2ProgramStream = 2,
        kMPEG2TransportStream = 3,
        kOtherContainer = 4
    };

    enum AudioStreamType
    {
        kUnknownAudioStreamType = 0,
        kAC3 = 1,
        kPCM = 2,
        kMPEG1Layer1 = 3,
        kMPEG1Layer2 = 4,
        kMPEG1Layer3 = 5
    };

    struct Program
    {
        // The program number of a transport stream; 0 in a program stream.
        int m_nProgramID = 0;
        // The PID carrying the program clock; 0 in a program stream, whose clock
        // is in the pack headers.
        int m_nPCRPID = 0;
    };

    struct VideoStream
    {
        // The PID in a transport stream, the stream id (0xE0...) in a program stream.
        int m_nPIDorStreamID = 0;
        int m_nPictureWidth = 0;
        int m_nPictureHeight = 0;
        // libavcodec's short name of the codec ("h264").
        char m_codec[16] = {};
    };

    struct AudioStream
    {
        // The PID, or the stream id: 0xC0... for MPEG audio, 0xBD (private stream
        // 1) for AC-3 and LPCM, whose substream id is then in m_nSSID.
        int m_nPIDorStreamID = 0;
        int m_nSSID = 0;
        AudioStreamType m_streamType = kUnknownAudioStreamType;
        // ISO 639 code, empty when the stream does not say.
        char m_language[4] = {};
        char m_codec[16] = {};
        int m_nChannels = 0;
        // The container's default track.
        bool m_bDefault = false;
        // The track's name in the container, if it has one.
        std::string m_title;
    };

    struct SubtitleStream
    {
        // As for audio; 0 for a file beside the movie.
        int m_nPIDorStreamID = 0;
        int m_nSSID = 0;
        // Pictures (DVD, DVB, Blu-ray) rather than text.
        bool m_bBitmap = false;
        // Shown even to viewers who want no subtitles: it translates what the
        // sound track leaves untranslated.
        bool m_bForced = false;
        char m_language[4] = {};
        char m_codec[24] = {};
        // The track's name, or the file name of a file beside the movie.
        std::string m_title;
        // The file beside the movie; empty for a track inside it.
        std::string m_path;
        // Which track of that file, for a file that holds several (a VobSub index).
        int m_nFileTrack = 0;
    };

    // One of the files a film is kept in, with its place in the film's bytes and
    // its own stretch of time (its first timestamp and running time).
    struct Part
    {
        std::string path;
        uint64_t nOffset = 0;
        uint64_t nSize = 0;
        double start = 0.0;
        double duration = 0.0;
    };

    PallixMPEGFile() = default;

    // Analyses the bytes ahead of the stream's position, or for another
    // container the whole file, and puts the position back. Subtitle files
    // beside the movie are listed after the tracks inside it. False when the
    // file holds nothing that can be played; GetFailureReason then says why.
    bool SetStream(PallixFileStream& stream);

    MPEGFileType GetMPEGFileType() const { return mType; }
    int GetNumPrograms() const { return int(mPrograms.size()); }
    int GetNumVideoStreams(int nProgram) const;
    int GetNumAudioStreams(int nProgram) const;
    // Never null: a record that the file does not have reads as zeros, which
    // selects no stream.
    const Program* GetProgramAt(int nProgram) const;
    const VideoStream* GetVideoStreamAt(int nProgram, int nIndex) const;
    const AudioStream* GetAudioStreamAt(int nProgram, int nIndex) const;
    int GetNumSubtitleStreams(int nProgram) const;
    const SubtitleStream* GetSubtitleStreamAt(int nProgram, int nIndex) const;

    // The file's running time in seconds, from its timestamps or its header; 0
    // when it does not tell. GetStartTime is the first timestamp's time.
    double GetDuration() const { return mDuration; }
    double GetStartTime() const { return mStartTime; }
    uint64_t GetFileSize() const { return mFileSize; }
    // The file analysed, as the stream names it (a film's first part).
    const std::string& GetPath() const { return mPath; }
    // The files the film is kept in, in order: one for most films.
    const std::vector<Part>& GetParts() const { return mParts; }
    // The film's bytes and times, part by part; parts follow each other in time
    // from GetStartTime on.
    PallixByteTimeMap GetByteTimeMap() const;
    // Where the film's chapters start, in seconds on its time line, in order;
    // none when the film has no chapters.
    const std::vector<double>& GetChapters() const { return mChapters; }
    // For another container: the files as the analysis opened them, for the
    // decoder to read on; null for an MPEG stream.
    std::shared_ptr<PallixOpenedFilm> GetOpenedFilm() const { return mOpened; }
    // Why SetStream failed, in words for the viewer; empty after a success.
    const std::string& GetFailureReason() const { return mFailureReason; }

    // Prints the analysis on standard output.
    void Dump() const;

private:
    struct ProgramEntry
    {
        Program program;
        std::vector<VideoStream> video;
        std::vector<AudioStream> audio;
        std::vector<SubtitleStream> subtitles;
    };

    bool AnalyseMPEG(const std::shared_ptr<const std::vector<uint8_t>>& head, uint64_t start);
    bool AnalyseContainer(const std::shared_ptr<const std::vector<uint8_t>>& head, uint64_t start);
    // Adds one stream of an MPEG stream, named as the player names it there.
    static void AddMPEGStream(ProgramEntry& entry, const AVStream* st, bool bTransport);
    // Adds the record of one stream, by its kind; bTagged: the container's own
    // tags (the default track, titles) are read too.
    static void AddStreamRecord(ProgramEntry& entry, const AVStream* st, int nId, int nSSID, bool bTagged);
    void SortStreams();
    void FindDurations(AVFormatContext* pFirst);
    void AddParts(std::unique_ptr<PallixFileDemuxer> first);
    void AddChapters(const AVFormatContext* pFormat, double offset);
    void AddSubtitleFiles();
    bool CheckDecodable();
    // Forgets what an analysis found (the kind, the streams, the times).
    void ClearAnalysis();
    bool Fail(const char* reason);

    MPEGFileType mType = kUnknownMPEGFileType;
    std::vector<ProgramEntry> mPrograms;
    double mDuration = 0.0;
    double mStartTime = 0.0;
    uint64_t mFileSize = 0;
    std::string mPath;
    std::string mContainer;
    std::string mFailureReason;
    std::vector<Part> mParts;
    std::vector<double> mChapters;
    std::shared_ptr<PallixOpenedFilm> mOpened;
};
