#pragma once

#include "PallixString.h"

// Where an installed Quorva finds what a Quorva in its own folder keeps beside
// its executable. A folder that holds the executable and its pictures (the build
// tree, or that folder copied whole) is used as it is. A Quorva installed as
// <prefix>/bin/quorva, whose pictures are in <prefix>/share/quorva, reads the
// system's settings, /etc/quorva/client.properties (<prefix>/etc/quorva/ for a
// prefix other than /usr), and keeps its database, its
// own settings (read after the system's, so they win key by key), its export and
// the phone remote's pairings in its home folder: QUORVA_HOME when set, else
// $XDG_DATA_HOME/quorva, else ~/.local/share/quorva.
class InstalledLayout
{
public:
    // True for an installed Quorva (decided once, from the executable's folder).
    static bool isInstalled();
    // <prefix>/share/quorva: the pictures of an installed Quorva.
    static PallixString getShareDir();
    // The system's settings file of an installed Quorva.
    static PallixString getSystemSettings();
    // The home folder, made when missing; "." when there is none to be had.
    static PallixString getHomeDir();
};
