#include "MediaMaker.h"
#include "PallixByteTimeMap.h"
#include "PallixFile.h"
#include "PallixFileStream.h"
#include "PallixMPEGFile.h"
#include "PallixSubtitleFiles.h"
#include "PallixTrackChoice.h"
#include "PallixVideoFilter.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace
{
std::vector<std::string> names(const std::vector<PallixSubtitleFiles::Found>& found)
{
    std::vector<std::string> result;
    for (const PallixSubtitleFiles::Found& file : found)
        result.push_back(file.name + "|" + file.language + (file.bForced ? "|forced" : ""));
    return result;
}

bool analyse(const std::string& path, PallixMPEGFile& mpeg)
{
    PallixFile file(path.c_str());
    PallixFileStream stream;
    return stream.Open(file) && mpeg.SetStream(stream);
}
} // namespace

TEST(PallixByteTimeMap, MapsBothEndsExactlyAndTheMiddleLinearly)
{
    const PallixByteTimeMap map(1000, 10.0, 100.0);
    ASSERT_TRUE(map.IsValid());
    EXPECT_DOUBLE_EQ(map.TimeAt(0), 10.0);
    EXPECT_DOUBLE_EQ(map.TimeAt(500), 60.0);
    EXPECT_DOUBLE_EQ(map.TimeAt(1000), 110.0);
    EXPECT_DOUBLE_EQ(map.TimeAt(5000), 110.0);
    EXPECT_EQ(map.PositionAt(10.0), 0u);
    EXPECT_EQ(map.PositionAt(-3.0), 0u);
    EXPECT_EQ(map.PositionAt(60.0), 500u);
    // Only the very end is the end: a time just before it stays inside the file.
    EXPECT_EQ(map.PositionAt(109.99), 999u);
    EXPECT_EQ(map.PositionAt(110.0), 1000u);
    EXPECT_EQ(map.PositionAt(1e9), 1000u);

    // A film of 50 GB and two hours: every position comes back where it was.
    const uint64_t size = 50ull * 1000 * 1000 * 1000;
    const PallixByteTimeMap film(size, 0.0, 7200.0);
    std::mt19937_64 random(11);
    for (uint64_t position : {uint64_t(0), uint64_t(1), size / 3, size - 1, size})
        EXPECT_LE(position - film.PositionAt(film.TimeAt(position)), 1u) << position;
    for (int i = 0; i < 1000; ++i)
    {
        const uint64_t position = random() % size;
        EXPECT_LE(position - film.PositionAt(film.TimeAt(position)), 1u) << position;
    }

    // Without a size or a running time nothing maps.
    for (const PallixByteTimeMap& none : {PallixByteTimeMap(0, 5.0, 100.0), PallixByteTimeMap(1000, 5.0, 0.0),
                                          PallixByteTimeMap(1000, 5.0, -1.0)})
    {
        EXPECT_FALSE(none.IsValid());
        EXPECT_DOUBLE_EQ(none.TimeAt(500), 5.0);
        EXPECT_EQ(none.PositionAt(50.0), 0u);
    }
}

TEST(PallixSubtitleFiles, FindsTheFilesNamedAfterTheMovie)
{
    TempDir dir;
    for (const char* name : {"Movie.mkv", "Movie.srt", "Movie.en.srt", "Movie.de.forced.ass", "Movie.fra.SSA",
                             "Movie.forced.srt", "Movie.srt.bak", "Other.srt", "Movie.director.commentary.srt",
                             "MovieX.srt", "movie.srt", "Movie.txt", "Movie.en.srt.part"})
        dir.write(name, "1\n00:00:01,000 --> 00:00:02,000\nText\n");
    dir.write("Movie.it.srt/inside", "a folder, not a file");

    EXPECT_EQ(names(PallixSubtitleFiles::Find(dir.file("Movie.mkv"))),
              (std::vector<std::string>{"Movie.srt|", "Movie.de.forced.ass|de|forced", "Movie.en.srt|en",
                                        "Movie.forced.srt||forced", "Movie.fra.SSA|fra"}));
    const std::vector<PallixSubtitleFiles::Found> found = PallixSubtitleFiles::Find(dir.file("Movie.mkv"));
    ASSERT_FALSE(found.empty());
    EXPECT_EQ(found.front().path, dir.file("Movie.srt"));

    // WebVTT with regions and marks in its name, as streaming services name it; a
    // VobSub index with its pictures is a track per language it lists, one
    // without them is none.
    for (const char* name : {"Film.en-US.vtt", "Film.pt_BR.sdh.srt", "Film.de.cc.forced.vtt", "Film.en-x.vtt"})
        dir.write(name, "WEBVTT\n");
    dir.write("Film.idx", "# VobSub index file, v7 (do not modify this line!)\nsize: 720x480\n"
                          "id: en, index: 0\ntimestamp: 00:00:01:000, filepos: 000000000\n"
                          "id: de, index: 1\nid: --, index: 2\ntimestamp: 00:00:02:000, filepos: 000000800\n");
    dir.write("Film.SUB", "pictures");
    dir.write("Film.fr.idx", "# VobSub index file, v7\nid: fr, index: 0\ntimestamp: 00:00:01:000, filepos: 0\n");
    const std::vector<PallixSubtitleFiles::Found> film = PallixSubtitleFiles::Find(dir.file("Film.avi"));
    EXPECT_EQ(names(film), (std::vector<std::string>{"Film.idx|en", "Film.idx|", "Film.de.cc.forced.vtt|de|forced",
                                                     "Film.en-US.vtt|en", "Film.pt_BR.sdh.srt|pt"}));
    ASSERT_EQ(film.size(), 5u);
    EXPECT_EQ(film[1].nFileTrack, 2);
    EXPECT_TRUE(film[1].bBitmap);
    EXPECT_EQ(film[3].codec, "webvtt");

    // Another movie in the same folder has its own; a folder that is not there has none.
    EXPECT_EQ(names(PallixSubtitleFiles::Find(dir.file("Other.avi"))), std::vector<std::string>{"Other.srt|"});
    EXPECT_TRUE(PallixSubtitleFiles::Find(dir.file("Nothing.mp4")).empty());
    EXPECT_TRUE(PallixSubtitleFiles::Find(dir.file("missing/Movie.mkv")).empty());
}

