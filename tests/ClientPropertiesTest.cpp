#include "ClientProperties.h"
#include "SystemInfo.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

class ClientPropertiesTest : public ::testing::Test
{
protected:
    void SetUp() override { ClientProperties::reset(); }
    void TearDown() override { ClientProperties::reset(); }

    // Parses text as a settings file and returns what was printed.
    std::string parse(const std::string& text)
    {
        mDir.write("client.properties", text);
        std::string path = mDir.file("client.properties");
        return captureOutput([&] { ClientProperties::parse(path.c_str()); });
    }

    TempDir mDir;
};

TEST_F(ClientPropertiesTest, EveryKeyIsStoredAndEchoed)
{
    std::string out = parse("media.root=movies\n"
                            "mplay.path=/bin/sh\n"
                            "mplay.args=-x 1 -y 2\n"
                            "db.file=movies.html\n"
                            "log.debug=TRUE\n"
                            "use.mplay=True\n"
                            "print.title=true\n"
                            "parentalcontrols.mac=02:00:00:12:34:56\n"
                            "parentalcontrols.ratings=G|PG|PG-13\n"
                            "ondemand.parsing=true\n"
                            "autohide.info=true\n"
                            "autohide.secs=5\n"
                            "enable.trickplay=true\n");
    EXPECT_EQ(out, "Media root: movies\n"
                   "MPlay path: /bin/sh\n"
                   "MPlay args: -x 1 -y 2\n"
                   "db file: movies.html\n"
                   "log debug msgs: 1\n"
                   "Use MPlay: 1\n"
                   "Print title: 1\n"
                   "Parental Control MAC: 02:00:00:12:34:56\n"
                   "Parental Control ratings: G|PG|PG-13\n"
                   "On Demand Parsing: 1\n"
                   "Autohide Info: 1\n"
                   "Autohide Secs: 5\n"
                   "Enable Trickplay: 1\n");
    EXPECT_STREQ(ClientProperties::getMediaRoot(), "movies");
    EXPECT_STREQ(ClientProperties::getMPlayPath(), "/bin/sh");
    EXPECT_STREQ(ClientProperties::getMPlayArgs(), "-x 1 -y 2");
    EXPECT_STREQ(ClientProperties::getDBPath(), "movies.html");
    EXPECT_STREQ(ClientProperties::getParentalControlMACAddr(), "02:00:00:12:34:56");
    EXPECT_STREQ(ClientProperties::getParentalControlAllowedRatings(), "G|PG|PG-13");
    EXPECT_TRUE(ClientProperties::getLogDebug());
    EXPECT_TRUE(ClientProperties::getUseMPlay());
    EXPECT_TRUE(ClientProperties::getPrintTitle());
    EXPECT_TRUE(ClientProperties::isOnDemandParsing());
    EXPECT_TRUE(ClientProperties::getAutohideInfo());
    EXPECT_TRUE(ClientProperties::isTrickplayEnabled());
    EXPECT_EQ(ClientProperties::getAutohideSecs(), 5);
}

TEST_F(ClientPropertiesTest, DefaultsWhenMissingOrEmpty)
{
    std::string path = mDir.file("absent.properties");
    std::string out = captureOutput([&] { ClientProperties::parse(path.c_str()); });
    EXPECT_EQ(out, "Unable to locate " + path + "...no properties loaded.\n");
    EXPECT_STREQ(ClientProperties::getDBPath(), "");
    EXPECT_EQ(ClientProperties::getAutohideSecs(), 7);
    EXPECT_FALSE(ClientProperties::getLogDebug());

    EXPECT_EQ(parse(""), "");
    EXPECT_FALSE(ClientProperties::isParentalControlEnabled());
    EXPECT_EQ(ClientProperties::getAutohideSecs(), 7);
}

TEST_F(ClientPropertiesTest, ValuesKeepWordsAndLoseSeparators)
{
    std::string out = parse("media.root = movies\n"
                            "mplay.args=a=b\n"
                            "DB.FILE=x # note\n"
                            "autohide.secs=abc\n"
                            "use.mplay=yes\n");
    EXPECT_EQ(out, "Media root: movies\n"
                   "MPlay args: a b\n"
                   "db file: x # note\n"
                   "Autohide Secs: 0\n"
                   "Use MPlay: 0\n");
    EXPECT_STREQ(ClientProperties::getMPlayArgs(), "a b");

    // Runs of spaces collapse; the later line of a key wins and both echo.
    out = parse("mplay.args=-x  1\nmplay.args=-a=1\nlog.debug=true\nlog.debug=false\n");
    EXPECT_EQ(out, "MPlay args: -x 1\nMPlay args: -a 1\nlog debug msgs: 1\nlog debug msgs: 0\n");
    EXPECT_STREQ(ClientProperties::getMPlayArgs(), "-a 1");
    EXPECT_FALSE(ClientProperties::getLogDebug());
}

