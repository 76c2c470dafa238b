#pragma once

#include "IListListener.h"
#include "LetterGrid.h"
#include "LoopList.h"
#include "RightPanelWindow.h"
#include "TitleSearch.h"

#include <cstddef>
#include <vector>

class MediaEntry;
class PallixBitmap;

// The panel of the "Search" column: letters typed on a keyboard, sent from the
// phone, or picked on the letter grid filter the whole library as each one
// comes (TitleSearch). The titles found are listed with their year and running
// time; Select opens a title's page, Play plays it. Back deletes a letter.
class SearchWindow : public RightPanelWindow, public IListListener, public ILetterGridListener
{
public:
    // No more titles than this are listed, whatever was found.
    static constexpr size_t MAX_LISTED = 100;
    static constexpr size_t MAX_QUERY_BYTES = 100;

    SearchWindow();
    ~SearchWindow() override;

    // Replaces the letters typed so far.
    void setQuery(const PallixString& query);
    const PallixString& getQuery() const { return mQuery; }
    // How many titles the letters found, listed or not.
    size_t getFoundCount() const { return mFoundCount; }

    void OnPaint(PallixBitmap& bitmap) override;
    void OnMaterialize() override;
    void OnSetFocus() override;
    bool OnKeyDown(unsigned long nKey) override;
    bool OnNavKey(unsigned long nKey, PallixWindow*& pProposedNewFocusWnd) override;
    bool OnChar(char32_t nChar) override;
    bool WantsTextInput() override { return true; }
    void onViewingChanged() override;

    void onItemSelected(int item) override;
    void onItemChosen(int item, int button) override;
    void onNavLeft() override;
    void onPageBack() override;

    void onLetterPicked(const PallixString& letter) override;
    void onDeletePicked() override;
    void onGridLeft() override;

protected:
    void setupLayout() override;

private:
    // Looks the letters up and lists what they find.
    void search();
    void listResults();
    void deleteLetter();
    void drawQuery(PallixBitmap& bitmap, const PallixRect& box);

    PallixString mQuery;
    LetterGrid mGrid;
    LoopList mResults;
    TitleSearch mSearch;
    bool mbSearchReady;
    size_t mFoundCount;
    std::vector<MediaEntry*> mListed;

    friend class SearchWindowTestAccess;
};
