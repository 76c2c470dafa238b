#pragma once

#include "PallixAVTypes.h"
#include "PallixSeekableReader.h"

#include <atomic>
#include <string>

// Demuxes a movie file of any container libavformat knows, read through a
// seekable reader of its own, and seeks it by time.
class PallixFileDemuxer
{
public:
    PallixFileDemuxer() = default;
    ~PallixFileDemuxer();
    PallixFileDemuxer(const PallixFileDemuxer&) = delete;
    PallixFileDemuxer& operator=(const PallixFileDemuxer&) = delete;

    // While *pAbort is true every read fails at once. False when the file
    // cannot be opened or read as a movie; GetFailureReason says why.
    bool Open(const std::string& path, const std::atomic<bool>* pAbort);
    void Close();
    bool IsOpenFor(const std::string& path) const { return mFormat && path == mPath; }
    AVFormatContext* Get() const { return mFormat.get(); }
    const std::string& GetFailureReason() const { return mFailureReason; }
    // A read of the file failed (not its end) since it was opened.
    bool HadReadError() const { return mReader.HadReadError(); }

    // Reading goes on from the last key frame at or before the time in seconds
    // (the start for a time before it).
    bool SeekTo(double time);

private:
    static int Interrupted(void* opaque);

    PallixSeekableReader mReader;
    pallix_av::FormatPtr mFormat;
    std::string mPath;
    std::string mFailureReason;
    const std::atomic<bool>* mpAbort = nullptr;
};
