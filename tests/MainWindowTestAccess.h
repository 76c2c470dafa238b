#pragma once

#include "ColumnItem.h"
#include "MainWindow.h"

// Reaches into the main window for tests: its column state, its clock timer, and
// columns added for panels that only tests have.
class MainWindowTestAccess
{
public:
    explicit MainWindowTestAccess(MainWindow& window) : mWindow(window) {}

    void addColumn(RightPanelWindow* pPanel)
    {
        mWindow.mColumnItems.Append(ColumnItem(pPanel, "selectedEmptyBall.png", "emptyBall.png"));
    }
    int selectedColumn() const { return mWindow.mSelectedColumnIndex; }
    RightPanelWindow* currentPanel() const { return mWindow.mpCurrentRightPanel; }
    uint32_t clockTimer() const { return mWindow.mTimeTimer; }
    void tick(uint32_t nTimerID) { mWindow.OnTimer(nTimerID); }

private:
    MainWindow& mWindow;
};
