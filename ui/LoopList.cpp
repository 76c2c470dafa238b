#include "LoopList.h"

#include "Colors.h"
#include "DrawingUtils.h"
#include "Fonts.h"
#include "IListListener.h"
#include "ImageFactory.h"
#include "PallixBitmap.h"
#include "PallixColor.h"
#include "PallixPoint.h"
#include "RemoteKeys.h"

#include <algorithm>

namespace
{
constexpr int ROWS_PER_SIDE = 4;
// Widths of the tab-separated columns of an entry, from the text origin on.
constexpr uint32_t COLUMN_WIDTHS[] = {350, 300, 100, 100};
constexpr int COLUMN_COUNT = sizeof(COLUMN_WIDTHS) / sizeof(COLUMN_WIDTHS[0]);
// A text cut to its column keeps this far from the next one.
constexpr uint32_t COLUMN_GAP = 12;
constexpr uint32_t FLAG_CENTER_V = 0x1;
constexpr uint32_t FLAG_CENTER_H = 0x2;
constexpr uint32_t FLAG_ELLIPSIS = 0x100;
} // namespace

LoopList::LoopList()
    : mpListSelectLeft(nullptr), mpListSelectMiddle(nullptr), mpListSelectRight(nullptr),
      mpListSelectNoFocusLeft(nullptr), mpListSelectNoFocusMiddle(nullptr), mpListSelectNoFocusRight(nullptr),
      mItems(8), mSelectedIndex(-1), mpListener(nullptr), mbDrawBG(false), mbTransparent(false), mbLeftAlign(false),
      mItemsAbove(ROWS_PER_SIDE), mItemsBelow(ROWS_PER_SIDE), mUnselectedFont(Fonts::SYSTEM_30),
      mSelectedFont(Fonts::SYSTEM_38)
{
}

LoopList::~LoopList() = default;

void LoopList::addItem(PallixString name, void* data)
{
    mItems.Append(MenuItem(std::move(name), data));
}

void LoopList::removeAllItems()
{
    for (int i = mItems.GetSize() - 1; i >= 0; --i)
        mItems.RemoveAt(i);
    mSelectedIndex = -1;
}

void LoopList::setSelectedIndex(int index)
{
    mSelectedIndex = index;
    fireItemSelected();
}

void* LoopList::getItemData(int index)
{
    if (index < 0 || index >= mItems.GetSize())
        return nullptr;
    return mItems.GetAt(index).getData();
}

PallixString LoopList::getItemText(int index)
{
    if (index < 0 || index >= mItems.GetSize())
        return "";
    return mItems.GetAt(index).getName();
}

bool LoopList::OnKeyDown(unsigned long nKey)
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
        pageUp();
        return true;
    case RemoteKeys::PAGE_DOWN:
        pageDown();
        return true;
    default:
        return false;
    }
}

bool LoopList::OnNavKey(unsigned long nKey, PallixWindow*&)
{
    switch (nKey)
    {
    case RemoteKeys::UP:
        moveSelectionUp();
        return true;
    case RemoteKeys::DOWN:
        moveSelectionDown();
        return true;
    case RemoteKeys::LEFT:
        fireNavLeft();
        return true;
    default:
        return false;
    }
}

void LoopList::moveSelectionUp()
{
    int i = mSelectedIndex - 1;
    if (i < 0)
        i = mItems.GetSize() - 1;
    if (i != mSelectedIndex)
        setSelectedIndex(i);
}

void LoopList::moveSelectionDown()
{
    int i = mSelectedIndex + 1;
    if (static_cast<unsigned>(i) >= static_cast<unsigned>(mItems.GetSize()))
        i = 0;
    if (i != mSelectedIndex)
        setSelectedIndex(i);
}

// A page brings the entry of the top (or bottom) row onto the bar; it is set even
// when it is the entry already selected.
void LoopList::pageUp()
{
    int i = mSelectedIndex - mItemsAbove;
    if (i < 0)
        i += mItems.GetSize();
    setSelectedIndex(wrapPage(i));
}

