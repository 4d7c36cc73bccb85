#include "take_set.h"

#include "wave_chunks.h"
#include "wave_file_info.h"
#include "wave_layout.h"
#include "xml_text.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <map>
#include <memory>
#include <string>

#ifdef _WIN32
#include <io.h>
#else
#include <filesystem>
#include <system_error>
#endif

// What a search keeps of the folder it searched, for the next file of the same folder: its
// names, and each file's set facts once read. Without it, a card of many sets would list its
// folder, and open its files, once for every set.
struct FolderMemory {
    std::string folder;
    bool listed = false;
    std::vector<std::string> names;                    // the folder's plain files, hidden ones not
    std::map<std::string, FileSetFacts> factsByName;   // what each file read says of its set
};

namespace {

// ---- names and folders ----

bool isSeparator(char c) {
#ifdef _WIN32
    return c == '/' || c == '\\' || c == ':';
#else
    return c == '/';
#endif
}

// Where the name starts in a path: after its last separator, 0 for a bare name.
std::size_t nameStart(const std::string& path) {
    for (std::size_t k = path.size(); k > 0; --k)
        if (isSeparator(path[k - 1])) return k;
    return 0;
}

char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

// ".wav" of "T01.WAV"; "" without a dot.
std::string extensionOf(std::string_view name) {
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0) return {};
    std::string extension(name.substr(dot));
    for (char& c : extension) c = lowerAscii(c);
    return extension;
}

// The same file name: Windows file systems ignore case.
bool sameName(std::string_view a, std::string_view b) {
#ifdef _WIN32
    if (a.size() != b.size()) return false;
    for (std::size_t k = 0; k < a.size(); ++k)
        if (lowerAscii(a[k]) != lowerAscii(b[k])) return false;
    return true;
#else
    return a == b;
#endif
}

// Hidden files (".name", among them the "._name" copies some systems leave on a card) are no takes.
bool hidden(std::string_view name) { return name.empty() || name[0] == '.'; }

// The names of the plain files of a folder ("" is the current one) that pass keep(name).
// Windows lists through the C library, whose narrow names are in the code page that fopen
// takes; the standard library's paths there hand names back in UTF-8.
template <class Keep>
std::vector<std::string> listNames(const std::string& folder, Keep keep) {
    std::vector<std::string> names;
#ifdef _WIN32
    __finddata64_t found;
    const intptr_t handle = _findfirst64((folder + "*").c_str(), &found);
    if (handle == -1) return names;
    do {
        if ((found.attrib & _A_SUBDIR) == 0 && keep(std::string_view(found.name))) names.emplace_back(found.name);
    } while (_findnext64(handle, &found) == 0);
    _findclose(handle);
#else
    namespace fs = std::filesystem;
    std::error_code error;
    for (fs::directory_iterator it(folder.empty() ? fs::path(".") : fs::path(folder), error), end; !error && it != end;
         it.increment(error)) {
        std::string name = it->path().filename().string();
        std::error_code typeError;
        if (keep(std::string_view(name)) && it->is_regular_file(typeError)) names.push_back(std::move(name));
    }
#endif
    return names;
}

// ---- one file ----

long numberIn(std::string_view text) { return std::strtol(XmlText(text).c_str(), nullptr, 10); }

// The file's chunks, format and iXML, read once.
struct OpenedFile {
    FileHandle file;
    WaveChunks chunks;
    FileSetFacts facts;
};

bool openAndReadFacts(const std::string& path, OpenedFile& opened) {
    opened.file.reset(std::fopen(path.c_str(), "rb"));
    if (!opened.file) return false;
    opened.chunks = WalkWaveChunks(opened.file.get(), FileSize64(opened.file.get()));
    if (opened.chunks.ixmlOffset < 0) return true;
    std::string xml(static_cast<std::size_t>(std::min(opened.chunks.ixmlSize, wave_layout::kMaxIxmlRead)), '\0');
    xml.resize(ReadAt(opened.file.get(), opened.chunks.ixmlOffset, xml.data(), xml.size()));
    // Most files of a folder belong to other takes or to none: the walk is for those that name a set.
    if (xml.find("FILE_SET") != std::string::npos) opened.facts = ReadFileSetFacts(xml);
    return true;
}

bool inspect(OpenedFile& opened, const std::string& path, WaveFileInfo& info) {
    return InspectOpenWaveFile(&info, path.c_str(), opened.file.get(), opened.chunks) == kInspectOk;
}

