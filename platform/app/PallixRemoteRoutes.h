#pragma once

#include "PallixRemoteHttp.h"

class PallixRemoteState;

// The phone remote's routes and what each answers (PallixRemoteServer.h lists
// them). Runs on the server's request threads; whatever touches the
// application goes through the shared state to the event loop.
class PallixRemoteRoutes : public PallixRemoteHttp
{
public:
    explicit PallixRemoteRoutes(PallixRemoteState& state);

private:
    // Everything under /api/ but pairing wants a paired phone's token.
    bool Admits(const httplib::Request& request) override;

    void ServePage(httplib::Response& response);
    void ServeNow(httplib::Response& response);
    void ServeScreen(httplib::Response& response);
    void ServePress(const httplib::Request& request, httplib::Response& response);
    // The phone's search box: its text, as the viewer typed it, goes to the search.
    void ServeSearch(const httplib::Request& request, httplib::Response& response);
    void ServePairStart(httplib::Response& response);
    void ServePair(const httplib::Request& request, httplib::Response& response);

    PallixRemoteState& mState;
};
