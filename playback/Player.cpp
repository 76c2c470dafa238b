#include "Player.h"

#include "CallLogger.h"
#include "ClientProperties.h"
#include "FileUtils.h"
#include "Logger.h"
#include "MutexLock.h"
#include "PallixApp.h"
#include "PallixFile.h"
#include "PallixInput.h"
#include "PallixTrackChoice.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <iostream>
#include <sys/stat.h>

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
      mDurationInSecs(0), mActivityTimer(0), mLastPos(0), mbMovieFinished(false), mFileDurationInSecs(0),
      mAudioTrack(0), mSubtitleTrack(-1)
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
    setFailureReason("");
    if (openDecoder(true))
        return true;
    if (getFailureReason().IsEmpty())
        setFailureReason("The player could not be started.");
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
        setFailureReason("The player could not be started.");
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
    mFileDurationInSecs = 0;
    mTimeMap = PallixByteTimeMap();
    mAudioTrack = 0;
    mSubtitleTrack = -1;
    stopActivityTimer();

    PallixFile file(mFilename);
    if (!file.Open("r"))
        Logger::logError("Failed to open file for size read.");
    file.Close();
    // A film in parts is read as one stream over them, from its first part on.
    PallixNewArray<PallixString> parts;
    FileUtils::getFilmParts(mFilename, parts);

    {
        MutexLock lock(&mStreamMutex);
        if (!mFileStream.Open(parts))
        {
            Logger::logError("Failed to open file.");
            struct stat st;
            setFailureReason(::stat(file.GetResolvedPath(), &st) != 0 && errno == ENOENT
                                 ? "The file cannot be found."
                                 : "The file cannot be opened.");
            return false;
        }
        mFileSize = mFileStream.GetSize();
        if (!mMPEGFile.SetStream(mFileStream))
        {
            Logger::logError("Stream set failed.");
            setFailureReason(mMPEGFile.GetFailureReason().c_str());
            return false;
        }
    }
    mTimeMap = mMPEGFile.GetByteTimeMap();
    if (ClientProperties::getLogDebug())
        mMPEGFile.Dump();
    MPEGDecoder::SetSource(mMPEGFile);

    // The file's own rate makes a second of jumping a second of movie.
    double duration = mMPEGFile.GetDuration();
    mFileDurationInSecs = static_cast<long>(std::lround(duration));
    if (duration > 0 && mFileSize > 0)
    {
        mBitRate = static_cast<uint32_t>(std::clamp(static_cast<double>(mFileSize) * 8.0 / duration, 8.0,
                                                    static_cast<double>(UINT32_MAX)));
    }
    else
    {
        switch (mMPEGFile.GetMPEGFileType())
        {
        case PallixMPEGFile::kMPEG2TransportStream:
            mBitRate = TRANSPORT_STREAM_BIT_RATE;
            break;
        case PallixMPEGFile::kMPEG2ProgramStream:
            mBitRate = PROGRAM_STREAM_BIT_RATE;
            break;
        default:
            // Without its running time a file's rate is a guess; a program
            // stream's is as good as any, and the same for every such file.
            Logger::logError("Unknown MPEG stream type");
            mBitRate = PROGRAM_STREAM_BIT_RATE;
            break;
        }
    }
    chooseTracks();

    mVideoScaler.nextMode();
    return true;
}

