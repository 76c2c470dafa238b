#include "PlayerWindow.h"

#include "ChapterMarks.h"
#include "ClientProperties.h"
#include "Logger.h"
#include "MediaEntry.h"
#include "MutexLock.h"
#include "PallixBitmap.h"
#include "PallixScreen.h"
#include "QuorvaApp.h"
#include "QuorvaDatFile.h"
#include "RemoteKeys.h"

#include <cstdio>
#include <ctime>

namespace
{
const int SEEK_RATES[PlayerWindow::NUM_SEEK_RATES] = {-40, -20, -10, 1, 5, 15, 30};
const int JUMP_RATES[PlayerWindow::NUM_JUMP_RATES] = {-300, -180, -60, -30, -15, 0, 15, 30, 60, 180, 300};
const char* const gJumpBmpNames[PlayerWindow::NUM_JUMP_RATES] = {
    "5minBack.png",    "3minBack.png",     "1minBack.png",     "30secBack.png",   "15secBack.png",  "",
    "15secForward.png", "30secForward.png", "1minForward.png", "3minForward.png", "5minForward.png"};

constexpr uint32_t REDRAW_PERIOD_MS = 1000;
constexpr uint32_t JUMP_DELAY_MS = 1000;
constexpr int SKIP_SEGMENT_SECS = 900;
// A resume starts this far before the point where playback stopped, so the
// viewer regains the thread.
constexpr int RESUME_LEAD_SECS = 5;
constexpr uint32_t TRACK_MESSAGE_MS = 3000;
constexpr uint32_t RESUME_LIST_WIDTH = 400;
constexpr uint32_t RESUME_LIST_HEIGHT = 200;

PallixString clockText(int seconds)
{
    char text[32];
    std::snprintf(text, sizeof(text), "%d:%2.2d:%2.2d", seconds / 3600, seconds % 3600 / 60, seconds % 60);
    return text;
}
} // namespace

PlayerWindow PlayerWindow::INSTANCE;

PlayerWindow::PlayerWindow()
    : mpEntry(nullptr), mpWindow(nullptr), mbEpisode(false), mInfoState(0), mSeekIndex(NORMAL_SEEK_INDEX),
      mRedrawTimer(0), mJumpTimer(0), mJumpIndex(NO_JUMP_INDEX), mAutohideCount(0), mResumePos(0), mbStarted(false),
      mTrackMessageTimer(0)
{
}

PlayerWindow::~PlayerWindow() = default;

PlayerWindow* PlayerWindow::getInstance()
{
    return &INSTANCE;
}

void PlayerWindow::init(PallixString filename)
{
    mpEntry = nullptr;
    mFilename = filename;
    mSeekIndex = NORMAL_SEEK_INDEX;
    mInfoState = 0;
    mRedrawTimer = 0;
    mJumpTimer = 0;
    mJumpIndex = NO_JUMP_INDEX;
    SetRectAbsolute(PallixScreen().GetRect());
    mList.setListener(this);
    mUpNext.setListener(this);
    mList.setDrawBG(true);
    mList.setTransparent(true);
    loadBitmaps();
}

void PlayerWindow::playEntry(MediaEntry* pEntry, PallixString designatedFile, PallixWindow* pWindow,
                             bool bCheckForResume, bool bPromptForResume)
{
    // A title asked for while another plays ends that one first, as Exit would.
    if (IsMaterialized())
        onExitPlayer();
    mbEpisode = false;
    mDesignatedFile = designatedFile;
    PallixString path;
    if (designatedFile.GetLength() > 0 && pEntry)
    {
        path = pEntry->getPath() + "/" + designatedFile;
        mbEpisode = true;
    }
    else if (pEntry)
    {
        path = pEntry->getFullPathToPlayFile();
    }
    init(path);
    mpEntry = pEntry;
    mpWindow = pWindow;

    if (pWindow)
        pWindow->Vanish();
    Materialize(kAppNormal);

    mResumePos = 0;
    mStartFailure = PallixString();
    long duration = 0;
    // A title without a saved zoom mode opens in the first one, not in the one
    // after the previous title's.
    mPlayer.getVideoScaler().reset();
    if (mpEntry)
    {
        duration = mpEntry->getDurationInSecs();
        QuorvaDatFile stats(mFilename);
        if (stats.getZoomMode() != -1)
            mPlayer.getVideoScaler().setZoomMode(stats.getZoomMode());
        if (bCheckForResume)
            mResumePos = stats.getLastPosition();
    }

    mbStarted = mPlayer.startPlaying(mFilename, duration);
    if (!mbStarted)
    {
        // The viewer is told why, on the screen, until a key takes them back.
        mStartFailure = mPlayer.getFailureReason();
        mResumePos = 0;
        SetFocus(true);
        Redraw();
        return;
    }

    if (mResumePos == 0)
    {
        SetFocus(true);
    }
    else if (bPromptForResume)
    {
        showResumeChoices();
    }
    else
    {
        SetFocus(true);
        mPlayer.seekToPosition(mResumePos);
        mResumePos = 0;
    }
}