TEST(PallixTrackChoice, LanguagesChooseTheTracks)
{
    EXPECT_TRUE(PallixTrackChoice::SameLanguage("de", "ger"));
    EXPECT_TRUE(PallixTrackChoice::SameLanguage("DEU", "de"));
    EXPECT_TRUE(PallixTrackChoice::SameLanguage("eng", "en"));
    EXPECT_TRUE(PallixTrackChoice::SameLanguage("xq", "XQ"));
    EXPECT_FALSE(PallixTrackChoice::SameLanguage("en", "de"));
    EXPECT_FALSE(PallixTrackChoice::SameLanguage("", ""));
    EXPECT_FALSE(PallixTrackChoice::SameLanguage("und", "und"));
    EXPECT_EQ(PallixTrackChoice::LanguageName("ger"), "German");
    EXPECT_EQ(PallixTrackChoice::LanguageName("xq"), "XQ");

    TempDir dir;
    dir.write("subs.srt", "1\n00:00:00,000 --> 00:00:01,000\nHello\n");
    ASSERT_TRUE(MediaMaker::run({"-f", "lavfi", "-i", "testsrc=size=160x120:rate=25:duration=1", "-f", "lavfi", "-i",
                                 "sine=frequency=440:duration=1", "-f", "lavfi", "-i",
                                 "sine=frequency=880:duration=1:sample_rate=44100", "-i", dir.file("subs.srt"),
                                 "-i", dir.file("subs.srt"), "-map", "0", "-map", "1", "-map", "2", "-map", "3",
                                 "-map", "4", "-c:v", "mpeg4", "-c:a:0", "aac", "-c:a:1", "ac3", "-ac:a:1", "6",
                                 "-c:s", "srt", "-metadata:s:a:0", "language=eng", "-metadata:s:a:1",
                                 "language=ger", "-metadata:s:a:1", "title=Director", "-metadata:s:s:0",
                                 "language=eng", "-metadata:s:s:1", "language=ger", "-disposition:s:1", "forced",
                                 dir.file("two.mkv")}));
    dir.write("two.fr.srt", "1\n00:00:00,000 --> 00:00:01,000\nBonjour\n");
    PallixMPEGFile mpeg;
    ASSERT_TRUE(analyse(dir.file("two.mkv"), mpeg));
    ASSERT_EQ(mpeg.GetNumAudioStreams(0), 2);
    ASSERT_EQ(mpeg.GetNumSubtitleStreams(0), 3);
    EXPECT_EQ(PallixTrackChoice::DescribeAudio(*mpeg.GetAudioStreamAt(0, 0)), "English, AAC, mono");
    EXPECT_EQ(PallixTrackChoice::DescribeAudio(*mpeg.GetAudioStreamAt(0, 1)), "German, AC-3, 5.1 (Director)");
    EXPECT_EQ(PallixTrackChoice::DescribeSubtitle(*mpeg.GetSubtitleStreamAt(0, 1)), "German, forced");
    EXPECT_EQ(PallixTrackChoice::DescribeSubtitle(*mpeg.GetSubtitleStreamAt(0, 2)), "French (two.fr.srt)");

    EXPECT_EQ(PallixTrackChoice::ChooseAudio(mpeg, "de"), 1);
    EXPECT_EQ(PallixTrackChoice::ChooseAudio(mpeg, "fr"), 0);
    EXPECT_EQ(PallixTrackChoice::ChooseAudio(mpeg, ""), 0);
    EXPECT_EQ(PallixTrackChoice::ChooseSubtitle(mpeg, "fra", "eng"), 2);
    EXPECT_EQ(PallixTrackChoice::ChooseSubtitle(mpeg, "en", "ger"), 0);
    // No wish, or one nothing meets: only a forced track shows.
    EXPECT_EQ(PallixTrackChoice::ChooseSubtitle(mpeg, "", "ger"), 1);
    EXPECT_EQ(PallixTrackChoice::ChooseSubtitle(mpeg, "it", "eng"), 1);
}

