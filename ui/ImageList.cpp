#include "ImageList.h"

#include "ClientProperties.h"
#include "Colors.h"
#include "Fonts.h"
#include "IGridDecorator.h"
#include "IListListener.h"
#include "ImageFactory.h"
#include "PallixBitmap.h"
#include "RemoteKeys.h"

#include <cstdio>
#include <cstring>

namespace
{
constexpr int ROWS = 2;
constexpr int COLUMNS = 5;
constexpr int PAGE_SIZE = ROWS * COLUMNS;
constexpr int32_t CELL_LEFT = 35;
constexpr int32_t CELL_WIDTH = 166;
constexpr int32_t CELL_HEIGHT = 230;
constexpr uint32_t ANIMATION_PERIOD_MS = 10;
constexpr int ANIMATION_STEP = -30;
// The status line is formatted into a buffer of this size, its terminator included.
constexpr size_t STATUS_BUFFER_SIZE = 64;
constexpr uint32_t LABEL_FLAGS = 0x103;
// The room of a cover in its cell.
constexpr uint32_t COVER_WIDTH = 146;
constexpr uint32_t COVER_HEIGHT = 203;

// The number of bytes of text that fit in nMax without splitting a UTF-8 character.
size_t utf8Prefix(const char* text, size_t nMax)
{
    size_t n = std::strlen(text);
    if (n <= nMax)
        return n;
    n = nMax;
    while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80)
        --n;
    return n;
}
} // namespace

ImageList::ImageList()
    : mItems(8), mpListener(nullptr), mpDecorator(nullptr), mSelectedRow(0), mSelectedCol(0), mStartIndex(0), mpWindow(nullptr),
      mpSelectorBmp(nullptr), mpSelectorNoFocusBmp(nullptr), mpUpArrowBmp(nullptr), mpDownArrowBmp(nullptr),
      mbAnimate(false), mAnimateTimerID(0), mAnimationOffset(0), mAnimationIncrementValue(0), mbLoading(false)
{
}

ImageList::~ImageList()
{
    removeAllItems();
}

void ImageList::addItem(PallixString name, PallixBitmap* pBmp, void* data)
{
    mItems.Append(MenuItem(std::move(name), pBmp, data));
}

void ImageList::removeAllItems()
{
    for (int i = mItems.GetSize() - 1; i >= 0; --i)
        mItems.RemoveAt(i);
    mStartIndex = 0;
    mSelectedRow = 0;
    mSelectedCol = 0;
}

void ImageList::setSelectedIndex(int i)
{
    if (i < 0 || i >= mItems.GetSize())
        return;
    mStartIndex = i;
    mSelectedRow = 0;
    mSelectedCol = 0;
    if (mpListener)
        mpListener->onItemSelected(i);
}

int ImageList::getSelectedIndex() const
{
    if (mItems.GetSize() == 0)
        return -1;
    return mStartIndex + COLUMNS * mSelectedRow + mSelectedCol;
}

void* ImageList::getItemData(int index) const
{
    if (index < 0 || index >= mItems.GetSize())
        return nullptr;
    return mItems.GetAt(index).getData();
}

PallixPoint ImageList::getPtForRowCol(int row, int col, const PallixRect& rect) const
{
    return PallixPoint(rect.x + CELL_LEFT + CELL_WIDTH * col, rect.y + FRAME_OVERHANG + CELL_HEIGHT * row);
}

bool ImageList::OnNavKey(unsigned long nKey, PallixWindow*&)
{
    switch (nKey)
    {
    case RemoteKeys::UP:
        lineUp();
        return true;
    case RemoteKeys::DOWN:
        lineDown();
        return true;
    case RemoteKeys::LEFT:
        if (!moveSelectionLeft())
            fireNavLeft();
        return true;
    case RemoteKeys::RIGHT:
        return moveSelectionRight();
    default:
        return false;
    }
}

bool ImageList::OnKeyDown(unsigned long nKey)
{
    switch (nKey)
    {
    case RemoteKeys::SELECT:
    case RemoteKeys::PLAY:
        fireItemChosen(static_cast<int>(nKey));
        return true;
    case RemoteKeys::BACK:
        firePageBack();
        return true;
    case RemoteKeys::PAGE_UP:
        return pageUp();
    case RemoteKeys::PAGE_DOWN:
        return pageDown();
    default:
        return false;
    }
}

bool ImageList::moveSelectionRight()
{
    // An empty grid (an empty genre, or before the first cover arrives) has nowhere to go.
    if (mSelectedCol == COLUMNS - 1 || mItems.GetSize() == 0)
        return false;
    ++mSelectedCol;
    if (getSelectedIndex() >= mItems.GetSize())
    {
        --mSelectedCol;
        return false;
    }
    fireItemSelected();
    return true;
}

