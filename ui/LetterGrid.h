#pragma once

#include "PallixString.h"
#include "PallixWindow.h"

class PallixBitmap;

// Told what was picked on the letter grid.
class ILetterGridListener
{
public:
    // A letter, a digit or a blank.
    virtual void onLetterPicked(const PallixString& letter) = 0;
    // The delete cell, or Back.
    virtual void onDeletePicked() = 0;
    // Left from the first column.
    virtual void onGridLeft() = 0;

protected:
    ~ILetterGridListener() = default;
};

// Letters, digits, a blank and a delete, picked with the arrows and Select, for
// a remote without a keyboard. Right from the last column is left to the parent.
class LetterGrid : public PallixWindow
{
public:
    static constexpr int COLUMNS = 6;
    // a to z and 0 to 9, then a row of two wide cells: space and delete.
    static constexpr int LETTER_CELLS = 36;
    static constexpr int ROWS = LETTER_CELLS / COLUMNS + 1;
    static constexpr uint32_t CELL_WIDTH = 64;
    static constexpr uint32_t CELL_HEIGHT = 52;

    LetterGrid();
    ~LetterGrid() override;

    void setListener(ILetterGridListener* pListener) { mpListener = pListener; }
    int getRow() const { return mRow; }
    int getColumn() const { return mColumn; }

    void OnPaint(PallixBitmap& bitmap) override;
    bool OnKeyDown(unsigned long nKey) override;
    bool OnNavKey(unsigned long nKey, PallixWindow*& pProposedNewFocusWnd) override;

private:
    // The wide cells of the last row each take half of it.
    bool isLastRow() const { return mRow == ROWS - 1; }
    static PallixString getLetter(int nCell);
    void pick();

    ILetterGridListener* mpListener;
    int mRow;
    int mColumn;
};
