#pragma once

#include "MainWindow.h"
#include "MediaStore.h"
#include "PallixApp.h"
#include "PallixRemoteServer.h"
#include "PallixString.h"
#include "ViewingHistory.h"

class QuorvaApp : public PallixApp
{
public:
    QuorvaApp();
    ~QuorvaApp() override;

    static PallixString getWorkingDir();
    static PallixString getImageDir();
    static QuorvaApp* getApp();

    MediaStore* getMediaCache() { return &mMediaCache; }
    ViewingHistory* getViewingHistory() { return &mViewingHistory; }
    MainWindow* getMainWindow() { return &mMainWindow; }

protected:
    void OnAppInit() override;
    // However the run ends (exit verb, window closed, a signal), a playing title
    // is ended as the exit key ends it, while everything it uses still exists.
    void OnAppExit() override;
    // The player reports the end of a movie here, on the event loop.
    void OnWormholeMessage(const PallixMessage& message) override;
    void OnECPCommand(const PallixString& command, PallixString& result) override;

private:
    void initMediaStore(int fixPathsMode, bool bExport);
    void exitApp(bool bPrintUsage);
    void startRemoteServer();
    static PallixRemoteStatus getRemoteStatus();

    static PallixString mWorkingDir;
    // Built before the main window and destroyed after it: the panels borrow its entries.
    MediaStore mMediaCache;
    // Reads the store's titles on a thread of its own, so it goes before the store does.
    ViewingHistory mViewingHistory;
    MainWindow mMainWindow;
    // The phone remote, when the settings give it a port.
    PallixRemoteServer mRemoteServer;
};
