// The sound report of generated takes: start timecodes worked out by hand, labels, notes and
// track lists in the recorder layouts, and per-channel peaks of every sample format; and the
// report's HTML page of hand-built reports.

#include "report/report_csv.h"
#include "report/report_html.h"
#include "report/take_report.h"
#include "audio/wave_file_info.h"
#include "tests/support/wave_writer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

using namespace wavetest;

TEST(TakeReport, StartTimecodeAtEachRate) {
    // Time references are the samples at 48 kHz of the labelled frame's start, rounded up:
    // frame n at 24000/1001 starts at n * 2002 samples, at 30000/1001 at n * 1601.6.
    const struct { std::uint64_t timeReference; const char* rate; bool dropFrame; const char* label; bool wrapped; } rows[] = {
        {172972800, "24000/1001", false, "01:00:00:00", false},   // frame 86,400
        {1787063040, "25/1", false, "10:20:30:12", false},        // frame 930,762 at 1920 samples
        {2881279, "30000/1001", true, "00:00:59;29", false},      // frame 1,799
        {2882880, "30000/1001", true, "00:01:00;02", false},      // frame 1,800: ;00 and ;01 are skipped
        {28799972, "30000/1001", true, "00:10:00;00", false},     // frame 17,982: every tenth minute keeps them
        {172799828, "30000/1001", true, "01:00:00;00", false},    // frame 107,892
        {4320001600, "30", false, "01:00:00:01", true},           // a day, an hour and 1600 samples
        {4147200000 + 172972800, "24000/1001", false, "01:00:00:00", true},
        {172972800, "fast", false, "", false},                    // no rate, no label
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::to_string(row.timeReference) + " at " + row.rate);
        const StartTimecode start = FormatStartTimecode(row.timeReference, 48000, ParseTimecodeRate(row.rate, row.dropFrame));
        EXPECT_EQ(start.text, row.label);
        EXPECT_EQ(start.wrapped, row.wrapped);
    }
}

namespace {

Bytes withTimeReference(Bytes bytes, std::size_t bextBody, std::uint64_t timeReference) {
    patchLe(bytes, bextBody + 338, timeReference, 8);
    return bytes;
}

std::string joinedTracks(const TakeReport& report) {
    std::string out;
    for (const std::string& name : report.trackNames) {
        if (&name != report.trackNames.data()) out += '|';
        out += name;
    }
    return out;
}

}  // namespace