bool ImageList::moveSelectionLeft()
{
    if (mSelectedCol == 0)
        return false;
    --mSelectedCol;
    fireItemSelected();
    return true;
}

bool ImageList::canLineUp() const
{
    return getSelectedIndex() > COLUMNS - 1;
}

bool ImageList::lineUp()
{
    if (!canLineUp())
        return false;
    if (mSelectedRow == 0)
    {
        mStartIndex -= COLUMNS;
        if (mStartIndex < 0)
            mStartIndex = 0;
    }
    else
    {
        mSelectedRow = 0;
    }
    fireItemSelected();
    return true;
}

bool ImageList::canLineDown() const
{
    int s = getSelectedIndex();
    return s != -1 && s + COLUMNS < mItems.GetSize();
}

bool ImageList::lineDown()
{
    if (!canLineDown())
        return false;
    if (mSelectedRow == 0)
        mSelectedRow = 1;
    else
        mStartIndex += COLUMNS;
    if (mbAnimate)
    {
        // The new rows slide up from one row lower.
        mAnimationOffset = CELL_HEIGHT;
        mAnimationIncrementValue = ANIMATION_STEP;
        startAnimationTimer();
    }
    fireItemSelected();
    return true;
}

bool ImageList::canPageUp() const
{
    return mStartIndex > 0;
}

bool ImageList::pageUp()
{
    if (mStartIndex >= PAGE_SIZE)
        mStartIndex -= PAGE_SIZE;
    else if (mStartIndex >= COLUMNS)
        mStartIndex -= COLUMNS;
    else
        return false;
    fireItemSelected();
    return true;
}

bool ImageList::canPageDown() const
{
    return mStartIndex + PAGE_SIZE < mItems.GetSize();
}

bool ImageList::pageDown()
{
    int n = mItems.GetSize();
    if (mStartIndex + 2 * PAGE_SIZE <= n)
        mStartIndex += PAGE_SIZE;
    else if (mStartIndex + PAGE_SIZE < n)
        mStartIndex += COLUMNS;
    else
        return false;
    clampSelection();
    fireItemSelected();
    return true;
}

void ImageList::clampSelection()
{
    int n = mItems.GetSize();
    if (n == 0 || getSelectedIndex() < n)
        return;
    int position = n - 1 - mStartIndex;
    if (position < 0)
        return;
    mSelectedRow = position / COLUMNS;
    mSelectedCol = position % COLUMNS;
}

void ImageList::fireItemSelected()
{
    if (mpListener)
        mpListener->onItemSelected(getSelectedIndex());
}

void ImageList::fireItemChosen(int button)
{
    if (mpListener)
        mpListener->onItemChosen(getSelectedIndex(), button);
}

void ImageList::fireNavLeft()
{
    if (mpListener)
        mpListener->onNavLeft();
}

void ImageList::firePageBack()
{
    if (mpListener)
        mpListener->onPageBack();
}

void ImageList::loadImages()
{
    mpSelectorBmp = ImageFactory::loadAppImage("selector.png");
    mpSelectorNoFocusBmp = ImageFactory::loadAppImage("nselector.png");
    mpDownArrowBmp = ImageFactory::loadAppImage("downArrow.png");
    mpUpArrowBmp = ImageFactory::loadAppImage("upArrow.png");
}

void ImageList::OnPaint(PallixBitmap& bitmap)
{
    if (!mpSelectorBmp)
        loadImages();
    PallixRect rect = GetRectAbsolute();
    int n = mItems.GetSize();
    for (int row = 0; row < ROWS; ++row)
    {
        for (int col = 0; col < COLUMNS; ++col)
        {
            int index = mStartIndex + COLUMNS * row + col;
            if (index >= n)
                break;
            drawItem(bitmap, index, getPtForRowCol(row, col, rect));
        }
    }
    if (mAnimateTimerID == 0)
        drawSelector(bitmap, rect);
    drawArrows(bitmap, rect);
    if (mAnimateTimerID == 0)
    {
        PallixString status = getStatusText();
        bitmap.DrawTextAt(PallixPoint(rect.x + CELL_LEFT, rect.y + static_cast<int32_t>(rect.h) - 25), status,
                          Fonts::SYSTEM_22, Colors::WHITE, 0);
    }
}

