#include "ChapterMarks.h"

#include "Player.h"

namespace
{
// Back this soon after a chapter started goes on to the one before, as a
// viewer pressing it twice means.
constexpr double PREVIOUS_WITHIN_SECS = 3.0;
// A position just after a jump to a chapter maps back a hair before its start:
// that chapter is the one playing.
constexpr double SLACK_SECS = 0.5;
} // namespace

bool ChapterMarks::getNextPosition(const Player& player, uint64_t position, uint64_t& target)
{
    const double now = player.getSecondsAt(position);
    for (int i = 0; i < player.getNumChapters(); ++i)
    {
        if (player.getChapterSeconds(i) > now + SLACK_SECS)
        {
            target = player.getChapterPosition(i);
            return true;
        }
    }
    return false;
}

uint64_t ChapterMarks::getPreviousPosition(const Player& player, uint64_t position)
{
    const double now = player.getSecondsAt(position);
    int current = -1;
    for (int i = 0; i < player.getNumChapters() && player.getChapterSeconds(i) <= now + SLACK_SECS; ++i)
        current = i;
    if (current < 0)
        return 0;
    if (current > 0 && now - player.getChapterSeconds(current) < PREVIOUS_WITHIN_SECS)
        --current;
    return player.getChapterPosition(current);
}
