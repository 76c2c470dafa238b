#pragma once

#include "IListListener.h"
#include "LoopList.h"
#include "Mutex.h"
#include "PallixString.h"
#include "PallixTimer.h"
#include "PallixWindow.h"
#include "Player.h"
#include "PlayerDisplay.h"
#include "UpNextWindow.h"

#include <cstdint>

class MediaEntry;
class PallixBitmap;

// The full-screen window a title plays in: remote keys become player
// operations, an on-screen display shows where playback stands, a title
// watched before offers to resume, and the end of playback records the
// position, zoom mode and viewing time in the title's stats file before the
// screen goes back to the window that started it.
class PlayerWindow : public PallixWindow, public PallixTimer, public IListListener, public IUpNextListener
{
public:
    static constexpr int NUM_SEEK_RATES = 7;
    static constexpr int NORMAL_SEEK_INDEX = 3;
    static constexpr int NUM_JUMP_RATES = 11;
    static constexpr int NO_JUMP_INDEX = 5;

    static PlayerWindow* getInstance();

    // designatedFile picks one file in the title's folder (empty for the title's
    // own); pWindow is hidden during playback and gets the screen back after.
    void playEntry(MediaEntry* pEntry, PallixString designatedFile, PallixWindow* pWindow, bool bCheckForResume,
                   bool bPromptForResume);
    // Ends playback now: the exit key, the end of the movie, or the application
    // ending. A title that played has its stats saved.
    void onExitPlayer();
    // The movie cannot go on: the viewer is told why until a key ends playback.
    void onPlaybackFailed();
    // Where playback stands, for the phone remote; false when no title plays.
    bool getNowPlaying(PallixString& title, int& position, int& duration, bool& bPaused);

    void OnPaint(PallixBitmap& bitmap) override;
    void OnMaterialize() override;
    bool OnKeyDown(unsigned long nKey) override;
    bool OnNavKey(unsigned long nKey, PallixWindow*& pProposedNewFocusWnd) override;
    void OnTimer(uint32_t timerID) override;

    void onItemSelected(int item) override;
    void onItemChosen(int item, int button) override;
    void onNavLeft() override;
    void onPageBack() override;

    void onUpNextStart(MediaEntry* pEntry, const PallixString& file) override;
    void onUpNextDeclined() override;

private:
    PlayerWindow();
    ~PlayerWindow() override;

    void init(PallixString filename);
    void loadBitmaps();
    void showResumeChoices();
    void closeResumeChoices();
    void onPlaybackOver();
    // Watched or not, in the viewing history; the stats file is written already.
    void recordViewing(uint64_t position, time_t viewed);
    // After an episode that played to its end: the next one is offered; false
    // when there is none.
    bool offerNextEpisode();
    void hide();
    void updateSeekRate(int change);
    // A press of Up (step 1) or Down (-1) towards the next jump rate.
    void stepJump(int step);
    void stopJumpTimer();
    void skipToNextTick();
    void skipToPreviousTick();
    // Where the skips go from a position; false when there is no next mark.
    bool getNextTickPosition(uint64_t position, uint64_t& target);
    uint64_t getPreviousTickPosition(uint64_t position);
    void incrementInfoState();
    void togglePause();
    void startRedrawTimer(bool bRedrawNow);
    void stopRedrawTimer();
    // The title's running time in seconds: the database's, else the file's; 0
    // when there is no title or the time is unknown (the database gives -1 for that).
    int getDurationInSecs();
    // The running time as shown at the end of the progress bar.
    PallixString getDurationText();
    // A line about the sound track or subtitles chosen, shown for a few seconds.
    void showTrackMessage(const PallixString& message);
    int getPositionInSecs();
    int getPositionInSecs(uint64_t position);
    PallixString getPositionAsTimeString();
    PallixString getPositionAsTimeString(uint64_t position);

    static PlayerWindow INSTANCE;

    LoopList mList;
    MediaEntry* mpEntry;
    PallixString mFilename;
    PallixWindow* mpWindow;
    Player mPlayer;
    PallixString mDesignatedFile;
    bool mbEpisode;
    int mInfoState;
    int mSeekIndex;
    uint32_t mRedrawTimer;
    Mutex mJumpMutex;
    uint32_t mJumpTimer;
    int mJumpIndex;
    int mAutohideCount;
    uint64_t mResumePos;
    // Whether the last start succeeded; a title that never played keeps its stats
    // file as it was.
    bool mbStarted;
    // Shown instead of the movie when the start failed; empty otherwise.
    PallixString mStartFailure;
    PallixString mTrackMessage;
    uint32_t mTrackMessageTimer;
    UpNextWindow mUpNext;
    PlayerDisplay mDisplay;

    friend class PlayerWindowTestAccess;
};
