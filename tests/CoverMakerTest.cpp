#include "CoverMaker.h"
#include "MediaMaker.h"
#include "PallixBitmap.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace
{
TitleFolder film(const std::string& folder, const char* file, TitleFolder::Kind kind = TitleFolder::FILM)
{
    TitleFolder title;
    title.kind = kind;
    title.folder = folder.c_str();
    title.name = "Film";
    TitleFolder::Item item;
    item.folder = folder.c_str();
    item.file = file;
    title.items.push_back(item);
    return title;
}

PallixColor centreOf(const PallixString& path, PallixDims& dims)
{
    PallixBitmap picture;
    PallixFile file(path);
    EXPECT_TRUE(picture.Load(file, 2)) << path;
    dims = picture.GetDims();
    return picture.GetPixel(int(dims.w / 2), int(dims.h / 2));
}
} // namespace

TEST(CoverMaker, MakesMissingCoversKeepsExistingOnesAndFallsBackToTheCache)
{
    TempDir dir;
    std::filesystem::create_directories(dir.file("Film"));
    ASSERT_TRUE(MediaMaker::make(dir.file("Film/film.mpg"), MediaMaker::Movie()));
    // A wide poster keeps its shape: centred on black, not stretched.
    PallixBitmap poster;
    poster.Create(600, 200);
    poster.FillRect(poster.GetRect(), PallixColor(200, 30, 30, 255));
    ASSERT_TRUE(poster.SavePNG(dir.file("Film/cover.png").c_str()));
    // The folder's own small cover is never replaced.
    PallixBitmap own;
    own.Create(10, 10);
    own.FillRect(own.GetRect(), PallixColor(0, 0, 255, 255));
    ASSERT_TRUE(own.SavePNG(dir.file("Film/folder.png").c_str()));

    CoverMaker maker(dir.file("covers").c_str());
    PallixString image;
    PallixString large;
    std::vector<PallixString> problems;
    maker.provideCovers(film(dir.file("Film"), "film.mpg"), dir.file("Film/film.mpg").c_str(), image, large,
                        problems);
    EXPECT_TRUE(problems.empty());
    EXPECT_EQ(image, dir.file("Film/folder.png"));
    EXPECT_EQ(large, dir.file("Film/folderLarge.png"));
    PallixDims dims;
    EXPECT_EQ(centreOf(image, dims), PallixColor(0, 0, 255, 255));
    EXPECT_EQ(dims.w, 10u);
    EXPECT_EQ(centreOf(large, dims), PallixColor(200, 30, 30, 255));
    EXPECT_EQ(dims.w, 300u);
    EXPECT_EQ(dims.h, 420u);
    PallixBitmap made;
    PallixFile madeFile(large);
    ASSERT_TRUE(made.Load(madeFile, 2));
    EXPECT_EQ(made.GetPixel(150, 10), PallixColor(0, 0, 0, 255));

    // A folder that does not take the file gets its covers in the cache folder,
    // here made from a frame of the film.
    std::filesystem::create_directories(dir.file("Locked"));
    ASSERT_TRUE(MediaMaker::make(dir.file("Locked/film.mpg"), MediaMaker::Movie()));
    std::filesystem::create_directories(dir.file("Locked/folder.png.tmp"));
    std::filesystem::create_directories(dir.file("Locked/folderLarge.png.tmp"));
    image = large = PallixString();
    maker.provideCovers(film(dir.file("Locked"), "film.mpg"), dir.file("Locked/film.mpg").c_str(), image, large,
                        problems);
    EXPECT_TRUE(problems.empty());
    EXPECT_EQ(image.str().rfind(dir.file("covers/Film-"), 0), 0u);
    EXPECT_TRUE(std::filesystem::exists(image.str()));
    EXPECT_TRUE(std::filesystem::exists(large.str()));
    EXPECT_FALSE(std::filesystem::exists(dir.file("Locked/folder.png")));
    centreOf(image, dims);
    EXPECT_EQ(dims.w, 146u);
    EXPECT_EQ(dims.h, 203u);

    // A film that is no film gets no cover, and says so.
    dir.write("Bad/film.mpg", "not a film");
    image = large = PallixString();
    maker.provideCovers(film(dir.file("Bad"), "film.mpg"), dir.file("Bad/film.mpg").c_str(), image, large,
                        problems);
    EXPECT_TRUE(image.IsEmpty());
    EXPECT_EQ(problems, std::vector<PallixString>{dir.file("Bad/film.mpg") + ": no picture for a cover"});
}
