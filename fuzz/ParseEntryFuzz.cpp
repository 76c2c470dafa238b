// A title's detail file ("<Path>/<Filename>.info", one record), read the way the
// title's page reads it (MediaStore::readDetailFile, which calls
// HTMLDBParser::parseEntry) and laid over the title as an export does.
#include "FuzzConsole.h"
#include "FuzzFile.h"
#include "LibrarySettings.h"
#include "MediaEntry.h"
#include "MediaStore.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sstream>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    FuzzConsole::silenceStdout();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static FuzzFile file;
    static const std::string folder = file.linkAs("movie.mpg.info");
    file.write(data, size);

    LibrarySettings settings;
    MediaStore store;
    store.setDatabaseDir("/media/library");
    MediaEntry entry;
    entry.setPath(folder.c_str());
    entry.setFilename("movie.mpg");
    entry.setOriginalTitle("Original");
    std::unique_ptr<MediaEntry> pDetail(store.readDetailFile(&entry));
    if (!pDetail)
    {
        std::fprintf(stderr, "detail fuzz: the detail file was not read\n");
        std::abort();
    }
    pDetail->getDurationInSecs();
    pDetail->overlay(entry);
    std::ostringstream out;
    pDetail->exportHeaderEntry(out);
    pDetail->exportFullEntry(out);
    return 0;
}
