#pragma once

#include "PallixString.h"
#include "PallixTokenArray.h"

#include <span>
#include <variant>

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
    static constexpr int AUTOHIDE_SECS_DEFAULT = 7;

    enum Kind
    {
        // The rest of the line.
        TEXT,
        // True only for "true", in any letter case.
        FLAG,
        // The leading decimal integer, 0 if none.
        NUMBER,
        // A NUMBER from 1 to 65535; anything else is 0.
        PORT,
    };

    // A key of the file: what its value is taken as, the member that keeps it,
    // its default (for NUMBER and PORT; text is empty and flags false by default)
    // and the start of the line that echoes it.
    struct Setting
    {
        using Value = std::variant<PallixString*, bool*, int*>;
        const char* szKey;
        Kind kind;
        Value value;
        int nDefault;
        const char* szEcho;
        // The value names a file: a missing one is reported after the echo.
        bool bNamesFile = false;
    };

    // The table of every key, in the order keys are compared.
    static std::span<const Setting> settings();
    static void store(const Setting& setting, const PallixString& value);

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
