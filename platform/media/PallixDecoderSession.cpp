#include "PallixDecoderSession.h"

#include "PallixOpenedFilm.h"

#include <algorithm>
#include <cstdio>
#include <system_error>

namespace
{
// "Nothing now" from the stream: ask again after a pause. After this many
// empty answers in a row the decoders give up what they still hold, so the
// last pictures of the movie are shown.
constexpr std::chrono::milliseconds POLL_PAUSE(20);
constexpr int STARVED_POLLS = 10;
// A file that gives this many unreadable packets in a row has no more to give.
constexpr int MAX_BAD_PACKETS = 1000;
// Pictures that fail to decode this many times in a row (ten seconds and more
// of them) mean the picture cannot be decoded at all from here on.
constexpr int MAX_BAD_PICTURES = 250;
constexpr std::chrono::milliseconds IDLE_WAIT(50);
// Lines kept of each text subtitle track not shown.
constexpr size_t RECENT_LINES = 32;
// With less sound than this waiting to be heard, the reader goes on to the
// sound rather than wait for room for more pictures.
constexpr size_t SOUND_LOW_FRAMES = PallixAudioOutput::RATE / 2;
} // namespace

PallixDecoderSession::PallixDecoderSession(MPEGDecoder& owner)
    : mOwner(owner), mAudio(mClock), mPresenter(owner, mClock, mSubtitles), mSync(owner, mClock, mAudio),
      mSound(mAudio, mClock)
{
}

PallixDecoderSession::~PallixDecoderSession()
{
    Stop();
    CloseDecoders();
    mPushed.Close();
    mFile.Close();
    mAudio.Close();
}

bool PallixDecoderSession::Start(int nPictures, int nReadSize, bool bPaused)
{
    mnReadSize = nReadSize;
    mOpened = Clock::now();
    int nSerial = 0;
    {
        std::lock_guard<std::mutex> lock(mMutex);
        mbAbort = false;
        mbPaused = bPaused;
        mbSelected = false;
        nSerial = ++mSerial;
    }
    mbStopping = false;
    mbSelectionChanged = true;
    mClock.Reset(nSerial);
    mClock.SetPaused(bPaused);
    mAudio.Open(bPaused);
    mAudio.Flush(nSerial);
    mPresenter.NewSerial(nSerial);
    if (!mPresenter.Start(size_t(nPictures), bPaused, mOpened, [this] {
            mSync.Tick(!mPresenter.IsEmpty());
            Clock::time_point heard;
            if (mOwner.mFirstSoundDelayUs.load() < 0 && mAudio.GetFirstHeard(heard))
                mOwner.mFirstSoundDelayUs.store(
                    std::chrono::duration_cast<std::chrono::microseconds>(heard - mOpened).count());
        }))
    {
        Stop();
        return false;
    }
    try
    {
        mDecoder = std::thread(&PallixDecoderSession::DecodeThread, this);
    }
    catch (const std::system_error& error)
    {
        std::printf("MPEGDecoder: cannot start a thread: %s\n", error.what());
        Stop();
        return false;
    }
    return true;
}

void PallixDecoderSession::Stop()
{
    {
        std::lock_guard<std::mutex> lock(mMutex);
        mbAbort = true;
    }
    mbStopping = true;
    mWake.notify_all();
    mAudio.Abort();
    mPresenter.Stop();
    if (mDecoder.joinable())
        mDecoder.join();
    mSync.Disarm();
    // The sound still queued belongs to the place left; the device plays on, silent.
    int nSerial = 0;
    {
        std::lock_guard<std::mutex> lock(mMutex);
        nSerial = ++mSerial;
    }
    mAudio.Flush(nSerial);
}

void PallixDecoderSession::OnSelectionChanged()
{
    {
        std::lock_guard<std::mutex> lock(mMutex);
        mbSelected = true;
        mbSelectionChanged = true;
    }
    mWake.notify_all();
}

void PallixDecoderSession::SetPaused(bool bPaused)
{
    {
        std::lock_guard<std::mutex> lock(mMutex);
        mbPaused = bPaused;
    }
    mWake.notify_all();
    mClock.SetPaused(bPaused);
    mAudio.SetPaused(bPaused);
    mPresenter.SetPaused(bPaused);
}

bool PallixDecoderSession::WaitAbortFor(std::chrono::milliseconds delay)
{
    std::unique_lock<std::mutex> lock(mMutex);
    return mWake.wait_for(lock, delay, [&] { return mbAbort; });
}

