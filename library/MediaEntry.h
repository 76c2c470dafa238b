#pragma once

#include "FeatureItem.h"
#include "FileStamp.h"
#include "Mutex.h"
#include "PallixNewArray.h"
#include "PallixString.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>

class PallixBitmap;

// One title of the collection: the fields read from the database, the rating and
// content codes derived from its MPAA text, its extra playable items, its cover
// image (loaded on first use) and when it was last viewed.
class MediaEntry
{
public:
    MediaEntry();
    ~MediaEntry();
    MediaEntry(const MediaEntry&) = delete;
    MediaEntry& operator=(const MediaEntry&) = delete;

    void setNum(PallixString value) { mNum = std::move(value); }
    void setTitle(PallixString value) { mTitle = std::move(value); }
    void setGenre(PallixString value) { mGenre = std::move(value); }
    void setDirector(PallixString value) { mDirector = std::move(value); }
    void setYear(PallixString value) { mYear = std::move(value); }
    void setActors(PallixString value) { mActors = std::move(value); }
    void setDuration(PallixString value) { mDuration = std::move(value); }
    void setResolution(PallixString value) { mResolution = std::move(value); }
    void setMediaType(PallixString value) { mMediaType = std::move(value); }
    void setAspectRatio(PallixString value) { mAspectRatio = std::move(value); }
    void setOriginalTitle(PallixString value) { mOriginalTitle = std::move(value); }
    void setDescription(PallixString value) { mDescription = std::move(value); }
    // "Director's Cut", "Extended", "IMAX": which cut of the film this copy is.
    void setEdition(PallixString value) { mEdition = std::move(value); }
    // The film's id on a film database ("tt0113277", "tmdb:949"), as a link-only .nfo gives it.
    void setFilmId(PallixString value) { mFilmId = std::move(value); }
    // The film's name in another language, as its release name gave it.
    void setOtherTitle(PallixString value) { mOtherTitle = std::move(value); }
    void setPath(PallixString value)
    {
        mPath = std::move(value);
        mPathBase = 0;
    }
    void setImagePath(PallixString value)
    {
        mImagePath = std::move(value);
        mImagePathBase = 0;
        mbCoverFailed = false;
    }
    void setFilename(PallixString value) { mFilename = std::move(value); }
    void setLargeImagePath(PallixString value)
    {
        mLargeImagePath = std::move(value);
        mLargeImagePathBase = 0;
    }
    // Covers found in the title's folder: written back out relative to the
    // database's folder when the title's Path was.
    void setFoundImagePaths(PallixString image, PallixString largeImage);
    // Keeps the text as given and derives the rating and the content codes from it.
    void setMPAA(PallixString value);
    // "label,Title of the record to play"; anything but exactly two parts is ignored.
    void addFeatureItem(PallixString data);
    void setLastViewedTime(time_t val) { mLastViewedTime = val; }
    // When the title entered the library, as the scanner wrote it ("2024-05-01 20:15:00").
    void setAdded(PallixString value) { mAdded = std::move(value); }

    PallixString& getNum() { return mNum; }
    PallixString& getTitle() { return mTitle; }
    PallixString& getGenre() { return mGenre; }
    PallixString& getDirector() { return mDirector; }
    PallixString& getYear() { return mYear; }
    PallixString& getActors() { return mActors; }
    PallixString& getDuration() { return mDuration; }
    // The MPAA text as the database gave it.
    PallixString& getOriginalMPAA() { return mOriginalMPAA; }
    // The content codes, for example "(SV,L)"; empty when none.
    PallixString& getMPAA() { return mMPAA; }
    PallixString& getRating() { return mRating; }
    PallixString& getResolution() { return mResolution; }
    PallixString& getMediaType() { return mMediaType; }
    PallixString& getAspectRatio() { return mAspectRatio; }
    PallixString& getOriginalTitle() { return mOriginalTitle; }
    PallixString& getDescription() { return mDescription; }
    PallixString& getEdition() { return mEdition; }
    PallixString& getFilmId() { return mFilmId; }
    PallixString& getOtherTitle() { return mOtherTitle; }
    PallixString& getPath() { return mPath; }
    PallixString& getImagePath() { return mImagePath; }
    PallixString& getFilename() { return mFilename; }
    PallixString& getLargeImagePath() { return mLargeImagePath; }
    PallixNewArray<FeatureItem>& getFeatureItems() { return mFeatureItems; }
    PallixString& getAdded() { return mAdded; }
    // The Added field as a time, local; 0 when it is empty or not a date.
    time_t getAddedTime();

