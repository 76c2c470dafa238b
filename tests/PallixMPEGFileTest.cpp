#include "MediaMaker.h"
#include "PallixFile.h"
#include "PallixFileStream.h"
#include "PallixMPEGFile.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace
{
struct Expected
{
    const char* name;
    MediaMaker::Movie movie;
    PallixMPEGFile::MPEGFileType type;
    int videoId;
    int audioId;
    int audioSSID;
    PallixMPEGFile::AudioStreamType audioType;
    const char* language;
};

MediaMaker::Movie Movie(const char* video, const char* audio, const char* container,
                        std::vector<std::string> extra = {})
{
    MediaMaker::Movie movie;
    movie.seconds = 1.0;
    movie.videoCodec = video;
    movie.audioCodec = audio;
    movie.container = container;
    movie.extra = std::move(extra);
    return movie;
}
} // namespace

TEST(PallixMPEGFile, AnalysesProgramAndTransportStreams)
{
    TempDir dir;
    const Expected cases[] = {
        {"mpeg1.mpg", Movie("mpeg1video", "mp2", "mpeg"), PallixMPEGFile::kMPEG1ProgramStream, 0xE0, 0xC0, 0,
         PallixMPEGFile::kMPEG1Layer2, ""},
        {"mpeg2.mpg", Movie("mpeg2video", "mp2", "vob"), PallixMPEGFile::kMPEG2ProgramStream, 0xE0, 0xC0, 0,
         PallixMPEGFile::kMPEG1Layer2, ""},
        {"ac3.vob", Movie("mpeg2video", "ac3", "vob"), PallixMPEGFile::kMPEG2ProgramStream, 0xE0, 0xBD, 0x80,
         PallixMPEGFile::kAC3, ""},
        {"lpcm.vob", Movie("mpeg2video", "pcm_dvd", "vob"), PallixMPEGFile::kMPEG2ProgramStream, 0xE0, 0xBD, 0xA0,
         PallixMPEGFile::kPCM, ""},
        {"mp3.ts",
         Movie("mpeg2video", "libmp3lame", "mpegts",
               {"-mpegts_pmt_start_pid", "0x20", "-mpegts_start_pid", "0x31", "-metadata:s:a:0", "language=fra"}),
         PallixMPEGFile::kMPEG2TransportStream, 0x31, 0x32, 0, PallixMPEGFile::kMPEG1Layer3, "fra"},
    };
    for (const Expected& expected : cases)
    {
        SCOPED_TRACE(expected.name);
        ASSERT_TRUE(MediaMaker::make(dir.file(expected.name), expected.movie));
        PallixFile file(dir.file(expected.name).c_str());
        PallixFileStream stream;
        ASSERT_TRUE(stream.Open(file));
        PallixMPEGFile mpeg;
        ASSERT_TRUE(mpeg.SetStream(stream));
        EXPECT_EQ(stream.GetPosition(), 0u);
        EXPECT_EQ(mpeg.GetMPEGFileType(), expected.type);
        const PallixMPEGFile::VideoStream* video = mpeg.GetVideoStreamAt(0, 0);
        EXPECT_EQ(video->m_nPIDorStreamID, expected.videoId);
        EXPECT_EQ(video->m_nPictureWidth, 320);
        EXPECT_EQ(video->m_nPictureHeight, 240);
        const PallixMPEGFile::AudioStream* audio = mpeg.GetAudioStreamAt(0, 0);
        EXPECT_EQ(audio->m_nPIDorStreamID, expected.audioId);
        EXPECT_EQ(audio->m_nSSID, expected.audioSSID);
        EXPECT_EQ(audio->m_streamType, expected.audioType);
        EXPECT_STREQ(audio->m_language, expected.language);
        if (expected.type == PallixMPEGFile::kMPEG2TransportStream)
        {
            EXPECT_EQ(mpeg.GetProgramAt(0)->m_nProgramID, 1);
            EXPECT_EQ(mpeg.GetProgramAt(0)->m_nPCRPID, expected.videoId);
            const std::string dump = captureOutput([&] { mpeg.Dump(); });
            EXPECT_NE(dump.find("MPEG-2 transport stream"), std::string::npos) << dump;
            EXPECT_NE(dump.find("MPEG-1 layer 3"), std::string::npos) << dump;
            EXPECT_NE(dump.find("\"fra\""), std::string::npos) << dump;
        }
        // A missing second track reads as no stream rather than a crash.
        EXPECT_EQ(mpeg.GetAudioStreamAt(0, 1)->m_nPIDorStreamID, 0);
        EXPECT_EQ(mpeg.GetVideoStreamAt(3, 0)->m_nPIDorStreamID, 0);
    }
}