bool PallixDecoderSession::IsAborted()
{
    std::lock_guard<std::mutex> lock(mMutex);
    return mbAbort;
}

bool PallixDecoderSession::Fail(const std::string& reason)
{
    mOwner.SetErrorReason(reason);
    return mOwner.OnDecoderError();
}

void PallixDecoderSession::DecodeThread()
{
    {
        // The stream is not ready to be read before the streams are chosen.
        std::unique_lock<std::mutex> lock(mMutex);
        mWake.wait(lock, [&] { return mbAbort || mbSelected; });
        if (mbAbort)
            return;
    }
    mSource = mOwner.GetSource();
    mbFileRun = mSource.bFile;
    // A run starts afresh wherever the last one left the stream.
    mSound.Reset();
    mJumps = PallixJumpDetector();
    mbLate = false;
    mShowFrom = 0.0;
    mBadPackets = 0;
    mBadPictures = 0;
    if (mbFileRun)
        RunFile();
    else
        RunPushed();
    mSync.Disarm();
    mpFormat = nullptr;
}

void PallixDecoderSession::CloseDecoders()
{
    mVideo.Close();
    mBacklog.Clear();
    mAudioDecoder.Close();
    mSubtitles.Stop();
    mRoles.clear();
    mRecentText.clear();
    mVideoIndex = -1;
    mAudioIndex = -1;
    mSubtitleIndex = -1;
    mSelection = MPEGDecoder::Selection();
    mbDrained = false;
}

// ---- Pushed program and transport streams ----

void PallixDecoderSession::RunPushed()
{
    mFile.Close();
    CloseDecoders();
    while (!IsAborted())
    {
        bool bRan = false;
        if (mPushed.Open(mnReadSize, [this](uint8_t* buf, int size, bool bProbing) {
                return ReadPushed(buf, size, bProbing);
            }))
        {
            mpFormat = mPushed.Get();
            bRan = RunPushDemuxer();
        }
        CloseDecoders();
        mPushed.Close();
        mpFormat = nullptr;
        if (IsAborted() || bRan)
            continue;
        if (!Fail("The movie's data cannot be read as MPEG."))
            break;
    }
}

int PallixDecoderSession::ReadPushed(uint8_t* buf, int size, bool bProbing)
{
    int nIdle = 0;
    while (!IsAborted())
    {
        const uint32_t n = mOwner.OnFillBuffer(buf, static_cast<unsigned long>(std::min(size, mnReadSize)));
        if (n > 0)
            return int(std::min<uint32_t>(n, uint32_t(size)));
        if (!bProbing && ++nIdle >= STARVED_POLLS)
            return AVERROR_EOF;
        WaitAbortFor(POLL_PAUSE);
    }
    return AVERROR_EXIT;
}

bool PallixDecoderSession::RunPushDemuxer()
{
    pallix_av::PacketPtr packet(av_packet_alloc());
    if (!packet)
        return false;
    while (!IsAborted())
    {
        if (mbSelectionChanged.exchange(false) && ApplySelection() && mSound.IsOpen())
        {
            // The new track's first sound waits, in silence, for the clock.
            mAudio.Flush(mSerial);
            mSound.PadNextToClock();
        }
        const int ret = av_read_frame(mpFormat, packet.get());
        if (IsAborted())
            break;
        if (ret == AVERROR(EAGAIN))
            continue;
        if (ret < 0)
        {
            if (ret != AVERROR_EOF && !avio_feof(mpFormat->pb))
                return false;
            // The stream has nothing for now: show what the decoders hold and
            // carry on reading when more comes.
            Drain();
            mpFormat->pb->eof_reached = 0;
            continue;
        }
        const Role role = RoleOf(packet->stream_index);
        if (role != kIgnored && role != kUnknown)
        {
            mbDrained = false;
            if (role == kSubtitle || role == kOtherText ||
                TrackTimestamp(role, *packet, mpFormat->streams[packet->stream_index]))
                Dispatch(role, *packet);
        }
        av_packet_unref(packet.get());
    }
    return true;
}

bool PallixDecoderSession::TrackTimestamp(Role role, const AVPacket& packet, const AVStream* stream)
{
    const int64_t ts = packet.dts != AV_NOPTS_VALUE ? packet.dts : packet.pts;
    if (ts == AV_NOPTS_VALUE)
        return true;
    const double t = double(ts) * av_q2d(stream->time_base);
    switch (mJumps.Track(role, t))
    {
    case PallixJumpDetector::kDrop:
        return false;
    case PallixJumpDetector::kJump:
        mOwner.mDiscontinuities.fetch_add(1);
        NewStretch();
        return true;
    default:
        return true;
    }
}