TEST(TakeReport, LabelsNotesTracksAndTimecodeInRecorderLayouts) {
    struct Row {
        const char* name;
        Bytes bytes;
        const char *tape, *scene, *take, *note, *tracks, *timecode, *rate;
    };
    std::vector<Row> rows;
    {   // bext before fmt, iXML and a large PAD chunk before the data; a speed note before the take's note.
        WaveWriter w;
        w.riff();
        const std::size_t bext = w.bext("sSCENE=14\r\nsTAKE=2\r\nsNOTE=not this one\r\n");
        w.fmtExtensible(2, 48000, 24);
        w.ixml(ixmlDocument(
            "<TAPE>DAY3</TAPE><SPEED><NOTE>speed note</NOTE><TIMECODE_RATE>25/1</TIMECODE_RATE>"
            "<TIMECODE_FLAG>NDF</TIMECODE_FLAG></SPEED><NOTE>plane &amp; wind, \"wild\" line</NOTE>"
            "<TRACK_LIST><TRACK_COUNT>2</TRACK_COUNT>"
            "<TRACK><CHANNEL_INDEX>1</CHANNEL_INDEX><INTERLEAVE_INDEX>1</INTERLEAVE_INDEX><NAME>BOOM</NAME></TRACK>"
            "<TRACK><CHANNEL_INDEX>2</CHANNEL_INDEX><INTERLEAVE_INDEX>2</INTERLEAVE_INDEX><NAME>LAV Ann&#233;</NAME></TRACK>"
            "</TRACK_LIST>"));
        w.filler("PAD ", 124664);
        w.data(Bytes(6 * 100, 0));
        rows.push_back({"PAD chunk before the data", withTimeReference(w.bytes(), bext, 1787063040), "DAY3", "14", "2",
                        "plane & wind, \"wild\" line", "BOOM|LAV Ann\xC3\xA9", "10:20:30:12", "25/1"});
    }
    {   // Split mono: the note only in the description (code page 1252), iXML after odd data without a pad byte.
        WaveWriter w;
        w.riff();
        w.fmtPcm(1, 48000, 16);
        const std::size_t bext = w.bext("sSCENE=5\r\nsNOTE=caf\xE9 noise\r\nsTAKE=1\r\n");
        w.data(Bytes(2 * 100 + 1, 0), Pad::None);
        w.ixml(ixmlDocument("<TAPE>SPLIT7</TAPE><SPEED><TIMECODE_RATE>30000/1001</TIMECODE_RATE>"
                            "<TIMECODE_FLAG>DF</TIMECODE_FLAG></SPEED><TRACK_LIST><TRACK><CHANNEL_INDEX>3</CHANNEL_INDEX>"
                            "<INTERLEAVE_INDEX>1</INTERLEAVE_INDEX><NAME>LAV 2</NAME></TRACK></TRACK_LIST>"));
        rows.push_back({"split mono", withTimeReference(w.bytes(), bext, 2882880), "SPLIT7", "5", "1", "caf\xC3\xA9 noise",
                        "LAV 2", "00:01:00;02", "30000/1001"});
    }
    {   // No bext: no time reference, so no timecode whatever the rate; tracks listed out of order.
        WaveWriter w;
        w.riff();
        w.fmtPcm(2, 44100, 16);
        w.data(Bytes(4 * 100, 0));
        w.ixml(ixmlDocument("<SCENE>3B</SCENE><TAKE>12</TAKE><TAPE>T-01</TAPE><SPEED><TIMECODE_RATE>24000/1001"
                            "</TIMECODE_RATE></SPEED><TRACK_LIST><TRACK><INTERLEAVE_INDEX>2</INTERLEAVE_INDEX>"
                            "<NAME>Boom</NAME></TRACK><TRACK><INTERLEAVE_INDEX>1</INTERLEAVE_INDEX><NAME>Mix, L</NAME>"
                            "</TRACK></TRACK_LIST>"));
        rows.push_back({"iXML after the data", w.bytes(), "T-01", "3B", "12", "", "Mix, L|Boom", "", ""});
    }
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TempFile file;
        ASSERT_TRUE(writeFile(file.str(), row.bytes));
        const TakeReport report = ReportTake(file.str());
        EXPECT_EQ(report.status, "ok");
        EXPECT_EQ(report.tape, row.tape);
        EXPECT_EQ(report.scene, row.scene);
        EXPECT_EQ(report.take, row.take);
        EXPECT_EQ(report.note, row.note);
        EXPECT_EQ(joinedTracks(report), row.tracks);
        EXPECT_EQ(report.startTimecode, row.timecode);
        EXPECT_EQ(report.timecodeRate, row.rate);
    }
}

