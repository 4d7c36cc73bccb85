// The player's command-line path, settings file name and stored-position parser.

#include "app/shell_text.h"

#include <gtest/gtest.h>

#include <string>

TEST(ShellText, CommandLineTailIsOnePath) {
    const std::string longTail(600, 'x');
    struct Case {
        std::string tail;
        std::string path;
    } cases[] = {
        {"", ""},
        {"C:\\takes\\T01.wav", "C:\\takes\\T01.wav"},
        {"\"C:\\my takes\\T01.wav\"", "C:\\my takes\\T01.wav"},
        {"C:\\takes\\T01.wav second", "C:\\takes\\T01.wav second"},   // not split into words
        {"\"C:\\a b.wav\" word", "C:\\a b.wav\" wor"},                 // the last character goes, whatever it is
        {"\"", ""},
        {longTail, std::string(512, 'x')},                            // cut to the buffer
        {"\"" + longTail + "\"", std::string(511, 'x')},
    };
    for (const Case& c : cases) {
        char path[kPlayerPathSize];
        std::memset(path, '#', sizeof path);
        TakePathFromCommandLine(c.tail.c_str(), path, sizeof path);
        EXPECT_EQ(std::string(path), c.path) << "tail: " << c.tail.substr(0, 40);
    }
}

TEST(ShellText, SettingsNameReplacesTheLastExtension) {
    struct Case {
        std::string program;
        bool formed;
        std::string name;
    } cases[] = {
        {"C:\\Apps\\Player\\prog.exe", true, "C:\\Apps\\Player\\prog.ini"},
        {"C:\\rel.2\\prog", true, "C:\\rel.ini"},   // no extension: a directory's dot is taken
        {"C:\\rel\\prog", false, ""},
        {".exe", false, ""},                        // the first character is never looked at
    };
    for (const Case& c : cases) {
        char name[kSettingsNameSize] = {};
        EXPECT_EQ(SettingsNameFromModulePath(c.program.c_str(), name, sizeof name), c.formed) << c.program;
        EXPECT_EQ(std::string(name), c.name) << c.program;
    }
}

TEST(ShellText, StoredPositionIsParsedAndKeptOnTheDesktop) {
    struct Case {
        const char* text;
        StoredPosition expected;
    } cases[] = {
        {"100,120,379,210", {100, 120, 379, 210}},
        {"-50,-10,379,210", {0, 0, 379, 210}},
        {"5000,3000,379,210", {1888, 1048, 379, 210}},
        {"100", {100, 0, 500, 200}},
        {"100,,120", {100, 120, 500, 200}},       // empty fields are skipped
        {",,,", {0, 0, 500, 200}},
        {"abc,7x,10,10", {0, 7, 32, 32}},
        {"1,2,3,4,5,6", {1, 2, 32, 32}},
        // Cut to 47 characters: the fourth field loses its last digits.
        {"00000000000000000000000000000000001,2,3,1234567890", {1, 2, 32, 1234567}},
    };
    for (const Case& c : cases) {
        const StoredPosition p = ParseStoredPosition(c.text, 1920, 1080);
        EXPECT_EQ(p.x, c.expected.x) << c.text;
        EXPECT_EQ(p.y, c.expected.y) << c.text;
        EXPECT_EQ(p.width, c.expected.width) << c.text;
        EXPECT_EQ(p.height, c.expected.height) << c.text;
    }
}
