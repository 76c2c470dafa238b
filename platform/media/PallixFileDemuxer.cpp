#include "PallixFileDemuxer.h"

#include <algorithm>
#include <cerrno>
#include <cmath>

PallixFileDemuxer::~PallixFileDemuxer()
{
    Close();
}

int PallixFileDemuxer::Interrupted(void* opaque)
{
    const auto* self = static_cast<const PallixFileDemuxer*>(opaque);
    return self->mpAbort && self->mpAbort->load() ? 1 : 0;
}

bool PallixFileDemuxer::Open(const std::string& path, const std::atomic<bool>* pAbort)
{
    Close();
    mpAbort = pAbort;
    if (!mReader.Open(path))
    {
        mFailureReason = errno == ENOENT ? "The file does not exist any more." : "The file cannot be opened.";
        return false;
    }
    AVFormatContext* raw = avformat_alloc_context();
    if (!raw)
        return false;
    raw->pb = mReader.GetIO();
    raw->flags |= AVFMT_FLAG_CUSTOM_IO | AVFMT_FLAG_GENPTS;
    raw->interrupt_callback.callback = &PallixFileDemuxer::Interrupted;
    raw->interrupt_callback.opaque = this;
    raw->max_analyze_duration = 2 * AV_TIME_BASE;
    if (avformat_open_input(&raw, nullptr, nullptr, nullptr) < 0)
    {
        mFailureReason = "The file cannot be read as a movie.";
        return false;
    }
    mFormat.reset(raw);
    if (avformat_find_stream_info(mFormat.get(), nullptr) < 0)
    {
        mFormat.reset();
        mFailureReason = "The file cannot be read as a movie.";
        return false;
    }
    mPath = path;
    mFailureReason.clear();
    return true;
}

void PallixFileDemuxer::Close()
{
    mFormat.reset();
    mReader.Close();
    mPath.clear();
}

bool PallixFileDemuxer::SeekTo(double time)
{
    if (!mFormat)
        return false;
    const int64_t start = mFormat->start_time != AV_NOPTS_VALUE ? mFormat->start_time : 0;
    const int64_t target = std::isfinite(time) ? std::max<int64_t>(int64_t(std::llround(time * AV_TIME_BASE)), start)
                                               : start;
    if (avformat_seek_file(mFormat.get(), -1, INT64_MIN, target, target, 0) >= 0 ||
        av_seek_frame(mFormat.get(), -1, target, AVSEEK_FLAG_BACKWARD) >= 0)
        return true;
    // Some files cannot be searched by time (no index); the start is always there.
    if (target <= start && avio_seek(mFormat->pb, 0, SEEK_SET) >= 0)
    {
        avformat_flush(mFormat.get());
        return true;
    }
    return false;
}
