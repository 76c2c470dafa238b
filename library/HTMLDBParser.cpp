#include "HTMLDBParser.h"

#include "ClientProperties.h"
#include "FileUtils.h"
#include "MediaEntry.h"
#include "MediaEntryFields.h"
#include "MediaStore.h"
#include "PallixDirScanner.h"
#include "PallixTokenArray.h"
#include "ParallelWork.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <memory>
#include <utility>
#include <sys/stat.h>

namespace
{
// A longer line is read in pieces of at most 2047 bytes, each taken as a line of its own.
constexpr int LINE_BUFFER_SIZE = 2048;

// The progress dots are pushed to the console in batches: one write per title
// would cost more than parsing the title on a large collection.
constexpr int DOTS_PER_FLUSH = 64;

// A database is read in pieces of about this size, several at once: large enough that
// starting one costs nothing, small enough that the threads finish together.
constexpr long long PIECE_BYTES = 4 << 20;

PallixString lastComponent(const PallixString& dir)
{
    return dir.Mid(dir.ReverseFind('/') + 1);
}

// The database's folder as an absolute path, so that what it names is found the
// same way whatever the current folder is.
PallixString folderOfDatabase(const PallixString& filename)
{
    std::filesystem::path dir = std::filesystem::path(filename.str()).parent_path();
    if (dir.empty())
        dir = ".";
    std::error_code error;
    std::filesystem::path absolute = std::filesystem::absolute(dir, error);
    if (error)
        return PallixString(dir.string());
    std::string text = absolute.lexically_normal().string();
    while (text.size() > 1 && text.back() == '/')
        text.pop_back();
    return PallixString(std::move(text));
}
} // namespace

PallixString HTMLDBParser::mVolumesRoot = "/tmp/Volumes";
long long HTMLDBParser::mPieceBytes = PIECE_BYTES;

HTMLDBParser::HTMLDBParser() = default;

HTMLDBParser::~HTMLDBParser() = default;

void HTMLDBParser::setVolumesRoot(PallixString root)
{
    mVolumesRoot = root;
}

PallixString HTMLDBParser::getVolumesRoot()
{
    return mVolumesRoot;
}

void HTMLDBParser::parse(PallixString filename, int nFixPathsMode, MediaStore& store, bool bFullParse)
{
    store.setDatabasePath(filename);
    // A folder or a FIFO is no database either.
    FileHandle file = FileUtils::openRegularFile(filename);
    if (!file)
    {
        std::cout << "Unable to locate " << filename << "...no media entries loaded." << std::endl;
        return;
    }
    const PallixString databaseDir = folderOfDatabase(filename);
    store.setDatabaseDir(databaseDir);

    int nCount = 0;
    auto accept = [&](MediaEntry* pEntry)
    {
        pEntry->resolvePaths(databaseDir);
        store.addMediaEntry(pEntry);
        std::cout << '.';
        if (++nCount % DOTS_PER_FLUSH == 0)
            std::cout << std::flush;
    };
    // A large database is read in pieces, on as many threads as there are cores. Each
    // piece starts just after a "</ul>" line and is read as if a record had just ended
    // there. Where the reading before it turns out not to end exactly there, the piece
    // is read again, in order, from where that reading did end.
    std::vector<Piece> pieces = splitIntoPieces(file.get(), bFullParse);
    if (pieces.size() > 1)
        ParallelWork::forEach(static_cast<int>(pieces.size()), 1,
                              [&](int i)
                              { parsePiece(filename, pieces[static_cast<size_t>(i)], bFullParse); });
    long long nReached = 0;
    for (Piece& piece : pieces)
    {
        if (piece.bRead && piece.nStart == nReached)
        {
            for (MediaEntry* pEntry : piece.entries)
                accept(pEntry);
            nReached = piece.nReached;
            continue;
        }
        for (MediaEntry* pEntry : piece.entries)
            delete pEntry;
        if (nReached < piece.nEnd && ::fseeko(file.get(), nReached, SEEK_SET) == 0)
            nReached = parseRecords(file.get(), piece.nEnd, bFullParse, accept);
    }
    file.reset();
    std::cout << nCount << " entries read." << std::endl;

    if (nFixPathsMode != 0)
        updatePaths(store, nFixPathsMode);
}

void HTMLDBParser::setPieceBytes(long long nBytes)
{
    mPieceBytes = std::max(nBytes, 1LL);
}

long long HTMLDBParser::getPieceBytes()
{
    return mPieceBytes;
}

