// The movie database, read whole by HTMLDBParser::parse and passed through the
// store's start-up passes that work on its text. The first byte chooses how it is
// read: bit 0 full parse (else browsing), bit 1 parental control (ratings G, PG
// and PG-13), bit 2 debug log, bits 3 to 5 the size of the pieces read in
// parallel (mostly one piece: threads are slow to start). The rest is the file.
#include "FuzzConsole.h"
#include "FuzzFile.h"
#include "HTMLDBParser.h"
#include "LibrarySettings.h"
#include "MediaEntry.h"
#include "MediaStore.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace
{
const char* const ALLOWED = "G|PG|PG-13";

// Everything the parse put into each title, in store order.
std::vector<std::string> describe(MediaStore& store)
{
    PallixNewArray<MediaEntry*> entries(8);
    store.getMediaForGenre("All", entries);
    std::vector<std::string> result;
    for (MediaEntry* pEntry : entries)
    {
        std::string text;
        for (PallixString* pField :
             {&pEntry->getNum(), &pEntry->getTitle(), &pEntry->getGenre(), &pEntry->getDirector(),
              &pEntry->getYear(), &pEntry->getActors(), &pEntry->getDuration(), &pEntry->getMPAA(),
              &pEntry->getRating(), &pEntry->getResolution(), &pEntry->getMediaType(),
              &pEntry->getAspectRatio(), &pEntry->getOriginalTitle(), &pEntry->getDescription(),
              &pEntry->getPath(), &pEntry->getImagePath(), &pEntry->getFilename(), &pEntry->getLargeImagePath()})
            text += pField->str() + '\x1f';
        for (FeatureItem& item : pEntry->getFeatureItems())
            text += item.getText().str() + '\x1e' + item.getPath().str() + '\x1f';
        result.push_back(std::move(text));
    }
    return result;
}

void fail(const char* what)
{
    std::fprintf(stderr, "database fuzz: %s\n", what);
    std::abort();
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
    if (size == 0)
        return 0;
    const uint8_t flags = data[0];
    const bool bFullParse = flags & 1;
    const bool bParental = flags & 2;
    file.write(data + 1, size - 1);

    LibrarySettings settings;
    if (bParental)
        settings.allowRatings(ALLOWED);
    settings.setLogDebug(flags & 4);
    const long long nDefaultPiece = HTMLDBParser::getPieceBytes();
    static const long long PIECES[] = {0, 0, 0, 0, 0, 0, 64, 700};
    const long long nPiece = PIECES[(flags >> 3) & 7];

    MediaStore store;
    HTMLDBParser parser;
    if (nPiece > 0)
        HTMLDBParser::setPieceBytes(nPiece);
    parser.parse(file.path().c_str(), 0, store, bFullParse);
    HTMLDBParser::setPieceBytes(nDefaultPiece);
    store.updateGenreList();
    store.validateEntries();

    PallixNewArray<MediaEntry*> entries(8);
    store.getMediaForGenre("All", entries);
    for (MediaEntry* pEntry : entries)
    {
        pEntry->getDurationInSecs();
        if (pEntry->getOriginalTitle().IsEmpty())
            fail("a title without an original title was accepted");
        if (bParental && pEntry->getRating() != "G" && pEntry->getRating() != "PG" && pEntry->getRating() != "PG-13")
            fail("parental control let a title through");
    }

    // Reading in parallel pieces must give exactly what reading in one go gives.
    if (nPiece > 0)
    {
        MediaStore whole;
        parser.parse(file.path().c_str(), 0, whole, bFullParse);
        if (describe(store) != describe(whole))
            fail("the pieces read in parallel differ from one whole read");
    }
    return 0;
}