namespace {

enum class Kind { Pcm, Float, ExtensiblePcm, ExtensibleFloat };

// A format body as the writers lay it out; the extensible ones name the sub-format by tag.
Bytes formatBody(Kind kind, int channels, int bits) {
    const bool extensible = kind == Kind::ExtensiblePcm || kind == Kind::ExtensibleFloat;
    const bool isFloat = kind == Kind::Float || kind == Kind::ExtensibleFloat;
    Bytes body;
    putLe(body, extensible ? 0xFFFE : isFloat ? 3 : 1, 2);
    putLe(body, static_cast<std::uint64_t>(channels), 2);
    putLe(body, 48000, 4);
    putLe(body, 48000u * static_cast<std::uint32_t>(channels * bits / 8), 4);
    putLe(body, static_cast<std::uint64_t>(channels * bits / 8), 2);
    putLe(body, static_cast<std::uint64_t>(bits), 2);
    if (extensible) {
        putLe(body, 22, 2);
        putLe(body, static_cast<std::uint64_t>(bits), 2);
        putLe(body, 0, 4);
        const std::uint8_t guid[16] = {static_cast<std::uint8_t>(isFloat ? 3 : 1), 0, 0, 0, 0, 0, 0x10, 0, 0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71};
        body.insert(body.end(), guid, guid + 16);
    }
    return body;
}

// A fraction of full scale in the format: 1 is the largest value, -1 the smallest.
void putFraction(Bytes& out, Kind kind, int bits, double fraction) {
    if (kind == Kind::Float || kind == Kind::ExtensibleFloat) {
        const float value = static_cast<float>(fraction);
        std::uint32_t word;
        std::memcpy(&word, &value, 4);
        putLe(out, word, 4);
        return;
    }
    const double fullScale = std::ldexp(1.0, bits - 1);
    const std::int64_t value = std::min<std::int64_t>(std::llround(fraction * fullScale), static_cast<std::int64_t>(fullScale) - 1);
    if (bits == 8) out.push_back(static_cast<std::uint8_t>(value + 128));
    else putLe(out, static_cast<std::uint64_t>(value), bits / 8);
}

}  // namespace

TEST(TakeReport, PeaksClippingAndSilencePerChannelInEverySampleFormat) {
    // Channel 1 digital silence, 2 at half scale, 3 at full scale four times (among them the
    // last frame, past the last whole row of lanes), 4 one step of the format. The take spans
    // several reads. Both folds, the wide one where the processor has it and the plain one,
    // give the same figures.
    const struct { const char* name; Kind kind; int bits; const char* format; const char* lowestStep; const char* stepSilent; } rows[] = {
        {"8-bit", Kind::Pcm, 8, "pcm", "-42.1", ""},                    // 1/128
        {"16-bit", Kind::Pcm, 16, "pcm", "-90.3", "silent"},            // 1/32768
        {"24-bit", Kind::Pcm, 24, "pcm", "-138.5", "silent"},           // 2^-23
        {"32-bit", Kind::Pcm, 32, "pcm", "-186.6", "silent"},           // 2^-31
        {"float", Kind::Float, 32, "float", "-138.5", "silent"},        // 2^-23
        {"extensible 24-bit", Kind::ExtensiblePcm, 24, "pcm", "-138.5", "silent"},
        {"extensible float", Kind::ExtensibleFloat, 32, "float", "-138.5", "silent"},
    };
    constexpr int kFrames = 70001;   // 8,750 rows of 8 lanes per channel and a tail; 280 KB at 8 bits
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Bytes pcm;
        const double step = row.kind == Kind::Pcm || row.kind == Kind::ExtensiblePcm ? std::ldexp(1.0, 1 - row.bits) : std::ldexp(1.0, -23);
        for (int f = 0; f < kFrames; ++f) {
            putFraction(pcm, row.kind, row.bits, 0.0);
            putFraction(pcm, row.kind, row.bits, f % 2 ? -0.25 : 0.5);
            putFraction(pcm, row.kind, row.bits, f == 0 || f == kFrames - 1 ? -1.0 : f < 3 ? 1.0 : -0.25);
            putFraction(pcm, row.kind, row.bits, f % 3 ? step : 0.0);
        }
        WaveWriter w;
        w.riff();
        w.chunk("fmt ", formatBody(row.kind, 4, row.bits));
        w.data(pcm);
        TempFile file;
        ASSERT_TRUE(writeFile(file.str(), w.bytes()));

        // 70001 frames at 48 kHz: 1.458354 s.
        const std::string expected = file.str() + ",ok," + row.format + ",48000," + std::to_string(row.bits) +
                                     ",4,70001,1.458,,,,,,,,-inf|-6.0|0.0|" + row.lowestStep + ",0|0|4|0,silent|||" +
                                     row.stepSilent + "," + file.str().substr(file.str().find_last_of("/\\") + 1) +
                                     ",,,,,,\r\n";
        for (const bool wide : {true, false}) {
            UseWideFolds(wide);
            EXPECT_EQ(ReportCsvRow(ReportTake(file.str())), expected) << (wide ? "wide fold" : "plain fold");
        }
        UseWideFolds(true);
    }
}

