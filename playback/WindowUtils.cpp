#include "WindowUtils.h"

#include "ClientProperties.h"
#include "FileUtils.h"
#include "MPlay.h"
#include "MainWindow.h"
#include "MediaEntry.h"
#include "PlayerWindow.h"
#include "RemoteKeys.h"
#include "RightPanelWindow.h"

void WindowUtils::onMediaEntryChosen(RightPanelWindow* pCurrentWindow, MediaEntry* pEntry, int button,
                                     bool bPromptResume, bool bPromptForResume, PallixString designatedFile)
{
    if (!pCurrentWindow || !pEntry)
        return;

    // A series whose episodes lie in season folders holds no movie file of its
    // own: its feature items, which name its episodes, are what it plays.
    const int nFiles = pEntry->getFilename().GetLength() > 0 ? 1 : FileUtils::getMediaFileCount(pEntry->getPath());
    const bool bSeriesOfRecords = nFiles == 0 && pEntry->getFeatureItems().GetSize() > 0;
    if (static_cast<unsigned long>(button) == RemoteKeys::PLAY && ClientProperties::getUseMPlay() && !bSeriesOfRecords)
    {
        // The external player gets the folder itself when no file is named.
        PallixString path = pEntry->getPath();
        if (pEntry->getFilename().GetLength() > 0)
            path += PallixString("/") + pEntry->getFilename();
        else if (designatedFile.GetLength() > 0)
            path += PallixString("/") + designatedFile;
        MPlay::launch(path);
        return;
    }

    // A film in parts (CD1, CD2) plays as one, from its first part.
    PallixString firstFile;
    bool bSingleFile = pEntry->getFilename().GetLength() > 0 ||
                       (!bSeriesOfRecords && FileUtils::holdsOneFilm(pEntry->getPath(), firstFile));
    if (static_cast<unsigned long>(button) == RemoteKeys::PLAY && bSingleFile)
    {
        PlayerWindow::getInstance()->playEntry(pEntry, designatedFile, pCurrentWindow->getMainWindow(),
                                               bPromptResume, bPromptForResume);
        return;
    }
    // Any other key opens the title's information page, and a folder of several
    // files its episode list.
    MainWindow* pMainWindow = pCurrentWindow->getMainWindow();
    if (!pMainWindow)
        return;
    if (bSingleFile)
    {
        InfoWindow* pInfo = pMainWindow->getInfoWindow();
        if (pInfo)
        {
            pInfo->reset();
            pInfo->setReturnPanel(pCurrentWindow);
            pMainWindow->showRightPanel(pInfo, true, true);
            pInfo->setMediaEntry(pEntry);
        }
        return;
    }
    SeriesWindow* pSeries = pMainWindow->getSeriesWindow();
    if (pSeries)
    {
        pSeries->reset();
        pSeries->setReturnPanel(pCurrentWindow);
        pMainWindow->showRightPanel(pSeries, true, true);
        pSeries->setMediaEntry(pEntry);
    }
}
