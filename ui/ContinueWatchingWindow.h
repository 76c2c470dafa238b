#pragma once

#include "ContinueWatching.h"
#include "IGridDecorator.h"
#include "IListListener.h"
#include "ImageList.h"
#include "RightPanelWindow.h"

#include <vector>

class PallixBitmap;

// The panel of the "Continue Watching" column: the titles stopped part-way,
// each cover with a bar of how far it was watched, and the next episode of a
// series whose last episode viewed was watched, most recently viewed first.
// Play goes on at once from where the title was left; Select opens its page.
class ContinueWatchingWindow : public RightPanelWindow, public IListListener, public IGridDecorator
{
public:
    ContinueWatchingWindow();
    ~ContinueWatchingWindow() override;

    void OnPaint(PallixBitmap& bitmap) override;
    void OnMaterialize() override;
    void OnSetFocus() override;
    void onViewingChanged() override;

    void onItemSelected(int item) override;
    void onItemChosen(int item, int button) override;
    void onNavLeft() override;
    void onPageBack() override;

    PallixBitmap* loadCover(void* data) override;
    void drawOverCover(PallixBitmap& bitmap, void* data, const PallixRect& cover) override;

protected:
    void setupLayout() override;

private:
    // Makes the list anew from what is known, keeping the selected title selected.
    void loadItems();

    ImageList mList;
    std::vector<ContinueWatching::Item> mItems;

    friend class ContinueWatchingWindowTestAccess;
};