TEST(TakeReport, TakesOfMoreThanEightChannelsAreReportedInFull) {
    // Channel c at 16384 >> (c % 4) of 32768: -6.0, -12.0, -18.1, -24.1 dBFS over and over; the
    // last channel also reaches full scale once. 100 frames at 48 kHz, starting at 01:00:00:00.
    const char* const levels[] = {"-6.0", "-12.0", "-18.1", "-24.1"};
    for (const int channels : {9, 16, 64}) {
        SCOPED_TRACE(std::to_string(channels) + " channels");
        std::string trackList = "<TRACK_LIST>";
        std::string expectedTracks, expectedPeaks, expectedClipped;
        for (int c = 0; c < channels; ++c) {
            const std::string number = std::to_string(c + 1);
            trackList += "<TRACK><CHANNEL_INDEX>" + number + "</CHANNEL_INDEX><INTERLEAVE_INDEX>" + number +
                         "</INTERLEAVE_INDEX><NAME>CH" + number + "</NAME></TRACK>";
            const bool last = c == channels - 1;
            expectedTracks += (c > 0 ? "|CH" : "CH") + number;
            expectedPeaks += std::string(c > 0 ? "|" : "") + (last ? "0.0" : levels[c % 4]);
            expectedClipped += std::string(c > 0 ? "|" : "") + (last ? "1" : "0");
        }
        WaveWriter w;
        w.riff();
        const std::size_t bext = w.bext("");
        w.fmtExtensible(channels, 48000, 16);
        w.ixml(ixmlDocument("<SPEED><TIMECODE_RATE>25/1</TIMECODE_RATE></SPEED>" + trackList + "</TRACK_LIST>"));
        w.data(makePcm(channels, 16, 100, [channels](std::size_t f, int c) {
            return c == channels - 1 && f == 0 ? 32767 : 16384 >> (c % 4);
        }));
        TempFile file;
        ASSERT_TRUE(writeFile(file.str(), withTimeReference(w.bytes(), bext, 172800000)));
        const TakeReport report = ReportTake(file.str());
        EXPECT_EQ(report.status, "ok");
        EXPECT_EQ(report.channels, channels);
        EXPECT_EQ(report.frames, 100);
        EXPECT_EQ(report.startTimecode, "01:00:00:00");
        EXPECT_EQ(joinedTracks(report), expectedTracks);
        const std::string row = ReportCsvRow(report);
        EXPECT_NE(row.find("," + expectedPeaks + "," + expectedClipped + ","), std::string::npos) << row;
    }
}

