#include "MPEGDecoder.h"
#include "MediaMaker.h"
#include "PallixFile.h"
#include "PallixFileStream.h"
#include "PallixMPEGFile.h"
#include "PallixVideoPlane.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <random>
#include <thread>

namespace
{
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// Feeds the decoder from a file the way the player engine does: reads at the
// stream's position, which the test may move under the running decoder.
class FileFeeder : public MPEGDecoder
{
public:
    ~FileFeeder() override { Close(); }

    bool Load(const std::string& path)
    {
        PallixFile file(path.c_str());
        std::lock_guard<std::mutex> lock(mMutex);
        if (!mStream.Open(file))
            return false;
        PallixMPEGFile mpeg;
        if (!mpeg.SetStream(mStream))
            return false;
        mVideo = mpeg.GetVideoStreamAt(0, 0)->m_nPIDorStreamID;
        mAudio = *mpeg.GetAudioStreamAt(0, 0);
        mbProgramStream = mpeg.GetMPEGFileType() != PallixMPEGFile::kMPEG2TransportStream;
        return true;
    }

    bool Start()
    {
        mbEnd = false;
        return Open(16, 32768) && SelectPIDs(mbProgramStream, 0, mVideo, mAudio.m_nPIDorStreamID, mAudio.m_nSSID,
                                             mAudio.m_streamType == PallixMPEGFile::kAC3);
    }

    void Seek(uint64_t position)
    {
        std::lock_guard<std::mutex> lock(mMutex);
        mStream.SeekToPosition(position);
    }

    uint64_t Size()
    {
        std::lock_guard<std::mutex> lock(mMutex);
        return mStream.GetSize();
    }

    uint32_t OnFillBuffer(unsigned char* pBuffer, unsigned long nBuffSize) override
    {
        std::lock_guard<std::mutex> lock(mMutex);
        // As the player engine does: the end is a read that reaches it.
        const uint32_t n = mStream.ReadBytes(uint32_t(nBuffSize), pBuffer);
        if (n > 0 && mStream.GetPosition() >= mStream.GetSize())
            mbEnd = true;
        return n;
    }

    bool OnDecoderError() override
    {
        ++mErrors;
        return false;
    }

    std::atomic<bool> mbEnd{false};
    std::atomic<int> mErrors{0};

private:
    std::mutex mMutex;
    PallixFileStream mStream;
    int mVideo = 0;
    PallixMPEGFile::AudioStream mAudio;
    bool mbProgramStream = true;
};

bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit = 10s)
{
    const Clock::time_point deadline = Clock::now() + limit;
    while (!condition())
    {
        if (Clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(2ms);
    }
    return true;
}

bool IsBlack(const PallixColor& color)
{
    return color.GetRed() < 16 && color.GetGreen() < 16 && color.GetBlue() < 16;
}

MediaMaker::Movie Movie(double seconds, const char* audio, const char* container)
{
    MediaMaker::Movie movie;
    movie.seconds = seconds;
    movie.audioCodec = audio;
    movie.container = container;
    return movie;
}
} // namespace

