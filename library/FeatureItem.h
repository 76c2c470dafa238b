#pragma once

#include "PallixString.h"

// An extra playable item of a title: a label for the lists and the Title of the
// record that is actually played.
class FeatureItem
{
public:
    FeatureItem() = default;
    FeatureItem(PallixString text, PallixString path);

    PallixString& getText() { return mText; }
    PallixString& getPath() { return mPath; }

private:
    PallixString mText;
    PallixString mPath;
};