TEST(TakeReport, ProjectMarksAndFrameRateAsPeopleWriteThem) {
    const struct { const char* name; const char* ixml; const char* description; const char* columns; } rows[] = {
        {"marks in any case", "<PROJECT>NIGHT SHOOT</PROJECT><CIRCLED>TRUE</CIRCLED><WILD_TRACK>true</WILD_TRACK>"
         "<FALSE_START>FALSE</FALSE_START><NO_GOOD> True </NO_GOOD><SPEED><TIMECODE_RATE>24000/1001</TIMECODE_RATE>"
         "<TIMECODE_FLAG>NDF</TIMECODE_FLAG></SPEED>", "", "NIGHT SHOOT,yes,yes,,yes,23.976 ND"},
        {"only TRUE marks", "<CIRCLED>1</CIRCLED><NO_GOOD>yes</NO_GOOD><SPEED><TIMECODE_RATE>24/1</TIMECODE_RATE></SPEED>",
         "", ",,,,,24 ND"},
        {"25", "<SPEED><TIMECODE_RATE>25/1</TIMECODE_RATE><TIMECODE_FLAG>NDF</TIMECODE_FLAG></SPEED>", "", ",,,,,25 ND"},
        {"25 flagged DF drops no frame numbers", "<SPEED><TIMECODE_RATE>25/1</TIMECODE_RATE><TIMECODE_FLAG>DF</TIMECODE_FLAG></SPEED>",
         "", ",,,,,25 ND"},
        {"29.97 DF", "<SPEED><TIMECODE_RATE>30000/1001</TIMECODE_RATE><TIMECODE_FLAG>DF</TIMECODE_FLAG></SPEED>", "",
         ",,,,,29.97 DF"},
        {"29.97 ND", "<SPEED><TIMECODE_RATE>30000/1001</TIMECODE_RATE><TIMECODE_FLAG>NDF</TIMECODE_FLAG></SPEED>", "",
         ",,,,,29.97 ND"},
        {"30", "<SPEED><TIMECODE_RATE>30</TIMECODE_RATE></SPEED>", "", ",,,,,30 ND"},
        {"59.94 DF", "<SPEED><TIMECODE_RATE>60000/1001</TIMECODE_RATE><TIMECODE_FLAG>DF</TIMECODE_FLAG></SPEED>", "",
         ",,,,,59.94 DF"},
        {"48", "<SPEED><TIMECODE_RATE>48/1</TIMECODE_RATE></SPEED>", "", ",,,,,48 ND"},
        {"rate from the description's speed line", "", "sSPEED=029.970-DF\r\n", ",,,,,29.97 DF"},
        {"no rate", "<PROJECT>P</PROJECT>", "", "P,,,,,"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        WaveWriter w;
        w.riff();
        if (*row.description) w.bext(row.description);
        w.fmtPcm(1, 48000, 16);
        w.data(Bytes(2 * 100, 0));
        if (*row.ixml) w.ixml(ixmlDocument(row.ixml));
        TempFile file;
        ASSERT_TRUE(writeFile(file.str(), w.bytes()));
        const std::string name = file.str().substr(file.str().find_last_of("/\\") + 1);
        const std::string tail = "," + name + "," + row.columns + "\r\n";
        const std::string csv = ReportCsvRow(ReportTake(file.str()));
        ASSERT_GE(csv.size(), tail.size());
        EXPECT_EQ(csv.substr(csv.size() - tail.size()), tail);
    }
}

TEST(TakeReport, CsvFieldsAreQuotedOnlyWhenTheyMustBe) {
    const struct { const char* text; const char* field; } rows[] = {
        {"", ""},
        {"Scene 12A", "Scene 12A"},
        {"Mix, L", "\"Mix, L\""},
        {"the \"wild\" line", "\"the \"\"wild\"\" line\""},
        {"two\r\nlines", "\"two\r\nlines\""},
        {"caf\xC3\xA9", "caf\xC3\xA9"},
    };
    for (const auto& row : rows) EXPECT_EQ(CsvField(row.text), row.field) << row.text;
}

// The report reads exactly the takes the player plays: each format block below goes through
// inspection and the report, and both take it or both refuse it.
TEST(TakeReport, RefusesWhatInspectionRefuses) {
    constexpr int kExtensible = 0xFFFE;
    struct Row {
        const char* name;
        int tag, channels;
        std::uint32_t rate;
        int bits, subFormat, validBits;   // the last two for EXTENSIBLE only
        bool playable;
        const char* status;
    };
    const Row rows[] = {
        {"PCM 24-bit", 1, 2, 48000, 24, 0, 0, true, "ok"},
        {"EXTENSIBLE, 20 valid bits in 24", kExtensible, 2, 48000, 24, 1, 20, true, "ok"},
        {"EXTENSIBLE, 0 valid bits (all)", kExtensible, 2, 48000, 24, 1, 0, true, "ok"},
        {"EXTENSIBLE, 32 valid bits in 24", kExtensible, 2, 48000, 24, 1, 32, false, "unknown sample format"},
        {"EXTENSIBLE, unknown sub-format", kExtensible, 2, 48000, 16, 2, 16, false, "unknown sample format"},
        {"ADPCM tag", 2, 2, 48000, 16, 0, 0, false, "unknown sample format"},
        {"64-bit float", 3, 2, 48000, 64, 0, 0, false, "unknown sample format"},
        {"12-bit PCM", 1, 2, 48000, 12, 0, 0, false, "unknown sample format"},
        {"no channels", 1, 0, 48000, 16, 0, 0, false, "unknown sample format"},
        {"rate 0", 1, 2, 0, 16, 0, 0, false, "unknown sample format"},
        {"rate above a megahertz", 1, 2, 2000000, 16, 0, 0, false, "unknown sample format"},
        {"9 channels", 1, 9, 48000, 16, 0, 0, true, "ok"},
        {"64 channels", 1, 64, 48000, 16, 0, 0, true, "ok"},
        {"65 channels", 1, 65, 48000, 16, 0, 0, false, "more than 64 channels"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        WaveWriter w;
        w.riff();
        if (row.tag == kExtensible) {
            w.fmtExtensible(row.channels, row.rate, row.bits, static_cast<std::uint32_t>(row.subFormat), row.validBits);
        } else {
            w.fmtTagged(row.tag, row.channels, row.rate, row.bits);
        }
        w.data(Bytes(4800, 0));
        TempFile file;
        ASSERT_TRUE(writeFile(file.str(), w.bytes()));
        WaveFileInfo info;
        EXPECT_EQ(InspectWaveFile(&info, file.str().c_str()) == kInspectOk, row.playable);
        EXPECT_EQ(ReportTake(file.str()).status, row.status);
    }
}

TEST(TakeReport, OriginationDateAsWrittenOrNone) {
    const struct { const char* name; std::string field; const char* date; } rows[] = {
        {"a date", "2026-12-09", "2026-12-09"},
        {"another writing", "2026/12/09", "2026/12/09"},
        {"zeros", std::string(10, '\0'), ""},
        {"blanks", std::string(10, ' '), ""},
        {"a stray byte", std::string("2026-12-0\x01", 10), ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        WaveWriter w;
        w.riff();
        const std::size_t bext = w.bext("sSCENE=1\r\n");
        w.fmtPcm(1, 48000, 16);
        w.data(Bytes(2 * 100, 0));
        Bytes bytes = w.bytes();
        std::copy(row.field.begin(), row.field.end(), bytes.begin() + static_cast<std::ptrdiff_t>(bext + 320));
        TempFile file;
        ASSERT_TRUE(writeFile(file.str(), bytes));
        EXPECT_EQ(ReportTake(file.str()).date, row.date);
    }
}

namespace {

TakeReport pageTake(const std::string& name, std::int64_t frames, const std::string& project, const std::string& date) {
    TakeReport take;
    take.file = "CARD/" + name;
    take.files = {name};
    take.isTake = take.intact = true;
    take.format = "pcm";
    take.sampleRate = 48000;
    take.bits = 24;
    take.channels = 2;
    take.frames = frames;
    take.project = project;
    take.date = date;
    take.peaks = {{-6.0, 0}, {-12.0, 0}};
    return take;
}

std::size_t occurrences(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++count;
    return count;
}

}  // namespace

TEST(TakeReport, HtmlEscapesEveryTextOfATake) {
    const struct { const char* text; const char* html; } rows[] = {
        {"Scene 12A", "Scene 12A"},
        {"Tom & Jerry", "Tom &amp; Jerry"},
        {"<script>x</script>", "&lt;script&gt;x&lt;/script&gt;"},
        {"the \"wild\" line", "the &quot;wild&quot; line"},
        {"it's", "it&#39;s"},
        {"J\xC3\xA4ger", "J\xC3\xA4ger"},
    };
    for (const auto& row : rows) EXPECT_EQ(HtmlEscaped(row.text), row.html) << row.text;

    // Each text a tag of its own that the page's markup never holds.
    TakeReport take = pageTake("<file>.WAV", 48000, "<project>", "2026-12-09");
    take.scene = take.take = take.tape = take.note = take.status = "<label>";
    take.trackNames = {"<track>", "'"};
    const std::string page = ReportHtmlPage({take}, {"<folder>", "2026-12-10 14:02"});
    for (const char* tag : {"<file>", "<project>", "<label>", "<track>", "<folder>"}) EXPECT_EQ(page.find(tag), std::string::npos) << tag;
    EXPECT_NE(page.find("&lt;file&gt;.WAV"), std::string::npos);
    EXPECT_NE(page.find("&lt;track&gt;, &#39;"), std::string::npos);
    EXPECT_EQ(occurrences(page, "&lt;label&gt;"), 5u);   // the heading's tape, and the take's scene, take, note and status
}

TEST(TakeReport, HtmlMarksCircledTakesAndClippedAndSilentChannels) {
    TakeReport circled = pageTake("A.WAV", 48000, "", "");
    circled.take = "12";
    circled.circled = true;
    circled.channels = 4;
    circled.peaks = {{-6.0, 0}, {0.0, 7}, {-std::numeric_limits<double>::infinity(), 0}, {-70.0, 0}};
    TakeReport plain = pageTake("B.WAV", 48000, "", "");
    plain.take = "13";
    TakeReport noLevels = pageTake("C.WAV", -1, "", "");
    noLevels.peaks.clear();
    noLevels.status = "not a take";
    const std::string page = ReportHtmlPage({circled, plain, noLevels}, {"CARD", "2026-12-10 14:02"});

    EXPECT_EQ(occurrences(page, "<tr class=\"take circled\">"), 1u);
    EXPECT_NE(page.find("<span class=\"circle\">12</span>"), std::string::npos);
    EXPECT_EQ(page.find("<span class=\"circle\">13</span>"), std::string::npos);
    EXPECT_EQ(occurrences(page, "<svg"), 2u);   // none for the take without levels
    EXPECT_NE(page.find("<g class=\"clipped\"><title>channel 2: 0.0 dBFS, clipped, 7 samples at full scale</title>"), std::string::npos);
    EXPECT_EQ(occurrences(page, "<g class=\"clipped\">"), 1u);
    EXPECT_EQ(occurrences(page, "<g class=\"silent\">"), 2u);
    EXPECT_NE(page.find("clipped: ch 2; silent: ch 3, 4"), std::string::npos);
}

TEST(TakeReport, HtmlHeadingTotalsTheTakes) {
    // 61.5 s and an hour: 1:01:02 in all; a take without data adds nothing to the length.
    const std::vector<TakeReport> takes = {pageTake("A.WAV", 2952000, "NIGHT", "2026-12-10"),
                                           pageTake("B.WAV", 172800000, "DAY", "2026-12-08"),
                                           pageTake("C.WAV", -1, "NIGHT", "2026-12-09")};
    const struct { const char* name; std::vector<TakeReport> takes; const char* parts[4]; } rows[] = {
        {"several projects and days", takes,
         {"<b>Project</b>NIGHT, DAY</span>", "<b>Takes</b>3 takes, 1:01:02</span>",
          "<b>Recorded</b>2026-12-08 \xE2\x80\x93 2026-12-10</span>", "<td class=\"nowrap\">1:01.5</td>"}},
        {"one take", {takes[1]},
         {"<b>Project</b>DAY</span>", "<b>Takes</b>1 take, 1:00:00</span>", "<b>Recorded</b>2026-12-08</span>",
          "<td class=\"nowrap\">1:00:00</td>"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string page = ReportHtmlPage(row.takes, {"E:\\", "2026-12-10 14:02"});
        for (const char* part : row.parts) EXPECT_NE(page.find(part), std::string::npos) << part;
        EXPECT_NE(page.find("<b>Written</b>2026-12-10 14:02</span>"), std::string::npos);
    }
}