TEST(MPEGDecoder, PlaysFilesToTheirEndAtTheirOwnPace)
{
    TempDir dir;
    struct Case
    {
        const char* name;
        MediaMaker::Movie movie;
    };
    const Case cases[] = {
        {"mp2.mpg", Movie(2.0, "mp2", "vob")},
        {"ac3.ts", Movie(2.0, "ac3", "mpegts")},
        {"lpcm.vob", Movie(2.0, "pcm_dvd", "vob")},
        {"silent.ts", Movie(2.0, "", "mpegts")},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(MediaMaker::make(dir.file(c.name), c.movie));
        PallixVideoPlane::Get().Clear();
        PallixVideoPlane::Get().TakeChanged();

        FileFeeder decoder;
        ASSERT_TRUE(decoder.Load(dir.file(c.name)));
        // The picture on the left half of the screen only.
        ASSERT_TRUE(decoder.SetOutputAndScaleRects(PallixRect(0, 0, 640, 720), PallixRect(0, 0, 1280, 720)));
        const Clock::time_point start = Clock::now();
        ASSERT_TRUE(decoder.Start());
        EXPECT_TRUE(decoder.IsOpen());
        // All 50 pictures, the last ones once the stream has no more to give.
        ASSERT_TRUE(WaitFor([&] { return decoder.mbEnd && decoder.GetFramesPresented() + decoder.GetFramesDropped() >= 50; }))
            << decoder.GetFramesPresented() << " shown, " << decoder.GetFramesDropped() << " dropped";
        const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
        // Paced by the clock, not as fast as the decoder can go.
        EXPECT_GT(elapsed, 1.8);
        EXPECT_GT(decoder.GetFramesPresented(), 40u);
        EXPECT_GE(decoder.GetFirstFrameDelayUs(), 0);
        EXPECT_EQ(decoder.mErrors, 0);
        EXPECT_TRUE(decoder.Close());
        EXPECT_FALSE(decoder.IsOpen());
        EXPECT_FALSE(decoder.Close());

        EXPECT_TRUE(PallixVideoPlane::Get().TakeChanged());
        PallixVideoPlane::Get().Read([](const PallixBitmap& plane) {
            int nLit = 0;
            for (int y = 40; y < 720; y += 80)
                for (int x = 40; x < 640; x += 80)
                    nLit += IsBlack(plane.GetPixel(x, y)) ? 0 : 1;
            EXPECT_GT(nLit, 20);
            for (int y = 40; y < 720; y += 80)
                for (int x = 680; x < 1280; x += 80)
                    EXPECT_TRUE(IsBlack(plane.GetPixel(x, y))) << x << "," << y;
        });
    }
}

TEST(MPEGDecoder, TheLastPictureStaysAfterCloseUntilTheVideoIsCleared)
{
    TempDir dir;
    ASSERT_TRUE(MediaMaker::make(dir.file("movie.mpg"), Movie(2.0, "mp2", "vob")));
    FileFeeder decoder;
    ASSERT_TRUE(decoder.Load(dir.file("movie.mpg")));
    ASSERT_TRUE(decoder.Start());
    ASSERT_TRUE(WaitFor([&] { return decoder.GetFramesPresented() >= 3; }));
    ASSERT_TRUE(decoder.Close());

    // Closed for a restart: the picture is still there, so no black flash.
    PallixVideoPlane& plane = PallixVideoPlane::Get();
    const PallixVideoPicture kept = plane.GetPicture();
    EXPECT_FALSE(kept.IsEmpty());
    EXPECT_EQ(kept.nWidth, 320);
    EXPECT_EQ(kept.nHeight, 240);
    auto countLit = [&] {
        int nLit = 0;
        plane.Read([&](const PallixBitmap& pixels) {
            for (int y = 40; y < 720; y += 80)
                for (int x = 40; x < 1280; x += 80)
                    nLit += IsBlack(pixels.GetPixel(x, y)) ? 0 : 1;
        });
        return nLit;
    };
    EXPECT_GT(countLit(), 40);

    plane.TakeChanged();
    decoder.ClearVideo();
    EXPECT_TRUE(plane.TakeChanged());
    EXPECT_TRUE(plane.GetPicture().IsEmpty());
    EXPECT_EQ(countLit(), 0);
}

