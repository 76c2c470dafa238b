#include "CallLogger.h"

#include "ClientProperties.h"

#include <iostream>

CallLogger::CallLogger(PallixString str) : mString(str)
{
    if (ClientProperties::getLogDebug())
        std::cout << "Entering " << mString << std::endl;
}

CallLogger::~CallLogger()
{
    if (ClientProperties::getLogDebug())
        std::cout << "Leaving " << mString << std::endl;
}
