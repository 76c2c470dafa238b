#pragma once

#include "IListListener.h"
#include "ImageList.h"
#include "RightPanelWindow.h"

// A column's panel that shows titles as a cover grid under the details of the
// one selected, made anew from what is known each time the panel is shown and
// whenever what was watched changes. Left goes back to the column menu.
class ViewingHistory;

class CoverGridPanel : public RightPanelWindow, public IListListener
{
public:
    explicit CoverGridPanel(PallixString label);
    ~CoverGridPanel() override;

    void OnMaterialize() override;
    void OnSetFocus() override;
    void onViewingChanged() override;

    // The details above the grid follow the selection.
    void onItemSelected(int item) override;
    void onNavLeft() override;
    void onPageBack() override;

protected:
    // The top of the panel holds the selected title's details.
    static constexpr int32_t DETAILS_HEIGHT = 90;

    void setupLayout() override;
    // Fills mList anew from what the history knows; the selected title stays selected.
    virtual void loadItems(ViewingHistory& history) = 0;

    ImageList mList;

private:
    // Shown again with nothing watched or added since, the grid stays as it was.
    void loadItemsIfChanged();

    // What the viewing history had seen when the list was made; 0 before.
    uint32_t mGeneration = 0;
};
