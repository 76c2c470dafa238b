#include "Logger.h"

#include <cstdarg>
#include <cstdio>
#include <iostream>

void Logger::logMsg(const char* szType, const char* msg)
{
    std::cout << (szType ? szType : "") << ": " << (msg ? msg : "") << std::endl;
}

void Logger::logError(const char* msg)
{
    logMsg("ERROR", msg);
}

void Logger::logInfo(const char* szMsg)
{
    logMsg("INFO", szMsg);
}

void Logger::logDebug(const char* msg, ...)
{
    // Formatted lines and stream lines share one console: keep them in order.
    std::cout.flush();
    std::fputs("DEBUG: ", stdout);
    va_list args;
    va_start(args, msg);
    std::vfprintf(stdout, msg ? msg : "", args);
    va_end(args);
    std::fputs("\n", stdout);
    std::fflush(stdout);
}
