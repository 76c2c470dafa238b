#include "MPEGDecoder.h"

#include "PallixAVTypes.h"
#include "PallixDecoderSession.h"
#include "PallixVideoPlane.h"

#include <algorithm>

namespace
{
constexpr int MIN_PICTURES = 2;
constexpr int MAX_PICTURES = 64;
// A transport stream packet is the smallest useful read.
constexpr int MIN_READ_SIZE = 188;
} // namespace

MPEGDecoder::MPEGDecoder() = default;

MPEGDecoder::~MPEGDecoder()
{
    Close();
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

bool MPEGDecoder::Open(int nBuffers, int nReadSize)
{
    if (nBuffers < 1 || nReadSize < MIN_READ_SIZE)
        return false;
    std::lock_guard<std::mutex> lock(mMutex);
    if (mSession)
        return false;
    pallix_av::InitOnce();
    mFramesPresented = 0;
    mFramesDropped = 0;
    mLastAVOffsetUs = 0;
    mMaxAVOffsetUs = 0;
    mFirstFrameDelayUs = -1;
    mLastPresentedPtsUs = 0;
    mDiscontinuities = 0;
    auto session = std::make_unique<PallixDecoderSession>(*this, std::clamp(nBuffers, MIN_PICTURES, MAX_PICTURES),
                                                          nReadSize, mbPaused);
    if (!session->Start())
        return false;
    mSession = std::move(session);
    if (mSelection.bSelected)
        mSession->OnSelectionChanged();
    return true;
}

bool MPEGDecoder::IsOpen() const
{
    std::lock_guard<std::mutex> lock(mMutex);
    return mSession != nullptr;
}

bool MPEGDecoder::Close()
{
    std::unique_ptr<PallixDecoderSession> session;
    {
        std::lock_guard<std::mutex> lock(mMutex);
        session = std::move(mSession);
        mSelection = Selection();
        mbPaused = false;
    }
    // The threads call back into this object, so they are stopped outside the lock.
    if (!session)
        return false;
    session->Stop();
    return true;
}

void MPEGDecoder::ClearVideo()
{
    PallixVideoPlane::Get().Clear();
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
    mSelection = Selection{true, videoPID, audioPID, audioSSID};
    if (mSession)
        mSession->OnSelectionChanged();
    return true;
}

bool MPEGDecoder::PauseStreaming()
{
    std::lock_guard<std::mutex> lock(mMutex);
    if (!mSession)
        return false;
    mbPaused = true;
    mSession->SetPaused(true);
    return true;
}

bool MPEGDecoder::ResumeStreaming()
{
    std::lock_guard<std::mutex> lock(mMutex);
    if (!mSession)
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

MPEGDecoder::Selection MPEGDecoder::GetSelection() const
{
    std::lock_guard<std::mutex> lock(mMutex);
    return mSelection;
}

void MPEGDecoder::GetRects(PallixRect& output, PallixRect& scale) const
{
    std::lock_guard<std::mutex> lock(mMutex);
    output = mOutput;
    scale = mScale;
}
