#pragma once
#include <cstdint>

// One setting's bounds and the value it starts with.
struct SettingLimit {
    uint32_t minimum;
    uint32_t initial;
    uint32_t maximum;

    uint32_t Clamp(uint32_t value) const {
        return value < minimum ? minimum : value > maximum ? maximum : value;
    }
};

// The bounds of what a user chooses, for every front end: the wizard's
// fields, the command line's options and notes, and the reading of results.
class SettingLimits {
public:
    // 32767 MB: the most the advanced dialog's arrows and field take.
    static constexpr SettingLimit kDiskSpaceMb{10, 30, 32767};
    static constexpr SettingLimit kSimultaneousTests{1, 1, 5};
    // Typed by hand, at most the longest run whose milliseconds the progress
    // bar holds; the arrows go to kArrowMaxMinutes.
    static constexpr SettingLimit kDurationMinutes{3, 5, 35791};
    static constexpr uint32_t kArrowMaxMinutes = 32767;
    // How long a file-system call may go unanswered, in seconds (the command
    // line's choice; the wizard keeps the initial value).
    static constexpr SettingLimit kStallSeconds{5, 60, 86400};
};
