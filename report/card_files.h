#pragma once
// The files a sound report reads: each file named, and a folder's .wav and .bwf files and
// those of its subfolders, in byte order of the names (a subfolder where its name sorts).
// Hidden files and folders (".name", among them the "._name" copies some systems leave on a
// card) are no takes.
//
// A card is not always tidy, and the report must go on to its end whatever it holds: what is
// met but not read comes back with the reason, so it gets a row of its own: a folder that
// links back to a folder above it (or to one listed already), a folder that cannot be read,
// and a .wav that is no plain file (a pipe would block the read for ever). Paths are
// narrow strings as fopen takes them: the bytes of the names as the system gives them
// (UTF-8 on Windows, where the tools run with UTF-8 as their code page). Nothing here throws.

#include <string>
#include <vector>

struct CardFile {
    std::string path;      // as given, or a folder's path joined with the names below it
    std::string problem;   // why it is not read; empty for a file to report
};

std::vector<CardFile> ListCardFiles(const std::vector<std::string>& arguments);
