#pragma once

#include <cstdint>

class Player;

// A film's chapters as the player's marks: Next goes to the next chapter, Back
// to the start of the one playing, or to the one before within its first
// seconds. Static operations on the player's chapter list.
class ChapterMarks
{
public:
    // Where Next goes from the position; false at the last chapter.
    static bool getNextPosition(const Player& player, uint64_t position, uint64_t& target);
    static uint64_t getPreviousPosition(const Player& player, uint64_t position);
};
