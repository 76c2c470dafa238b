#pragma once

#include "PallixAVTypes.h"
#include "PallixSeekableReader.h"

#include <atomic>
#include <memory>
#include <string>
#include <vector>

// Demuxes a movie file of any container libavformat knows, read through a
// seekable reader of its own, and seeks it by time. Opened once, by the
// analysis of the movie, and then read by the decoder.
class PallixFileDemuxer
{
public:
    enum Failure
    {
        kNone,
        kMissing,
        kCannotOpen,
        kCannotRead,
        kNotAMovie
    };

    PallixFileDemuxer() = default;
    ~PallixFileDemuxer();
    PallixFileDemuxer(const PallixFileDemuxer&) = delete;
    PallixFileDemuxer& operator=(const PallixFileDemuxer&) = delete;

    // Opens and analyses the file; head, when given, holds its first bytes,
    // already read. A container guessed with a score of nMinScore or less is
    // no movie. False when the file cannot be opened or read as a movie;
    // GetFailure and GetFailureReason say why.
    bool Open(const std::string& path, std::shared_ptr<const std::vector<uint8_t>> head = nullptr,
              int nMinScore = 0);
    void Close();
    // While *pAbort is true every read fails at once.
    void SetAbort(const std::atomic<bool>* pAbort) { mpAbort = pAbort; }
    bool IsOpen() const { return bool(mFormat); }
    const std::string& GetPath() const { return mPath; }
    AVFormatContext* Get() const { return mFormat.get(); }
    // How sure libavformat was of the container, out of AVPROBE_SCORE_MAX.
    int GetProbeScore() const { return mnScore; }
    Failure GetFailure() const { return mFailure; }
    const std::string& GetFailureReason() const { return mFailureReason; }
    // A read of the file failed (not its end) since it was opened.
    bool HadReadError() const { return mReader.HadReadError(); }
    // The running time and first timestamp in seconds; 0 when unknown.
    double GetDuration() const;
    double GetStartTime() const;

    // Reading goes on from the last key frame at or before the time in seconds
    // (the start for a time before it).
    bool SeekTo(double time);

private:
    static int Interrupted(void* opaque);
    bool Failed(Failure failure);

    PallixSeekableReader mReader;
    pallix_av::FormatPtr mFormat;
    std::string mPath;
    Failure mFailure = kNone;
    std::string mFailureReason;
    int mnScore = 0;
    const std::atomic<bool>* mpAbort = nullptr;
};