void PlayerWindow::showResumeChoices()
{
    mList.removeAllItems();
    if (getDurationInSecs() > 0)
    {
        mList.addItem(PallixString("Resume at ") + getPositionAsTimeString(mResumePos), &mResumePos);
    }
    else
    {
        char label[48];
        std::snprintf(label, sizeof(label), "Resume at %d%%",
                      static_cast<int>(mPlayer.getPercentComplete(mResumePos) * 100));
        mList.addItem(label, &mResumePos);
    }
    mList.addItem("Continue From Here", nullptr);

    AddChild(&mList);
    mList.setSelectedIndex(0);
    PallixRect rect = GetRectAbsolute();
    mList.SetRectAbsolute(PallixRect(static_cast<int32_t>(rect.w / 2) - static_cast<int32_t>(RESUME_LIST_WIDTH / 2),
                                     static_cast<int32_t>(rect.h / 2) - static_cast<int32_t>(RESUME_LIST_HEIGHT / 2),
                                     RESUME_LIST_WIDTH, RESUME_LIST_HEIGHT));
    mList.Materialize(kAppNormal);
    mList.SetFocus(true);
    RedrawScreen();
}

void PlayerWindow::closeResumeChoices()
{
    if (mList.GetParent() != this)
        return;
    mList.removeAllItems();
    mList.Vanish();
    RemoveChild(&mList);
}

void PlayerWindow::onItemChosen(int item, int)
{
    void* pData = mList.getItemData(item);
    closeResumeChoices();
    Redraw();
    SetFocus(true);
    if (pData)
    {
        mPlayer.seekToPosition(mResumePos);
        mResumePos = 0;
    }
}

void PlayerWindow::onItemSelected(int)
{
    RedrawScreen();
}

void PlayerWindow::onNavLeft() {}

void PlayerWindow::onPageBack() {}

void PlayerWindow::OnMaterialize() {}

bool PlayerWindow::OnNavKey(unsigned long nKey, PallixWindow*&)
{
    if (!mStartFailure.IsEmpty())
    {
        onExitPlayer();
        return true;
    }
    switch (nKey)
    {
    case RemoteKeys::UP:
        stepJump(1);
        return true;
    case RemoteKeys::DOWN:
        stepJump(-1);
        return true;
    case RemoteKeys::LEFT:
        updateSeekRate(-1);
        return true;
    case RemoteKeys::RIGHT:
        updateSeekRate(1);
        return true;
    default:
        return false;
    }
}

// Every key stops here: none of them means anything to the hidden windows below.
bool PlayerWindow::OnKeyDown(unsigned long nKey)
{
    // Any key takes the viewer back from a title that could not be played.
    if (!mStartFailure.IsEmpty())
    {
        onExitPlayer();
        return true;
    }
    switch (nKey)
    {
    case RemoteKeys::SELECT:
        updateSeekRate(NORMAL_SEEK_INDEX - mSeekIndex);
        break;
    case RemoteKeys::PLAY:
        togglePause();
        break;
    case RemoteKeys::NEXT:
        skipToNextTick();
        if (mInfoState == 0)
            incrementInfoState();
        break;
    case RemoteKeys::BACK:
        skipToPreviousTick();
        if (mInfoState == 0)
            incrementInfoState();
        break;
    case RemoteKeys::ZOOM:
        mPlayer.getVideoScaler().nextMode();
        mInfoState = 2;
        startRedrawTimer(true);
        break;
    case RemoteKeys::INFO:
        incrementInfoState();
        break;
    case RemoteKeys::EXIT:
        onExitPlayer();
        break;
    case RemoteKeys::SUBTITLE:
    {
        mPlayer.nextSubtitleTrack();
        int track = mPlayer.getSubtitleTrack();
        char label[32];
        std::snprintf(label, sizeof(label), "Subtitles %d/%d: ", track + 1, mPlayer.getNumSubtitleTracks());
        showTrackMessage(track < 0 ? PallixString("Subtitles off")
                                   : PallixString(label) + mPlayer.getSubtitleTrackName(track));
        break;
    }
    case RemoteKeys::AUDIO:
    {
        mPlayer.nextAudioTrack();
        int count = mPlayer.getNumAudioTracks();
        char label[32];
        std::snprintf(label, sizeof(label), "Audio %d/%d: ", mPlayer.getAudioTrack() + 1, count);
        showTrackMessage(count == 0 ? PallixString("No audio")
                                    : PallixString(label) + mPlayer.getAudioTrackName(mPlayer.getAudioTrack()));
        break;
    }
    default:
        break;
    }
    return true;
}