    time_t getLastViewedTime() { return mLastViewedTime; }
    // Local date, for example "Jan 01, 2000".
    PallixString getLastViewedTimeAsString();
    // -1 while the duration is unknown.
    int getDurationInSecs();
    // Path + "/" + Filename, or the folder's first movie file when there is no Filename.
    PallixString getFullPathToPlayFile();

    // The cover image, loaded on first use; null when there is none. The entry keeps it.
    PallixBitmap* getBitmap();
    bool isBitmapLoaded() { return mpBitmap != nullptr; }

    // A relative Path, Imagepath or LargeImagepath names a place in dir, the
    // database's own folder, so that the library reads the same from any current
    // folder. What the database said is still what an export writes.
    void resolvePaths(const PallixString& dir);
    // The field as the database gave it.
    PallixString getStoredPath() { return mPath.Mid(mPathBase); }
    PallixString getStoredImagePath() { return mImagePath.Mid(mImagePathBase); }
    PallixString getStoredLargeImagePath() { return mLargeImagePath.Mid(mLargeImagePathBase); }
    // Every field that other holds replaces this entry's own; what other lacks is kept.
    void overlay(MediaEntry& other);

    // The index block (the fields a browsing parse needs) and the full detail block,
    // as the field table (MediaEntryFields) lists them.
    void exportHeaderEntry(std::ostream& out);
    void exportFullEntry(std::ostream& out);

private:
    // The field table reads and writes the fields themselves.
    friend class MediaEntryFields;

    // Rows of the content-descriptor table.
    static constexpr size_t MPAA_ROWS = 27;

    // The code of the first descriptor row whose word occurs in value, or null;
    // lower is scratch space kept across calls.
    const PallixString* getShortenedMPAAValue(std::string_view value, std::string& lower);
    // Appends the code unless it is already listed or null. Each row's code is listed
    // at most once, so the list never holds more codes than the table has rows.
    void addMPAAValue(std::array<const PallixString*, MPAA_ROWS>& codes, size_t& nCodes,
                      const PallixString* pCode);
    void loadBitmap();

    static const PallixString MPAA[];
    static const PallixString MPAA_short[];

    PallixNewArray<FeatureItem> mFeatureItems;
    PallixString mNum;
    PallixString mTitle;
    PallixString mGenre;
    PallixString mDirector;
    PallixString mYear;
    PallixString mActors;
    PallixString mDuration;
    PallixString mMPAA;
    PallixString mOriginalMPAA;
    PallixString mResolution;
    PallixString mMediaType;
    PallixString mAspectRatio;
    PallixString mOriginalTitle;
    PallixString mRating;
    PallixString mDescription;
    PallixString mEdition;
    PallixString mFilmId;
    PallixString mOtherTitle;
    PallixString mPath;
    PallixString mImagePath;
    PallixString mFilename;
    PallixString mLargeImagePath;
    PallixString mAdded;
    PallixBitmap* mpBitmap;
    // A cover file that could not be decoded is not tried again until it changes.
    bool mbCoverFailed;
    FileStamp mFailedCover;
    Mutex mLoadMutex;
    time_t mLastViewedTime;
    // How much of each path is the database's folder put in front of a relative
    // path, so that the stored text can be written back unchanged.
    uint16_t mPathBase;
    uint16_t mImagePathBase;
    uint16_t mLargeImagePathBase;
};