void ImageList::drawSelector(PallixBitmap& bitmap, const PallixRect& rect)
{
    clampSelection();
    if (getSelectedIndex() < 0 || mSelectedRow < 0 || mSelectedCol < 0)
        return;
    PallixBitmap* pFrame = IsFocus() ? mpSelectorBmp : mpSelectorNoFocusBmp;
    if (!pFrame)
        return;
    PallixPoint pt = getPtForRowCol(mSelectedRow, mSelectedCol, rect);
    bitmap.DrawBitmap(PallixPoint(pt.x - 5, pt.y - 5), *pFrame, pFrame->GetRect());
}

// One arrow: a line can be scrolled; a pair: a page too.
void ImageList::drawArrows(PallixBitmap& bitmap, const PallixRect& rect)
{
    int32_t x = rect.x + static_cast<int32_t>(rect.w) - 30;
    if (mpUpArrowBmp)
    {
        if (canLineUp())
            bitmap.DrawBitmap(PallixPoint(x, 85), *mpUpArrowBmp, mpUpArrowBmp->GetRect());
        if (canPageUp())
            bitmap.DrawBitmap(PallixPoint(x, 105), *mpUpArrowBmp, mpUpArrowBmp->GetRect());
    }
    if (mpDownArrowBmp)
    {
        if (canLineDown())
            bitmap.DrawBitmap(PallixPoint(x, 530), *mpDownArrowBmp, mpDownArrowBmp->GetRect());
        if (canPageDown())
            bitmap.DrawBitmap(PallixPoint(x, 508), *mpDownArrowBmp, mpDownArrowBmp->GetRect());
    }
}

PallixString ImageList::getStatusText() const
{
    int n = mItems.GetSize();
    int last = mStartIndex + PAGE_SIZE < n ? mStartIndex + PAGE_SIZE : n;
    char counts[STATUS_BUFFER_SIZE];
    std::snprintf(counts, sizeof(counts), "Items %d-%d of %d %s", mStartIndex + 1, last, n,
                  mbLoading ? "- Loading" : "");
    if (mListDescription.IsEmpty())
        return counts;

    // A long description is cut, never the counts: the whole line stays within the buffer.
    size_t nRoom = STATUS_BUFFER_SIZE - 1 - std::strlen(counts) - 1;
    const char* description = mListDescription;
    bool bCut = std::strlen(description) > nRoom;
    const char* ellipsis = bCut ? "..." : "";
    size_t nKeep = utf8Prefix(description, bCut ? nRoom - std::strlen(ellipsis) : nRoom);
    PallixString line(description, nKeep);
    line += ellipsis;
    line += " ";
    line += counts;
    return line;
}

void ImageList::drawItem(PallixBitmap& bitmap, int index, const PallixPoint& pt)
{
    if (index < 0 || index >= mItems.GetSize())
        return;
    MenuItem& item = mItems.GetAt(index);
    // A cover is decoded when it first comes on screen.
    if (!item.getBitmap() && mpDecorator)
        item.setBitmap(mpDecorator->loadCover(item.getData()));
    if (item.getBitmap())
        bitmap.DrawBitmap(PallixPoint(pt.x, pt.y + mAnimationOffset), *item.getBitmap(), item.getBitmap()->GetRect());
    if (mpDecorator)
    {
        PallixDims size = item.getBitmap() ? item.getBitmap()->GetDims() : PallixDims(COVER_WIDTH, COVER_HEIGHT);
        mpDecorator->drawOverCover(bitmap, item.getData(), PallixRect(pt.x, pt.y + mAnimationOffset, size.w, size.h));
    }
    if (ClientProperties::getPrintTitle())
    {
        PallixRect label(pt.x - 11, pt.y + mAnimationOffset + 203, 157, 22);
        bitmap.DrawText(Fonts::SYSTEM_22, label, item.getName(), Colors::WHITE, LABEL_FLAGS);
    }
}

void ImageList::startAnimationTimer()
{
    if (mAnimateTimerID == 0)
        mAnimateTimerID = SetTimer(ANIMATION_PERIOD_MS);
}

void ImageList::stopAnimationTimer()
{
    if (mAnimateTimerID == 0)
        return;
    KillTimer(mAnimateTimerID);
    mAnimateTimerID = 0;
    mAnimationOffset = 0;
    mAnimationIncrementValue = 0;
    if (mpWindow)
        mpWindow->SetFocus(true);
}

void ImageList::OnTimer(uint32_t nTimerID)
{
    if (nTimerID == 0 || nTimerID != mAnimateTimerID)
        return;
    mAnimationOffset += mAnimationIncrementValue;
    if (mAnimationOffset <= 0 && mAnimationIncrementValue < 0)
        stopAnimationTimer();
    if (mpWindow)
    {
        PallixPoint origin = getPtForRowCol(0, 0, GetRectRelative());
        mpWindow->Redraw(PallixRect(origin.x, origin.y, 20925, 12000));
    }
}
