#include "MediaEntry.h"

#include "FileUtils.h"
#include "MediaEntryFields.h"
#include "MutexLock.h"
#include "PallixBitmap.h"
#include "PallixFile.h"
#include "PallixTokenArray.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <string_view>

namespace
{
// Mode the box's bitmap loader is always given.
constexpr int BITMAP_LOAD_MODE = 2;

// Leading decimal integer, 0 if none; bounded so that a hand-edited database
// cannot overflow the sum of hours, minutes and seconds.
long long leadingInt(const PallixString& text)
{
    return std::clamp<long long>(std::strtoll(text, nullptr, 10), -INT_MAX, INT_MAX);
}
} // namespace

// Searched in row order: the first word found anywhere in the text gives the code.
const PallixString MediaEntry::MPAA[MPAA_ROWS] = {
    "rape",          "sexuality",        "strong violence",
    "action",        "intense sequences of action violence",
    "brief nudity",  "innuendo",         "nudity",
    "brief language", "strong sex",      "intense violence",
    "some sexual",   "pervasive language", "drug content",
    "violence",      "mild language",    "battle sequences",
    "language",      "violent",          "some sensuality",
    "crude sexual dialogue", "sexual content", "sexual humor",
    "gore",          "adult content",    "sexual situations",
    "sexual content",
};

const PallixString MediaEntry::MPAA_short[MPAA_ROWS] = {
    "RP", "S", "SV", "A", "SV", "BN", "AC", "N", "BL", "AC", "SV", "S", "AL", "DC",
    "V",  "BL", "BS", "L", "V", "S", "L", "S", "AL", "V", "AC", "S", "AC",
};

// The feature list starts without reserved room: most titles have no feature items,
// and room for eight in every entry would cost half a kilobyte per title.
MediaEntry::MediaEntry()
    : mFeatureItems(0), mDuration("-1"), mpBitmap(nullptr), mbCoverFailed(false), mLastViewedTime(0), mPathBase(0),
      mImagePathBase(0),
      mLargeImagePathBase(0)
{
}

MediaEntry::~MediaEntry()
{
    if (mpBitmap)
    {
        mpBitmap->Unload();
        delete mpBitmap;
        mpBitmap = nullptr;
    }
}

void MediaEntry::setMPAA(PallixString value)
{
    mOriginalMPAA = std::move(value);
    // Parsed in place: this runs for every title at start-up, so the parts are views
    // into the text rather than copies.
    const std::string_view text(mOriginalMPAA.str());
    std::array<const PallixString*, MPAA_ROWS> codes{};
    size_t nCodes = 0;
    std::string lower;
    std::string firstPart;
    bool bFirst = true;

    size_t partStart = 0;
    while (partStart < text.size())
    {
        size_t partEnd = std::min(text.find(',', partStart), text.size());
        std::string_view token = text.substr(partStart, partEnd - partStart);
        partStart = partEnd + 1;
        if (token.empty())
            continue;

        if (bFirst)
        {
            // "PG-13 for intense sequences" gives the rating PG-13 and "for intense sequences ".
            bFirst = false;
            mRating = PallixString();
            bool bRating = true;
            size_t wordStart = 0;
            while (wordStart < token.size())
            {
                size_t wordEnd = std::min(token.find(' ', wordStart), token.size());
                std::string_view word = token.substr(wordStart, wordEnd - wordStart);
                wordStart = wordEnd + 1;
                if (word.empty())
                    continue;
                if (bRating)
                {
                    mRating = PallixString(word.data(), word.size());
                    bRating = false;
                }
                else
                {
                    firstPart.append(word);
                    firstPart += ' ';
                }
            }
            token = firstPart;
        }

        // The text after "and" is looked up on its own, so that both halves of
        // "violence and language" can give a code.
        std::string_view extra;
        size_t andAt = token.find("and");
        if (andAt != std::string_view::npos && andAt + 4 < token.size())
            extra = token.substr(andAt + 4);

        addMPAAValue(codes, nCodes, getShortenedMPAAValue(token, lower));
        if (!extra.empty())
            addMPAAValue(codes, nCodes, getShortenedMPAAValue(extra, lower));
    }

    mMPAA = PallixString();
    if (nCodes > 0)
    {
        mMPAA = "(";
        for (size_t i = 0; i < nCodes; ++i)
        {
            if (i > 0)
                mMPAA += ",";
            mMPAA += *codes[i];
        }
        mMPAA += ")";
    }
}

const PallixString* MediaEntry::getShortenedMPAAValue(std::string_view value, std::string& lower)
{
    // The descriptor words are lower case, so one lower-cased copy of the text lets
    // every row use a plain substring search: letter case is ignored either way.
    lower.assign(value);
    PallixString::LowerAsciiInPlace(lower);
    for (size_t i = 0; i < MPAA_ROWS; ++i)
        if (std::strstr(lower.c_str(), MPAA[i]))
            return &MPAA_short[i];
    return nullptr;
}

