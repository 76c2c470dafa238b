#pragma once

#include "IListListener.h"
#include "LoopList.h"
#include "RightPanelWindow.h"

// The panel of the first column: the collection's genres, one a line, then "All".
class BrowseByWindow : public RightPanelWindow, public IListListener
{
public:
    BrowseByWindow();
    ~BrowseByWindow() override;

    void OnPaint(PallixBitmap& bitmap) override;
    // The list takes the keys.
    void OnSetFocus() override;

    void onItemSelected(int item) override;
    void onItemChosen(int item, int button) override;
    void onNavLeft() override;
    void onPageBack() override;

protected:
    void loadGenres();
    void setupLayout() override;

private:
    // The genre a line stands for ("All" for the last line); false for the line
    // that reports an empty library, and for lines the store no longer backs.
    bool findGenre(int item, PallixString& genre);
    bool isLibraryEmpty();
    // What went wrong, and which database was read, for a library without genres.
    PallixString getEmptyLibraryText();

    LoopList mList;

    friend class BrowseByWindowTestAccess;
};
