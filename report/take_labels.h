#pragma once
// What the report reads of a take's iXML block and bext description beyond the player's
// own labels: the note, the project, the marks of the take, the timecode rate and flag, and
// the track names.

#include <string>
#include <string_view>
#include <vector>

struct IxmlFacts {
    std::string note;
    std::string project;
    // CIRCLED, WILD_TRACK, FALSE_START and NO_GOOD: set when the element says TRUE in any case.
    bool circled = false, wildTrack = false, falseStart = false, noGood = false;
    std::string timecodeRate;
    std::string timecodeFlag;
    std::vector<std::string> trackNames;   // by channel, 1-based index - 1
};

// One TRACK of the TRACK_LIST. INTERLEAVE_INDEX is the channel in this file;
// CHANNEL_INDEX the recorder's track, which is the same in a polyphonic file.
struct IxmlTrack {
    std::string name;
    long channelIndex = 0;
    long interleaveIndex = 0;
};

IxmlFacts ReadIxmlFacts(std::string_view xml);

// The value of a "sKEY=" line of the bext description, up to the end of its line.
std::string DescriptionValue(std::string_view description, std::string_view key);
