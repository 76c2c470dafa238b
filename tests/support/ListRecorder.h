#pragma once

#include "IListListener.h"

#include <string>
#include <utility>
#include <vector>

// What a list or grid reported to its owner, one line an event.
class ListRecorder : public IListListener
{
public:
    void onItemSelected(int item) override { events.push_back("selected " + std::to_string(item)); }
    void onItemChosen(int item, int button) override
    {
        events.push_back("chosen " + std::to_string(item) + " " + std::to_string(button));
    }
    void onNavLeft() override { events.push_back("left"); }
    void onPageBack() override { events.push_back("back"); }

    // The events so far, forgotten here.
    std::vector<std::string> take() { return std::exchange(events, {}); }

    std::vector<std::string> events;
};