std::vector<HTMLDBParser::Piece> HTMLDBParser::splitIntoPieces(FILE* pFile, bool bFullParse)
{
    std::vector<Piece> pieces(1);
    struct stat64 st;
    // Unknown fields are reported as they are met, in file order.
    if (::fstat64(::fileno(pFile), &st) != 0 || !S_ISREG(st.st_mode) ||
        (bFullParse && ClientProperties::getLogDebug()))
        return pieces;

    char line[LINE_BUFFER_SIZE];
    long long nSize = st.st_size;
    for (long long nTarget = mPieceBytes; nTarget < nSize; nTarget = pieces.back().nStart + mPieceBytes)
    {
        if (::fseeko(pFile, nTarget, SEEK_SET) != 0)
            break;
        // Skip to the start of a line, then to just after the next line holding "</ul>",
        // reading in the same pieces of at most 2047 bytes as the parse does.
        bool bLineStart = false;
        long long nStart = -1;
        while (nStart < 0 && ::fgets_unlocked(line, sizeof(line), pFile))
        {
            if (bLineStart && std::strstr(line, "</ul>"))
                nStart = ::ftello(pFile);
            bLineStart = bLineStart || std::strchr(line, '\n');
        }
        if (nStart < 0 || nStart >= nSize)
            break;
        pieces.back().nEnd = nStart;
        pieces.push_back(Piece{nStart, LLONG_MAX, 0, false, {}});
    }
    ::clearerr(pFile);
    ::rewind(pFile);
    return pieces;
}

void HTMLDBParser::parsePiece(const PallixString& filename, Piece& piece, bool bFullParse)
{
    FileHandle file(std::fopen(filename, "r"));
    if (!file || ::fseeko(file.get(), piece.nStart, SEEK_SET) != 0)
        return;
    piece.nReached = parseRecords(file.get(), piece.nEnd, bFullParse,
                                  [&piece](MediaEntry* pEntry) { piece.entries.push_back(pEntry); });
    piece.bRead = true;
}

long long HTMLDBParser::parseRecords(FILE* pFile, long long nEnd, bool bFullParse,
                                     const std::function<void(MediaEntry*)>& accept)
{
    char line[LINE_BUFFER_SIZE];
    // Whatever line is read outside a record opens the next one; its text is not examined.
    while (::ftello(pFile) < nEnd && !::feof_unlocked(pFile) && ::fgets_unlocked(line, sizeof(line), pFile))
    {
        MediaEntry* pEntry = parseEntry(pFile, bFullParse);
        if (pEntry->getOriginalTitle().GetLength() > 0 && isAllowedRating(pEntry))
            accept(pEntry);
        else
            delete pEntry;
    }
    return ::ftello(pFile);
}

MediaEntry* HTMLDBParser::parseEntry(FILE* pFile, bool bFullParse)
{
    MediaEntry* pEntry = new MediaEntry();
    char line[LINE_BUFFER_SIZE];
    // The stream is read by one thread only, so its lock is not taken for every line.
    while (!::feof_unlocked(pFile))
    {
        if (!::fgets_unlocked(line, sizeof(line), pFile) || std::strstr(line, "</ul>"))
            break;

        char* pKey = std::strstr(line, "<li>");
        if (!pKey)
            continue;
        pKey += 4;
        char* pEquals = std::strchr(pKey, '=');
        if (!pEquals)
            continue;
        *pEquals = 0;

        char* pValue = pEquals + 1;
        size_t nLength = std::strcspn(pValue, "\r\n");
        if (nLength == 0)
            continue;
        // Trailing blanks go (spaces only); a value of nothing but spaces becomes empty.
        while (nLength > 0 && pValue[nLength - 1] == ' ')
            --nLength;
        pValue[nLength] = 0;

        storeField(pEntry, pKey, pValue, nLength, bFullParse);
    }
    return pEntry;
}

void HTMLDBParser::storeField(MediaEntry* pEntry, const char* key, const char* value, size_t nLength, bool bFullParse)
{
    const MediaEntryFields::Field* pField = MediaEntryFields::find(key);
    if (pField && (bFullParse || pField->read == MediaEntryFields::ALWAYS))
        pField->set(*pEntry, PallixString(value, nLength));
    else if (!pField && bFullParse && ClientProperties::getLogDebug())
        std::cout << "UNKNOWN field in HTML: " << key << std::endl;
}

bool HTMLDBParser::isAllowedRating(MediaEntry* pEntry)
{
    if (!ClientProperties::isParentalControlEnabled())
        return true;
    PallixString& rating = pEntry->getRating();
    PallixTokenArray allowed(ClientProperties::getParentalControlAllowedRatings(), "|");
    for (int i = 0; i < allowed.GetNumTokens(); ++i)
        if (allowed.TokenAt(i).Compare(rating, true, false, -1) == 0)
            return true;
    return false;
}

void HTMLDBParser::updatePaths(MediaStore& store, int mode)
{
    std::cout << "Updating paths..." << std::endl;
    mVisitedDirs.clear();

    PallixString mediaRoot = ClientProperties::getMediaRoot();
    PallixDirScanner volumes(mVolumesRoot);
    int nTotal = 0;
    for (int i = 0; i < volumes.GetNumEntries(); ++i)
    {
        PallixString name = volumes.GetEntry(i);
        if (name.GetLength() == 0)
            continue;
        PallixString root = mVolumesRoot + "/" + name;
        if (mediaRoot.GetLength() > 0)
            root += "/" + mediaRoot;
        std::cout << "Scanning " << root << "..." << std::endl;
        nTotal += updatePathsHelper(root, store, mode);
    }
    std::cout << "There were " << nTotal << " media files whose paths were updated." << std::endl;
}

