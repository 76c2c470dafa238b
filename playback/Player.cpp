#include "Player.h"

#include "CallLogger.h"
#include "ClientProperties.h"
#include "FileUtils.h"
#include "Logger.h"
#include "MutexLock.h"
#include "PallixApp.h"
#include "PallixFile.h"
#include "PallixInput.h"

#include <iostream>

namespace
{
constexpr uint32_t TRANSPORT_STREAM_BIT_RATE = 19000000;
constexpr uint32_t PROGRAM_STREAM_BIT_RATE = 5000000;
constexpr int DECODER_BUFFERS = 16;
constexpr int DECODER_READ_SIZE = 0x8000;
constexpr uint32_t SEEK_PERIOD_MS = 1000;
constexpr uint32_t ACTIVITY_PERIOD_MS = 60000;
// When fast movement ends, this many of its seconds are stepped back so the
// viewer sees where it stopped.
constexpr int TRICK_PLAY_STEP_BACK = 5;
constexpr const char* WORMHOLE_URL = "wormhole://localhost/wormhole.quorva";
} // namespace

Player::Player()
    : mbPaused(false), mFileSize(0), mBitRate(TRANSPORT_STREAM_BIT_RATE), mSeekTimer(0), mSecondsPerSecond(1),
      mDurationInSecs(0), mActivityTimer(0), mLastPos(0), mbMovieFinished(false)
{
    mVideoScaler.setDecoder(this);
    mWormhole.Create(WORMHOLE_URL);
}

Player::~Player()
{
    MPEGDecoder::Close();
}

bool Player::startPlaying(const char* pFileName, long durationInSecs)
{
    mbMovieFinished = false;
    mFilename = pFileName ? pFileName : "";
    mDurationInSecs = durationInSecs;
    mStartFailure = PallixString();
    if (openDecoder(true))
        return true;
    if (mStartFailure.IsEmpty())
        mStartFailure = "The player could not be started.";
    // Nothing of a failed start stays open.
    MPEGDecoder::Close();
    stopActivityTimer();
    MutexLock lock(&mMutex);
    MutexLock streamLock(&mStreamMutex);
    mFileStream.Close();
    return false;
}

bool Player::openDecoder(bool bFirstTime)
{
    if (!MPEGDecoder::Open(DECODER_BUFFERS, DECODER_READ_SIZE))
    {
        Logger::logError("Failed to open MPEGDecoder");
        return false;
    }
    if (bFirstTime && !initForPlay())
        return false;
    if (!updatePIDs())
        return false;
    if (!resume())
        return false;
    startActivityTimer();
    return true;
}

bool Player::initForPlay()
{
    mbPaused = false;
    mSecondsPerSecond = 1;
    mSeekTimer = 0;
    mFileSize = 0;
    mLastPos = 0;
    stopActivityTimer();

    PallixFile file(mFilename);
    if (file.Open("r"))
        mFileSize = file.GetFileSize();
    else
        Logger::logError("Failed to open file for size read.");
    file.Close();

    {
        MutexLock lock(&mStreamMutex);
        if (!mFileStream.Open(file))
        {
            Logger::logError("Failed to open file.");
            mStartFailure = FileUtils::fileExists(mFilename) ? "The file cannot be read."
                                                             : PallixString("The file is missing: ") + mFilename;
            return false;
        }
        if (!mMPEGFile.SetStream(mFileStream))
        {
            Logger::logError("Stream set failed.");
            mStartFailure = "It is not a movie that Quorva can play.";
            return false;
        }
    }
    if (ClientProperties::getLogDebug())
        mMPEGFile.Dump();

    switch (mMPEGFile.GetMPEGFileType())
    {
    case PallixMPEGFile::kMPEG2TransportStream:
        mBitRate = TRANSPORT_STREAM_BIT_RATE;
        break;
    case PallixMPEGFile::kMPEG2ProgramStream:
        mBitRate = PROGRAM_STREAM_BIT_RATE;
        break;
    default:
        // Keep the rate of the previous file: the closest guess there is.
        Logger::logError("Unknown MPEG stream type");
        break;
    }

    mVideoScaler.nextMode();
    return true;
}

bool Player::updatePIDs()
{
    const PallixMPEGFile::Program* pProgram = mMPEGFile.GetProgramAt(0);
    const PallixMPEGFile::VideoStream* pVideo = mMPEGFile.GetVideoStreamAt(0, 0);
    const PallixMPEGFile::AudioStream* pAudio = mMPEGFile.GetAudioStreamAt(0, 0);
    bool bAC3 = pAudio->m_streamType == PallixMPEGFile::kAC3;
    bool bProgramStream = mMPEGFile.GetMPEGFileType() == PallixMPEGFile::kMPEG2ProgramStream;
    if (!MPEGDecoder::SelectPIDs(bProgramStream, pProgram->m_nPCRPID, pVideo->m_nPIDorStreamID,
                                 pAudio->m_nPIDorStreamID, pAudio->m_nSSID, bAC3))
    {
        Logger::logError("SelectPIDs failed");
        mStartFailure = "No picture or sound was found in it.";
        return false;
    }
    if (ClientProperties::getLogDebug())
        Logger::logDebug("SelectPIDs succeeded.");
    return true;
}

