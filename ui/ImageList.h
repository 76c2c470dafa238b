#pragma once

#include "MenuItem.h"
#include "PallixNewArray.h"
#include "PallixPoint.h"
#include "PallixString.h"
#include "PallixTimer.h"
#include "PallixWindow.h"

class IGridDecorator;
class IListListener;
class PallixBitmap;

// A paged grid of cover images, two rows of five, with a selection frame, scroll
// arrows at the right and a status line counting the entries shown. It scrolls
// by whole rows or pages and never wraps.
class ImageList : public PallixWindow, public PallixTimer
{
public:
    // The selection frame and the up arrow reach this far above the first row of
    // covers; the grid's window starts that much higher so they are not cut off.
    static constexpr int32_t FRAME_OVERHANG = 5;

    ImageList();
    ~ImageList() override;

    void setListener(IListListener* pListener) { mpListener = pListener; }
    // Loads the covers of items added without one, and marks the covers.
    void setDecorator(IGridDecorator* pDecorator) { mpDecorator = pDecorator; }
    // Redrawn during the slide and focused when it ends.
    void setWindow(PallixWindow* pWindow) { mpWindow = pWindow; }
    // Marks the status line with "- Loading".
    void setLoading(bool bLoading) { mbLoading = bLoading; }
    void setEnableAnimation(bool bAnimate) { mbAnimate = bAnimate; }
    // Shown in front of the count, for example the genre.
    void setListDescription(PallixString description) { mListDescription = description; }

    // The page and the selection are left alone.
    void addItem(PallixString name, PallixBitmap* pBmp, void* data);
    // Back to page 0; the description and the loading mark stay.
    void removeAllItems();
    // The entry becomes the top-left one of the page; no redraw.
    void setSelectedIndex(int i);
    // -1 when the grid is empty.
    int getSelectedIndex() const;
    int getItemCount() const { return mItems.GetSize(); }
    // Null outside the entries.
    void* getItemData(int index) const;

    void OnPaint(PallixBitmap& bitmap) override;
    bool OnKeyDown(unsigned long nKey) override;
    bool OnNavKey(unsigned long nKey, PallixWindow*& pProposedNewFocusWnd) override;
    void OnTimer(uint32_t nTimerID) override;

private:
    PallixPoint getPtForRowCol(int row, int col, const PallixRect& rect) const;
    void drawItem(PallixBitmap& bitmap, int index, const PallixPoint& pt);
    void drawSelector(PallixBitmap& bitmap, const PallixRect& rect);
    void drawArrows(PallixBitmap& bitmap, const PallixRect& rect);
    // "Items 1-10 of 57 ", with the description in front when there is one.
    PallixString getStatusText() const;
    bool moveSelectionLeft();
    bool moveSelectionRight();
    bool lineUp();
    bool lineDown();
    bool pageUp();
    bool pageDown();
    bool canPageUp() const;
    bool canPageDown() const;
    bool canLineUp() const;
    bool canLineDown() const;
    // Moves the column left so that the selection is not past the last entry.
    void clampSelection();
    void fireItemChosen(int button);
    void fireItemSelected();
    void fireNavLeft();
    void firePageBack();
    void startAnimationTimer();
    void stopAnimationTimer();
    void loadImages();

    PallixNewArray<MenuItem> mItems;
    IListListener* mpListener;
    IGridDecorator* mpDecorator;
    int mSelectedRow;
    int mSelectedCol;
    int mStartIndex;
    PallixWindow* mpWindow;
    PallixBitmap* mpSelectorBmp;
    PallixBitmap* mpSelectorNoFocusBmp;
    PallixBitmap* mpUpArrowBmp;
    PallixBitmap* mpDownArrowBmp;
    PallixString mListDescription;
    bool mbAnimate;
    uint32_t mAnimateTimerID;
    int mAnimationOffset;
    int mAnimationIncrementValue;
    bool mbLoading;

    friend class ImageListTestAccess;
};
