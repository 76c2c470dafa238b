#pragma once

#include "PallixString.h"
#include "PallixWindow.h"

class MainWindow;
class PallixBitmap;

// Base of the panels shown right of the column menu: a link back to the main
// window, the label shown under the panel's column, and a layout made once.
class RightPanelWindow : public PallixWindow
{
public:
    // "\n" separates the lines of the label.
    explicit RightPanelWindow(PallixString label);
    ~RightPanelWindow() override;

    // Lays the panel out the first time it is shown on screen.
    void OnMaterialize() override;

    void setMainWindow(MainWindow* pMainWindow) { mpMainWindow = pMainWindow; }
    MainWindow* getMainWindow() { return mpMainWindow; }
    PallixString getLabel() { return mLabel; }
    // The panel this one was opened from, where Back returns.
    void setReturnPanel(RightPanelWindow* pPanel) { mpReturnPanel = pPanel; }
    // What was watched changed (a refresh read another box's files, or a title
    // was played or marked): a panel on screen shows it. Redraws by default.
    virtual void onViewingChanged();

protected:
    // Builds the panel's child widgets and rectangles.
    virtual void setupLayout() = 0;
    // A layout aid: outlines rectangles in red while switched on.
    void setDrawPositioningRect(bool bDraw) { mbDrawPositioningRect = bDraw; }
    void drawPositioningRect(PallixBitmap& bitmap, const PallixRect& rect);
    // Shows the panel this one was opened from, or pFallback when none is known.
    void showReturnPanel(RightPanelWindow* pFallback);

private:
    MainWindow* mpMainWindow;
    bool mbFirstMaterialize;
    PallixString mLabel;
    bool mbDrawPositioningRect;
    RightPanelWindow* mpReturnPanel;
};