// ---- the order of a set's files ----

struct Member {
    std::string path;
    std::string name;
    WaveFileInfo info;
    FileSetFacts facts;
    bool loaded = false;
};

// The CHANNEL_INDEX of each of the file's channels that has one: a track's channel in the file
// is its INTERLEAVE_INDEX, or its place in the list without one; tracks past the file's
// channels describe none of them.
std::vector<long> channelIndexesOf(const Member& member, long& firstChannelIndex) {
    std::vector<long> indexes;
    firstChannelIndex = 0;
    for (std::size_t k = 0; k < member.facts.tracks.size(); ++k) {
        const FileSetTrack& track = member.facts.tracks[k];
        const long channelInFile = track.interleaveIndex > 0 ? track.interleaveIndex : static_cast<long>(k) + 1;
        if (channelInFile > member.info.channels || track.channelIndex <= 0) continue;
        indexes.push_back(track.channelIndex);
        if (channelInFile == 1 && firstChannelIndex == 0) firstChannelIndex = track.channelIndex;
    }
    return indexes;
}

// FILE_SET_INDEX is a number or letters (1, 2, ... 10 or A, B, ... Z, AA): shorter first, then
// by character, numbers without their leading zeros, letters in either case.
std::string setIndexKey(std::string_view written) {
    std::string key(Trimmed(written));
    const bool digits = !key.empty() && key.find_first_not_of("0123456789") == std::string::npos;
    if (digits) key.erase(0, std::min(key.find_first_not_of('0'), key.size() - 1));
    for (char& c : key) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
    return key;
}

bool setIndexBefore(const std::string& a, const std::string& b) {
    return a.size() != b.size() ? a.size() < b.size() : a < b;
}

template <class Key>
bool allPresentAndDistinct(const std::vector<Key>& keys, const Key& missing) {
    for (std::size_t i = 0; i < keys.size(); ++i) {
        if (keys[i] == missing) return false;
        for (std::size_t j = i + 1; j < keys.size(); ++j)
            if (keys[i] == keys[j]) return false;
    }
    return true;
}

// Sorts the files into the take's channel order: CHANNEL_INDEX when every file's first channel
// has one and no index repeats, else FILE_SET_INDEX when every file has a different one, else
// the names. Equal keys fall back to the names, so the order never depends on the folder's.
void orderMembers(std::vector<Member>& members) {
    std::vector<long> firstIndexes, allIndexes;
    std::vector<std::string> setIndexes;
    for (const Member& member : members) {
        long first = 0;
        const std::vector<long> indexes = channelIndexesOf(member, first);
        firstIndexes.push_back(first);
        allIndexes.insert(allIndexes.end(), indexes.begin(), indexes.end());
        setIndexes.push_back(setIndexKey(member.facts.fileSetIndex));
    }
    const bool byChannelIndex = allPresentAndDistinct(firstIndexes, 0L) && allPresentAndDistinct(allIndexes, 0L);
    const bool bySetIndex = allPresentAndDistinct(setIndexes, std::string());

    std::vector<std::size_t> order(members.size());
    for (std::size_t k = 0; k < order.size(); ++k) order[k] = k;
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        if (byChannelIndex && firstIndexes[a] != firstIndexes[b]) return firstIndexes[a] < firstIndexes[b];
        if (!byChannelIndex && bySetIndex && setIndexes[a] != setIndexes[b]) return setIndexBefore(setIndexes[a], setIndexes[b]);
        return members[a].name < members[b].name;
    });
    std::vector<Member> sorted;
    sorted.reserve(members.size());
    for (const std::size_t k : order) sorted.push_back(std::move(members[k]));
    members = std::move(sorted);
}

TakeSet takeOfOneFile(const std::string& path, int channels) {
    TakeSet set;
    set.sources.push_back(PlaybackSource{path, 0, true});
    set.channels = channels;
    return set;
}

// Why a file of the set does not play with the loaded one; "" when it does.
std::string differenceFrom(const WaveFileInfo& loaded, const WaveFileInfo& other) {
    if (other.sampleRate != loaded.sampleRate) return "another sample rate";
    if (other.bitsPerSample != loaded.bitsPerSample) return "another bit depth";
    if (other.frameCount != loaded.frameCount) return "another length";
    return {};
}

