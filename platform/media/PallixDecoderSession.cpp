#include "PallixDecoderSession.h"

#include "MPEGDecoder.h"
#include "PallixWorkQueue.h"

extern "C" {
#include <libavutil/channel_layout.h>
}

#include <algorithm>
#include <cmath>
#include <cstring>
#include <system_error>

namespace
{
// Within one stream, timestamps further apart than this mean the stream was
// moved. Backwards allows for pictures sent out of display order.
constexpr double JUMP_FORWARD = 1.5;
constexpr double JUMP_BACKWARD = 0.5;
// After a jump, packets of the other stream still from the old place are
// dropped; this many are looked at before giving up on telling them apart.
constexpr int SETTLE_PACKETS = 64;
// "Nothing now" from the stream: ask again after a pause. After this many
// empty answers in a row the decoders give up what they still hold, so the
// last pictures of the movie are shown.
constexpr std::chrono::milliseconds POLL_PAUSE(20);
constexpr int STARVED_POLLS = 10;
// Sound waits this long for the first clean picture before playing alone.
constexpr double HOLD_SOUND = 1.5;
// A picture this far ahead of the clock means the clock lost track.
constexpr double MAX_AHEAD = 2.0;
constexpr std::chrono::milliseconds MAX_WAIT(50);
constexpr int PRIVATE_STREAM_1 = 0xBD;
} // namespace

PallixDecoderSession::PallixDecoderSession(MPEGDecoder& owner, int nPictures, int nReadSize, bool bPaused)
    : mOwner(owner), mnPictures(size_t(nPictures)), mnReadSize(nReadSize), mOpened(Clock::now()), mbPaused(bPaused),
      mAudio(mClock)
{
}

PallixDecoderSession::~PallixDecoderSession()
{
    Stop();
}