// ---- Files read here ----

bool PallixDecoderSession::OpenFile()
{
    mPushed.Close();
    // The film as its analysis opened it, the first time; a restart (a seek)
    // reads on from the files already open.
    if ((mSource.opened && mSource.opened->HasParts()) || !mFile.IsOpenFor(mSource.parts))
    {
        CloseDecoders();
        mFile.Close();
        if (!mFile.Open(mSource.parts, mSource.opened.get(), &mbStopping))
        {
            if (!IsAborted())
                Fail(mFile.GetFailureReason());
            return false;
        }
    }
    mpFormat = mFile.Get();
    return true;
}

bool PallixDecoderSession::OnReadFailed(int ret)
{
    const bool bEnd = ret == AVERROR_EOF || avio_feof(mpFormat->pb) || ++mBadPackets > MAX_BAD_PACKETS;
    if (!bEnd && !mFile.HadReadError())
        return false;
    if (!bEnd && !Fail("The file cannot be read any further."))
        return true;
    // What is decoded of this part plays on while the next is read.
    Drain();
    if (bEnd && mFile.NextPart())
    {
        EnterPart();
        return false;
    }
    mSync.SetEnded(true);
    return true;
}

void PallixDecoderSession::RunFile()
{
    if (!OpenFile())
        return;
    pallix_av::PacketPtr packet(av_packet_alloc());
    if (!packet)
        return;

    mSync.Arm(mSource.map, mOwner.OnGetStreamPosition(), [this] { mWake.notify_all(); });
    double seekTime = mSource.map.TimeAt(mOwner.OnGetStreamPosition());
    bool bSeek = true;
    bool bIdle = false;
    while (!IsAborted())
    {
        if (mbSelectionChanged.exchange(false) && ApplySelection() && mSound.IsOpen())
            // The new sound track starts where the movie is.
            mSync.RequestSeekHere();
        if (mSync.TakeSeek(seekTime))
            bSeek = true;
        if (bSeek)
        {
            bSeek = false;
            bIdle = false;
            SeekFile(seekTime);
            continue;
        }
        if (bIdle)
        {
            std::unique_lock<std::mutex> lock(mMutex);
            mWake.wait_for(lock, IDLE_WAIT, [&] { return mbAbort || mbSelectionChanged.load(); });
            continue;
        }
        const int ret = mFile.Read(packet.get());
        if (IsAborted())
            break;
        if (ret == AVERROR(EAGAIN))
            continue;
        if (ret < 0)
        {
            bIdle = OnReadFailed(ret);
            continue;
        }
        mBadPackets = 0;
        const Role role = RoleOf(packet->stream_index);
        if (role != kIgnored && role != kUnknown)
        {
            mbDrained = false;
            Dispatch(role, *packet);
            if (mBadPictures > MAX_BAD_PICTURES)
            {
                mBadPictures = 0;
                if (!Fail("The picture cannot be decoded any further."))
                    bIdle = true;
            }
        }
        av_packet_unref(packet.get());
    }
}

void PallixDecoderSession::SeekFile(double time)
{
    NewStretch();
    mShowFrom = time;
    mbDrained = false;
    mSync.SetEnded(false);
    const AVFormatContext* pBefore = mFile.Get();
    mFile.SeekTo(time);
    if (mFile.Get() != pBefore)
        EnterPart();
    mSync.SeekDone();
}

void PallixDecoderSession::EnterPart()
{
    mpFormat = mFile.Get();
    mBadPackets = 0;
    mVideo.Close();
    mAudioDecoder.Close();
    mVideoIndex = -1;
    mAudioIndex = -1;
    // A track inside the film starts again on the part's own stream; a file
    // beside it goes on.
    const int nTrack = mSelection.nSubtitle;
    if (nTrack < 0 || nTrack >= int(mSource.subtitles.size()) || mSource.subtitles[size_t(nTrack)].m_path.empty())
    {
        mSubtitles.Stop();
        mSubtitleIndex = -1;
    }
    mRecentText.clear();
    mRoles.clear();
    for (unsigned i = 0; mpFormat && i < mpFormat->nb_streams; ++i)
        RoleOf(int(i));
}

// ---- Both ----

