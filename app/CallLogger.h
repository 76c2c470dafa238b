#pragma once

#include "PallixString.h"

// Traces entry to and exit from a scope when debug output is on.
class CallLogger
{
public:
    explicit CallLogger(PallixString str);
    ~CallLogger();
    CallLogger(const CallLogger&) = delete;
    CallLogger& operator=(const CallLogger&) = delete;

private:
    PallixString mString;
};