bool PallixDecoderSession::Start()
{
    mClock.SetPaused(mbPaused);
    mAudio.Open(mbPaused);
    try
    {
        mDecoder = std::thread(&PallixDecoderSession::DecodeThread, this);
        mPresenter = std::thread(&PallixDecoderSession::PresentThread, this);
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
    mWake.notify_all();
    mAudio.Abort();
    if (mDecoder.joinable())
        mDecoder.join();
    if (mPresenter.joinable())
        mPresenter.join();
    mAudio.Close();
    std::lock_guard<std::mutex> lock(mMutex);
    mPictures.clear();
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

void PallixDecoderSession::DecodeThread()
{
    {
        // The stream is not ready to be read before the streams are chosen.
        std::unique_lock<std::mutex> lock(mMutex);
        mWake.wait(lock, [&] { return mbAbort || mbSelected; });
        if (mbAbort)
            return;
    }
    mFrame.reset(av_frame_alloc());
    while (mFrame && !IsAborted())
    {
        bool bRan = false;
        if (OpenDemuxer())
            bRan = RunDemuxer();
        CloseDemuxer();
        if (IsAborted() || bRan)
            continue;
        if (!mOwner.OnDecoderError())
            break;
    }
    CloseDemuxer();
    mFrame.reset();
}

bool PallixDecoderSession::OpenDemuxer()
{
    mbProbing = true;
    auto* buffer = static_cast<unsigned char*>(av_malloc(size_t(mnReadSize)));
    if (!buffer)
        return false;
    mIO.reset(avio_alloc_context(buffer, mnReadSize, 0, this, &PallixDecoderSession::ReadPacket, nullptr, nullptr));
    if (!mIO)
    {
        av_free(buffer);
        return false;
    }
    mIO->seekable = 0;

    AVFormatContext* raw = avformat_alloc_context();
    if (!raw)
        return false;
    raw->pb = mIO.get();
    raw->flags |= AVFMT_FLAG_CUSTOM_IO | AVFMT_FLAG_DISCARD_CORRUPT;
    raw->format_whitelist = av_strdup("mpeg,mpegts");
    if (avformat_open_input(&raw, nullptr, nullptr, nullptr) < 0)
        return false;
    mFormat.reset(raw);
    mbTransport = std::strcmp(mFormat->iformat->name, "mpegts") == 0;
    mbProbing = false;
    return true;
}

void PallixDecoderSession::CloseDemuxer()
{
    mVideoCodec.reset();
    mAudioCodec.reset();
    mSwr.reset();
    mSwrFormat = -1;
    mFormat.reset();
    mIO.reset();
    mRoles.clear();
    mVideoIndex = -1;
    mAudioIndex = -1;
    mbNeedKey = true;
    mbDrained = false;
}

int PallixDecoderSession::ReadPacket(void* opaque, uint8_t* buf, int size)
{
    auto* self = static_cast<PallixDecoderSession*>(opaque);
    int nIdle = 0;
    while (!self->IsAborted())
    {
        const uint32_t n = self->mOwner.OnFillBuffer(buf, static_cast<unsigned long>(std::min(size, self->mnReadSize)));
        if (n > 0)
            return int(std::min<uint32_t>(n, uint32_t(size)));
        if (!self->mbProbing && ++nIdle >= STARVED_POLLS)
            return AVERROR_EOF;
        self->WaitAbortFor(POLL_PAUSE);
    }
    return AVERROR_EXIT;
}

bool PallixDecoderSession::RunDemuxer()
{
    pallix_av::PacketPtr packet(av_packet_alloc());
    if (!packet)
        return false;
    while (!IsAborted())
    {
        if (mbSelectionChanged.exchange(false))
        {
            const MPEGDecoder::Selection selection = mOwner.GetSelection();
            mSelectedVideo = selection.nVideo;
            mSelectedAudio = selection.nAudio;
            mSelectedSSID = selection.nAudioSSID;
            mRoles.clear();
            mVideoIndex = -1;
            mAudioIndex = -1;
            mVideoCodec.reset();
            mAudioCodec.reset();
            mbNeedKey = true;
        }
        const int ret = av_read_frame(mFormat.get(), packet.get());
        if (IsAborted())
            break;
        if (ret == AVERROR(EAGAIN))
            continue;
        if (ret < 0)
        {
            if (ret != AVERROR_EOF && !avio_feof(mFormat->pb))
                return false;
            // The stream has nothing for now: show what the decoders hold and
            // carry on reading when more comes.
            Drain();
            mFormat->pb->eof_reached = 0;
            continue;
        }
        const Role role = RoleOf(packet->stream_index);
        if (role == kVideo || role == kAudio)
        {
            mbDrained = false;
            if (TrackTimestamp(role, *packet, mFormat->streams[packet->stream_index]))
            {
                if (role == kVideo)
                    DecodeVideo(packet.get());
                else
                    DecodeAudio(packet.get());
            }
        }
        av_packet_unref(packet.get());
    }
    return true;
}

PallixDecoderSession::Role PallixDecoderSession::RoleOf(int nIndex)
{
    if (nIndex < 0 || unsigned(nIndex) >= mFormat->nb_streams)
        return kIgnored;
    if (mRoles.size() < mFormat->nb_streams)
        mRoles.resize(mFormat->nb_streams, kUnknown);
    Role& role = mRoles[size_t(nIndex)];
    if (role != kUnknown)
        return role;
    const AVStream* stream = mFormat->streams[nIndex];
    // libavformat names program-stream ids by their whole start code (0x1E0),
    // and substreams of private stream 1 by their substream id (0x80).
    const int id = !mbTransport && stream->id >= 0x100 ? stream->id & 0xFF : stream->id;
    role = kIgnored;
    const AVMediaType type = stream->codecpar->codec_type;
    if (type == AVMEDIA_TYPE_VIDEO && mVideoIndex < 0 && mSelectedVideo > 0 && id == mSelectedVideo)
    {
        role = kVideo;
        mVideoIndex = nIndex;
    }
    else if (type == AVMEDIA_TYPE_AUDIO && mAudioIndex < 0 && mSelectedAudio > 0)
    {
        bool bMatch = id == mSelectedAudio;
        if (!mbTransport && mSelectedAudio == PRIVATE_STREAM_1)
            bMatch = stream->id < 0x100 && (mSelectedSSID <= 0 || id == mSelectedSSID);
        if (bMatch)
        {
            role = kAudio;
            mAudioIndex = nIndex;
        }
    }
    return role;
}

bool PallixDecoderSession::OpenCodec(pallix_av::CodecPtr& codec, const AVStream* stream)
{
    const AVCodec* decoder = avcodec_find_decoder(stream->codecpar->codec_id);
    if (!decoder)
        return false;
    pallix_av::CodecPtr context(avcodec_alloc_context3(decoder));
    if (!context || avcodec_parameters_to_context(context.get(), stream->codecpar) < 0)
        return false;
    context->pkt_timebase = stream->time_base;
    // One thread each: the work is spread over the decoder, presenter and sound threads already.
    context->thread_count = 1;
    if (avcodec_open2(context.get(), decoder, nullptr) < 0)
        return false;
    codec = std::move(context);
    return true;
}

bool PallixDecoderSession::TrackTimestamp(Role role, const AVPacket& packet, const AVStream* stream)
{
    const int64_t ts = packet.dts != AV_NOPTS_VALUE ? packet.dts : packet.pts;
    if (ts == AV_NOPTS_VALUE)
        return true;
    const double t = double(ts) * av_q2d(stream->time_base);
    double& last = mLastTs[role];
    bool& bHave = mbHaveTs[role];
    if (!bHave)
    {
        if (mSettlePackets > 0)
        {
            --mSettlePackets;
            if (std::fabs(t - mStretchStart) > JUMP_FORWARD)
                return false;
        }
        bHave = true;
        last = t;
        return true;
    }
    if (t > last + JUMP_FORWARD || t < last - JUMP_BACKWARD)
    {
        NewStretch(t);
        mbHaveTs[role] = true;
        mLastTs[role] = t;
        return true;
    }
    last = t;
    return true;
}

void PallixDecoderSession::NewStretch(double pts)
{
    mOwner.mDiscontinuities.fetch_add(1);
    int nSerial = 0;
    {
        std::lock_guard<std::mutex> lock(mMutex);
        nSerial = ++mSerial;
        mPictures.clear();
    }
    mWake.notify_all();
    mClock.Reset(nSerial);
    mAudio.Flush(nSerial);
    if (mVideoCodec)
        avcodec_flush_buffers(mVideoCodec.get());
    if (mAudioCodec)
        avcodec_flush_buffers(mAudioCodec.get());
    mbNeedKey = true;
    mbGateOpen = false;
    mHeldSound.clear();
    std::fill(std::begin(mbHaveTs), std::end(mbHaveTs), false);
    mStretchStart = pts;
    mSettlePackets = SETTLE_PACKETS;
}

void PallixDecoderSession::DecodeVideo(const AVPacket* packet)
{
    if (!mVideoCodec && (!packet || !OpenCodec(mVideoCodec, mFormat->streams[mVideoIndex])))
    {
        if (packet)
            mRoles[size_t(mVideoIndex)] = kIgnored;
        return;
    }
    // A damaged packet is skipped by the decoder, which finds its feet again.
    avcodec_send_packet(mVideoCodec.get(), packet);
    const AVRational timeBase = mFormat->streams[mVideoIndex]->time_base;
    while (avcodec_receive_frame(mVideoCodec.get(), mFrame.get()) == 0)
    {
        const int64_t ts = mFrame->best_effort_timestamp;
        const double pts = ts != AV_NOPTS_VALUE ? double(ts) * av_q2d(timeBase) : mNextVideoPts;
        if (mVideoCodec->framerate.num > 0 && mVideoCodec->framerate.den > 0)
            mVideoFrameDuration = av_q2d(av_inv_q(mVideoCodec->framerate));
        mNextVideoPts = pts + mVideoFrameDuration * (1.0 + mFrame->repeat_pict / 2.0);
        if (mbNeedKey)
        {
            if (!mFrame->key_frame && mFrame->pict_type != AV_PICTURE_TYPE_I)
            {
                av_frame_unref(mFrame.get());
                continue;
            }
            mbNeedKey = false;
            mKeyPts = pts;
            if (!mbGateOpen)
                OpenGate(pts);
        }
        else if (pts < mKeyPts)
        {
            // Pictures of an open GOP that lean on pictures from before the start.
            av_frame_unref(mFrame.get());
            continue;
        }
        pallix_av::FramePtr frame(av_frame_alloc());
        if (!frame)
            return;
        av_frame_move_ref(frame.get(), mFrame.get());
        {
            std::unique_lock<std::mutex> lock(mMutex);
            mWake.wait(lock, [&] { return mbAbort || mPictures.size() < mnPictures; });
            if (mbAbort)
                return;
            mPictures.push_back(Picture{std::move(frame), pts, mSerial});
        }
        mWake.notify_all();
    }
}

void PallixDecoderSession::DecodeAudio(const AVPacket* packet)
{
    if (!mAudioCodec && (!packet || !OpenCodec(mAudioCodec, mFormat->streams[mAudioIndex])))
    {
        if (packet)
            mRoles[size_t(mAudioIndex)] = kIgnored;
        return;
    }
    avcodec_send_packet(mAudioCodec.get(), packet);
    const AVRational timeBase = mFormat->streams[mAudioIndex]->time_base;
    while (avcodec_receive_frame(mAudioCodec.get(), mFrame.get()) == 0)
    {
        AVFrame& frame = *mFrame;
        const int64_t ts = frame.best_effort_timestamp;
        const double pts = ts != AV_NOPTS_VALUE ? double(ts) * av_q2d(timeBase) : mNextAudioPts;
        if (frame.sample_rate > 0)
            mNextAudioPts = pts + double(frame.nb_samples) / frame.sample_rate;
        const int nChannels = frame.ch_layout.nb_channels;
        if (!mSwr || frame.sample_rate != mSwrRate || frame.format != mSwrFormat || nChannels != mSwrChannels)
        {
            AVChannelLayout in = {};
            if (frame.ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
                av_channel_layout_default(&in, nChannels);
            else
                av_channel_layout_copy(&in, &frame.ch_layout);
            AVChannelLayout out = AV_CHANNEL_LAYOUT_STEREO;
            SwrContext* swr = nullptr;
            const bool bReady = swr_alloc_set_opts2(&swr, &out, AV_SAMPLE_FMT_S16, PallixAudioOutput::RATE, &in,
                                                    AVSampleFormat(frame.format), frame.sample_rate, 0, nullptr) >= 0 &&
                                swr_init(swr) >= 0;
            av_channel_layout_uninit(&in);
            mSwr.reset(swr);
            if (!bReady)
            {
                mSwr.reset();
                av_frame_unref(mFrame.get());
                continue;
            }
            mSwrRate = frame.sample_rate;
            mSwrFormat = frame.format;
            mSwrChannels = nChannels;
        }
        const int nMax = swr_get_out_samples(mSwr.get(), frame.nb_samples);
        Sound sound;
        sound.pts = pts;
        sound.samples.resize(size_t(std::max(nMax, 0)) * PallixAudioOutput::CHANNELS);
        auto* outData = reinterpret_cast<uint8_t*>(sound.samples.data());
        const int nOut = swr_convert(mSwr.get(), &outData, nMax, const_cast<const uint8_t**>(frame.extended_data),
                                     frame.nb_samples);
        av_frame_unref(mFrame.get());
        if (nOut <= 0)
            continue;
        sound.samples.resize(size_t(nOut) * PallixAudioOutput::CHANNELS);
        QueueSound(std::move(sound));
    }
}

void PallixDecoderSession::QueueSound(Sound sound)
{
    if (!mbGateOpen && mSelectedVideo <= 0)
        OpenGate(sound.pts);
    if (mbGateOpen)
    {
        DeliverSound(std::move(sound));
        return;
    }
    mHeldSound.push_back(std::move(sound));
    // No picture is coming: play the sound alone.
    if (mHeldSound.back().pts - mHeldSound.front().pts > HOLD_SOUND)
        OpenGate(mHeldSound.front().pts);
}

void PallixDecoderSession::OpenGate(double pts)
{
    mbGateOpen = true;
    mGatePts = pts;
    std::deque<Sound> held;
    held.swap(mHeldSound);
    for (Sound& sound : held)
        DeliverSound(std::move(sound));
}

void PallixDecoderSession::DeliverSound(Sound sound)
{
    const size_t nFrames = sound.samples.size() / PallixAudioOutput::CHANNELS;
    if (sound.pts + double(nFrames) / PallixAudioOutput::RATE <= mGatePts)
        return;
    if (sound.pts < mGatePts)
    {
        // Start the sound with the first picture.
        const size_t nSkip = std::min(nFrames, size_t((mGatePts - sound.pts) * PallixAudioOutput::RATE));
        sound.samples.erase(sound.samples.begin(),
                            sound.samples.begin() + ptrdiff_t(nSkip * PallixAudioOutput::CHANNELS));
        sound.pts += double(nSkip) / PallixAudioOutput::RATE;
    }
    mAudio.Write(std::move(sound.samples), sound.pts, mSerial);
}

void PallixDecoderSession::Drain()
{
    if (mbDrained)
        return;
    mbDrained = true;
    if (mVideoCodec)
    {
        DecodeVideo(nullptr);
        avcodec_flush_buffers(mVideoCodec.get());
        mbNeedKey = true;
    }
    if (mAudioCodec)
    {
        DecodeAudio(nullptr);
        avcodec_flush_buffers(mAudioCodec.get());
    }
    if (!mbGateOpen && !mHeldSound.empty())
        OpenGate(mHeldSound.front().pts);
}

void PallixDecoderSession::PresentThread()
{
    std::unique_lock<std::mutex> lock(mMutex);
    while (!mbAbort)
    {
        if (mbPaused || mPictures.empty())
        {
            mWake.wait(lock);
            continue;
        }
        Picture& front = mPictures.front();
        if (front.nSerial != mSerial)
        {
            mPictures.pop_front();
            mWake.notify_all();
            continue;
        }
        double clock = 0.0;
        if (!mClock.Get(clock) || front.pts - clock > MAX_AHEAD)
        {
            // The first picture of a stretch starts the clock.
            mClock.Set(front.pts, mSerial);
            clock = front.pts;
        }
        const double delay = front.pts - clock;
        if (delay > 0.001)
        {
            mWake.wait_for(lock, std::min<std::chrono::steady_clock::duration>(
                                     std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                         std::chrono::duration<double>(delay)),
                                     MAX_WAIT));
            continue;
        }
        if (mPictures.size() > 1 && mPictures[1].nSerial == mSerial && mPictures[1].pts <= clock)
        {
            // Late, and the next picture is already due: skip this one.
            mPictures.pop_front();
            mOwner.mFramesDropped.fetch_add(1);
            mWake.notify_all();
            continue;
        }
        Picture picture = std::move(front);
        mPictures.pop_front();
        lock.unlock();
        mWake.notify_all();
        Show(picture, clock);
        lock.lock();
    }
}

void PallixDecoderSession::Show(Picture& picture, double clock)
{
    PallixRect output;
    PallixRect scale;
    mOwner.GetRects(output, scale);
    mVideo.Present(std::move(picture.frame), output, scale);

    const auto offsetUs = int64_t(std::llround((clock - picture.pts) * 1e6));
    mOwner.mLastAVOffsetUs.store(offsetUs);
    int64_t nMax = mOwner.mMaxAVOffsetUs.load();
    while (std::llabs(offsetUs) > nMax && !mOwner.mMaxAVOffsetUs.compare_exchange_weak(nMax, std::llabs(offsetUs)))
    {
    }
    mOwner.mLastPresentedPtsUs.store(int64_t(std::llround(picture.pts * 1e6)));
    if (mOwner.mFramesPresented.fetch_add(1) == 0)
        mOwner.mFirstFrameDelayUs.store(
            std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - mOpened).count());
    PallixWorkQueue::Instance().Wake();
}
