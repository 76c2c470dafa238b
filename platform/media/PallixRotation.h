#pragma once

#include <string>

struct AVStream;

// How a stream's pictures are turned upright for the screen. Phones film with
// the sensor one way up and write the way they were held into the file's
// display matrix (a rotation of 90, 180 or 270 degrees, sometimes with a
// mirror for the front camera) instead of turning the pictures themselves.
struct PallixRotation
{
    // The filters that turn a decoded picture upright; empty when it is.
    std::string filters;
    // Width and height trade places: the picture lies on its side as stored.
    bool bSideways = false;

    static PallixRotation Of(const AVStream& stream);
};
