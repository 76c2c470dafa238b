#include "QuorvaApp.h"

#include "ClientProperties.h"
#include "FileUtils.h"
#include "HTMLDBParser.h"
#include "InstalledLayout.h"
#include "Logger.h"
#include "PallixInput.h"
#include "PallixTokenArray.h"
#include "Player.h"
#include "PlayerWindow.h"

#include <cstdlib>
#include <cstring>
#include <iostream>

PallixString QuorvaApp::mWorkingDir;

QuorvaApp::QuorvaApp()
{
    mViewingHistory.setStore(&mMediaCache);
    // The panel on screen follows what the stats files and watched marks say.
    mViewingHistory.setChangeListener([this] { mMainWindow.onViewingChanged(); });
}

QuorvaApp::~QuorvaApp() = default;

PallixString QuorvaApp::getWorkingDir()
{
    return mWorkingDir;
}

PallixString QuorvaApp::getImageDir()
{
    return (InstalledLayout::isInstalled() ? InstalledLayout::getShareDir() : getWorkingDir()) + "/images";
}

QuorvaApp* QuorvaApp::getApp()
{
    return static_cast<QuorvaApp*>(PallixApp::GetApp());
}

void QuorvaApp::OnAppInit()
{
    mWorkingDir = ".";
    PallixString program(GetArgc() > 0 ? GetArgv()[0] : "");
    int slash = program.ReverseFind('/');
    if (slash >= 0)
        mWorkingDir = program.Left(slash);
    if (InstalledLayout::isInstalled())
        mWorkingDir = InstalledLayout::getHomeDir();
    std::cout << "My working dir is:  " << mWorkingDir << std::endl;

    long nSessionPriority = 128;
    bool bExport = false;
    int nFixPathsMode = 0;
    for (int i = 1; i < GetArgc(); ++i)
    {
        const char* arg = GetArgv()[i];
        if (std::strcmp(arg, "-sessionPriority") == 0)
        {
            // The value is the next argument, whatever it is.
            ++i;
            nSessionPriority = i < GetArgc() ? std::strtol(GetArgv()[i], nullptr, 10) : 0;
        }
        else if (std::strcmp(arg, "-export") == 0)
            bExport = true;
        else if (std::strcmp(arg, "-fixpaths_vts") == 0)
            nFixPathsMode = 2;
        else if (std::strcmp(arg, "-fixpaths") == 0)
            nFixPathsMode = 1;
    }

    if (nSessionPriority < 1 || nSessionPriority > 255)
    {
        Logger::logError("Session priority must be between 1 and 255");
        Terminate(0);
        return;
    }

    RegisterECPCommand("quorvaApp");
    // An installed Quorva starts from the system's settings; its own file changes them.
    if (InstalledLayout::isInstalled())
    {
        PallixString systemSettings = InstalledLayout::getSystemSettings();
        if (FileUtils::fileExists(systemSettings))
            ClientProperties::parse(systemSettings);
    }
    ClientProperties::parse(mWorkingDir + "/client.properties");
    initMediaStore(nFixPathsMode, bExport);
    mMainWindow.Materialize(kAppNormal);
    // What was watched where: read while the viewer looks at the first panel.
    mViewingHistory.refresh();
    PallixInput::NotifyScreenActivity();
    if (ClientProperties::getRemoteHttpPort() > 0)
        startRemoteServer();
}

void QuorvaApp::startRemoteServer()
{
    mRemoteServer.SetStatusProvider(&QuorvaApp::getRemoteStatus);
    // The phone's search box shows its text on the Search panel.
    mRemoteServer.SetSearchHandler([this](const std::string& text) { mMainWindow.showSearch(PallixString(text)); });
    // The paired phones are remembered beside the settings.
    mRemoteServer.Open(ClientProperties::getRemoteHttpPort(), (mWorkingDir + "/remote-tokens").str());
}

PallixRemoteStatus QuorvaApp::getRemoteStatus()
{
    PallixRemoteStatus status;
    PallixString title;
    bool bPaused = false;
    status.screen = "menu";
    if (PlayerWindow::getInstance()->getNowPlaying(title, status.position, status.duration, bPaused))
    {
        status.screen = "player";
        status.title = title.str();
        status.bPaused = bPaused;
    }
    return status;
}

void QuorvaApp::OnAppExit()
{
    PlayerWindow::getInstance()->onExitPlayer();
}

void QuorvaApp::initMediaStore(int fixPathsMode, bool bExport)
{
    PallixString dbFile = mWorkingDir + "/" + ClientProperties::getDBPath();
    std::cout << "Full path to db file: " << dbFile << std::endl;
    bool bFullParse = ClientProperties::isOnDemandParsing() || bExport;

    HTMLDBParser parser;
    parser.parse(dbFile, fixPathsMode, mMediaCache, bFullParse);
    // Each pass relies on the ones before it: stats are found through the repaired
    // paths, and validation sees the finished records.
    mMediaCache.updateGenreList();
    mMediaCache.updateImagePaths();
    mMediaCache.readStats();
    mMediaCache.validateEntries();
    if (bExport)
        mMediaCache.exportEntries();
}

void QuorvaApp::exitApp(bool bPrintUsage)
{
    if (bPrintUsage)
        std::cout << "Usage: quorva [-sessionPriority 1..255" << std::endl;
    Terminate(0);
}

void QuorvaApp::OnWormholeMessage(const PallixMessage& message)
{
    if (message.GetMessageID() == Player::END_OF_MOVIE_MESSAGE)
        PlayerWindow::getInstance()->onExitPlayer();
    else if (message.GetMessageID() == Player::PLAYBACK_FAILED_MESSAGE)
        PlayerWindow::getInstance()->onPlaybackFailed();
    else if (message.GetMessageID() == ViewingHistory::REFRESHED_MESSAGE)
        mViewingHistory.onRefreshed();
}

void QuorvaApp::OnECPCommand(const PallixString& command, PallixString& result)
{
    PallixTokenArray tokens(command, " ");
    result = "OK";
    // A command without a verb has no second token and so does nothing.
    PallixString verb = tokens.TokenAt(1);
    if (verb.Compare("exit", false, false, -1) == 0 || verb.Compare("quit", false, false, -1) == 0)
        Terminate(0);
}
