#pragma once

#include "MainWindow.h"

// Reaches into the main window for tests: its column state and its clock timer.
class MainWindowTestAccess
{
public:
    explicit MainWindowTestAccess(MainWindow& window) : mWindow(window) {}

    int selectedColumn() const { return mWindow.mSelectedColumnIndex; }
    RightPanelWindow* currentPanel() const { return mWindow.mpCurrentRightPanel; }
    uint32_t clockTimer() const { return mWindow.mTimeTimer; }
    void tick(uint32_t nTimerID) { mWindow.OnTimer(nTimerID); }

private:
    MainWindow& mWindow;
};