void PlayerWindow::updateSeekRate(int change)
{
    if (!ClientProperties::isTrickplayEnabled())
        return;
    mSeekIndex += change;
    // Past the fastest or the slowest rate comes normal playback again.
    if (mSeekIndex >= NUM_SEEK_RATES || mSeekIndex < 0)
        mSeekIndex = NORMAL_SEEK_INDEX;
    if (mInfoState == 0)
        mInfoState = 1;
    mPlayer.setSeekRate(SEEK_RATES[mSeekIndex]);
    startRedrawTimer(true);
}

// Presses add up; the jump is made a second after the last one, and a press
// beyond the largest jump cancels it.
void PlayerWindow::stepJump(int step)
{
    MutexLock lock(&mJumpMutex, "PlayerWindow::stepJump");
    stopJumpTimer();
    if (mJumpIndex == (step > 0 ? NUM_JUMP_RATES - 1 : 0))
    {
        mJumpIndex = NO_JUMP_INDEX;
    }
    else
    {
        mJumpIndex += step;
        mJumpTimer = SetTimer(JUMP_DELAY_MS);
    }
    Redraw();
}

void PlayerWindow::stopJumpTimer()
{
    KillTimer(mJumpTimer);
    mJumpTimer = 0;
}

void PlayerWindow::skipToNextTick()
{
    uint64_t target = 0;
    if (!getNextTickPosition(mPlayer.getPosition(), target))
        return;
    mPlayer.seekToPosition(target);
    Redraw();
}

void PlayerWindow::skipToPreviousTick()
{
    mPlayer.seekToPosition(getPreviousTickPosition(mPlayer.getPosition()));
    Redraw();
}

// The film's chapters where it has them; else 15-minute segments when the
// running time is known, quarters of the file otherwise. Past the last chapter
// or quarter there is nowhere to go.
bool PlayerWindow::getNextTickPosition(uint64_t position, uint64_t& target)
{
    if (mPlayer.getNumChapters() > 0)
        return ChapterMarks::getNextPosition(mPlayer, position, target);
    int duration = getDurationInSecs();
    uint64_t fileSize = mPlayer.getFileSize();
    if (duration > 0)
    {
        uint64_t segment = static_cast<uint64_t>(getPositionInSecs(position) / SKIP_SEGMENT_SECS);
        target = fileSize * SKIP_SEGMENT_SECS / static_cast<uint64_t>(duration) * (segment + 1);
        return true;
    }
    double fraction = mPlayer.getPercentComplete(position);
    double quarter = 0;
    if (fraction < 0.25)
        quarter = 0.25;
    else if (fraction < 0.5)
        quarter = 0.5;
    else if (fraction < 0.75)
        quarter = 0.75;
    else
        return false;
    target = static_cast<uint64_t>(static_cast<double>(fileSize) * quarter);
    return true;
}

uint64_t PlayerWindow::getPreviousTickPosition(uint64_t position)
{
    if (mPlayer.getNumChapters() > 0)
        return ChapterMarks::getPreviousPosition(mPlayer, position);
    int duration = getDurationInSecs();
    uint64_t fileSize = mPlayer.getFileSize();
    if (duration > 0)
    {
        uint64_t segment = static_cast<uint64_t>(getPositionInSecs(position) / SKIP_SEGMENT_SECS);
        return segment >= 1 ? fileSize * SKIP_SEGMENT_SECS / static_cast<uint64_t>(duration) * (segment - 1) : 0;
    }
    double fraction = mPlayer.getPercentComplete(position);
    double quarter = 0.75;
    if (fraction < 0.25)
        quarter = 0;
    else if (fraction < 0.5)
        quarter = 0.25;
    else if (fraction < 0.75)
        quarter = 0.5;
    return static_cast<uint64_t>(static_cast<double>(fileSize) * quarter);
}

void PlayerWindow::togglePause()
{
    if (mPlayer.isPaused())
        mPlayer.resume();
    else
        mPlayer.pause();
    if (mPlayer.isPaused() && mInfoState == 0)
    {
        mInfoState = 1;
        startRedrawTimer(false);
    }
    Redraw();
}

