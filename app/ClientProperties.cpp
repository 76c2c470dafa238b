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
int ClientProperties::mAutohideSecs = AUTOHIDE_SECS_DEFAULT;
bool ClientProperties::mbEnableTrickplay = false;
int ClientProperties::mRemoteHttpPort = 0;
PallixString ClientProperties::mSubtitleLang;
PallixString ClientProperties::mAudioLang;

std::span<const ClientProperties::Setting> ClientProperties::settings()
{
    // One row a key of client.properties, in the order the keys are compared: what
    // its value is taken as, where it is kept, its default and the line that echoes
    // it. A new setting is one more row.
    static const Setting SETTINGS[] = {
        {"media.root", TEXT, &mMediaRoot, 0, "Media root: "},
        {"mplay.path", TEXT, &mMPlayPath, 0, "MPlay path: ", true},
        {"mplay.args", TEXT, &mMPlayArgs, 0, "MPlay args: "},
        {"db.file", TEXT, &mDBPath, 0, "db file: "},
        {"log.debug", FLAG, &mbLogDebug, 0, "log debug msgs: "},
        {"use.mplay", FLAG, &mbUseMPlay, 0, "Use MPlay: "},
        {"print.title", FLAG, &mbPrintTitle, 0, "Print title: "},
        {"parentalcontrols.mac", TEXT, &mParentalControlMACAddr, 0, "Parental Control MAC: "},
        {"parentalcontrols.ratings", TEXT, &mParentalControlAllowedRatings, 0, "Parental Control ratings: "},
        {"ondemand.parsing", FLAG, &mbOnDemandParsing, 0, "On Demand Parsing: "},
        {"autohide.info", FLAG, &mbAutohideInfo, 0, "Autohide Info: "},
        {"autohide.secs", NUMBER, &mAutohideSecs, AUTOHIDE_SECS_DEFAULT, "Autohide Secs: "},
        {"enable.trickplay", FLAG, &mbEnableTrickplay, 0, "Enable Trickplay: "},
        // Anything but a port number leaves the phone remote off.
        {"remote.http.port", PORT, &mRemoteHttpPort, 0, "Remote HTTP port: "},
        {"subtitle.lang", TEXT, &mSubtitleLang, 0, "Subtitle language: "},
        {"audio.lang", TEXT, &mAudioLang, 0, "Audio language: "},
    };
    return SETTINGS;
}

void ClientProperties::reset()
{
    for (const Setting& setting : settings())
    {
        if (PallixString* const* ppText = std::get_if<PallixString*>(&setting.value))
            **ppText = PallixString();
        else if (bool* const* ppFlag = std::get_if<bool*>(&setting.value))
            **ppFlag = false;
        else
            *std::get<int*>(setting.value) = setting.nDefault;
    }
    mbParentalControlEnabled = false;
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
    for (const Setting& setting : settings())
    {
        if (key.Compare(setting.szKey, false, false, -1) != 0)
            continue;
        store(setting, getRemainingEntry(tokens));
        return true;
    }
    return false;
}

void ClientProperties::store(const Setting& setting, const PallixString& value)
{
    std::cout << setting.szEcho;
    switch (setting.kind)
    {
    case TEXT:
        *std::get<PallixString*>(setting.value) = value;
        std::cout << value << std::endl;
        break;
    case FLAG:
        *std::get<bool*>(setting.value) = isTrue(value);
        std::cout << (isTrue(value) ? "1" : "0") << std::endl;
        break;
    case NUMBER:
        *std::get<int*>(setting.value) = leadingInt(value);
        std::cout << leadingInt(value) << std::endl;
        break;
    case PORT:
    {
        int nPort = leadingInt(value);
        *std::get<int*>(setting.value) = (nPort > 0 && nPort <= 65535) ? nPort : 0;
        std::cout << *std::get<int*>(setting.value) << std::endl;
        break;
    }
    }
    // The value is kept all the same.
    if (setting.bNamesFile && !FileUtils::fileExists(value))
        std::cout << setting.szKey << " has an invalid path." << std::endl;
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
