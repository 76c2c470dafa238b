#pragma once

#include "PallixMessage.h"
#include "PallixString.h"

#include <cstdint>
#include <memory>

class PallixEventLoop;

// The application object. Run() owns the event loop: it calls OnAppInit, then
// dispatches input, timers, posted messages, control commands, child reaping and
// painting on this one thread until Terminate is called.
class PallixApp
{
public:
    PallixApp();
    virtual ~PallixApp();
    PallixApp(const PallixApp&) = delete;
    PallixApp& operator=(const PallixApp&) = delete;

    int Run(int argc, char** argv);
    int GetArgc() const { return mArgc; }
    char** GetArgv() const { return mArgv; }

    // Ends the loop: nothing more is dispatched after the current callback (the
    // control channel still sends the replies already made), then OnAppExit runs
    // and Run returns nStatus. The first call decides the status. Call it on the
    // loop thread; other threads post work that calls it.
    void Terminate(int nStatus);
    bool IsTerminating() const { return mbTerminating; }

    // Control-channel lines whose first word is name are routed to OnECPCommand.
    void RegisterECPCommand(const char* name);

    // The application's own endpoint; messages posted to it reach OnWormholeMessage.
    PallixString GetAppWormholeURL() const;

    static PallixApp* GetApp();

protected:
    virtual void OnAppInit();
    virtual void OnAppExit();
    virtual void OnActivate();
    virtual void OnDeactivate();
    // Remote keys that no window handled.
    virtual bool OnKeyDown(unsigned long nKey);
    virtual bool OnKeyDownInactive(unsigned long nKey);
    virtual bool OnKeyUp(unsigned long nKey);
    virtual bool OnKeyUpInactive(unsigned long nKey);
    virtual void OnMountMessage(const PallixMessage& message);
    virtual void OnPowerMessage(const PallixMessage& message);
    virtual void OnScreenMessage(const PallixMessage& message);
    virtual void OnWormholeMessage(const PallixMessage& message);
    virtual void OnWidgetParametersChanged();
    virtual void OnECPCommand(const PallixString& command, PallixString& result);
    virtual void OnSignal(int nSignal);

private:
    friend class PallixEventLoop;

    int mArgc = 0;
    char** mArgv = nullptr;
    int mExitStatus = 0;
    bool mbTerminating = false;
    PallixString mECPCommandName;
    // Tells this object's wormhole endpoint from that of an earlier application
    // object, whose messages may still wait in the loop's queue.
    uint64_t mWormholeSerial = 0;
};
