#include "xml_text.h"

#include "text_encoding.h"

#include <cstdlib>

std::string_view Trimmed(std::string_view text) {
    const auto space = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && space(text.front())) text.remove_prefix(1);
    while (!text.empty() && space(text.back())) text.remove_suffix(1);
    return text;
}

std::string XmlText(std::string_view raw) {
    raw = Trimmed(raw);
    std::string out;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        const std::size_t end = raw[i] == '&' ? raw.find(';', i) : std::string_view::npos;
        if (end == std::string_view::npos || end - i > 10) {
            out += raw[i];
            continue;
        }
        const std::string_view name = raw.substr(i + 1, end - i - 1);
        if (name == "amp") out += '&';
        else if (name == "lt") out += '<';
        else if (name == "gt") out += '>';
        else if (name == "quot") out += '"';
        else if (name == "apos") out += '\'';
        else if (name.size() > 1 && name[0] == '#') {
            const bool hex = name[1] == 'x' || name[1] == 'X';
            AppendUtf8(out, std::strtoul(std::string(name.substr(hex ? 2 : 1)).c_str(), nullptr, hex ? 16 : 10));
        } else {
            out += raw.substr(i, end - i + 1);   // unknown: kept as written
        }
        i = end;
    }
    return out;
}