// The folder's names in the order they are looked at: nearest to the loaded file's name in
// name order first, alternately before and after it, since a recorder names the files of a
// set alike. Only the order of the search depends on it, never what it finds.
std::vector<std::string> nearestNamesFirst(std::vector<std::string> names, const std::string& loadedName) {
    std::sort(names.begin(), names.end());
    const std::size_t at = static_cast<std::size_t>(std::lower_bound(names.begin(), names.end(), loadedName) - names.begin());
    std::vector<std::string> order;
    order.reserve(names.size());
    for (std::size_t step = 0; order.size() < names.size(); ++step) {
        if (step < at) order.push_back(std::move(names[at - 1 - step]));
        if (at + step < names.size()) order.push_back(std::move(names[at + step]));
    }
    return order;
}

TakeSet findTakeSet(const std::string& path, FolderMemory& memory) {
    OpenedFile opened;
    if (!openAndReadFacts(path, opened)) return takeOfOneFile(path, 0);
    Member loaded{path, path.substr(nameStart(path)), {}, std::move(opened.facts), true};
    if (!inspect(opened, path, loaded.info)) return takeOfOneFile(path, 0);
    opened.file.reset();
    if (!loaded.facts.inSet()) return takeOfOneFile(path, loaded.info.channels);

    TakeSet set;
    set.totalFiles = loaded.facts.totalFiles;
    const std::string folder = path.substr(0, nameStart(path));
    const std::string loadedName = loaded.name;
    const std::string extension = extensionOf(loadedName);
    const std::string familyUid = loaded.facts.familyUid;
    const WaveFileInfo loadedInfo = loaded.info;
    const auto couldBeMember = [&](std::string_view name) {
        return !hidden(name) && !sameName(name, loadedName) && extensionOf(name) == extension;
    };
    if (!memory.listed || memory.folder != folder) {
        memory = FolderMemory{folder, true, listNames(folder, [](std::string_view name) { return !hidden(name); }), {}};
    }
    std::vector<std::string> candidates;
    for (const std::string& name : memory.names)
        if (couldBeMember(name)) candidates.push_back(name);

    std::vector<Member> members;
    members.push_back(std::move(loaded));
    // Each file opened at most once, until the set's TOTAL_FILES are found.
    for (std::string& name : nearestNamesFirst(std::move(candidates), loadedName)) {
        if (static_cast<long>(members.size() + set.leftOut.size()) >= set.totalFiles) break;
        const auto known = memory.factsByName.find(name);
        if (known != memory.factsByName.end() && (!known->second.inSet() || known->second.familyUid != familyUid)) continue;
        Member member{folder + name, std::move(name), {}, {}, false};
        OpenedFile candidate;
        if (!openAndReadFacts(member.path, candidate)) continue;
        memory.factsByName[member.name] = candidate.facts;
        if (!candidate.facts.inSet() || candidate.facts.familyUid != familyUid) continue;
        member.facts = std::move(candidate.facts);
        std::string why = inspect(candidate, member.path, member.info) ? differenceFrom(loadedInfo, member.info)
                                                                       : "not a take the player can play";
        if (!why.empty()) set.leftOut.push_back({member.path, std::move(why)});
        else members.push_back(std::move(member));
    }

    orderMembers(members);
    // The loaded file always plays: room is kept for its channels until it is placed.
    int loadedRoom = loadedInfo.channels;
    for (Member& member : members) {
        if (member.loaded) loadedRoom = 0;
        else if (set.channels + member.info.channels + loadedRoom > kMaxTakeChannels) {
            set.leftOut.push_back({member.path, "past channel " + std::to_string(kMaxTakeChannels)});
            continue;
        }
        set.sources.push_back(PlaybackSource{member.path, set.channels, member.loaded});
        set.channels += member.info.channels;
    }
    std::sort(set.leftOut.begin(), set.leftOut.end(), [](const LeftOutFile& a, const LeftOutFile& b) { return a.path < b.path; });
    const long found = static_cast<long>(set.sources.size() + set.leftOut.size());
    set.filesNotFound = std::max(0L, set.totalFiles - found);
    return set;
}

// ---- stepping ----

bool steppedName(std::string_view name, const std::string& currentExtension) {
    if (hidden(name)) return false;
    const std::string extension = extensionOf(name);
    return extension == ".wav" || extension == ".bwf" || extension == currentExtension;
}

