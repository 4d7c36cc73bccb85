#include "timecode.h"

#include "audio/xml_text.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

TimecodeRate RateFromSpeedLine(std::string_view speed) {
    const double fps = std::atof(std::string(speed).c_str());
    const bool dropFrame = speed.find("-DF") != std::string_view::npos;
    if (fps <= 0 || fps > 1000) return {};
    if (std::fabs(fps - std::round(fps)) < 0.005) return {std::llround(fps), 1, dropFrame};
    const double whole = std::round(fps * 1.001);
    if (std::fabs(fps - whole * 1000.0 / 1001.0) < 0.005) return {std::llround(whole) * 1000, 1001, dropFrame};
    return {};
}

TimecodeRate ParseTimecodeRate(std::string_view text, bool dropFrame) {
    text = Trimmed(text);
    const std::size_t slash = text.find('/');
    const auto number = [](std::string_view digits) -> std::int64_t {
        if (digits.empty() || digits.size() > 7 || digits.find_first_not_of("0123456789") != std::string_view::npos) return 0;
        return std::atoll(std::string(digits).c_str());
    };
    TimecodeRate rate;
    rate.numerator = number(text.substr(0, slash));
    rate.denominator = slash == std::string_view::npos ? 1 : number(text.substr(slash + 1));
    rate.dropFrame = dropFrame;
    // Frame rates a timecode can have: up to 1000 frames per second.
    if (rate.denominator <= 0 || rate.numerator <= 0 || rate.numerator > 1000 * rate.denominator) return {};
    return rate;
}

namespace {

// Only 30000/1001 and 60000/1001 labels drop frame numbers.
bool dropsFrameNumbers(const TimecodeRate& rate) {
    if (!rate.dropFrame || rate.denominator != 1001) return false;
    const std::int64_t nominal = (rate.numerator + rate.denominator / 2) / rate.denominator;
    return nominal == 30 || nominal == 60;
}

}  // namespace

std::string FrameRateText(const TimecodeRate& rate) {
    if (!rate.known()) return {};
    // Thousandths, rounded, in whole numbers, then the trailing zeros dropped: 29.970 reads 29.97.
    const std::int64_t thousandths = (rate.numerator * 1000 + rate.denominator / 2) / rate.denominator;
    std::string text = std::to_string(thousandths / 1000);
    std::string fraction = std::to_string(1000 + thousandths % 1000).substr(1);
    while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
    if (!fraction.empty()) text += "." + fraction;
    return text + (dropsFrameNumbers(rate) ? " DF" : " ND");
}

StartTimecode FormatStartTimecode(std::uint64_t timeReference, std::int32_t sampleRate, const TimecodeRate& rate) {
    StartTimecode start;
    if (!rate.known() || sampleRate <= 0) return start;
    const std::uint64_t samplesPerDay = static_cast<std::uint64_t>(sampleRate) * 86400u;
    start.wrapped = timeReference >= samplesPerDay;
    const std::uint64_t sinceMidnight = timeReference % samplesPerDay;   // below 2^37: the products below fit
    std::uint64_t frame = sinceMidnight * static_cast<std::uint64_t>(rate.numerator) /
                          (static_cast<std::uint64_t>(sampleRate) * static_cast<std::uint64_t>(rate.denominator));

    // Labels count whole frames at the nominal rate: 24 for 24000/1001, 30 for 30000/1001.
    const std::uint64_t nominal = static_cast<std::uint64_t>((rate.numerator + rate.denominator / 2) / rate.denominator);
    const bool dropFrame = dropsFrameNumbers(rate);
    if (dropFrame) {
        // Frame numbers 0 and 1 (0-3 at 60) are skipped at the start of every minute but each tenth.
        const std::uint64_t dropped = nominal / 15;
        const std::uint64_t perMinute = nominal * 60 - dropped;
        const std::uint64_t perTenMinutes = nominal * 600 - 9 * dropped;
        frame %= perTenMinutes * 144;   // a day of labels
        const std::uint64_t tens = frame / perTenMinutes;
        const std::uint64_t within = frame % perTenMinutes;
        frame += 9 * dropped * tens + (within >= dropped ? dropped * ((within - dropped) / perMinute) : 0);
    } else {
        frame %= nominal * 86400;
    }
    const std::uint64_t seconds = frame / nominal;
    char text[32];
    std::snprintf(text, sizeof text, "%02u:%02u:%02u%c%02u", static_cast<unsigned>(seconds / 3600),
                  static_cast<unsigned>(seconds / 60 % 60), static_cast<unsigned>(seconds % 60), dropFrame ? ';' : ':',
                  static_cast<unsigned>(frame % nominal));
    start.text = text;
    return start;
}