void MediaEntry::addMPAAValue(std::array<const PallixString*, MPAA_ROWS>& codes, size_t& nCodes,
                              const PallixString* pCode)
{
    if (!pCode)
        return;
    for (size_t i = 0; i < nCodes; ++i)
        if (*codes[i] == *pCode)
            return;
    codes[nCodes++] = pCode;
}

void MediaEntry::addFeatureItem(PallixString data)
{
    PallixTokenArray parts(data, ",");
    if (parts.GetNumTokens() == 2)
        mFeatureItems.Append(FeatureItem(parts.TokenAt(0), parts.TokenAt(1)));
}

PallixString MediaEntry::getLastViewedTimeAsString()
{
    struct tm local;
    char buffer[64] = "";
    if (localtime_r(&mLastViewedTime, &local))
        std::strftime(buffer, sizeof(buffer), "%b %d, %Y", &local);
    return PallixString(buffer);
}

time_t MediaEntry::getAddedTime()
{
    // "YYYY-MM-DD", with the time of day after it when the scanner wrote it.
    struct tm local = {};
    int nRead = std::sscanf(mAdded, "%d-%d-%d %d:%d:%d", &local.tm_year, &local.tm_mon, &local.tm_mday,
                            &local.tm_hour, &local.tm_min, &local.tm_sec);
    if (nRead != 3 && nRead != 6)
        return 0;
    local.tm_year -= 1900;
    local.tm_mon -= 1;
    local.tm_isdst = -1;
    time_t when = std::mktime(&local);
    return when == static_cast<time_t>(-1) ? 0 : when;
}

int MediaEntry::getDurationInSecs()
{
    if (mDuration == "-1")
        return -1;
    PallixTokenArray parts(mDuration, ":");
    // Tokens that are not there read as 0 (TokenAt gives the empty string).
    long long hours = leadingInt(parts.TokenAt(0));
    long long minutes = leadingInt(parts.TokenAt(1));
    long long seconds = leadingInt(parts.TokenAt(2));
    long long total = hours * 3600 + minutes * 60 + seconds;
    return static_cast<int>(std::clamp<long long>(total, INT_MIN, INT_MAX));
}

namespace
{
// Puts dir in front of a relative path; returns how many bytes it added.
uint16_t resolveAgainst(PallixString& path, const PallixString& dir)
{
    if (path.IsEmpty() || path[0] == '/' || dir.IsEmpty() || dir.GetLength() >= UINT16_MAX)
        return 0;
    path = dir + "/" + path;
    return static_cast<uint16_t>(dir.GetLength() + 1);
}
} // namespace

void MediaEntry::resolvePaths(const PallixString& dir)
{
    if (mPathBase == 0)
        mPathBase = resolveAgainst(mPath, dir);
    if (mImagePathBase == 0)
        mImagePathBase = resolveAgainst(mImagePath, dir);
    if (mLargeImagePathBase == 0)
        mLargeImagePathBase = resolveAgainst(mLargeImagePath, dir);
}

void MediaEntry::setFoundImagePaths(PallixString image, PallixString largeImage)
{
    // Both were made by putting a name after the Path, so they start with its folder part.
    mImagePath = std::move(image);
    mImagePathBase = mImagePath.IsEmpty() ? 0 : mPathBase;
    mbCoverFailed = false;
    mLargeImagePath = std::move(largeImage);
    mLargeImagePathBase = mLargeImagePath.IsEmpty() ? 0 : mPathBase;
}

void MediaEntry::overlay(MediaEntry& other)
{
    MediaEntryFields::overlay(*this, other);
    if (other.mLastViewedTime != 0)
        mLastViewedTime = other.mLastViewedTime;
}

PallixString MediaEntry::getFullPathToPlayFile()
{
    if (mFilename.GetLength() > 0)
        return mPath + "/" + mFilename;
    return mPath + "/" + FileUtils::getMovieFile(mPath);
}

PallixBitmap* MediaEntry::getBitmap()
{
    MutexLock lock(&mLoadMutex, "MediaEntry::getBitmap");
    if (!mpBitmap)
        loadBitmap();
    return mpBitmap;
}

void MediaEntry::loadBitmap()
{
    if (mpBitmap)
        return;
    // A missing cover is not an error; the next call looks again.
    if (!FileUtils::fileExists(mImagePath))
        return;
    FileStamp stamp = FileStamp::of(mImagePath);
    if (mbCoverFailed && stamp == mFailedCover)
        return;

    PallixFile file(mImagePath);
    mpBitmap = new PallixBitmap();
    if (!mpBitmap->Load(file, BITMAP_LOAD_MODE))
    {
        std::cout << "FAILED to load media entry image:" << std::endl;
        std::cout << "   path: " << mImagePath << std::endl;
        std::cout << "  title: " << mTitle << std::endl;
        delete mpBitmap;
        mpBitmap = nullptr;
        mbCoverFailed = true;
        mFailedCover = stamp;
    }
}

void MediaEntry::exportHeaderEntry(std::ostream& out)
{
    MediaEntryFields::writeIndex(*this, out);
}

void MediaEntry::exportFullEntry(std::ostream& out)
{
    MediaEntryFields::writeDetail(*this, out);
}