TEST(MPEGDecoder, ShowsPicturesWithFullHeightChroma)
{
    TempDir dir;
    MediaMaker::Movie movie = Movie(1.0, "mp2", "vob");
    movie.extra = {"-pix_fmt", "yuv422p"};
    ASSERT_TRUE(MediaMaker::make(dir.file("422.mpg"), movie));
    PallixVideoPlane::Get().Clear();
    FileFeeder decoder;
    ASSERT_TRUE(decoder.Load(dir.file("422.mpg")));
    ASSERT_TRUE(decoder.Start());
    ASSERT_TRUE(WaitFor([&] { return decoder.GetFramesPresented() >= 3; }));
    ASSERT_TRUE(decoder.Close());
    const PallixVideoPicture shown = PallixVideoPlane::Get().GetPicture();
    ASSERT_FALSE(shown.IsEmpty());
    EXPECT_EQ(shown.nWidth, 320);
    EXPECT_EQ(shown.nHeight, 240);
    // The test pattern's colour bars come through in colour.
    int nColoured = 0;
    PallixVideoPlane::Get().Read([&](const PallixBitmap& pixels) {
        for (int x = 40; x < 1280; x += 80)
        {
            const PallixColor c = pixels.GetPixel(x, 360);
            nColoured += std::max({c.GetRed(), c.GetGreen(), c.GetBlue()}) -
                                 std::min({c.GetRed(), c.GetGreen(), c.GetBlue()}) >
                             64
                             ? 1
                             : 0;
        }
    });
    EXPECT_GT(nColoured, 4);
}