TEST(PallixMPEGFile, AnalysesFromTheCurrentPositionAndPutsItBack)
{
    TempDir dir;
    ASSERT_TRUE(MediaMaker::make(dir.file("movie.mpg"), Movie("mpeg2video", "mp2", "vob")));
    PallixFile file(dir.file("movie.mpg").c_str());
    PallixFileStream stream;
    ASSERT_TRUE(stream.Open(file));
    // Program streams from ffmpeg's DVD muxer come in 2048-byte packs; start
    // in the middle of the movie, as after a seek.
    const uint64_t middle = stream.GetSize() / 2 / 2048 * 2048;
    stream.SeekToPosition(middle);
    PallixMPEGFile mpeg;
    ASSERT_TRUE(mpeg.SetStream(stream));
    EXPECT_EQ(stream.GetPosition(), middle);
    EXPECT_EQ(mpeg.GetMPEGFileType(), PallixMPEGFile::kMPEG2ProgramStream);
    EXPECT_EQ(mpeg.GetVideoStreamAt(0, 0)->m_nPIDorStreamID, 0xE0);
}

TEST(PallixMPEGFile, RejectsWhatIsNotMPEG)
{
    TempDir dir;
    std::string noise(300000, '\0');
    std::mt19937 random(7);
    for (char& c : noise)
        c = char(random());
    dir.write("noise.mpg", noise);
    dir.write("empty.mpg", "");
    dir.write("text.mpg", "<html>not a movie</html>\n");
    for (const char* name : {"noise.mpg", "empty.mpg", "text.mpg"})
    {
        SCOPED_TRACE(name);
        PallixFile file(dir.file(name).c_str());
        PallixFileStream stream;
        ASSERT_TRUE(stream.Open(file));
        PallixMPEGFile mpeg;
        EXPECT_FALSE(mpeg.SetStream(stream));
        EXPECT_EQ(stream.GetPosition(), 0u);
        EXPECT_EQ(mpeg.GetMPEGFileType(), PallixMPEGFile::kUnknownMPEGFileType);
        EXPECT_EQ(mpeg.GetProgramAt(0)->m_nPCRPID, 0);
        EXPECT_EQ(mpeg.GetVideoStreamAt(0, 0)->m_nPIDorStreamID, 0);
        EXPECT_EQ(mpeg.GetAudioStreamAt(0, 0)->m_streamType, PallixMPEGFile::kUnknownAudioStreamType);
    }
}

