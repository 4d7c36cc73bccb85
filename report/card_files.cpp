#include "card_files.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace {

namespace fs = std::filesystem;

bool isHidden(const std::string& name) { return name.empty() || name[0] == '.'; }

bool hasTakeExtension(const fs::path& path) {
    std::string extension = path.extension().string();
    for (char& c : extension) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    return extension == ".wav" || extension == ".bwf";
}

class CardWalk {
public:
    std::vector<CardFile> files;

    void walkFolder(const fs::path& folder) {
        visited_.push_back(folder);
        ancestors_.push_back(folder);
        std::vector<fs::directory_entry> entries;
        std::error_code error;
        for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) entries.push_back(*it);
        if (error) files.push_back({folder.string(), "cannot read the folder: " + error.message()});
        std::sort(entries.begin(), entries.end(), [](const fs::directory_entry& a, const fs::directory_entry& b) {
            return a.path().filename().native() < b.path().filename().native();
        });
        for (const fs::directory_entry& entry : entries) {
            try {
                visitEntry(entry);
            } catch (const std::exception& failure) {
                // Windows hands names over in UTF-16; one that has no UTF-8 form cannot be named.
                files.push_back({folder.string(), std::string("a name in the folder cannot be read: ") + failure.what()});
            }
        }
        ancestors_.pop_back();
    }

    void visitArgument(const std::string& argument) {
        std::error_code error;
        const fs::file_status status = fs::status(argument, error);
        if (fs::is_directory(status)) walkFolder(fs::path(argument));
        else if (fs::exists(status) && !fs::is_regular_file(status)) files.push_back({argument, "not a plain file"});
        else files.push_back({argument, {}});   // the report says what is wrong with it
    }

private:
    void visitEntry(const fs::directory_entry& entry) {
        if (isHidden(entry.path().filename().string())) return;
        std::error_code error;
        const fs::file_status status = entry.status(error);   // through links
        if (fs::is_directory(status)) {
            const std::string seenAs = folderSeenAs(entry.path());
            if (seenAs.empty()) walkFolder(entry.path());
            else files.push_back({entry.path().string(), seenAs});
            return;
        }
        if (!hasTakeExtension(entry.path())) return;
        // A link that leads nowhere gets its row from the report, which cannot open it.
        if (error || fs::is_regular_file(status)) files.push_back({entry.path().string(), {}});
        else files.push_back({entry.path().string(), "not a plain file"});
    }

    // Why a folder is not walked again: a folder above it, or one walked already, is the same.
    std::string folderSeenAs(const fs::path& folder) const {
        std::error_code error;
        for (const fs::path& ancestor : ancestors_)
            if (fs::equivalent(folder, ancestor, error)) return "links back to " + ancestor.string();
        for (const fs::path& seen : visited_)
            if (fs::equivalent(folder, seen, error)) return "the same folder as " + seen.string() + ", read already";
        return {};
    }

    std::vector<fs::path> ancestors_;   // the folders being walked, outermost first
    std::vector<fs::path> visited_;     // every folder walked
};

}  // namespace

std::vector<CardFile> ListCardFiles(const std::vector<std::string>& arguments) {
    CardWalk walk;
    for (const std::string& argument : arguments) {
        try {
            walk.visitArgument(argument);
        } catch (const std::exception& failure) {
            walk.files.push_back({argument, std::string("cannot list the folder: ") + failure.what()});
        }
    }
    return std::move(walk.files);
}
