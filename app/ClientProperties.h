#pragma once

#include "PallixString.h"
#include "PallixTokenArray.h"

// The settings from client.properties, read once at start-up and echoed.
class ClientProperties
{
public:
    static void parse(PallixString path);

    static PallixString getMediaRoot() { return mMediaRoot; }
    static PallixString getMPlayPath() { return mMPlayPath; }
    static PallixString getMPlayArgs() { return mMPlayArgs; }
    static PallixString getDBPath() { return mDBPath; }
    static PallixString getParentalControlMACAddr() { return mParentalControlMACAddr; }
    static PallixString getParentalControlAllowedRatings() { return mParentalControlAllowedRatings; }
    static bool getLogDebug() { return mbLogDebug; }
    static bool getUseMPlay() { return mbUseMPlay; }
    static bool getPrintTitle() { return mbPrintTitle; }
    static bool isParentalControlEnabled() { return mbParentalControlEnabled; }
    static bool getAutohideInfo() { return mbAutohideInfo; }
    static bool isTrickplayEnabled() { return mbEnableTrickplay; }
    static bool isOnDemandParsing() { return mbOnDemandParsing; }
    static int getAutohideSecs() { return mAutohideSecs; }
    // 0 keeps the phone remote off.
    static int getRemoteHttpPort() { return mRemoteHttpPort; }
    // ISO 639 codes of the viewer's languages; empty when not set.
    static PallixString getSubtitleLang() { return mSubtitleLang; }
    static PallixString getAudioLang() { return mAudioLang; }

private:
    // Both take the text of one line as read, including its line feed.
    bool parseLine(const char* line);
    PallixString getRemainingEntry(PallixTokenArray& tokens);

    static ClientProperties globalProps;

    static PallixString mMediaRoot;
    static PallixString mMPlayPath;
    static PallixString mMPlayArgs;
    static PallixString mDBPath;
    static bool mbLogDebug;
    static bool mbUseMPlay;
    static bool mbPrintTitle;
    static PallixString mParentalControlMACAddr;
    static PallixString mParentalControlAllowedRatings;
    static bool mbParentalControlEnabled;
    static bool mbOnDemandParsing;
    static bool mbAutohideInfo;
    static int mAutohideSecs;
    static bool mbEnableTrickplay;
    static int mRemoteHttpPort;
    static PallixString mSubtitleLang;
    static PallixString mAudioLang;

    // Back to the start-up defaults, for tests that parse several files.
    static void reset();
    friend class ClientPropertiesTest;
    friend class LibrarySettings;
};
