#include "PallixRemoteServer.h"

#include "PallixRemoteRoutes.h"
#include "PallixRemoteState.h"

#include <iostream>

PallixRemoteServer::PallixRemoteServer() = default;

PallixRemoteServer::~PallixRemoteServer()
{
    Close();
}

bool PallixRemoteServer::Open(int nPort, const std::string& tokenFile)
{
    Close();
    mState = std::make_shared<PallixRemoteState>(tokenFile);
    mState->status = mStatus;
    mState->search = mSearch;
    mHttp = std::make_unique<PallixRemoteRoutes>(*mState);
    if (nPort <= 0 || nPort > 65535 || !mHttp->bind_to_port("0.0.0.0", nPort))
    {
        std::cout << "Remote: cannot listen on port " << nPort << std::endl;
        mHttp.reset();
        mState.reset();
        return false;
    }
    mbListening = true;
    mThread = std::thread(
        [this]
        {
            mHttp->listen_after_bind();
            mbListening = false;
        });
    std::cout << "Remote: listening on port " << nPort << std::endl;
    return true;
}

void PallixRemoteServer::Close()
{
    if (mState)
        mState->Close();
    if (mThread.joinable())
    {
        // The library stops only a server that has started: ask until it has.
        while (mbListening)
        {
            mHttp->stop();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        mThread.join();
    }
    mHttp.reset();
    mState.reset();
}

void PallixRemoteServer::SetStatusProvider(StatusProvider provider)
{
    mStatus = std::move(provider);
    if (mState)
        mState->status = mStatus;
}

void PallixRemoteServer::SetSearchHandler(SearchHandler handler)
{
    mSearch = std::move(handler);
    if (mState)
        mState->search = mSearch;
}
