#pragma once
// A take's start timecode: its bext time reference counted at its timecode rate.

#include <cstdint>
#include <string>
#include <string_view>

// A timecode rate as the iXML block writes it: 24000/1001, 25/1, 30000/1001 with drop-frame.
struct TimecodeRate {
    std::int64_t numerator = 0;
    std::int64_t denominator = 1;
    bool dropFrame = false;   // honoured only at 30000/1001 and 60000/1001, the rates that drop frame numbers

    bool known() const { return numerator > 0 && denominator > 0; }
};

// "24000/1001" or "25" (numbers only); an unknown rate when the text is neither.
TimecodeRate ParseTimecodeRate(std::string_view text, bool dropFrame);

struct StartTimecode {
    std::string text;        // HH:MM:SS:FF, or HH:MM:SS;FF when drop-frame; empty without a rate
    bool wrapped = false;    // the time reference lay 24 hours or more past midnight
};

// The label of the frame that holds sample timeReference (samples since midnight at
// sampleRate), counted at the given timecode rate.
StartTimecode FormatStartTimecode(std::uint64_t timeReference, std::int32_t sampleRate, const TimecodeRate& rate);

// A description's "sSPEED=029.970-DF" line: the frame rate with its flag, for takes
// without an iXML rate; unknown when the text is no rate.
TimecodeRate RateFromSpeedLine(std::string_view speed);

// The rate as people write it: "23.976 ND", "25 ND", "29.97 DF"; up to three decimals, and DF
// only where the labels drop frame numbers. "" for an unknown rate.
std::string FrameRateText(const TimecodeRate& rate);