void LoopList::pageDown()
{
    int i = mSelectedIndex + mItemsBelow;
    if (i > mItems.GetSize() - 1)
        i -= mItems.GetSize();
    setSelectedIndex(wrapPage(i));
}

// Before the first paint a page is four rows, more than a short list holds: one
// wrap is not always enough.
int LoopList::wrapPage(int index)
{
    int n = mItems.GetSize();
    if (n <= 0)
        return index;
    return (index % n + n) % n;
}

void LoopList::fireItemSelected()
{
    RedrawScreen();
    if (mpListener)
        mpListener->onItemSelected(mSelectedIndex);
}

void LoopList::fireItemChosen(int button)
{
    if (mpListener)
        mpListener->onItemChosen(mSelectedIndex, button);
}

void LoopList::fireNavLeft()
{
    if (mpListener)
        mpListener->onNavLeft();
}

void LoopList::firePageBack()
{
    if (mpListener)
        mpListener->onPageBack();
}

void LoopList::loadImages()
{
    mpListSelectLeft = ImageFactory::loadAppImage("listSelect_left.png");
    mpListSelectMiddle = ImageFactory::loadAppImage("listSelect_middle.png");
    mpListSelectRight = ImageFactory::loadAppImage("listSelect_right.png");
    mpListSelectNoFocusLeft = ImageFactory::loadAppImage("listSelect_nofocus_left.png");
    mpListSelectNoFocusMiddle = ImageFactory::loadAppImage("listSelect_nofocus_middle.png");
    mpListSelectNoFocusRight = ImageFactory::loadAppImage("listSelect_nofocus_right.png");
}

void LoopList::OnPaint(PallixBitmap& bitmap)
{
    PallixRect rect = GetRectAbsolute();
    if (mbTransparent)
        bitmap.FillRect(rect, PallixColor(0, 0, 0, 0));
    if (!mpListSelectLeft)
        loadImages();
    if (mbDrawBG)
        bitmap.FillRect(rect, PallixColor(0, 0, 0, 128));

    // Without the bar pictures the rows keep their places around an empty bar.
    uint32_t barHeight = mpListSelectLeft ? mpListSelectLeft->GetDims().h : 0;
    int32_t rightHeight = mpListSelectRight ? static_cast<int32_t>(mpListSelectRight->GetDims().h) : 0;
    int32_t middle = rect.y + static_cast<int32_t>(rect.h >> 1);
    int32_t barTop = middle - static_cast<int32_t>(barHeight >> 1);
    drawBar(bitmap, rect, barTop);

    drawItem(bitmap, mSelectedIndex, rect, Colors::BLACK, Colors::WHITE, mSelectedFont);

    int n = mItems.GetSize();
    int32_t fontH = std::max<int32_t>(1, static_cast<int32_t>(mUnselectedFont.GetTextExtent("H").h));
    int32_t space = fontH + fontH / 2;
    int rows = 0;
    for (int32_t r = middle - rect.y - fontH / 2; r > 0; r -= space)
        ++rows;
    int k = std::max(0, rows - 1);
    mItemsAbove = k;
    mItemsBelow = k;
    // A list that cannot fill the window shows every entry exactly once.
    if (n < 2 * k + 1)
    {
        mItemsAbove = n % 2 ? n / 2 : std::max(0, n / 2 - 1);
        mItemsBelow = n / 2;
    }

    int32_t y = middle - fontH / 2 - rightHeight;
    int i = mSelectedIndex;
    for (int row = 0; row < mItemsAbove; ++row)
    {
        if (--i < 0)
            i = n - 1;
        // Two entries show the other one below the bar only.
        if (i == mSelectedIndex || n < 3)
            break;
        drawItem(bitmap, i, PallixRect(rect.x, y, rect.w, static_cast<uint32_t>(fontH)), Colors::WHITE, Colors::BLACK,
                 mUnselectedFont);
        y -= space;
    }

    y = barTop + static_cast<int32_t>(barHeight) + fontH / 2;
    i = mSelectedIndex;
    for (int row = 0; row < mItemsBelow; ++row)
    {
        if (++i >= n)
            i = 0;
        if (i == mSelectedIndex)
            break;
        drawItem(bitmap, i, PallixRect(rect.x, y, rect.w, static_cast<uint32_t>(fontH)), Colors::WHITE, Colors::BLACK,
                 mUnselectedFont);
        y += space;
    }
}