// Other containers are read whole: an MP4 keeps its index at the end of the file.
TEST(PallixMPEGFile, AnalysesOtherContainersWhole)
{
    TempDir dir;
    struct Case
    {
        const char* name;
        MediaMaker::Movie movie;
        const char* video;
        const char* audio;
    };
    const Case cases[] = {
        {"film.mkv", Movie("libx264", "aac", "matroska"), "h264", "aac"},
        {"film.mp4", Movie("libx264", "aac", "mp4"), "h264", "aac"},
        {"film.avi", Movie("mpeg4", "libmp3lame", "avi"), "mpeg4", "mp3"},
        {"film.webm", Movie("libvpx-vp9", "libopus", "webm", {"-deadline", "realtime", "-cpu-used", "8"}), "vp9",
         "opus"},
    };
    dir.write("film.en.srt", "1\n00:00:00,500 --> 00:00:01,000\nHello\n");
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(MediaMaker::make(dir.file(c.name), c.movie));
        PallixFile file(dir.file(c.name).c_str());
        PallixFileStream stream;
        ASSERT_TRUE(stream.Open(file));
        PallixMPEGFile mpeg;
        ASSERT_TRUE(mpeg.SetStream(stream));
        EXPECT_EQ(stream.GetPosition(), 0u);
        EXPECT_EQ(mpeg.GetMPEGFileType(), PallixMPEGFile::kOtherContainer);
        EXPECT_NEAR(mpeg.GetDuration(), 1.0, 0.1);
        EXPECT_EQ(mpeg.GetFileSize(), stream.GetSize());
        EXPECT_EQ(mpeg.GetVideoStreamAt(0, 0)->m_nPIDorStreamID, 1);
        EXPECT_EQ(mpeg.GetVideoStreamAt(0, 0)->m_nPictureWidth, 320);
        EXPECT_STREQ(mpeg.GetVideoStreamAt(0, 0)->m_codec, c.video);
        EXPECT_EQ(mpeg.GetAudioStreamAt(0, 0)->m_nPIDorStreamID, 2);
        EXPECT_STREQ(mpeg.GetAudioStreamAt(0, 0)->m_codec, c.audio);
        // The subtitle file beside the movies belongs to all of them named "film".
        ASSERT_EQ(mpeg.GetNumSubtitleStreams(0), 1);
        EXPECT_EQ(mpeg.GetSubtitleStreamAt(0, 0)->m_path, dir.file("film.en.srt"));
        EXPECT_STREQ(mpeg.GetSubtitleStreamAt(0, 0)->m_language, "en");
        EXPECT_EQ(mpeg.GetFailureReason(), "");
        const std::string dump = captureOutput([&] { mpeg.Dump(); });
        EXPECT_NE(dump.find("MPEG file: other container\n"), std::string::npos) << dump;
    }

    // Program and transport streams tell their running time too, from their timestamps.
    ASSERT_TRUE(MediaMaker::make(dir.file("film.ts"), Movie("mpeg2video", "mp2", "mpegts")));
    PallixMPEGFile mpeg;
    PallixFile file(dir.file("film.ts").c_str());
    PallixFileStream stream;
    ASSERT_TRUE(stream.Open(file));
    ASSERT_TRUE(mpeg.SetStream(stream));
    EXPECT_EQ(mpeg.GetMPEGFileType(), PallixMPEGFile::kMPEG2TransportStream);
    EXPECT_NEAR(mpeg.GetDuration(), 1.0, 0.1);

    // What cannot be played says why, in words for the viewer.
    dir.write("empty.mkv", "");
    dir.write("notes.mkv", "These are not the films you are looking for.\n");
    ASSERT_TRUE(MediaMaker::make(dir.file("picture.png"), Movie("png", "", "image2", {"-frames:v", "1"})));
    for (const auto& [name, reason] :
         {std::pair<const char*, const char*>{"empty.mkv", "The file is empty."},
          {"notes.mkv", "The file is not a movie this player knows."},
          {"picture.png", "The file is not a movie this player knows."}})
    {
        SCOPED_TRACE(name);
        PallixFile bad(dir.file(name).c_str());
        PallixFileStream badStream;
        ASSERT_TRUE(badStream.Open(bad));
        PallixMPEGFile badMpeg;
        EXPECT_FALSE(badMpeg.SetStream(badStream));
        EXPECT_EQ(badMpeg.GetFailureReason(), reason);
        EXPECT_EQ(badMpeg.GetMPEGFileType(), PallixMPEGFile::kUnknownMPEGFileType);
    }
}
