// client.properties, read by ClientProperties::parse.
#include "ClientProperties.h"
#include "FuzzConsole.h"
#include "FuzzFile.h"
#include "LibrarySettings.h"
#include "SystemInfo.h"

#include <cstdio>
#include <cstdlib>

// The box's address, asked once per parse, is a fixed one here: asking the
// network interfaces for every input would cost more than the parse, and a
// fixed address lets the fuzzer find the settings that turn parental control on.
// This definition stands in for the library's (SystemInfo.cpp is then not linked).
PallixString SystemInfo::getMacAsString()
{
    return "BC:9A:78:56:34:12";
}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    FuzzConsole::silenceStdout();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static FuzzFile file;
    file.write(data, size);

    LibrarySettings settings;
    ClientProperties::parse(file.path().c_str());
    if (ClientProperties::isParentalControlEnabled() &&
        ClientProperties::getParentalControlMACAddr() != SystemInfo::getMacAsString())
    {
        std::fprintf(stderr, "properties fuzz: parental control on for another address\n");
        std::abort();
    }
    return 0;
}