void LoopList::drawBar(PallixBitmap& bitmap, const PallixRect& rect, int32_t barTop)
{
    bool bFocus = IsFocus();
    PallixBitmap* pLeft = bFocus ? mpListSelectLeft : mpListSelectNoFocusLeft;
    PallixBitmap* pMiddle = bFocus ? mpListSelectMiddle : mpListSelectNoFocusMiddle;
    PallixBitmap* pRight = bFocus ? mpListSelectRight : mpListSelectNoFocusRight;
    if (!pLeft || !pMiddle || !pRight)
        return;
    int64_t middleWidth = pMiddle->GetDims().w;
    int64_t rightWidth = pRight->GetDims().w;
    // A middle tile of no width would never fill the bar.
    if (middleWidth == 0)
        return;

    int64_t x = rect.x;
    bitmap.DrawBitmap(PallixPoint(static_cast<int32_t>(x), barTop), *pLeft, pLeft->GetRect());
    x += pLeft->GetDims().w;
    while (true)
    {
        bitmap.DrawBitmap(PallixPoint(static_cast<int32_t>(x), barTop), *pMiddle, pMiddle->GetRect());
        x += middleWidth;
        int64_t remaining = static_cast<int64_t>(rect.w) - (x - rect.x);
        if (remaining <= rightWidth)
            break;
        // The last tile overlaps the one before and ends where the right end begins.
        if (remaining < middleWidth + rightWidth)
            x = rect.x + static_cast<int64_t>(rect.w) - rightWidth - middleWidth;
    }
    bitmap.DrawBitmap(PallixPoint(static_cast<int32_t>(x), barTop), *pRight, pRight->GetRect());
}

void LoopList::drawItem(PallixBitmap& bitmap, int index, const PallixRect& rect, const PallixColor& color,
                        const PallixColor& colorShadow, const PallixFont& font)
{
    if (index < 0 || index >= mItems.GetSize())
        return;
    uint32_t flags = FLAG_CENTER_V;
    PallixRect r = rect;
    if (mbLeftAlign)
        r.x += 10;
    else
        flags |= FLAG_CENTER_H;

    // Split at every tab, keeping empty columns in their places.
    const PallixString& name = mItems.GetAt(index).getName();
    PallixNewArray<PallixString> parts;
    int start = 0;
    for (int pos = 0; pos <= name.GetLength(); ++pos)
    {
        if (pos == name.GetLength() || name[pos] == '\t')
        {
            parts.Append(name.Mid(start, pos - start));
            start = pos + 1;
        }
    }

    // A row too long for the list ends in an ellipsis, never in half a letter at the edge.
    flags |= FLAG_ELLIPSIS;
    if (parts.GetSize() == 1)
    {
        if (mbLeftAlign)
            r.w = r.w > 10 ? r.w - 10 : 0;
        DrawingUtils::drawTextShadowed(bitmap, font, r, name, color, colorShadow, static_cast<int>(flags));
        return;
    }
    // Columns past the last width have no room and are left out.
    int count = std::min(parts.GetSize(), COLUMN_COUNT);
    for (int j = 0; j < count; ++j)
    {
        // Centred text stays centred in its column: the gap is shared by both sides.
        PallixRect column(r.x + static_cast<int32_t>(mbLeftAlign ? 0 : COLUMN_GAP / 2), r.y,
                          COLUMN_WIDTHS[j] - COLUMN_GAP, r.h);
        DrawingUtils::drawTextShadowed(bitmap, font, column, parts.GetAt(j), color, colorShadow,
                                       static_cast<int>(flags));
        r.x += static_cast<int32_t>(COLUMN_WIDTHS[j]);
    }
}