void PlayerWindow::incrementInfoState()
{
    mInfoState = (mInfoState + 1) % 3;
    if (mInfoState == 0)
        stopRedrawTimer();
    startRedrawTimer(true);
}

void PlayerWindow::startRedrawTimer(bool bRedrawNow)
{
    if (bRedrawNow)
        Redraw();
    mAutohideCount = 0;
    if (mRedrawTimer == 0)
        mRedrawTimer = SetTimer(REDRAW_PERIOD_MS);
}

void PlayerWindow::stopRedrawTimer()
{
    if (mRedrawTimer != 0)
    {
        KillTimer(mRedrawTimer);
        mRedrawTimer = 0;
        mAutohideCount = 0;
    }
}

void PlayerWindow::showTrackMessage(const PallixString& message)
{
    mTrackMessage = message;
    KillTimer(mTrackMessageTimer);
    mTrackMessageTimer = SetTimer(TRACK_MESSAGE_MS);
    Redraw();
}

void PlayerWindow::OnTimer(uint32_t timerID)
{
    if (timerID == mTrackMessageTimer && mTrackMessageTimer != 0)
    {
        KillTimer(mTrackMessageTimer);
        mTrackMessageTimer = 0;
        mTrackMessage = "";
        Redraw();
        return;
    }
    if (timerID == mRedrawTimer && mRedrawTimer != 0)
    {
        // While paused nothing is counted, so the information stays up.
        if (!mPlayer.isPaused())
        {
            if (ClientProperties::getAutohideInfo() && mAutohideCount == ClientProperties::getAutohideSecs())
            {
                mInfoState = 0;
                stopRedrawTimer();
                Redraw();
                return;
            }
            ++mAutohideCount;
        }
        Redraw();
        return;
    }

    MutexLock lock(&mJumpMutex, "PlayerWindow::OnTimer");
    if (timerID != mJumpTimer || mJumpTimer == 0)
        return;
    int index = mJumpIndex;
    mJumpIndex = NO_JUMP_INDEX;
    stopJumpTimer();
    mPlayer.jumpSeconds(JUMP_RATES[index]);
    Redraw();
}

void PlayerWindow::onPlaybackFailed()
{
    if (!IsMaterialized() || !mbStarted || !mStartFailure.IsEmpty())
        return;
    mStartFailure = mPlayer.getFailureReason();
    if (mStartFailure.IsEmpty())
        mStartFailure = "The movie cannot be decoded.";
    closeResumeChoices();
    SetFocus(true);
    Redraw();
}

void PlayerWindow::onExitPlayer()
{
    // The end-of-movie message may still arrive after the exit key ended playback.
    if (!IsMaterialized())
        return;
    if (mbStarted)
    {
        // The last picture of a movie that played to its end stays under "Up next".
        if (mPlayer.getMovieFinished())
            mUpNext.keepPicture();
        mPlayer.close();
        onPlaybackOver();
        return;
    }
    stopRedrawTimer();
    stopJumpTimer();
    mJumpIndex = NO_JUMP_INDEX;
    mStartFailure = PallixString();
    hide();
}

bool PlayerWindow::getNowPlaying(PallixString& title, int& position, int& duration, bool& bPaused)
{
    if (!IsMaterialized() || !mpEntry)
        return false;
    title = mpEntry->getOriginalTitle();
    position = getPositionInSecs();
    duration = getDurationInSecs();
    bPaused = mPlayer.isPaused();
    return true;
}

void PlayerWindow::onPlaybackOver()
{
    stopRedrawTimer();
    stopJumpTimer();
    mJumpIndex = NO_JUMP_INDEX;
    KillTimer(mTrackMessageTimer);
    mTrackMessageTimer = 0;
    mTrackMessage = "";

    QuorvaDatFile stats(mFilename);
    uint64_t position = 0;
    if (!mPlayer.getMovieFinished())
    {
        uint64_t lead = static_cast<uint64_t>(mPlayer.getNumBytesInSeconds(RESUME_LEAD_SECS));
        uint64_t last = mPlayer.getLastPosition();
        // Stopped in the first seconds: resume from the start, never wrap below it.
        position = last > lead ? last - lead : 0;
    }
    time_t now = time(nullptr);
    stats.setLastPosition(position);
    stats.setZoomMode(mPlayer.getVideoScaler().getZoomMode());
    stats.setLastViewedTime(now);
    if (mpEntry)
        mpEntry->setLastViewedTime(now);
    // A full or read-only disk costs the spot, never the old one, and nothing else.
    if (!stats.write())
        Logger::logError("Unable to save where playback stopped in " + mFilename + ".quorva: " +
                         stats.getWriteError());
    recordViewing(position, now);
    if (mPlayer.getMovieFinished() && offerNextEpisode())
        return;
    hide();
}

