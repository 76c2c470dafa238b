#pragma once

#include <cstdint>
#include <vector>

class PallixFileStream;

// What a movie file holds: its container type and, per program, the video and
// audio streams with the identifiers a decoder selects them by.
class PallixMPEGFile
{
public:
    enum MPEGFileType
    {
        kUnknownMPEGFileType = 0,
        kMPEG1ProgramStream = 1,
        kMPEG2ProgramStream = 2,
        kMPEG2TransportStream = 3
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
    };

    PallixMPEGFile() = default;

    // Analyses the bytes ahead of the stream's position and puts the position
    // back. False when nothing MPEG is found there.
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

    // Prints the analysis on standard output.
    void Dump() const;

private:
    struct ProgramEntry
    {
        Program program;
        std::vector<VideoStream> video;
        std::vector<AudioStream> audio;
    };

    MPEGFileType mType = kUnknownMPEGFileType;
    std::vector<ProgramEntry> mPrograms;
};
