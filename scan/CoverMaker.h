#pragma once

#include "PallixRGBAImage.h"
#include "PallixString.h"
#include "TitleFolder.h"

#include <string>
#include <vector>

// Gives a title the covers Quorva shows: "folder.png" (for the cover grid,
// COVER_WIDTH x COVER_HEIGHT) and "folderLarge.png" (for the title's page,
// LARGE_WIDTH x LARGE_HEIGHT) in its folder. Missing ones are made from the
// first picture found (poster.jpg/.png, folder.jpg, cover.jpg/.png,
// <file>-poster.jpg), or from a frame of the film at a tenth of its length.
// Existing ones are never replaced. A folder that cannot be written to gets its
// covers in the cache folder instead; so does a film lying loose in a scanned
// folder, which has no folder of its own.
class CoverMaker
{
public:
    static constexpr uint32_t COVER_WIDTH = 146;
    static constexpr uint32_t COVER_HEIGHT = 203;
    static constexpr uint32_t LARGE_WIDTH = 300;
    static constexpr uint32_t LARGE_HEIGHT = 420;

    explicit CoverMaker(PallixString cacheFolder);

    // image and largeImage get the covers' paths, or stay empty when there is
    // none; problems get "<path>: <reason>" lines.
    void provideCovers(const TitleFolder& title, const PallixString& playFile, PallixString& image,
                       PallixString& largeImage, std::vector<PallixString>& problems);

private:
    // The picture the covers are made from, or false.
    bool findSource(const TitleFolder& title, const PallixString& playFile, std::vector<PallixString>& problems,
                    PallixRGBAImage& source);
    // Writes a cover; false when the folder cannot take it.
    bool writeCover(const PallixRGBAImage& source, uint32_t width, uint32_t height, const PallixString& path);
    // This title's folder inside the cache folder, made when missing.
    PallixString cacheFolderFor(const TitleFolder& title);

    PallixString mCacheFolder;
};
