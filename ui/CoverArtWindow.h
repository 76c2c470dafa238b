#pragma once

#include "IListListener.h"
#include "ImageList.h"
#include "PallixNewArray.h"
#include "PallixString.h"
#include "PallixTimer.h"
#include "RightPanelWindow.h"
#include "WatchedCovers.h"

class MediaEntry;
class PallixBitmap;

// The titles of one genre as a grid of covers, with the selected title's details
// above it. The covers are decoded after the panel is shown, one per tick, so
// the panel appears at once however large the genre.
class CoverArtWindow : public RightPanelWindow, public IListListener, public PallixTimer
{
public:
    CoverArtWindow();
    ~CoverArtWindow() override;

    // The next time the panel is shown it loads this genre ("All": every title).
    void reset(PallixString genre);

    void OnPaint(PallixBitmap& bitmap) override;
    void OnMaterialize() override;
    void OnSetFocus() override;
    void OnTimer(uint32_t nTimerID) override;

    void onItemSelected(int item) override;
    void onItemChosen(int item, int button) override;
    void onNavLeft() override;
    void onPageBack() override;

    // Fills the title array; true when every cover is already decoded.
    virtual bool prepareEntryList();

protected:
    void setupLayout() override;

private:
    void addEntry(MediaEntry* pEntry);
    // Ends progressive loading and shows the complete grid.
    void showList();
    void stopLoadingTimer();

    PallixString mGenre;
    PallixNewArray<MediaEntry*> mMediaArray;
    ImageList mList;
    // Check marks on watched titles' covers.
    WatchedCovers mCovers;
    double mPercentComplete;
    uint32_t mLoadingTimer;
    int mNextLoadingIndex;

    friend class CoverArtWindowTestAccess;
};