uint32_t Player::OnFillBuffer(unsigned char* pBuffer, unsigned long nBuffSize)
{
    if (!IsOpen())
        return 0;
    uint32_t nRead = 0;
    uint64_t position = 0;
    {
        MutexLock lock(&mStreamMutex);
        nRead = mFileStream.ReadBytes(static_cast<uint32_t>(nBuffSize), pBuffer);
        position = mFileStream.GetPosition();
    }
    if (nRead > 0)
        mLastPos = position;
    // A read that reaches the end, and an empty one at the end (a jump or fast
    // forward past it), both end the movie; the message is posted once.
    if (position >= mFileSize && !mbMovieFinished.exchange(true))
    {
        PallixApp* pApp = PallixApp::GetApp();
        if (pApp)
            mWormhole.PostMessage(pApp->GetAppWormholeURL(), END_OF_MOVIE_MESSAGE, nullptr, 0);
    }
    return nRead;
}

bool Player::OnDecoderError()
{
    Logger::logError("There was a decoder error!");
    return false;
}

uint64_t Player::getPosition()
{
    MutexLock lock(&mMutex, "Player::getPosition");
    MutexLock streamLock(&mStreamMutex);
    return mFileStream.GetPosition();
}

void Player::seekToPosition(uint64_t position)
{
    MPEGDecoder::PauseStreaming();
    MutexLock lock(&mMutex, "Player::seekToPosition");
    {
        MutexLock streamLock(&mStreamMutex);
        mFileStream.SeekToPosition(position);
    }
    restart();
}

bool Player::restart()
{
    if (ClientProperties::getLogDebug())
        Logger::logDebug("restarting...");
    MPEGDecoder::Close();
    return openDecoder(false);
}

void Player::jumpSeconds(int sec)
{
    if (mbPaused)
        return;
    int64_t bytes = static_cast<int64_t>(mBitRate / 8) * sec;
    uint64_t position = getPosition();
    // Back past the start lands on the start; forward past the end ends the movie.
    seekToPosition(bytes < 0 && static_cast<uint64_t>(-bytes) > position ? 0 : position + bytes);
}

int Player::getNumBytesInSeconds(int secs)
{
    return static_cast<int>(mBitRate / 8) * secs;
}

int Player::getSeekingOffset()
{
    return static_cast<int>(mBitRate / 8) * mSecondsPerSecond;
}

void Player::setSeekRate(int secondsPerSecond)
{
    mSecondsPerSecond = secondsPerSecond;
    if (secondsPerSecond == 1)
        stopSeekTimer(true);
    else
        startSeekTimer();
}

void Player::startSeekTimer()
{
    if (mSeekTimer != 0)
        return;
    doTrickPlaySeek();
    mSeekTimer = SetTimer(SEEK_PERIOD_MS);
}

void Player::moveStream(uint64_t position, int64_t offset)
{
    MutexLock streamLock(&mStreamMutex);
    mFileStream.SeekToPosition(offset < 0 && static_cast<uint64_t>(-offset) > position ? 0 : position + offset);
}

// The running decoder simply goes on with the data from the new place; a
// restart on every step would stall the picture.
void Player::doTrickPlaySeek()
{
    uint64_t position = getPosition();
    MutexLock lock(&mMutex, "Player::doTrickPlaySeek");
    moveStream(position, getSeekingOffset());
}

void Player::stopSeekTimer(bool bJumpBack)
{
    if (mSeekTimer == 0)
        return;
    MutexLock lock(&mTimerMutex);
    KillTimer(mSeekTimer);
    mSeekTimer = 0;
    if (bJumpBack)
    {
        int64_t back = static_cast<int64_t>(TRICK_PLAY_STEP_BACK) * getSeekingOffset();
        uint64_t position = getPosition();
        seekToPosition(back > 0 && static_cast<uint64_t>(back) > position ? 0 : position - back);
    }
}

void Player::startActivityTimer()
{
    if (mActivityTimer == 0)
        mActivityTimer = SetTimer(ACTIVITY_PERIOD_MS);
}

void Player::stopActivityTimer()
{
    if (mActivityTimer != 0)
    {
        KillTimer(mActivityTimer);
        mActivityTimer = 0;
    }
}

void Player::OnTimer(uint32_t timerID)
{
    MutexLock lock(&mTimerMutex);
    if (timerID == mSeekTimer)
        doTrickPlaySeek();
    else if (timerID == mActivityTimer && !mbPaused)
        // A playing movie is not an idle screen.
        PallixInput::NotifyScreenActivity();
}

bool Player::pause()
{
    if (mbPaused)
        return true;
    mbPaused = true;
    if (!MPEGDecoder::PauseStreaming())
    {
        Logger::logError("Failed to PauseStreaming");
        return false;
    }
    return true;
}

bool Player::resume()
{
    mbPaused = false;
    if (!MPEGDecoder::ResumeStreaming())
    {
        Logger::logError("Failed to ResumeStreaming");
        return false;
    }
    return true;
}

void Player::close()
{
    CallLogger log("Player::close");
    bool bClosed = MPEGDecoder::Close();
    if (!bClosed)
        std::cout << "Failed to close!" << std::endl;
    stopActivityTimer();
    stopSeekTimer(false);

    MutexLock lock(&mMutex);
    {
        MutexLock streamLock(&mStreamMutex);
        mFileStream.Close();
    }
    if (!bClosed && !MPEGDecoder::Close())
        std::cout << "Failed to close again." << std::endl;
    // Playback is over: the last picture must not stay under the windows.
    ClearVideo();
}

double Player::getPercentComplete()
{
    uint64_t position = 0;
    {
        MutexLock streamLock(&mStreamMutex);
        position = mFileStream.GetPosition();
    }
    return getPercentComplete(position);
}

// Exact for every size: dividing both operands by 10,000 first would divide by
// zero for a file under 10,000 bytes.
double Player::getPercentComplete(uint64_t position)
{
    if (mFileSize == 0)
        return 0.0;
    return static_cast<double>(position) / static_cast<double>(mFileSize);
}
