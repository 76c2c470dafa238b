#include "PallixFilmDemuxer.h"

#include "PallixOpenedFilm.h"

#include <cmath>

bool PallixFilmDemuxer::Open(const std::vector<PallixMPEGFile::Part>& parts, PallixOpenedFilm* pOpened,
                             const std::atomic<bool>* pAbort)
{
    Close();
    mParts = parts;
    mpAbort = pAbort;
    mFiles.resize(mParts.size());
    mRead.assign(mParts.size(), false);
    if (pOpened)
    {
        std::vector<std::unique_ptr<PallixFileDemuxer>> opened = pOpened->Take();
        for (size_t i = 0; i < opened.size() && i < mFiles.size(); ++i)
            if (opened[i] && opened[i]->GetPath() == mParts[i].path)
                mFiles[i] = std::move(opened[i]);
    }
    double start = mParts.empty() ? 0.0 : mParts.front().start;
    for (const PallixMPEGFile::Part& part : mParts)
    {
        mFilmStarts.push_back(start);
        start += part.duration;
    }
    if (mParts.empty() || !Enter(0))
    {
        if (mFailureReason.empty())
            mFailureReason = "The file cannot be opened.";
        mParts.clear();
        mFiles.clear();
        return false;
    }
    return true;
}

void PallixFilmDemuxer::Close()
{
    mFiles.clear();
    mParts.clear();
    mFilmStarts.clear();
    mRead.clear();
    mShifts.clear();
    mCurrent = 0;
}

bool PallixFilmDemuxer::IsOpenFor(const std::vector<PallixMPEGFile::Part>& parts) const
{
    if (mFiles.empty() || parts.size() != mParts.size())
        return false;
    for (size_t i = 0; i < parts.size(); ++i)
        if (parts[i].path != mParts[i].path)
            return false;
    return true;
}

AVFormatContext* PallixFilmDemuxer::Get() const
{
    return mCurrent < mFiles.size() && mFiles[mCurrent] ? mFiles[mCurrent]->Get() : nullptr;
}

bool PallixFilmDemuxer::HadReadError() const
{
    return mCurrent < mFiles.size() && mFiles[mCurrent] && mFiles[mCurrent]->HadReadError();
}

bool PallixFilmDemuxer::Enter(size_t index)
{
    if (index >= mParts.size())
        return false;
    std::unique_ptr<PallixFileDemuxer>& file = mFiles[index];
    if (!file)
    {
        file = std::make_unique<PallixFileDemuxer>();
        file->SetAbort(mpAbort);
        if (!file->Open(mParts[index].path))
        {
            mFailureReason = file->GetFailureReason();
            file.reset();
            return false;
        }
    }
    file->SetAbort(mpAbort);
    mCurrent = index;
    mRead[index] = true;
    // The part's own times, moved to where it starts in the film.
    const double shift = mFilmStarts[index] - mParts[index].start;
    const AVFormatContext* format = file->Get();
    mShifts.assign(format->nb_streams, 0);
    for (unsigned i = 0; i < format->nb_streams && shift != 0.0; ++i)
        mShifts[i] = av_rescale_q(std::llround(shift * AV_TIME_BASE), AV_TIME_BASE_Q, format->streams[i]->time_base);
    return true;
}

int PallixFilmDemuxer::Read(AVPacket* packet)
{
    AVFormatContext* format = Get();
    if (!format)
        return AVERROR_EOF;
    const int ret = av_read_frame(format, packet);
    if (ret < 0 || packet->stream_index < 0 || size_t(packet->stream_index) >= mShifts.size())
        return ret;
    const int64_t shift = mShifts[size_t(packet->stream_index)];
    if (packet->pts != AV_NOPTS_VALUE)
        packet->pts += shift;
    if (packet->dts != AV_NOPTS_VALUE)
        packet->dts += shift;
    return ret;
}

bool PallixFilmDemuxer::NextPart()
{
    if (mCurrent + 1 >= mParts.size())
        return false;
    // A part read before (the viewer went back) starts from its beginning
    // again; one only analysed goes on from what the analysis read.
    const bool bRead = mRead[mCurrent + 1];
    if (!Enter(mCurrent + 1))
        return false;
    return !bRead || mFiles[mCurrent]->SeekTo(mParts[mCurrent].start);
}

bool PallixFilmDemuxer::SeekTo(double time)
{
    if (mParts.empty())
        return false;
    // The last part that starts at or before the time; the first for a time before the film.
    size_t index = 0;
    while (index + 1 < mParts.size() && mFilmStarts[index + 1] <= time)
        ++index;
    if (index != mCurrent && !Enter(index))
        return false;
    return mFiles[mCurrent]->SeekTo(time - (mFilmStarts[mCurrent] - mParts[mCurrent].start));
}
