#pragma once

#include "ClientProperties.h"
#include "HTMLDBParser.h"

// Puts the settings the library reads into a known state for one test, and back to
// the start-up defaults afterwards (tests may share one process).
class LibrarySettings
{
public:
    LibrarySettings() { ClientProperties::reset(); }
    ~LibrarySettings()
    {
        ClientProperties::reset();
        HTMLDBParser::setVolumesRoot("/tmp/Volumes");
    }
    LibrarySettings(const LibrarySettings&) = delete;
    LibrarySettings& operator=(const LibrarySettings&) = delete;

    // Parental control as it stands when the box's own address is named.
    void allowRatings(const char* ratings)
    {
        ClientProperties::mbParentalControlEnabled = true;
        ClientProperties::mParentalControlAllowedRatings = ratings;
    }
    void setLogDebug(bool bOn) { ClientProperties::mbLogDebug = bOn; }
    void setMediaRoot(const char* root) { ClientProperties::mMediaRoot = root; }
};
