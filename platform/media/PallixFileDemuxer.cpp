#include "PallixFileDemuxer.h"

#include <algorithm>
#include <cerrno>
#include <cmath>

namespace
{
// Enough to find every stream of a film and its codecs' parameters.
constexpr int64_t PROBE_SIZE = 2 * 1024 * 1024;
} // namespace

PallixFileDemuxer::~PallixFileDemuxer()
{
    Close();
}

int PallixFileDemuxer::Interrupted(void* opaque)
{
    const auto* self = static_cast<const PallixFileDemuxer*>(opaque);
    return self->mpAbort && self->mpAbort->load() ? 1 : 0;
}

bool PallixFileDemuxer::Open(const std::string& path, std::shared_ptr<const std::vector<uint8_t>> head,
                             int nMinScore)
{
    Close();
    pallix_av::InitOnce();
    if (!mReader.Open(path))
        return Failed(errno == ENOENT ? kMissing : kCannotOpen);
    if (head)
        mReader.SetHead(std::move(head), 0);
    const AVInputFormat* format = nullptr;
    mnScore = av_probe_input_buffer2(mReader.GetIO(), &format, "", nullptr, 0, 0);
    if (mnScore <= nMinScore || !format)
        return Failed(mReader.HadReadError() ? kCannotRead : kNotAMovie);
    AVFormatContext* raw = avformat_alloc_context();
    if (!raw)
        return Failed(kNotAMovie);
    raw->pb = mReader.GetIO();
    raw->flags |= AVFMT_FLAG_CUSTOM_IO | AVFMT_FLAG_GENPTS;
    raw->interrupt_callback.callback = &PallixFileDemuxer::Interrupted;
    raw->interrupt_callback.opaque = this;
    raw->probesize = PROBE_SIZE;
    raw->max_analyze_duration = 2 * AV_TIME_BASE;
    if (avformat_open_input(&raw, nullptr, format, nullptr) < 0)
        return Failed(mReader.HadReadError() ? kCannotRead : kNotAMovie);
    mFormat.reset(raw);
    if (avformat_find_stream_info(mFormat.get(), nullptr) < 0)
    {
        mFormat.reset();
        return Failed(mReader.HadReadError() ? kCannotRead : kNotAMovie);
    }
    mPath = path;
    mFailure = kNone;
    mFailureReason.clear();
    return true;
}

bool PallixFileDemuxer::Failed(Failure failure)
{
    mFailure = failure;
    switch (failure)
    {
    case kMissing:
        mFailureReason = "The file does not exist any more.";
        break;
    case kCannotOpen:
        mFailureReason = "The file cannot be opened.";
        break;
    default:
        mFailureReason = "The file cannot be read as a movie.";
        break;
    }
    return false;
}

void PallixFileDemuxer::Close()
{
    mFormat.reset();
    mReader.Close();
    mPath.clear();
    mnScore = 0;
}

double PallixFileDemuxer::GetDuration() const
{
    return mFormat && mFormat->duration > 0 ? double(mFormat->duration) / AV_TIME_BASE : 0.0;
}

double PallixFileDemuxer::GetStartTime() const
{
    return mFormat && mFormat->start_time != AV_NOPTS_VALUE ? double(mFormat->start_time) / AV_TIME_BASE : 0.0;
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