TEST_F(ClientPropertiesTest, CommentsBlankLinesAndUnknownKeysAreSilent)
{
    std::string out = parse("#db.file=hidden\n"
                            " #db.file=hidden\n"
                            "\n"
                            "db.file\n"
                            "colour=blue\n"
                            "db.file=shown\n");
    EXPECT_EQ(out, "db file: shown\n");
    EXPECT_STREQ(ClientProperties::getDBPath(), "shown");
}

TEST_F(ClientPropertiesTest, CarriageReturnLineEndsReadLikeLineFeeds)
{
    std::string out = parse("log.debug=true\r\ndb.file=movies.html\r\nmplay.args=-x  1\r\nuse.mplay=TRUE\r");
    EXPECT_EQ(out, "log debug msgs: 1\ndb file: movies.html\nMPlay args: -x 1\nUse MPlay: 1\n");
    EXPECT_TRUE(ClientProperties::getLogDebug());
    EXPECT_TRUE(ClientProperties::getUseMPlay());
    EXPECT_STREQ(ClientProperties::getDBPath(), "movies.html");
}

TEST_F(ClientPropertiesTest, LongLinesArriveInPiecesOf2047)
{
    // The second piece of a long line counts only when it starts with a key.
    std::string first = "mplay.args=" + std::string(2047 - 11, 'a');
    std::string out = parse(first + "db.file=tail\n" + "media.root=" + std::string(3000, 'b') + "\n");
    std::string expected = "MPlay args: " + std::string(2047 - 11, 'a') + "\n" + "db file: tail\n" +
                           "Media root: " + std::string(2047 - 11, 'b') + "\n";
    EXPECT_EQ(out, expected);
    EXPECT_EQ(ClientProperties::getMediaRoot().GetLength(), 2036);
}

TEST_F(ClientPropertiesTest, MPlayPathIsCheckedButKept)
{
    std::string out = parse("mplay.path=/no/such/player\n");
    EXPECT_EQ(out, "MPlay path: /no/such/player\nmplay.path has an invalid path.\n");
    EXPECT_STREQ(ClientProperties::getMPlayPath(), "/no/such/player");
}

TEST_F(ClientPropertiesTest, ParentalControlOnlyForThisBoxExactly)
{
    std::string mac(SystemInfo::getMacAsString());
    std::string lower = mac;
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));

    // A lower-case address differs from the box's upper-case text, unless it has no letters.
    std::string out = parse("parentalcontrols.mac=" + lower + "\n");
    EXPECT_EQ(ClientProperties::isParentalControlEnabled(), lower == mac);

    out = parse("parentalcontrols.mac=" + mac + "\n");
    EXPECT_EQ(out, "Parental Control MAC: " + mac + "\nParental controls ARE enabled for " + mac + "\n");
    EXPECT_TRUE(ClientProperties::isParentalControlEnabled());

    // Once on, it stays on for the run.
    parse("parentalcontrols.mac=00:00:00:00:00:01\n");
    EXPECT_TRUE(ClientProperties::isParentalControlEnabled());
}

TEST_F(ClientPropertiesTest, RemoteHttpPortTurnsThePhoneRemoteOnOnlyWithAPortNumber)
{
    EXPECT_EQ(ClientProperties::getRemoteHttpPort(), 0);
    EXPECT_EQ(parse("remote.http.port=8086\n"), "Remote HTTP port: 8086\n");
    EXPECT_EQ(ClientProperties::getRemoteHttpPort(), 8086);
    for (const char* bad : {"remote.http.port=99999\n", "remote.http.port=-1\n", "remote.http.port=off\n"})
    {
        EXPECT_EQ(parse(bad), "Remote HTTP port: 0\n") << bad;
        EXPECT_EQ(ClientProperties::getRemoteHttpPort(), 0) << bad;
    }
}
