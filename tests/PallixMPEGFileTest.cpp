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
