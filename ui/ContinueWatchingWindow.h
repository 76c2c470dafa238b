#pragma once

#include "ContinueWatching.h"
#include "CoverGridPanel.h"
#include "IGridDecorator.h"

#include <vector>

class PallixBitmap;

// The panel of the "Continue Watching" column: the titles stopped part-way,
// each cover with a bar of how far it was watched, and the next episode of a
// series whose last episode viewed was watched, most recently viewed first.
// Play goes on at once from where the title was left; Select opens its page.
class ContinueWatchingWindow : public CoverGridPanel, public IGridDecorator
{
public:
    ContinueWatchingWindow();
    ~ContinueWatchingWindow() override;

    void OnPaint(PallixBitmap& bitmap) override;
    void onItemChosen(int item, int button) override;

    PallixBitmap* loadCover(void* data) override;
    void drawOverCover(PallixBitmap& bitmap, void* data, const PallixRect& cover) override;

protected:
    void loadItems(ViewingHistory& history) override;

private:
    std::vector<ContinueWatching::Item> mItems;

    friend class ContinueWatchingWindowTestAccess;
};
