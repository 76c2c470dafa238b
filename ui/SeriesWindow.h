#pragma once

#include "IListListener.h"
#include "LoopList.h"
#include "RightPanelWindow.h"

class MediaEntry;
class PallixBitmap;

// A title that is a folder of several movie files: its details, its cover and
// the list of its files, each played as the title with a stats file of its own.
// A series whose feature items name its episodes lists those instead, in their
// order, and plays the chosen episode's own record.
class SeriesWindow : public RightPanelWindow, public IListListener
{
public:
    SeriesWindow();
    ~SeriesWindow() override;

    // Empties the file list; the title and its picture stay until the next one is set.
    void reset();
    void setMediaEntry(MediaEntry* pEntry);

    void OnPaint(PallixBitmap& bitmap) override;
    void OnSetFocus() override;

    void onItemSelected(int item) override;
    void onItemChosen(int item, int button) override;
    void onNavLeft() override;
    void onPageBack() override;

protected:
    void setupLayout() override;

private:
    void loadEntryBitmap();

    LoopList mList;
    MediaEntry* mpEntry;
    PallixBitmap* mpEntryBitmap;

    friend class SeriesWindowTestAccess;
};