std::string nextTakeInFolder(const std::string& currentPath, int direction) {
    if (direction == 0) return {};
    const std::size_t start = nameStart(currentPath);
    const std::string folder = currentPath.substr(0, start);
    const std::string currentName = currentPath.substr(start);
    const std::string currentExtension = extensionOf(currentName);

    std::vector<std::string> names = listNames(folder, [&](std::string_view name) { return steppedName(name, currentExtension); });
    std::sort(names.begin(), names.end());

    // Where the current file stands; one that has gone meanwhile stands where its name would sort.
    std::size_t at = static_cast<std::size_t>(std::lower_bound(names.begin(), names.end(), currentName) - names.begin());
    bool listed = false;
    for (std::size_t k = 0; k < names.size() && !listed; ++k) {
        if (!sameName(names[k], currentName)) continue;
        at = k;
        listed = true;
    }

    std::string family;
    {
        OpenedFile current;
        if (openAndReadFacts(currentPath, current) && current.facts.inSet()) family = current.facts.familyUid;
    }

    // Forward from the one after the current file, backward from the one before it.
    std::size_t k = direction > 0 ? (listed ? at + 1 : at) : at;
    while (direction > 0 ? k < names.size() : k > 0) {
        const std::string& name = direction > 0 ? names[k++] : names[--k];
        const std::string path = folder + name;
        OpenedFile candidate;
        if (!openAndReadFacts(path, candidate)) continue;
        if (!family.empty() && candidate.facts.inSet() && candidate.facts.familyUid == family) continue;
        WaveFileInfo info;
        if (inspect(candidate, path, info)) return path;
    }
    return {};
}

}  // namespace

FileSetFacts ReadFileSetFacts(std::string_view ixml) {
    FileSetFacts facts;
    try {
        FileSetTrack track;
        WalkXml(ixml, [&](const std::string& path, std::string_view text) {
            if (path == "BWFXML/FILE_SET/TOTAL_FILES") facts.totalFiles = numberIn(text);
            else if (path == "BWFXML/FILE_SET/FAMILY_UID") facts.familyUid = XmlText(text);
            else if (path == "BWFXML/FILE_SET/FILE_SET_INDEX") facts.fileSetIndex = XmlText(text);
            else if (path == "BWFXML/TRACK_LIST/TRACK/CHANNEL_INDEX") track.channelIndex = numberIn(text);
            else if (path == "BWFXML/TRACK_LIST/TRACK/INTERLEAVE_INDEX") track.interleaveIndex = numberIn(text);
            else if (path == "BWFXML/TRACK_LIST/TRACK") {
                facts.tracks.push_back(track);
                track = FileSetTrack{};
            }
        });
    } catch (const std::exception&) {
        facts = FileSetFacts{};   // out of memory: no set
    }
    return facts;
}

TakeSet FindTakeSet(const std::string& path) {
    TakeSetFinder finder;
    return finder.find(path);
}

TakeSetFinder::TakeSetFinder() : memory_(std::make_unique<FolderMemory>()) {}
TakeSetFinder::~TakeSetFinder() = default;

TakeSet TakeSetFinder::find(const std::string& path) {
    try {
        return findTakeSet(path, *memory_);
    } catch (const std::exception&) {
        TakeSet alone;   // out of memory on the way: the file alone, if even that can be had
        try {
            alone.sources.push_back(PlaybackSource{path, 0, true});
        } catch (const std::exception&) {
        }
        return alone;
    }
}

TakeSet FindDroppedTake(const std::vector<std::string>& paths) {
    return paths.empty() ? TakeSet{} : FindTakeSet(paths.front());
}

std::string TakeSetNote(const TakeSet& set) {
    try {
        if (set.totalFiles <= 1 && set.sources.size() <= 1) return {};
        const long inTake = static_cast<long>(set.sources.size());
        const long total = std::max(set.totalFiles, inTake);
        std::string note = inTake == total ? std::to_string(total) + " files"
                                           : std::to_string(inTake) + " of " + std::to_string(total) + " files";
        std::string separator = ", left out: ";
        for (const LeftOutFile& file : set.leftOut) {
            note += separator + file.path.substr(nameStart(file.path)) + " " + file.reason;
            separator = ", ";
        }
        if (set.filesNotFound > 0) note += ", " + std::to_string(set.filesNotFound) + " not found";
        return note;
    } catch (const std::exception&) {
        return {};
    }
}

std::string NextTakeInFolder(const std::string& currentPath, int direction) {
    try {
        return nextTakeInFolder(currentPath, direction);
    } catch (const std::exception&) {
        return {};
    }
}