TEST(MPEGDecoder, PauseFreezesAndResumeContinues)
{
    TempDir dir;
    ASSERT_TRUE(MediaMaker::make(dir.file("movie.mpg"), Movie(4.0, "mp2", "vob")));
    FileFeeder decoder;
    ASSERT_TRUE(decoder.Load(dir.file("movie.mpg")));
    EXPECT_FALSE(decoder.PauseStreaming());
    ASSERT_TRUE(decoder.Start());
    ASSERT_TRUE(WaitFor([&] { return decoder.GetFramesPresented() >= 5; }));
    ASSERT_TRUE(decoder.PauseStreaming());
    // A picture being drawn when the pause came may still land.
    std::this_thread::sleep_for(50ms);
    const uint64_t frozen = decoder.GetFramesPresented();
    const int64_t frozenPts = decoder.GetLastPresentedPtsUs();
    std::this_thread::sleep_for(400ms);
    EXPECT_EQ(decoder.GetFramesPresented(), frozen);
    EXPECT_EQ(decoder.GetLastPresentedPtsUs(), frozenPts);
    ASSERT_TRUE(decoder.ResumeStreaming());
    ASSERT_TRUE(WaitFor([&] { return decoder.GetFramesPresented() >= frozen + 5; }));
    // The movie carries on from where it stopped rather than skipping the pause.
    EXPECT_LT(decoder.GetLastPresentedPtsUs(), frozenPts + 700'000);
}

TEST(MPEGDecoder, JumpsResynchroniseWithoutShowingOldPictures)
{
    TempDir dir;
    ASSERT_TRUE(MediaMaker::make(dir.file("movie.mpg"), Movie(6.0, "mp2", "vob")));
    FileFeeder decoder;
    ASSERT_TRUE(decoder.Load(dir.file("movie.mpg")));
    ASSERT_TRUE(decoder.Start());
    ASSERT_TRUE(WaitFor([&] { return decoder.GetLastPresentedPtsUs() >= 3'000'000; }));

    // The stream moves back to the start under the running decoder.
    decoder.Seek(0);
    ASSERT_TRUE(WaitFor([&] { return decoder.GetLastPresentedPtsUs() < 1'500'000; }, 2s));
    EXPECT_GE(decoder.GetDiscontinuities(), 1u);
    const Clock::time_point resumed = Clock::now();
    while (Clock::now() - resumed < 500ms)
    {
        ASSERT_LT(decoder.GetLastPresentedPtsUs(), 2'500'000) << "a picture from before the jump";
        std::this_thread::sleep_for(1ms);
    }

    // A restart at a new position shows only pictures from there on.
    ASSERT_TRUE(decoder.Close());
    const int64_t before = decoder.GetLastPresentedPtsUs();
    decoder.Seek(decoder.Size() * 2 / 3);
    ASSERT_TRUE(decoder.Start());
    ASSERT_TRUE(WaitFor([&] { return decoder.GetFramesPresented() > 0; }, 2s));
    EXPECT_GT(decoder.GetLastPresentedPtsUs(), 3'000'000) << "before the restart: " << before;
    EXPECT_GE(decoder.GetFirstFrameDelayUs(), 0);

    // Past either end: backwards plays from the start, forwards reaches the end.
    ASSERT_TRUE(decoder.Close());
    decoder.Seek(uint64_t(0) - 5'000'000);
    ASSERT_TRUE(decoder.Start());
    ASSERT_TRUE(WaitFor([&] { return decoder.GetFramesPresented() > 0; }, 2s));
    EXPECT_LT(decoder.GetLastPresentedPtsUs(), 1'000'000);
    // Back before where the last run's sound started, the sound comes at once too.
    EXPECT_TRUE(WaitFor([&] { return decoder.GetFirstSoundDelayUs() >= 0; }, 1s));
    ASSERT_TRUE(decoder.Close());
    decoder.Seek(decoder.Size() + 5'000'000);
    ASSERT_TRUE(decoder.Start());
    ASSERT_TRUE(WaitFor([&] { return decoder.mbEnd.load(); }, 2s));
    EXPECT_TRUE(decoder.Close());
}

TEST(MPEGDecoder, GarbageNeverCrashesOrHangs)
{
    TempDir dir;
    std::mt19937 random(11);
    std::string noise(1500000, '\0');
    for (char& c : noise)
        c = char(random());
    dir.write("noise.mpg", noise);
    ASSERT_TRUE(MediaMaker::make(dir.file("movie.mpg"), Movie(2.0, "mp2", "vob")));

    {
        FileFeeder decoder;
        std::string damaged = dir.read("movie.mpg");
        for (size_t i = damaged.size() / 4; i < damaged.size(); i += 997)
            damaged[i] = char(random());
        dir.write("damaged.mpg", damaged);
        ASSERT_TRUE(decoder.Load(dir.file("damaged.mpg")));
        ASSERT_TRUE(decoder.Start());
        // A damaged movie still shows pictures, and plays to its end.
        ASSERT_TRUE(WaitFor([&] { return decoder.mbEnd && decoder.GetFramesPresented() > 10; }));
        EXPECT_TRUE(decoder.Close());
    }

    // Not a movie: the analysis fails, and the usual program stream ids are
    // selected by hand.
    FileFeeder noiseDecoder;
    EXPECT_FALSE(noiseDecoder.Load(dir.file("noise.mpg")));
    ASSERT_TRUE(noiseDecoder.Open(16, 32768));
    ASSERT_TRUE(noiseDecoder.SelectPIDs(true, 0, 0xE0, 0xC0, 0, false));
    ASSERT_TRUE(WaitFor([&] { return noiseDecoder.mErrors > 0 || noiseDecoder.mbEnd; }));
    EXPECT_EQ(noiseDecoder.GetFramesPresented(), 0u);
    EXPECT_TRUE(noiseDecoder.Close());
}

TEST(MPEGDecoder, RefusesWhatMakesNoSense)
{
    FileFeeder decoder;
    EXPECT_FALSE(decoder.Open(0, 32768));
    EXPECT_FALSE(decoder.Open(16, 10));
    EXPECT_FALSE(decoder.IsOpen());
    EXPECT_FALSE(decoder.SetOutputAndScaleRects(PallixRect(0, 0, 0, 720), PallixRect(0, 0, 1280, 720)));
    EXPECT_FALSE(decoder.SelectPIDs(true, 0, 0, 0, 0, false));
    ASSERT_TRUE(decoder.Open(16, 32768));
    EXPECT_FALSE(decoder.Open(16, 32768));
    EXPECT_TRUE(decoder.Close());
}
