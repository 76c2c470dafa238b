#pragma once

#include "PallixAVTypes.h"
#include "PallixFileDemuxer.h"
#include "PallixMPEGFile.h"

#include <atomic>
#include <memory>
#include <string>
#include <vector>

class PallixOpenedFilm;

// Demuxes a film of any container libavformat knows, kept in one file or in
// several (CD1, CD2 ...): the parts are read one after the other on one time
// line, each part's timestamps moved on by the running time of those before
// it, so that the decoders, the clock and the byte positions see one film.
class PallixFilmDemuxer
{
public:
    PallixFilmDemuxer() = default;
    PallixFilmDemuxer(const PallixFilmDemuxer&) = delete;
    PallixFilmDemuxer& operator=(const PallixFilmDemuxer&) = delete;

    // Reads on from the parts the analysis opened where there are some, and
    // opens the others when they are reached. While *pAbort is true every read
    // fails at once. False when the first part cannot be opened.
    bool Open(const std::vector<PallixMPEGFile::Part>& parts, PallixOpenedFilm* pOpened,
              const std::atomic<bool>* pAbort);
    void Close();
    bool IsOpenFor(const std::vector<PallixMPEGFile::Part>& parts) const;
    // The part being read.
    AVFormatContext* Get() const;
    const std::string& GetFailureReason() const { return mFailureReason; }
    bool HadReadError() const;

    // The next packet, as av_read_frame gives it, with the film's times.
    int Read(AVPacket* packet);
    // Reading goes on from the start of the next part; false after the last.
    bool NextPart();
    // Reading goes on from the last key frame at or before the film's time, in
    // the part that holds it.
    bool SeekTo(double time);

private:
    // The part opened and its streams' time offsets set; false when it cannot be.
    bool Enter(size_t index);

    std::vector<PallixMPEGFile::Part> mParts;
    std::vector<std::unique_ptr<PallixFileDemuxer>> mFiles;
    // Where each part starts on the film's time line, in seconds.
    std::vector<double> mFilmStarts;
    // Parts read from already, since they were opened.
    std::vector<bool> mRead;
    // For the part being read: what its streams' timestamps gain, in each stream's time base.
    std::vector<int64_t> mShifts;
    size_t mCurrent = 0;
    const std::atomic<bool>* mpAbort = nullptr;
    std::string mFailureReason;
};
