#pragma once

#include "IListListener.h"
#include "LoopList.h"
#include "RightPanelWindow.h"

#include <memory>

class MediaEntry;
class PallixBitmap;

// One title in full: its details, large cover, description and cast, and the
// choices "Resume" (when it was watched before), "Play", the watched mark and
// its feature items.
class InfoWindow : public RightPanelWindow, public IListListener
{
public:
    InfoWindow();
    ~InfoWindow() override;

    // Empties the choices and gives the picture back; with on-demand parsing the
    // title is forgotten too.
    void reset();
    // With on-demand parsing the title's detail file, when there is one, gives
    // what is shown and played.
    void setMediaEntry(MediaEntry* pEntry);

    void OnPaint(PallixBitmap& bitmap) override;
    void OnMaterialize() override;
    void OnVanish() override;
    void OnSetFocus() override;
    // The resume offer and the watched mark follow the stats files.
    void onViewingChanged() override;

    void onItemSelected(int item) override;
    void onItemChosen(int item, int button) override;
    void onNavLeft() override;
    void onPageBack() override;

protected:
    void setupLayout() override;

private:
    // "Resume" when the title has a spot saved, "Play", "Mark as watched" or
    // "Mark as unwatched", then its feature items.
    void loadItems();
    void toggleWatched(int item, bool bWatched);
    void clearEntryBitmap();
    void loadEntryBitmap();
    // Left edge of the description, cast and choices: right of the picture.
    int32_t getTextBoxLeft();
    int getTextBoxWidth();
    // Drops the title; a detail record read for it is released, unless the
    // player was given it.
    void forgetEntry();

    LoopList mList;
    MediaEntry* mpEntry;
    // The store's own record, whose play file names the stats file.
    MediaEntry* mpStoreEntry;
    PallixBitmap* mpEntryBitmap;
    // The record read from the title's detail file, or null when mpEntry is the store's.
    std::unique_ptr<MediaEntry> mpDetailEntry;
    // Set once mpDetailEntry has been handed to the player.
    bool mbDetailHandedOut;
    // The last detail record handed to the player. The player keeps its title
    // until it is given another, so this one lives until the panel hands out the next.
    std::unique_ptr<MediaEntry> mpHandedEntry;
    // Set when a choice went to the player, so the choices are made anew on return.
    bool mbPlayerStarted;

    friend class InfoWindowTestAccess;
};
