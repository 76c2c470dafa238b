#pragma once

#include "IListListener.h"
#include "LoopList.h"
#include "RightPanelWindow.h"

#include <vector>

class MediaEntry;

// The panel of the second column: every title of the collection, one a line,
// with its genre, rating and running time beside it, and a check mark before a
// watched one. The Info key sorts the table by title, year, running time, date
// added and last viewed in turn; the order is kept for the run.
class BrowseByDetails : public RightPanelWindow, public IListListener
{
public:
    // How the table is sorted: as the library lists its titles until Info is pressed.
    enum Order
    {
        AS_STORED,
        BY_TITLE,
        BY_YEAR,
        BY_RUNNING_TIME,
        BY_DATE_ADDED,
        BY_LAST_VIEWED,
    };

    BrowseByDetails();
    ~BrowseByDetails() override;

    Order getOrder() const { return mOrder; }

    void OnPaint(PallixBitmap& bitmap) override;
    // The list takes the keys.
    void OnSetFocus() override;
    // Info: the next order.
    bool OnKeyDown(unsigned long nKey) override;
    void onViewingChanged() override;

    void onItemSelected(int item) override;
    void onItemChosen(int item, int button) override;
    void onNavLeft() override;
    void onPageBack() override;

protected:
    void loadAllItems();
    void setupLayout() override;

private:
    // The titles in the order chosen.
    void sortEntries();
    // One line per title, the selected title kept on the bar.
    void listEntries();
    // Whether a title's check mark is not as its line shows it.
    bool marksChanged();

    LoopList mList;
    Order mOrder;
    std::vector<MediaEntry*> mEntries;
    // Per line: drawn with a check mark.
    std::vector<char> mWatched;

    friend class BrowseByDetailsTestAccess;
};
