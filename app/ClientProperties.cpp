#include "ClientProperties.h"

#include "FileUtils.h"
#include "SystemInfo.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string_view>

namespace
{
bool isTrue(const PallixString& value)
{
    return value.Compare("true", false, false, -1) == 0;
}

// Leading decimal integer of the text, 0 if there is none.
int leadingInt(const PallixString& value)
{
    long n = std::strtol(value, nullptr, 10);
    return static_cast<int>(std::clamp<long>(n, INT_MIN, INT_MAX));
}
} // namespace

ClientProperties ClientProperties::globalProps;

PallixString ClientProperties::mMediaRoot;
PallixString ClientProperties::mMPlayPath;
PallixString ClientProperties::mMPlayArgs;
PallixString ClientProperties::mDBPath;
bool ClientProperties::mbLogDebug = false;
bool ClientProperties::mbUseMPlay = false;
bool ClientProperties::mbPrintTitle = false;
PallixString ClientProperties::mParentalControlMACAddr;
PallixString ClientProperties::mParentalControlAllowedRatings;
bool ClientProperties::mbParentalControlEnabled = false;
bool ClientProperties::mbOnDemandParsing = false;
bool ClientProperties::mbAutohideInfo = false;
int ClientProperties::mAutohideSecs = 7;
bool ClientProperties::mbEnableTrickplay = false;
int ClientProperties::mRemoteHttpPort = 0;
PallixString ClientProperties::mSubtitleLang;
PallixString ClientProperties::mAudioLang;

void ClientProperties::reset()
{
    mMediaRoot = mMPlayPath = mMPlayArgs = mDBPath = PallixString();
    mParentalControlMACAddr = mParentalControlAllowedRatings = PallixString();
    mbLogDebug = mbUseMPlay = mbPrintTitle = mbParentalControlEnabled = false;
    mbOnDemandParsing = mbAutohideInfo = mbEnableTrickplay = false;
    mAutohideSecs = 7;
    mRemoteHttpPort = 0;
    mSubtitleLang = mAudioLang = PallixString();
}

void ClientProperties::parse(PallixString path)
{
    FileHandle file = FileUtils::openRegularFile(path);
    if (!file)
    {
        std::cout << "Unable to locate " << path << "...no properties loaded." << std::endl;
        return;
    }

    // A longer line arrives in pieces, each taken as a line of its own.
    char line[2048];
    while (std::fgets(line, sizeof(line), file.get()))
        globalProps.parseLine(line);
    file.reset();

    PallixString mac = SystemInfo::getMacAsString();
    if (mParentalControlMACAddr.Compare(mac, true, false, -1) == 0)
    {
        mbParentalControlEnabled = true;
        std::cout << "Parental controls ARE enabled for " << mParentalControlMACAddr << std::endl;
    }
}

bool ClientProperties::parseLine(const char* line)
{
    if (line[0] == '#')
        return false;

    // A file saved with CR LF line ends reads like one with LF alone.
    std::string_view text(line);
    if (text.ends_with('\n'))
        text.remove_suffix(1);
    if (text.ends_with('\r'))
        text.remove_suffix(1);
    PallixTokenArray tokens(PallixString(text.data(), text.size()), "= \n");
    if (tokens.GetNumTokens() < 2)
        return false;

    PallixString key = tokens.TokenAt(0);
    auto is = [&key](const char* name) { return key.Compare(name, false, false, -1) == 0; };
    auto flag = [](bool b) { return b ? "1" : "0"; };
    PallixString value = getRemainingEntry(tokens);

    if (is("media.root"))
    {
        mMediaRoot = value;
        std::cout << "Media root: " << mMediaRoot << std::endl;
    }
    else if (is("mplay.path"))
    {
        mMPlayPath = value;
        std::cout << "MPlay path: " << mMPlayPath << std::endl;
        if (!FileUtils::fileExists(mMPlayPath))
            std::cout << "mplay.path has an invalid path." << std::endl;
    }
    else if (is("mplay.args"))
    {
        mMPlayArgs = value;
        std::cout << "MPlay args: " << mMPlayArgs << std::endl;
    }
    else if (is("db.file"))
    {
        mDBPath = value;
        std::cout << "db file: " << mDBPath << std::endl;
    }
    else if (is("log.debug"))
    {
        mbLogDebug = isTrue(value);
        std::cout << "log debug msgs: " << flag(mbLogDebug) << std::endl;
    }
    else if (is("use.mplay"))
    {
        mbUseMPlay = isTrue(value);
        std::cout << "Use MPlay: " << flag(mbUseMPlay) << std::endl;
    }
    else if (is("print.title"))
    {
        mbPrintTitle = isTrue(value);
        std::cout << "Print title: " << flag(mbPrintTitle) << std::endl;
    }
    else if (is("parentalcontrols.mac"))
    {
        mParentalControlMACAddr = value;
        std::cout << "Parental Control MAC: " << mParentalControlMACAddr << std::endl;
    }
    else if (is("parentalcontrols.ratings"))
    {
        mParentalControlAllowedRatings = value;
        std::cout << "Parental Control ratings: " << mParentalControlAllowedRatings << std::endl;
    }
    else if (is("ondemand.parsing"))
    {
        mbOnDemandParsing = isTrue(value);
        std::cout << "On Demand Parsing: " << flag(mbOnDemandParsing) << std::endl;
    }
    else if (is("autohide.info"))
    {
        mbAutohideInfo = isTrue(value);
        std::cout << "Autohide Info: " << flag(mbAutohideInfo) << std::endl;
    }
    else if (is("autohide.secs"))
    {
        mAutohideSecs = leadingInt(value);
        std::cout << "Autohide Secs: " << mAutohideSecs << std::endl;
    }
    else if (is("enable.trickplay"))
    {
        mbEnableTrickplay = isTrue(value);
        std::cout << "Enable Trickplay: " << flag(mbEnableTrickplay) << std::endl;
    }
    else if (is("remote.http.port"))
    {
        // Anything but a port number leaves the phone remote off.
        int nPort = leadingInt(value);
        mRemoteHttpPort = (nPort > 0 && nPort <= 65535) ? nPort : 0;
        std::cout << "Remote HTTP port: " << mRemoteHttpPort << std::endl;
    }
    else if (is("subtitle.lang"))
    {
        mSubtitleLang = value;
        std::cout << "Subtitle language: " << mSubtitleLang << std::endl;
    }
    else if (is("audio.lang"))
    {
        mAudioLang = value;
        std::cout << "Audio language: " << mAudioLang << std::endl;
    }
    else
    {
        return false;
    }
    return true;
}

PallixString ClientProperties::getRemainingEntry(PallixTokenArray& tokens)
{
    PallixString value;
    for (int i = 1; i < tokens.GetNumTokens(); ++i)
    {
        if (i > 1)
            value += " ";
        value += tokens.TokenAt(i);
    }
    return value;
}
