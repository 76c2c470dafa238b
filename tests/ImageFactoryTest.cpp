#include "ImageFactory.h"
#include "ImageFactoryTestAccess.h"
#include "PallixBitmap.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace
{
void writePNG(const std::string& path, uint32_t w, uint32_t h)
{
    PallixBitmap bitmap;
    ASSERT_TRUE(bitmap.Create(w, h));
    bitmap.FillRect(bitmap.GetRect(), PallixColor(10, 20, 30, 255));
    ASSERT_TRUE(bitmap.SavePNG(path.c_str()));
}
} // namespace

TEST(ImageFactory, SharesOneBitmapPerExactNameAndReadsTheFileOnce)
{
    ImageFactoryTestAccess cache;
    TempDir dir;
    writePNG(dir.file("cover.png"), 4, 3);
    writePNG(dir.file("COVER.png"), 6, 5);

    PallixBitmap* pFirst = ImageFactory::loadFilesystemImage(dir.file("cover.png"));
    ASSERT_NE(pFirst, nullptr);
    EXPECT_EQ(pFirst->GetDims(), PallixDims(4, 3));
    // Gone from disk, still served from the cache.
    std::filesystem::remove(dir.file("cover.png"));
    EXPECT_EQ(ImageFactory::loadFilesystemImage(dir.file("cover.png")), pFirst);

    // Letter case makes another name, decoded from its own file.
    PallixBitmap* pUpper = ImageFactory::loadFilesystemImage(dir.file("COVER.png"));
    ASSERT_NE(pUpper, nullptr);
    EXPECT_NE(pUpper, pFirst);
    EXPECT_EQ(pUpper->GetDims(), PallixDims(6, 5));

    // The same file by another spelling of its path is another entry.
    PallixBitmap* pOther = ImageFactory::loadFilesystemImage(dir.path() + "/./COVER.png");
    ASSERT_NE(pOther, nullptr);
    EXPECT_NE(pOther, pUpper);
    EXPECT_EQ(cache.size(), 3);
}

TEST(ImageFactory, FailedLoadsAreReportedOnceAndTriedAgainWhenTheFileChanges)
{
    ImageFactoryTestAccess cache;
    TempDir dir;
    PallixBitmap* pResult = reinterpret_cast<PallixBitmap*>(1);
    std::string out = captureOutput([&] { pResult = ImageFactory::loadAppImage("missing/ball.png"); });
    EXPECT_EQ(pResult, nullptr);
    EXPECT_EQ(out, "ERROR:  Failed to load image missing/ball.png\n");
    const std::string path = dir.file("ball.png");
    out = captureOutput([&] { pResult = ImageFactory::loadFilesystemImage(path.c_str()); });
    EXPECT_EQ(pResult, nullptr);
    EXPECT_EQ(out, "ERROR:  Failed to load image " + path + "\n");
    // Every paint asks again: nothing is read or reported while the files are as they were.
    out = captureOutput(
        [&]
        {
            EXPECT_EQ(ImageFactory::loadAppImage("missing/ball.png"), nullptr);
            EXPECT_EQ(ImageFactory::loadFilesystemImage(path.c_str()), nullptr);
        });
    EXPECT_EQ(out, "");
    EXPECT_EQ(cache.size(), 0);

    // A broken file is reported, and a good one put in its place is loaded.
    dir.write("ball.png", "not a picture");
    out = captureOutput([&] { EXPECT_EQ(ImageFactory::loadFilesystemImage(path.c_str()), nullptr); });
    EXPECT_EQ(out, "ERROR:  Failed to load image " + path + "\n");
    std::filesystem::copy_file(QUORVA_SOURCE_DIR "/tests/data/library/cover.png", path,
                               std::filesystem::copy_options::overwrite_existing);
    EXPECT_NE(ImageFactory::loadFilesystemImage(path.c_str()), nullptr);
    EXPECT_EQ(cache.size(), 1);
}

TEST(ImageFactory, RemovedImagesAreDecodedAgainAndStrangersAreIgnored)
{
    ImageFactoryTestAccess cache;
    TempDir dir;
    writePNG(dir.file("large.png"), 8, 8);
    PallixBitmap* pLarge = ImageFactory::loadFilesystemImage(dir.file("large.png"));
    ASSERT_NE(pLarge, nullptr);

    PallixBitmap stranger;
    ImageFactory::removeImage(&stranger);
    ImageFactory::removeImage(nullptr);
    EXPECT_EQ(cache.size(), 1);
    EXPECT_EQ(ImageFactory::loadFilesystemImage(dir.file("large.png")), pLarge);

    // A new file under the same name shows that the cache let go of the old picture.
    ImageFactory::removeImage(pLarge);
    EXPECT_EQ(cache.size(), 0);
    writePNG(dir.file("large.png"), 2, 9);
    PallixBitmap* pAgain = ImageFactory::loadFilesystemImage(dir.file("large.png"));
    ASSERT_NE(pAgain, nullptr);
    EXPECT_EQ(pAgain->GetDims(), PallixDims(2, 9));
}
