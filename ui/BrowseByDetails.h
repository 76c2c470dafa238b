#pragma once

#include "IListListener.h"
#include "LoopList.h"
#include "RightPanelWindow.h"

// The panel of the second column: every title of the collection, one a line,
// with its genre, rating and running time beside it, in store order.
class BrowseByDetails : public RightPanelWindow, public IListListener
{
public:
    BrowseByDetails();
    ~BrowseByDetails() override;

    void OnPaint(PallixBitmap& bitmap) override;
    // The list takes the keys.
    void OnSetFocus() override;

    void onItemSelected(int item) override;
    void onItemChosen(int item, int button) override;
    void onNavLeft() override;
    void onPageBack() override;

protected:
    void loadAllItems();
    void setupLayout() override;

private:
    LoopList mList;

    friend class BrowseByDetailsTestAccess;
};