// Interlaced pictures come out woven into whole ones by bwdif, and every
// picture comes out in the plane's 8-bit 4:2:0 whatever it went in as.
TEST(PallixVideoFilter, DeinterlacesAndConvertsForThePlane)
{
    // Lines of the top field white; those of the bottom field white or black.
    auto picture = [](AVPixelFormat format, int64_t pts, bool bInterlaced, bool bBottomBlack) {
        pallix_av::FramePtr frame(av_frame_alloc());
        frame->format = format;
        frame->width = 64;
        frame->height = 64;
        frame->pts = pts;
        frame->interlaced_frame = bInterlaced ? 1 : 0;
        frame->top_field_first = 1;
        EXPECT_GE(av_frame_get_buffer(frame.get(), 0), 0);
        const int bytes = format == AV_PIX_FMT_YUV420P ? 1 : 2;
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64 * bytes; ++x)
                frame->data[0][y * frame->linesize[0] + x] = y % 2 == 1 && bBottomBlack ? 0x10 : 0xEB;
        for (int plane = 1; plane < 3; ++plane)
            for (int y = 0; y < 32; ++y)
                for (int x = 0; x < 32 * bytes; x += bytes)
                {
                    frame->data[plane][y * frame->linesize[plane] + x] = bytes == 1 ? 0x80 : 0x00;
                    if (bytes == 2)
                        frame->data[plane][y * frame->linesize[plane] + x + 1] = 0x02;
                }
        return frame;
    };
    // How far apart neighbouring lines are, on average.
    auto combing = [](const AVFrame& frame) {
        double sum = 0;
        for (int y = 8; y < 56; ++y)
            for (int x = 8; x < 56; ++x)
                sum += std::abs(frame.data[0][y * frame.linesize[0] + x] - frame.data[0][(y + 1) * frame.linesize[0] + x]);
        return sum / (48.0 * 48.0);
    };

    std::vector<pallix_av::FramePtr> out;
    // Each picture's time in seconds, read in the time base it comes with.
    std::vector<double> times;
    auto sink = [&](pallix_av::FramePtr frame, AVRational base) {
        times.push_back(double(frame->pts) * av_q2d(base));
        out.push_back(std::move(frame));
    };
    PallixVideoFilter filter;
    const AVRational timeBase{1, 25};
    // A progressive 8-bit picture passes as it is.
    pallix_av::FramePtr plain = picture(AV_PIX_FMT_YUV420P, 0, false, true);
    const uint8_t* pixels = plain->data[0];
    filter.Process(plain.get(), timeBase, sink);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0]->data[0], pixels);
    EXPECT_GT(combing(*out[0]), 100);

    // The bottom field flickers: its lines are not what the picture shows
    // between the top field's, and are made anew from them.
    out.clear();
    times.clear();
    for (int64_t pts = 1; pts <= 6; ++pts)
        filter.Process(picture(AV_PIX_FMT_YUV420P, pts, true, pts % 2 == 0).get(), timeBase, sink);
    filter.Process(nullptr, timeBase, sink);
    ASSERT_GE(out.size(), 5u);
    for (size_t i = 0; i < out.size(); ++i)
    {
        EXPECT_EQ(out[i]->format, AV_PIX_FMT_YUV420P);
        EXPECT_FALSE(out[i]->interlaced_frame);
        EXPECT_LT(combing(*out[i]), 50) << "pts " << out[i]->pts;
        // One picture a frame, at the frame's own time.
        EXPECT_DOUBLE_EQ(times[i], double(i + 1) / 25) << i;
    }

    out.clear();
    PallixVideoFilter deep;
    deep.Process(picture(AV_PIX_FMT_YUV420P10LE, 0, false, false).get(), timeBase, sink);
    deep.Process(nullptr, timeBase, sink);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0]->format, AV_PIX_FMT_YUV420P);
    EXPECT_EQ(out[0]->width, 64);
}