int HTMLDBParser::updatePathsHelper(PallixString dir, MediaStore& store, int mode)
{
    struct stat64 st;
    if (stat64(dir, &st) != 0 || !S_ISDIR(st.st_mode))
        return 0;
    if (!mVisitedDirs.emplace(static_cast<unsigned long long>(st.st_dev), static_cast<unsigned long long>(st.st_ino))
             .second)
        return 0;

    // One listing answers every question about this folder.
    PallixDirScanner listing(dir);
    PallixString movieFile;
    int nMovieFiles = 0;
    bool bHasVideoTS = false;
    for (int i = 0; i < listing.GetNumEntries(); ++i)
    {
        PallixString name = listing.GetEntry(i);
        if (FileUtils::isMovieFile(name))
        {
            if (nMovieFiles++ == 0)
                movieFile = name;
        }
        else if (name == "VIDEO_TS")
        {
            bHasVideoTS = true;
        }
    }

    if (nMovieFiles > 0 || bHasVideoTS)
    {
        // A folder with video is a title: it is matched by its name and not searched further.
        PallixString name = lastComponent(dir);
        MediaEntry* pEntry = store.getEntryForTitle(name);
        if (!pEntry)
        {
            std::cout << "NO ENTRY found for " << name << std::endl;
            return 0;
        }
        pEntry->setPath(dir);
        // A DVD folder gets its main title set; anything else, and a DVD mode
        // that finds no title set, the lone movie file, or the first part of
        // the one film its files make (CD1, CD2).
        PallixString firstFile;
        if (pEntry->getFilename().GetLength() == 0 && !(mode == 2 && updateVTSFilename(pEntry, dir)) &&
            (nMovieFiles == 1 || (nMovieFiles > 1 && FileUtils::holdsOneFilm(dir, firstFile))))
            pEntry->setFilename(movieFile);
        return 1;
    }

    int nUpdated = 0;
    const char* separator = dir[dir.GetLength() - 1] == '/' ? "" : "/";
    for (int i = 0; i < listing.GetNumEntries(); ++i)
    {
        PallixString name = listing.GetEntry(i);
        if (name.GetLength() > 0)
            nUpdated += updatePathsHelper(dir + separator + name, store, mode);
    }
    return nUpdated;
}

bool HTMLDBParser::updateVTSFilename(MediaEntry* pEntry, PallixString dir)
{
    // The name is relative to the title folder, so it names VIDEO_TS only when the
    // files were found in it. Looking inside VIDEO_TS once is enough.
    bool bInVideoTS = lastComponent(dir) == "VIDEO_TS";
    PallixDirScanner listing(dir);
    unsigned long long nLargest = 0;
    int nTitleSet = -1;
    for (int i = 0; i < listing.GetNumEntries(); ++i)
    {
        PallixString name = listing.GetEntry(i);
        if (name == "VIDEO_TS" && !bInVideoTS)
            return updateVTSFilename(pEntry, dir + "/" + name);
        // Discs are copied with upper- and lower-case names alike.
        if (isTitleSetFile(name))
        {
            // The main feature is the largest title set; ties keep the earlier one.
            unsigned long long nSize = FileUtils::getFileLen(dir + "/" + name);
            if (nTitleSet < 0 || nSize > nLargest)
            {
                nLargest = nSize;
                nTitleSet = getVTSNum(name);
            }
        }
    }
    if (nTitleSet < 0)
        return false;

    // The title set is played from its first part, named as it is on the disk.
    char wanted[32];
    std::snprintf(wanted, sizeof(wanted), "VTS_%02d_1.VOB", nTitleSet);
    for (int i = 0; i < listing.GetNumEntries(); ++i)
    {
        PallixString name = listing.GetEntry(i);
        if (name.Compare(wanted, false, false, -1) == 0)
        {
            pEntry->setFilename(bInVideoTS ? "VIDEO_TS/" + name : name);
            return true;
        }
    }
    return false;
}

bool HTMLDBParser::isTitleSetFile(const PallixString& name)
{
    // "VTS_", two digits, "_", a part number and ".VOB", in any letter case.
    return name.GetLength() >= 12 && name.Compare("VTS_", false, false, 4) == 0 && name[4] >= '0' &&
           name[4] <= '9' && name[5] >= '0' && name[5] <= '9' && name[6] == '_' &&
           name.Mid(name.GetLength() - 4).Compare(".VOB", false, false, -1) == 0;
}

int HTMLDBParser::getVTSNum(const char* entry)
{
    // "VTS_12_1.VOB" is title set 12: the digits right after "VTS_", at most two.
    int nTitleSet = 0;
    for (int i = 4; i < 6 && entry[i] >= '0' && entry[i] <= '9'; ++i)
        nTitleSet = nTitleSet * 10 + (entry[i] - '0');
    return nTitleSet;
}
