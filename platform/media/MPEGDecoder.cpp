#include "MPEGDecoder.h"

#include "PallixAVTypes.h"
#include "PallixDecoderSession.h"
#include "PallixEventLoop.h"
#include "PallixVideoPlane.h"

#include <algorithm>
#include <cstdio>
#include <malloc.h>

namespace
{
constexpr int MIN_PICTURES = 2;
constexpr int MAX_PICTURES = 64;
// A transport stream packet is the smallest useful read.
constexpr int MIN_READ_SIZE = 188;

// Every decoder that exists, for the control channel's "playback" verb.
std::mutex& registryMutex()
{
    static std::mutex mutex;
    return mutex;
}

std::vector<MPEGDecoder*>& registry()
{
    static std::vector<MPEGDecoder*> decoders;
    return decoders;
}
} // namespace

MPEGDecoder::MPEGDecoder()
{
    static std::once_flag once;
    std::call_once(once, [] {
        PallixEventLoop::RegisterControlVerb("playback", [](std::string_view) { return DescribePlayback(); });
    });
    std::lock_guard<std::mutex> lock(registryMutex());
    registry().push_back(this);
}

MPEGDecoder::~MPEGDecoder()
{
    {
        std::lock_guard<std::mutex> lock(registryMutex());
        auto& decoders = registry();
        decoders.erase(std::remove(decoders.begin(), decoders.end(), this), decoders.end());
    }
    Close();
    std::lock_guard<std::mutex> lock(mMutex);
    mSession.reset();
}

uint32_t MPEGDecoder::OnFillBuffer(unsigned char* pBuffer, unsigned long nBuffSize)
{
    (void)pBuffer;
    (void)nBuffSize;
    return 0;
}

bool MPEGDecoder::OnDecoderError()
{
    return false;
}

uint64_t MPEGDecoder::OnGetStreamPosition()
{
    return 0;
}

bool MPEGDecoder::Open(int nBuffers, int nReadSize)
{
    if (nBuffers < 1 || nReadSize < MIN_READ_SIZE)
        return false;
    std::lock_guard<std::mutex> lock(mMutex);
    if (mbOpen)
        return false;
    pallix_av::InitOnce();
    mFramesPresented = 0;
    mFramesDropped = 0;
    mMaxAVOffsetUs = 0;
    mFirstFrameDelayUs = -1;
    mFirstSoundDelayUs = -1;
    mLastPresentedPtsUs = 0;
    mDiscontinuities = 0;
    mErrorReason.clear();
    if (!mSession)
        mSession = std::make_unique<PallixDecoderSession>(*this);
    if (!mSession->Start(std::clamp(nBuffers, MIN_PICTURES, MAX_PICTURES), nReadSize, mbPaused))
        return false;
    mbOpen = true;
    if (mSelection.bSelected)
        mSession->OnSelectionChanged();
    return true;
}

bool MPEGDecoder::IsOpen() const
{
    std::lock_guard<std::mutex> lock(mMutex);
    return mbOpen;
}

bool MPEGDecoder::Close()
{
    PallixDecoderSession* pSession = nullptr;
    {
        std::lock_guard<std::mutex> lock(mMutex);
        if (!mbOpen)
            return false;
        mbOpen = false;
        pSession = mSession.get();
        mSelection = Selection();
        mbPaused = false;
    }
    // The threads call back into this object, so they are stopped outside the
    // lock. Only Open, Close, ClearVideo and the destructor replace the session,
    // all on the owner's thread, so it stays while it stops.
    pSession->Stop();
    return true;
}

void MPEGDecoder::ClearVideo()
{
    std::unique_ptr<PallixDecoderSession> parked;
    {
        std::lock_guard<std::mutex> lock(mMutex);
        if (!mbOpen)
            parked = std::move(mSession);
    }
    parked.reset();
    PallixVideoPlane::Get().Clear();
    // A film's decoding threads leave their freed buffers in malloc's arenas, tens
    // of megabytes for each codec played; between films they go back to the system.
    malloc_trim(0);
}

void MPEGDecoder::SetSource(const PallixMPEGFile& file)
{
    Source source;
    source.bFile = file.GetMPEGFileType() == PallixMPEGFile::kOtherContainer;
    source.path = file.GetPath();
    source.parts = file.GetParts();
    source.map = file.GetByteTimeMap();
    source.opened = file.GetOpenedFilm();
    for (int i = 0; i < file.GetNumSubtitleStreams(0); ++i)
        source.subtitles.push_back(*file.GetSubtitleStreamAt(0, i));
    std::lock_guard<std::mutex> lock(mMutex);
    mSource = std::move(source);
}

