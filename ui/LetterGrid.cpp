#include "LetterGrid.h"

#include "Colors.h"
#include "Fonts.h"
#include "PallixBitmap.h"
#include "RemoteKeys.h"

namespace
{
constexpr const char* LETTERS = "abcdefghijklmnopqrstuvwxyz0123456789";
constexpr int WIDE = LetterGrid::COLUMNS / 2;
const PallixColor CELL(40, 48, 70, 255);
const PallixColor CELL_SELECTED(224, 190, 4, 255);
const PallixColor CELL_SELECTED_NO_FOCUS(110, 110, 130, 255);
} // namespace

LetterGrid::LetterGrid() : mpListener(nullptr), mRow(0), mColumn(0) {}

LetterGrid::~LetterGrid() = default;

PallixString LetterGrid::getLetter(int nCell)
{
    return PallixString(LETTERS + nCell, 1);
}

bool LetterGrid::OnNavKey(unsigned long nKey, PallixWindow*&)
{
    switch (nKey)
    {
    case RemoteKeys::UP:
        if (mRow > 0)
            --mRow;
        break;
    case RemoteKeys::DOWN:
        if (mRow < ROWS - 1)
        {
            ++mRow;
            if (isLastRow())
                mColumn = mColumn < WIDE ? 0 : WIDE;
        }
        break;
    case RemoteKeys::LEFT:
        if (mColumn == 0)
        {
            if (mpListener)
                mpListener->onGridLeft();
            return true;
        }
        mColumn = isLastRow() ? 0 : mColumn - 1;
        break;
    case RemoteKeys::RIGHT:
        if (isLastRow() ? mColumn >= WIDE : mColumn == COLUMNS - 1)
            return false;
        mColumn = isLastRow() ? WIDE : mColumn + 1;
        break;
    default:
        return false;
    }
    Redraw();
    return true;
}

bool LetterGrid::OnKeyDown(unsigned long nKey)
{
    if (nKey == RemoteKeys::SELECT)
    {
        pick();
        return true;
    }
    if (nKey == RemoteKeys::BACK)
    {
        if (mpListener)
            mpListener->onDeletePicked();
        return true;
    }
    return false;
}

void LetterGrid::pick()
{
    if (!mpListener)
        return;
    if (!isLastRow())
        mpListener->onLetterPicked(getLetter(mRow * COLUMNS + mColumn));
    else if (mColumn < WIDE)
        mpListener->onLetterPicked(" ");
    else
        mpListener->onDeletePicked();
}

void LetterGrid::OnPaint(PallixBitmap& bitmap)
{
    PallixRect rect = GetRectAbsolute();
    bool bFocus = IsFocus();
    for (int row = 0; row < ROWS; ++row)
    {
        int nCells = row == ROWS - 1 ? 2 : COLUMNS;
        uint32_t width = row == ROWS - 1 ? CELL_WIDTH * WIDE : CELL_WIDTH;
        for (int cell = 0; cell < nCells; ++cell)
        {
            int column = row == ROWS - 1 ? cell * WIDE : cell;
            PallixRect box(rect.x + static_cast<int32_t>(CELL_WIDTH) * column + 2,
                           rect.y + static_cast<int32_t>(CELL_HEIGHT) * row + 2, width - 4, CELL_HEIGHT - 4);
            bool bSelected = row == mRow && column == mColumn;
            bitmap.FillRect(box, bSelected ? (bFocus ? CELL_SELECTED : CELL_SELECTED_NO_FOCUS) : CELL);
            PallixString text =
                row < ROWS - 1 ? getLetter(row * COLUMNS + cell) : PallixString(cell == 0 ? "Space" : "Delete");
            const PallixFont& font = row < ROWS - 1 ? Fonts::SYSTEM_28 : Fonts::SYSTEM_22;
            bitmap.DrawText(font, box, text, bSelected && bFocus ? Colors::BLACK : Colors::WHITE, 0x3);
        }
    }
}
