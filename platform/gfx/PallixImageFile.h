#pragma once

#include "PallixRGBAImage.h"

#include <string>

// Reads pictures from disk and turns them into PNG bytes. Needs no display:
// it works before, and without, any window.
class PallixImageFile
{
public:
    // Decodes a JPEG or PNG file. False, with the image empty, when the file is
    // missing or not a picture this can read.
    static bool Load(const std::string& path, PallixRGBAImage& image);
    // The image as a PNG file's bytes; false when it cannot be encoded.
    static bool EncodePNG(const PallixRGBAImage& image, std::string& png);
};
