#include "take_labels.h"

#include "audio/xml_text.h"

#include <cstdlib>

namespace {

std::string_view lastName(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

bool saysTrue(std::string_view text) {
    const std::string value = XmlText(text);
    const std::string_view trimmed = Trimmed(value);
    if (trimmed.size() != 4) return false;
    for (std::size_t k = 0; k < 4; ++k)
        if ((trimmed[k] | 0x20) != "true"[k]) return false;
    return true;
}

}  // namespace

IxmlFacts ReadIxmlFacts(std::string_view xml) {
    IxmlFacts facts;
    IxmlTrack track;
    std::vector<IxmlTrack> tracks;
    WalkXml(xml, [&](const std::string& path, std::string_view text) {
        const std::string_view name = lastName(path);
        if (path == "BWFXML/NOTE" && facts.note.empty()) facts.note = XmlText(text);
        else if (path == "BWFXML/PROJECT" && facts.project.empty()) facts.project = XmlText(text);
        else if (path == "BWFXML/CIRCLED") facts.circled = saysTrue(text);
        else if (path == "BWFXML/WILD_TRACK") facts.wildTrack = saysTrue(text);
        else if (path == "BWFXML/FALSE_START") facts.falseStart = saysTrue(text);
        else if (path == "BWFXML/NO_GOOD") facts.noGood = saysTrue(text);
        else if (name == "TIMECODE_RATE" && facts.timecodeRate.empty()) facts.timecodeRate = XmlText(text);
        else if (name == "TIMECODE_FLAG" && facts.timecodeFlag.empty()) facts.timecodeFlag = XmlText(text);
        else if (path == "BWFXML/TRACK_LIST/TRACK/NAME") track.name = XmlText(text);
        else if (path == "BWFXML/TRACK_LIST/TRACK/CHANNEL_INDEX") track.channelIndex = std::atol(XmlText(text).c_str());
        else if (path == "BWFXML/TRACK_LIST/TRACK/INTERLEAVE_INDEX") track.interleaveIndex = std::atol(XmlText(text).c_str());
        else if (path == "BWFXML/TRACK_LIST/TRACK") {
            tracks.push_back(track);
            track = IxmlTrack{};
        }
    });
    for (std::size_t k = 0; k < tracks.size(); ++k) {
        // A track without either index takes its place in the list.
        long channel = tracks[k].interleaveIndex > 0 ? tracks[k].interleaveIndex
                     : tracks[k].channelIndex > 0    ? tracks[k].channelIndex
                                                     : static_cast<long>(k) + 1;
        if (channel > 64) continue;
        if (facts.trackNames.size() < static_cast<std::size_t>(channel)) facts.trackNames.resize(static_cast<std::size_t>(channel));
        facts.trackNames[static_cast<std::size_t>(channel) - 1] = tracks[k].name;
    }
    return facts;
}

std::string DescriptionValue(std::string_view description, std::string_view key) {
    for (std::size_t at = description.find(key); at != std::string_view::npos; at = description.find(key, at + 1)) {
        if (at != 0 && description[at - 1] != '\n' && description[at - 1] != '\r') continue;
        const std::size_t from = at + key.size();
        return std::string(description.substr(from, description.find_first_of("\r\n", from) - from));
    }
    return {};
}