bool MPEGDecoder::SelectPIDs(bool bProgramStream, int pcrPID, int videoPID, int audioPID, int audioSSID, bool bAC3)
{
    // The container and the codecs are recognised from the bytes themselves, and
    // the sound keeps the time, so only the stream ids matter here.
    (void)bProgramStream;
    (void)pcrPID;
    (void)bAC3;
    if (videoPID <= 0 && audioPID <= 0)
        return false;
    std::lock_guard<std::mutex> lock(mMutex);
    mSelection.bSelected = true;
    mSelection.nVideo = videoPID;
    mSelection.nAudio = audioPID;
    mSelection.nAudioSSID = audioSSID;
    if (mbOpen)
        mSession->OnSelectionChanged();
    return true;
}

bool MPEGDecoder::SelectSubtitle(int nIndex)
{
    std::lock_guard<std::mutex> lock(mMutex);
    if (nIndex < -1 || nIndex >= int(mSource.subtitles.size()))
        return false;
    if (mSelection.nSubtitle == nIndex)
        return true;
    mSelection.nSubtitle = nIndex;
    if (mbOpen && mSelection.bSelected)
        mSession->OnSelectionChanged();
    return true;
}

bool MPEGDecoder::PauseStreaming()
{
    std::lock_guard<std::mutex> lock(mMutex);
    if (!mbOpen)
        return false;
    mbPaused = true;
    mSession->SetPaused(true);
    return true;
}

bool MPEGDecoder::ResumeStreaming()
{
    std::lock_guard<std::mutex> lock(mMutex);
    if (!mbOpen)
        return false;
    mbPaused = false;
    mSession->SetPaused(false);
    return true;
}

bool MPEGDecoder::SetOutputAndScaleRects(const PallixRect& output, const PallixRect& scale)
{
    if (output.IsEmpty() || scale.IsEmpty())
        return false;
    std::lock_guard<std::mutex> lock(mMutex);
    mOutput = output;
    mScale = scale;
    return true;
}

void MPEGDecoder::SetKeepAspect(bool bKeep)
{
    std::lock_guard<std::mutex> lock(mMutex);
    mbKeepAspect = bKeep;
}

std::string MPEGDecoder::GetErrorReason() const
{
    std::lock_guard<std::mutex> lock(mMutex);
    return mErrorReason;
}

void MPEGDecoder::SetErrorReason(const std::string& reason)
{
    std::lock_guard<std::mutex> lock(mMutex);
    mErrorReason = reason;
}

int MPEGDecoder::GetSelectedAudio() const
{
    std::lock_guard<std::mutex> lock(mMutex);
    return mSelection.nAudio;
}

int MPEGDecoder::GetSelectedSubtitle() const
{
    std::lock_guard<std::mutex> lock(mMutex);
    return mSelection.nSubtitle;
}

MPEGDecoder::Selection MPEGDecoder::GetSelection() const
{
    std::lock_guard<std::mutex> lock(mMutex);
    return mSelection;
}

MPEGDecoder::Source MPEGDecoder::GetSource() const
{
    std::lock_guard<std::mutex> lock(mMutex);
    return mSource;
}

void MPEGDecoder::GetRects(PallixRect& output, PallixRect& scale, bool& bKeepAspect) const
{
    std::lock_guard<std::mutex> lock(mMutex);
    output = mOutput;
    scale = mScale;
    bKeepAspect = mbKeepAspect;
}

// One line for the control channel: whether a decoder plays, where it is, and
// how well it keeps up.
std::string MPEGDecoder::DescribePlayback()
{
    std::lock_guard<std::mutex> lock(registryMutex());
    const MPEGDecoder* pShown = nullptr;
    for (const MPEGDecoder* pDecoder : registry())
        if (!pShown || pDecoder->IsOpen())
            pShown = pDecoder;
    if (!pShown)
        return "OK none";
    // Milliseconds, -1 for what has not happened yet.
    auto ms = [](int64_t us) { return us < 0 ? -1.0 : double(us) / 1000.0; };
    char line[256];
    std::snprintf(line, sizeof line,
                  "OK %s pts=%.3f shown=%llu dropped=%llu maxav=%.1f picture=%.1f sound=%.1f audio=%d subtitle=%d",
                  pShown->IsOpen() ? "open" : "closed", double(pShown->GetLastPresentedPtsUs()) / 1e6,
                  static_cast<unsigned long long>(pShown->GetFramesPresented()),
                  static_cast<unsigned long long>(pShown->GetFramesDropped()), ms(pShown->GetMaxAVOffsetUs()),
                  ms(pShown->GetFirstFrameDelayUs()), ms(pShown->GetFirstSoundDelayUs()), pShown->GetSelectedAudio(),
                  pShown->GetSelectedSubtitle());
    return line;
}