void PlayerWindow::recordViewing(uint64_t position, time_t viewed)
{
    QuorvaApp* pApp = QuorvaApp::getApp();
    if (!pApp || !mpEntry)
        return;
    // Stopping in the first minutes saves position 0 as well; only the end itself counts.
    bool bWatched = mPlayer.getMovieFinished() ||
                    mPlayer.getPercentComplete(mPlayer.getLastPosition()) > ViewingHistory::WATCHED_SHARE;
    pApp->getViewingHistory()->recordPlayback(mpEntry, mDesignatedFile, position, mPlayer.getFileSize(), viewed,
                                              bWatched);
}

bool PlayerWindow::offerNextEpisode()
{
    QuorvaApp* pApp = QuorvaApp::getApp();
    if (!pApp || !mpEntry)
        return false;
    ViewingHistory* pHistory = pApp->getViewingHistory();
    MediaEntry* pNext = nullptr;
    PallixString nextFile;
    if (!pHistory->getSeries().findNext(pHistory->toStoreEntry(mpEntry), mDesignatedFile, pNext, nextFile))
        return false;
    // The engine is closed: what comes now is the offer, and a key or the count-down ends it.
    mbStarted = false;
    closeResumeChoices();
    mUpNext.show(this, pNext, nextFile);
    return true;
}

void PlayerWindow::onUpNextStart(MediaEntry* pEntry, const PallixString& file)
{
    playEntry(pEntry, file, mpWindow, true, false);
}

void PlayerWindow::onUpNextDeclined()
{
    onExitPlayer();
}

void PlayerWindow::hide()
{
    mStartFailure = PallixString();
    closeResumeChoices();
    mUpNext.close();
    SetRectAbsolute(PallixRect(0, 0, 0, 0));
    Vanish();
    if (mpWindow)
    {
        mpWindow->Materialize(kAppNormal);
        mpWindow->SetFocus(true);
    }
}

int PlayerWindow::getDurationInSecs()
{
    if (!mpEntry)
        return 0;
    int duration = mpEntry->getDurationInSecs();
    if (duration > 0)
        return duration;
    // A title the database gives no running time takes the file's.
    long fileDuration = mPlayer.getFileDurationInSecs();
    return fileDuration > 0 ? static_cast<int>(fileDuration) : 0;
}

PallixString PlayerWindow::getDurationText()
{
    if (mpEntry && mpEntry->getDurationInSecs() > 0)
        return mpEntry->getDuration();
    int seconds = getDurationInSecs();
    return clockText(seconds);
}

int PlayerWindow::getPositionInSecs()
{
    return static_cast<int>(mPlayer.getPercentComplete() * getDurationInSecs());
}

int PlayerWindow::getPositionInSecs(uint64_t position)
{
    return static_cast<int>(mPlayer.getPercentComplete(position) * getDurationInSecs());
}

PallixString PlayerWindow::getPositionAsTimeString()
{
    return getPositionAsTimeString(mPlayer.getPosition());
}

PallixString PlayerWindow::getPositionAsTimeString(uint64_t position)
{
    int seconds = getPositionInSecs(position);
    if (seconds == 0)
        return "??:??:??";
    return clockText(seconds);
}

void PlayerWindow::loadBitmaps()
{
    mDisplay.loadBitmaps(gJumpBmpNames, NUM_JUMP_RATES);
}

void PlayerWindow::OnPaint(PallixBitmap& bitmap)
{
    PlayerDisplay::Frame frame;
    frame.infoState = mInfoState;
    frame.seekSteps = mSeekIndex - NORMAL_SEEK_INDEX;
    frame.bPaused = mPlayer.isPaused();
    frame.trackMessage = mTrackMessage;
    frame.startFailure = mStartFailure;
    frame.bStarted = mbStarted;
    frame.pEntry = mpEntry;
    frame.designatedFile = mDesignatedFile;
    frame.bEpisode = mbEpisode;
    if (mpEntry && (mInfoState == 1 || mInfoState == 2))
    {
        frame.durationSecs = getDurationInSecs();
        if (frame.durationSecs > 0)
        {
            frame.durationText = getDurationText();
            frame.positionText = getPositionAsTimeString();
        }
    }
    {
        MutexLock lock(&mJumpMutex, "PlayerWindow::OnPaint");
        frame.jumpIndex = mJumpIndex;
    }
    mDisplay.draw(bitmap, GetRectAbsolute(), mPlayer, frame);
}