bool PallixDecoderSession::ApplySelection()
{
    const MPEGDecoder::Selection selection = mOwner.GetSelection();
    const bool bVideo = selection.nVideo != mSelection.nVideo;
    const bool bAudio = selection.nAudio != mSelection.nAudio || selection.nAudioSSID != mSelection.nAudioSSID;
    const bool bSubtitle = selection.nSubtitle != mSelection.nSubtitle;
    const bool bHadAudio = mSelection.nAudio > 0;
    mSelection = selection;
    if (bVideo)
    {
        mVideo.Close();
        mBacklog.Clear();
        mVideoIndex = -1;
    }
    if (bAudio)
    {
        mAudioDecoder.Close();
        mAudioIndex = -1;
    }
    if (bSubtitle)
    {
        mSubtitles.Stop();
        mSubtitleIndex = -1;
        const int nTrack = selection.nSubtitle;
        if (nTrack >= 0 && nTrack < int(mSource.subtitles.size()) && !mSource.subtitles[size_t(nTrack)].m_path.empty())
        {
            const PallixMPEGFile::SubtitleStream& track = mSource.subtitles[size_t(nTrack)];
            mSubtitles.StartFile(track.m_path, track.m_nFileTrack, mpFormat);
        }
        mPresenter.RefreshSubtitles();
    }
    mRoles.clear();
    // Roles now rather than at each stream's next packet: a subtitle track
    // chosen shows its line of the moment at once.
    for (unsigned i = 0; mpFormat && i < mpFormat->nb_streams; ++i)
        RoleOf(int(i));
    return bAudio && bHadAudio && selection.nAudio > 0;
}

PallixDecoderSession::Role PallixDecoderSession::RoleOf(int nIndex)
{
    if (!mpFormat || nIndex < 0 || unsigned(nIndex) >= mpFormat->nb_streams)
        return kIgnored;
    if (mRoles.size() < mpFormat->nb_streams)
        mRoles.resize(mpFormat->nb_streams, kUnknown);
    Role& role = mRoles[size_t(nIndex)];
    if (role != kUnknown)
        return role;
    const AVStream& stream = *mpFormat->streams[nIndex];
    // A file's streams are numbered from 1; a pushed stream names them by id.
    auto carries = [&](int id, int ssid) {
        return mbFileRun ? id == nIndex + 1 : mPushed.Carries(stream, id, ssid);
    };
    role = kIgnored;
    const AVMediaType type = stream.codecpar->codec_type;
    const int nTrack = mSelection.nSubtitle;
    if (type == AVMEDIA_TYPE_VIDEO && (mVideoIndex < 0 || mVideoIndex == nIndex) && carries(mSelection.nVideo, 0))
    {
        role = kVideo;
        mVideoIndex = nIndex;
    }
    else if (type == AVMEDIA_TYPE_AUDIO && (mAudioIndex < 0 || mAudioIndex == nIndex) &&
             carries(mSelection.nAudio, mSelection.nAudioSSID))
    {
        role = kAudio;
        mAudioIndex = nIndex;
    }
    else if (type == AVMEDIA_TYPE_SUBTITLE && nTrack >= 0 && nTrack < int(mSource.subtitles.size()) &&
             (mSubtitleIndex < 0 || mSubtitleIndex == nIndex))
    {
        const PallixMPEGFile::SubtitleStream& track = mSource.subtitles[size_t(nTrack)];
        if (track.m_path.empty() && carries(track.m_nPIDorStreamID, track.m_nSSID))
        {
            role = kSubtitle;
            if (mSubtitleIndex != nIndex && mSubtitles.StartStream(*mpFormat, stream))
            {
                for (const pallix_av::PacketPtr& line : mRecentText[nIndex])
                    mSubtitles.AddPacket(*line, stream.time_base);
                mPresenter.RefreshSubtitles();
            }
            mSubtitleIndex = nIndex;
        }
    }
    if (role == kIgnored && type == AVMEDIA_TYPE_SUBTITLE)
        role = kOtherText;
    return role;
}

