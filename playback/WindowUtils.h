#pragma once

#include "PallixString.h"

class MediaEntry;
class RightPanelWindow;

// The one decision behind every chosen title: play it here, hand it to the
// external player, or open its information or episode list.
class WindowUtils
{
public:
    // button is the key that made the choice; the two flags go to the player
    // window as whether to read the saved position and whether to ask before
    // resuming; designatedFile names one file of the title's folder, or is empty.
    static void onMediaEntryChosen(RightPanelWindow* pCurrentWindow, MediaEntry* pEntry, int button,
                                   bool bPromptResume, bool bPromptForResume, PallixString designatedFile);
};
