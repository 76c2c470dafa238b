#pragma once

#include "MenuItem.h"
#include "PallixFont.h"
#include "PallixNewArray.h"
#include "PallixWindow.h"

class IListListener;
class PallixBitmap;
struct PallixColor;

// A vertical text list whose selected entry sits on a highlight bar in the middle;
// moving past either end wraps around, and the rows above the first entry show
// the last ones.
class LoopList : public PallixWindow
{
public:
    LoopList();
    ~LoopList() override;

    void setListener(IListListener* pListener) { mpListener = pListener; }
    void setSelectedFont(PallixFont& font) { mSelectedFont = font; }
    void setUnselectedFont(PallixFont& font) { mUnselectedFont = font; }
    // Entries start 10 pixels in from the left instead of being centred.
    void setLeftAlign(bool bLeftAlign) { mbLeftAlign = bLeftAlign; }
    // The rectangle is cleared to see-through before each paint.
    void setTransparent(bool bTransparent) { mbTransparent = bTransparent; }
    // A half-transparent black backdrop under the entries.
    void setDrawBG(bool bDrawBG) { mbDrawBG = bDrawBG; }

    // The selection is left alone.
    void addItem(PallixString name, void* data);
    // No event and no redraw.
    void removeAllItems();
    // Stored as given; redraws and reports the selection.
    void setSelectedIndex(int index);
    int getSelectedIndex() const { return mSelectedIndex; }
    // Null outside the entries.
    void* getItemData(int index);
    // Empty outside the entries.
    PallixString getItemText(int index);
    int getItemCount() const { return mItems.GetSize(); }

    void OnPaint(PallixBitmap& bitmap) override;
    bool OnKeyDown(unsigned long nKey) override;
    bool OnNavKey(unsigned long nKey, PallixWindow*& pProposedNewFocusWnd) override;

private:
    void loadImages();
    void drawBar(PallixBitmap& bitmap, const PallixRect& rect, int32_t barTop);
    void drawItem(PallixBitmap& bitmap, int index, const PallixRect& rect, const PallixColor& color,
                  const PallixColor& colorShadow, const PallixFont& font);
    void moveSelectionUp();
    void moveSelectionDown();
    void pageUp();
    void pageDown();
    // Within 0 to N - 1 for a list that has entries.
    int wrapPage(int index);
    void fireItemChosen(int button);
    void fireItemSelected();
    void fireNavLeft();
    void firePageBack();

    PallixBitmap* mpListSelectLeft;
    PallixBitmap* mpListSelectMiddle;
    PallixBitmap* mpListSelectRight;
    PallixBitmap* mpListSelectNoFocusLeft;
    PallixBitmap* mpListSelectNoFocusMiddle;
    PallixBitmap* mpListSelectNoFocusRight;
    PallixNewArray<MenuItem> mItems;
    int mSelectedIndex;
    IListListener* mpListener;
    bool mbDrawBG;
    bool mbTransparent;
    bool mbLeftAlign;
    int mItemsAbove;
    int mItemsBelow;
    PallixFont mUnselectedFont;
    PallixFont mSelectedFont;
};