void PallixDecoderSession::Dispatch(Role role, const AVPacket& packet)
{
    const AVStream& stream = *mpFormat->streams[packet.stream_index];
    if (role == kSubtitle || role == kOtherText)
    {
        const AVCodecDescriptor* descriptor = avcodec_descriptor_get(stream.codecpar->codec_id);
        if (descriptor && (descriptor->props & AV_CODEC_PROP_TEXT_SUB))
        {
            std::deque<pallix_av::PacketPtr>& lines = mRecentText[packet.stream_index];
            if (pallix_av::PacketPtr line{av_packet_clone(&packet)})
                lines.push_back(std::move(line));
            if (lines.size() > RECENT_LINES)
                lines.pop_front();
        }
        if (role == kSubtitle)
            mSubtitles.AddPacket(packet, stream.time_base);
        return;
    }
    if (role == kAudio)
    {
        if (!mAudioDecoder.IsOpen() &&
            !mAudioDecoder.Open(stream, PallixAudioOutput::RATE, mAudio.GetChannels()))
        {
            mRoles[size_t(packet.stream_index)] = kIgnored;
            return;
        }
        mAudioDecoder.Decode(&packet, [this](std::vector<int16_t> samples, double pts) { QueueSound(std::move(samples), pts); });
        DecodeBacklog(false);
        return;
    }
    if (!mVideo.IsOpen() && !mVideo.Open(stream))
    {
        mRoles[size_t(packet.stream_index)] = kIgnored;
        return;
    }
    if (mBacklog.IsEmpty() && !WaitsForSound())
    {
        DecodeVideo(packet);
        return;
    }
    mBacklog.Add(packet);
    DecodeBacklog(false);
}

void PallixDecoderSession::DecodeBacklog(bool bAll)
{
    while (!mBacklog.IsEmpty())
    {
        if (!bAll && !mBacklog.IsFull() && WaitsForSound())
            return;
        const pallix_av::PacketPtr packet = mBacklog.Take();
        DecodeVideo(*packet);
    }
}

bool PallixDecoderSession::WaitsForSound()
{
    // No room for more pictures and the sound running out: the sound further
    // on in the stream comes first.
    if (mAudioIndex < 0 || !mSound.IsOpen() || mPresenter.HasRoom())
        return false;
    {
        std::lock_guard<std::mutex> lock(mMutex);
        if (mbPaused)
            return false;
    }
    return mAudio.GetQueuedFrames() < SOUND_LOW_FRAMES;
}

void PallixDecoderSession::DecodeVideo(const AVPacket& packet)
{
    const AVStream& stream = *mpFormat->streams[packet.stream_index];
    // Pictures before a seek's time are decoded only to reach it: those that no
    // other picture needs are not decoded at all, nor while catching up.
    const int64_t ts = packet.pts != AV_NOPTS_VALUE ? packet.pts : packet.dts;
    const bool bBeforeTarget = mbFileRun && ts != AV_NOPTS_VALUE &&
                               double(ts) * av_q2d(stream.time_base) < mShowFrom - mVideo.GetFrameDuration() / 2;
    mVideo.SetSkipNonReference(bBeforeTarget || mbLate);
    const bool bDecoded = mVideo.Decode(&packet, [this](pallix_av::FramePtr frame, double pts) {
        OnPicture(std::move(frame), pts);
    });
    mBadPictures = bDecoded ? 0 : mBadPictures + 1;
}

void PallixDecoderSession::OnPicture(pallix_av::FramePtr frame, double pts)
{
    const double frameDuration = mVideo.GetFrameDuration();
    if (mbFileRun && pts < mShowFrom - frameDuration / 2)
        return;
    if (!mSound.IsOpen())
        mSound.Open(pts, mSerial);
    double now = 0.0;
    mbLate = mClock.Get(now) && pts < now - 2 * frameDuration;
    mPresenter.Push(std::move(frame), pts, mSerial);
}

void PallixDecoderSession::NewStretch()
{
    int nSerial = 0;
    {
        std::lock_guard<std::mutex> lock(mMutex);
        nSerial = ++mSerial;
    }
    mPresenter.NewSerial(nSerial);
    mClock.Reset(nSerial);
    mAudio.Flush(nSerial);
    mVideo.Flush();
    mBacklog.Clear();
    mAudioDecoder.Flush();
    mSubtitles.Flush();
    mSound.Reset();
    mbLate = false;
}

void PallixDecoderSession::QueueSound(std::vector<int16_t> samples, double pts)
{
    mSound.Queue(std::move(samples), pts, mSerial, mSelection.nVideo <= 0, mbFileRun ? mShowFrom : pts);
}

void PallixDecoderSession::Drain()
{
    if (mbDrained)
        return;
    mbDrained = true;
    if (mVideo.IsOpen())
    {
        DecodeBacklog(true);
        mVideo.Decode(nullptr, [this](pallix_av::FramePtr frame, double pts) { OnPicture(std::move(frame), pts); });
        mVideo.Flush();
    }
    if (mAudioDecoder.IsOpen())
    {
        mAudioDecoder.Decode(nullptr, [this](std::vector<int16_t> samples, double pts) { QueueSound(std::move(samples), pts); });
        mAudioDecoder.Flush();
    }
    mSound.Release(mSerial);
}
