#include "HTMLDBParser.h"

#include "ClientProperties.h"
#include "FileUtils.h"
#include "MediaEntry.h"
#include "MediaEntryFields.h"
#include "MediaStore.h"
#include "PallixTokenArray.h"
#include "ParallelWork.h"
#include "PathRepair.h"

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
    PathRepair(store, mode).run(mVolumesRoot, ClientProperties::getMediaRoot());
}
