#pragma once

// Console diagnostics: a prefix, ": " and the message, one line each.
class Logger
{
public:
    static void logMsg(const char* szType, const char* msg);
    static void logError(const char* msg);
    static void logInfo(const char* szMsg);
    // Printed whenever called: callers test ClientProperties::getLogDebug() first.
    static void logDebug(const char* msg, ...);
};