bool Player::updatePIDs()
{
    const PallixMPEGFile::Program* pProgram = mMPEGFile.GetProgramAt(0);
    const PallixMPEGFile::VideoStream* pVideo = mMPEGFile.GetVideoStreamAt(0, 0);
    const PallixMPEGFile::AudioStream* pAudio = mMPEGFile.GetAudioStreamAt(0, mAudioTrack);
    bool bAC3 = pAudio->m_streamType == PallixMPEGFile::kAC3;
    bool bProgramStream = mMPEGFile.GetMPEGFileType() == PallixMPEGFile::kMPEG2ProgramStream;
    // The subtitles first, so that the decoder starts with everything chosen.
    MPEGDecoder::SelectSubtitle(mSubtitleTrack);
    if (!MPEGDecoder::SelectPIDs(bProgramStream, pProgram->m_nPCRPID, pVideo->m_nPIDorStreamID,
                                 pAudio->m_nPIDorStreamID, pAudio->m_nSSID, bAC3))
    {
        Logger::logError("SelectPIDs failed");
        setFailureReason("The file holds no picture and no sound that can be played.");
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
        // Without a buffer the decoder reads the file itself and only the place moves on.
        nRead = pBuffer ? mFileStream.ReadBytes(static_cast<uint32_t>(nBuffSize), pBuffer)
                        : mFileStream.SkipBytes(static_cast<uint32_t>(nBuffSize));
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
    std::string reason = MPEGDecoder::GetErrorReason();
    setFailureReason(reason.empty() ? "The movie cannot be decoded." : reason.c_str());
    // The viewer is told on the loop, as the end of the movie is.
    PallixApp* pApp = PallixApp::GetApp();
    if (pApp)
        mWormhole.PostMessage(pApp->GetAppWormholeURL(), PLAYBACK_FAILED_MESSAGE, nullptr, 0);
    return false;
}

uint64_t Player::OnGetStreamPosition()
{
    MutexLock streamLock(&mStreamMutex);
    return mFileStream.GetPosition();
}

void Player::setFailureReason(const char* reason)
{
    MutexLock lock(&mFailureMutex);
    mFailureReason = reason;
}

PallixString Player::getFailureReason()
{
    MutexLock lock(&mFailureMutex);
    return mFailureReason;
}

// The viewer's languages choose the first sound track and the subtitles; a
// forced track shows even to a viewer who wants none.
void Player::chooseTracks()
{
    PallixString audioLang = ClientProperties::getAudioLang();
    mAudioTrack = PallixTrackChoice::ChooseAudio(mMPEGFile, audioLang);
    PallixString subtitleLang = ClientProperties::getSubtitleLang();
    mSubtitleTrack = PallixTrackChoice::ChooseSubtitle(mMPEGFile, subtitleLang,
                                                       mMPEGFile.GetAudioStreamAt(0, mAudioTrack)->m_language);
}

int Player::getNumAudioTracks() const
{
    return mMPEGFile.GetNumAudioStreams(0);
}

PallixString Player::getAudioTrackName(int track) const
{
    return PallixTrackChoice::DescribeAudio(*mMPEGFile.GetAudioStreamAt(0, track)).c_str();
}

bool Player::nextAudioTrack()
{
    int count = getNumAudioTracks();
    if (count < 2)
        return false;
    mAudioTrack = (mAudioTrack + 1) % count;
    // The decoder switches the sound where the movie is.
    return updatePIDs();
}

int Player::getNumSubtitleTracks() const
{
    return mMPEGFile.GetNumSubtitleStreams(0);
}

PallixString Player::getSubtitleTrackName(int track) const
{
    return PallixTrackChoice::DescribeSubtitle(*mMPEGFile.GetSubtitleStreamAt(0, track)).c_str();
}

void Player::nextSubtitleTrack()
{
    int count = getNumSubtitleTracks();
    mSubtitleTrack = mSubtitleTrack + 1 < count ? mSubtitleTrack + 1 : -1;
    MPEGDecoder::SelectSubtitle(mSubtitleTrack);
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

// In 64 bits: a 15-minute skip in a large film is more bytes than an int holds.
int64_t Player::getNumBytesInSeconds(int secs)
{
    return static_cast<int64_t>(mBitRate / 8) * secs;
}

int64_t Player::getSeekingOffset()
{
    return static_cast<int64_t>(mBitRate / 8) * mSecondsPerSecond;
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

int Player::getNumChapters() const
{
    return static_cast<int>(mMPEGFile.GetChapters().size());
}

double Player::getChapterSeconds(int nChapter) const
{
    if (nChapter < 0 || nChapter >= getNumChapters())
        return 0.0;
    return mMPEGFile.GetChapters()[static_cast<size_t>(nChapter)] - mTimeMap.GetStart();
}

uint64_t Player::getChapterPosition(int nChapter) const
{
    if (nChapter < 0 || nChapter >= getNumChapters())
        return 0;
    return mTimeMap.PositionAt(mMPEGFile.GetChapters()[static_cast<size_t>(nChapter)]);
}

double Player::getSecondsAt(uint64_t position) const
{
    return mTimeMap.TimeAt(position) - mTimeMap.GetStart();
}
