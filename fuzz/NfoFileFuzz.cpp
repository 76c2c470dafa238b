// A film's .nfo file, as media managers write it beside the film, read by
// quorva-scan's NfoFile, with every value made safe for the database as the
// scanner then stores it.
#include "DatabaseValue.h"
#include "FuzzConsole.h"
#include "FuzzFile.h"
#include "NfoFile.h"
#include "PallixControlServer.h"

#include <cstdio>
#include <cstdlib>

namespace
{
// A value that reaches the database is one line that cannot open or close a record.
void checkSafe(const PallixString& value)
{
    const std::string safe = DatabaseValue::makeSafe(value.str()).str();
    if (safe.find('\n') != std::string::npos || safe.find('\r') != std::string::npos ||
        safe.find("</ul>") != std::string::npos || safe.find("<li>") != std::string::npos ||
        (!safe.empty() && safe.back() == ' ') || !PallixControlServer::IsValidUTF8(safe))
    {
        std::fprintf(stderr, "nfo fuzz: unsafe value \"%s\"\n", safe.c_str());
        std::abort();
    }
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    FuzzConsole::silenceStdout();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static FuzzFile file;
    file.write(data, size);
    NfoFile nfo;
    if (!nfo.load(file.path().c_str()))
    {
        // A file refused always says why.
        if (nfo.getError().IsEmpty())
            std::abort();
        return 0;
    }
    for (PallixString* pValue : {&nfo.getTitle(), &nfo.getOriginalTitle(), &nfo.getYear(), &nfo.getGenre(),
                                 &nfo.getDirector(), &nfo.getActors(), &nfo.getPlot(), &nfo.getMPAA()})
        checkSafe(*pValue);
    if (nfo.getRuntime() < 0)
        std::abort();
    return 0;
}
