#pragma once
// Just enough XML for the iXML block: a walk that reports every element as it closes, and
// element text with its entities resolved.

#include <string>
#include <string_view>
#include <vector>

// The text without white space at either end.
std::string_view Trimmed(std::string_view text);

// Element text with the five named entities and numeric references resolved.
std::string XmlText(std::string_view raw);

// Calls onClose(path, rawText) for every element as it closes; path is "BWFXML/SPEED/
// TIMECODE_RATE", rawText the characters between its tags (meaningful for leaf elements).
// Declarations, comments and attributes are stepped over; a stray closing tag is ignored.
template <class OnClose>
void WalkXml(std::string_view xml, OnClose onClose) {
    struct Open { std::string_view name; std::size_t textStart; };
    std::vector<Open> open;
    const auto pathOf = [&open](std::size_t depth) {
        std::string path;
        for (std::size_t k = 0; k < depth; ++k) path.append(open[k].name).append(k + 1 < depth ? "/" : "");
        return path;
    };
    for (std::size_t at = xml.find('<'); at != std::string_view::npos; at = xml.find('<', at)) {
        if (xml.substr(at, 4) == "<!--") {
            const std::size_t end = xml.find("-->", at);
            if (end == std::string_view::npos) return;
            at = end + 3;
            continue;
        }
        const std::size_t close = xml.find('>', at);
        if (close == std::string_view::npos) return;
        const std::string_view tag = xml.substr(at + 1, close - at - 1);
        if (!tag.empty() && (tag[0] == '?' || tag[0] == '!')) {
            at = close + 1;
            continue;
        }
        if (!tag.empty() && tag[0] == '/') {
            const std::string_view name = Trimmed(tag.substr(1));
            for (std::size_t k = open.size(); k-- > 0;) {
                if (open[k].name != name) continue;
                onClose(pathOf(k + 1), xml.substr(open[k].textStart, at - open[k].textStart));
                open.resize(k);
                break;
            }
        } else {
            const std::string_view name = tag.substr(0, tag.find_first_of(" \t\r\n/"));
            if (!tag.empty() && tag.back() == '/') {
                open.push_back({name, close + 1});
                onClose(pathOf(open.size()), std::string_view());
                open.pop_back();
            } else {
                open.push_back({name, close + 1});
            }
        }
        at = close + 1;
    }
}
