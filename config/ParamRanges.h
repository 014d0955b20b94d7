#pragma once
// The valid ranges of the numeric settings, in one table next to the field lists: every reader
// of a settings document and every command that sets a value checks against it. A value outside
// its range is either clamped to the nearest bound (where the bound is what was meant: a quality
// of 150 is 100) or replaced by the value the field had before, its default when a document is
// loaded (where no bound makes sense: port -1 or 70000 is not port 1 or 65535).
// Settings without an entry (flags, colours of fonts, window positions, device fields) take any
// value.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace ocv {

enum class OutOfRange { Clamp, UseDefault };

struct ParamRange {
    const char* section;  // the element holding the meta: "WebServer", "Image", "FontName", ...
    const char* key;
    double min;
    double max;
    OutOfRange below;  // what a value under min becomes
    OutOfRange above;  // what a value over max becomes
};

// Every range.
std::span<const ParamRange> ParamRanges();
// The range of a key in a section (element name); nullptr when the value is not limited.
const ParamRange* FindParamRange(std::string_view section, std::string_view key);

// The value to use: `value` itself when within the range, else the nearest bound or `fallback`
// as the range says. Not-a-number counts as below the range.
double FitToRange(const ParamRange& range, double value, double fallback);
int32_t FitToRange(const ParamRange& range, int32_t value, int32_t fallback);
float FitToRange(const ParamRange& range, float value, float fallback);

// The warning line for a replaced value: "Setting <Section/Key> out of range [value]: using
// [used]".
std::string OutOfRangeText(const ParamRange& range, const std::string& valueText,
                           const std::string& usedText);

}  // namespace ocv
