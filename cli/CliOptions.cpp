#include "cli/CliOptions.h"

#include <string_view>

#include "engine/SettingLimits.h"
#include "platform/ResourceIds.h"
#include "report/TableText.h"
#include "report/result/ClientLabel.h"
#include "report/result/StartTime.h"

namespace {

enum OptionId {
    kSpace,
    kSets,
    kMinutes,
    kUntilStopped,
    kNormalPriority,
    kStopAfter,
    kStallAfter,
    kJson,
    kHtml,
    kReportDir,
    kStartAt,
    kClockOffset,
    kLabel,
    kQuiet,
    kAllowCache,
    kCheckOnly,
    kCrossCheck,
    kModifyTests,
    kKeep,
    kDelete,
    kKeptDirectory,
    kAllowLocal,
    kAllowLocalFor,
    kAllowMixed,
    kMissingAsFailed,
    kKeptCheck,
    kHelpOption,
    kVersionOption,
};

using Option = CliOptions::Option;
using enum CliOptions::Command;
constexpr unsigned kRunOnly = kRunCommand;
constexpr unsigned kMergeOnly = kMergeCommand;
constexpr unsigned kVerifyOnly = kVerifyCommand;
// The options of a run that a check of the files it kept takes too.
constexpr unsigned kRunAndVerify = kRunCommand | kVerifyCommand;
constexpr unsigned kAll = kRunCommand | kMergeCommand | kVerifyCommand;

// The one list of options: the parser, the usage text, the manual page and
// the shell completion all read it.
constexpr Option kOptions[] = {
    {kSpace, "--space", 0, res::kValueMegabytes, res::kHelpSpace, kRunOnly,
     &SettingLimits::kDiskSpaceMb},
    {kSets, "--sets", 0, res::kValueCount, res::kHelpSets, kRunOnly,
     &SettingLimits::kSimultaneousTests},
    {kMinutes, "--minutes", 0, res::kValueMinutes, res::kHelpMinutes, kRunOnly,
     &SettingLimits::kDurationMinutes},
    {kUntilStopped, "--until-stopped", 0, 0, res::kHelpUntilStopped, kRunOnly, nullptr},
    {kNormalPriority, "--normal-priority", 0, 0, res::kHelpNormalPriority, kRunAndVerify, nullptr},
    {kStopAfter, "--stop-after", 0, res::kValueSeconds, res::kHelpStopAfter, kRunOnly, nullptr},
    {kStallAfter, "--stall-after", 0, res::kValueSeconds, res::kHelpStallAfter, kRunAndVerify,
     &SettingLimits::kStallSeconds},
    {kJson, "--json", 0, res::kValueFile, res::kHelpJson, kAll, nullptr},
    {kHtml, "--html", 0, res::kValueFile, res::kHelpHtml, kAll, nullptr},
    {kReportDir, "--report-dir", 0, res::kValueDirectory, res::kHelpReportDir, kRunAndVerify,
     nullptr},
    {kStartAt, "--start-at", 0, res::kValueTime, res::kHelpStartAt, kRunOnly, nullptr},
    {kClockOffset, "--clock-offset", 0, res::kValueMilliseconds, res::kHelpClockOffset, kRunOnly,
     nullptr},
    {kLabel, "--label", 0, res::kValueName, res::kHelpLabel, kRunAndVerify, nullptr},
    {kQuiet, "--quiet", 'q', 0, res::kHelpQuiet, kRunAndVerify, nullptr},
    {kAllowCache, "--allow-cache", 0, 0, res::kHelpAllowCache, kRunAndVerify, nullptr},
    {kCheckOnly, "--check-only", 0, 0, res::kHelpCheckOnly, kRunOnly, nullptr},
    {kCrossCheck, "--cross-check", 0, res::kValueDirectory, res::kHelpCrossCheck, kRunOnly,
     nullptr},
    {kModifyTests, "--modify-tests", 0, 0, res::kHelpModifyTests, kRunOnly, nullptr},
    {kKeep, "--keep", 0, res::kValueFile, res::kHelpKeep, kRunOnly, nullptr},
    {kDelete, "--delete", 0, 0, res::kHelpDelete, kVerifyOnly, nullptr},
    {kKeptDirectory, "--directory", 0, res::kValueDirectory, res::kHelpKeptDirectory, kVerifyOnly,
     nullptr},
    {kAllowLocal, "--allow-local", 0, 0, res::kHelpAllowLocal, kMergeOnly, nullptr},
    {kAllowLocalFor, "--allow-local-for", 0, res::kValueName, res::kHelpAllowLocalFor, kMergeOnly,
     nullptr},
    {kAllowMixed, "--allow-mixed", 0, 0, res::kHelpAllowMixed, kMergeOnly, nullptr},
    {kMissingAsFailed, "--missing-as-failed", 0, 0, res::kHelpMissingAsFailed, kMergeOnly, nullptr},
    {kKeptCheck, "--verified", 0, res::kValueFile, res::kHelpVerified, kMergeOnly, nullptr},
    {kHelpOption, "--help", 'h', 0, res::kHelpHelp, kAll, nullptr},
    {kVersionOption, "--version", 0, 0, res::kHelpVersion, kAll, nullptr},
};

constexpr CliOptions::ExitStatus kExitStatuses[] = {
    {0, res::kExitOk},
    {1, res::kExitFailed},
    {2, res::kExitMisuse},
    {3, res::kExitInterrupted},
};

const Option* Find(std::string_view arg) {
    for (const Option& o : kOptions) {
        if (arg == o.name || (o.shortName && arg.size() == 2 && arg[1] == o.shortName)) return &o;
    }
    return nullptr;
}

// No option begins with a digit: "-250" is a value (--clock-offset -250).
bool LooksLikeOption(std::string_view arg) {
    return arg.size() > 1 && arg[0] == '-' && (arg[1] < '0' || arg[1] > '9');
}

// A whole decimal number that fits 32 bits, nothing else.
bool ParseNumber(std::string_view text, uint32_t* value) {
    if (text.empty() || text.size() > 10) return false;
    uint64_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + static_cast<uint64_t>(c - '0');
    }
    if (v > 0xFFFFFFFFu) return false;
    *value = static_cast<uint32_t>(v);
    return true;
}

}  // namespace

std::span<const CliOptions::Option> CliOptions::Options() { return kOptions; }

std::span<const CliOptions::ExitStatus> CliOptions::ExitStatuses() { return kExitStatuses; }

std::string CliOptions::Usage() {
    std::string text = TableText::Get(res::kUsageHead);
    for (const Option& o : kOptions) {
        std::string left = o.shortName ? std::string("-") + o.shortName + ", " : "    ";
        left.append(o.name);
        if (o.value) left.append(" ").append(TableText::Get(o.value));
        // Pad by characters, not bytes: the value names may hold accents.
        std::size_t width = 0;
        for (unsigned char c : left) width += (c & 0xC0) != 0x80;
        std::string help = TableText::Get(o.help);
        if (o.limits) {
            help = TableText::Format(res::kUsageBounds, help.c_str(), unsigned{o.limits->initial},
                                     unsigned{o.limits->minimum}, unsigned{o.limits->maximum});
        }
        text += "  " + left + std::string(width < 24 ? 24 - width : 1, ' ') + help + "\n";
    }
    text += TableText::Get(res::kUsageTail) + TableText::Get(res::kStopping) +
            TableText::Get(res::kExitHeading);
    for (const ExitStatus& status : kExitStatuses) {
        text += "  " + std::to_string(status.code) + "  " + TableText::Get(status.meaning) + "\n";
    }
    return text;
}

bool CliOptions::Parse(int argc, const char* const* argv, std::string* error, std::string* notes) {
    const std::string_view first = argc > 1 ? argv[1] : "";
    const Command command = first == "merge"    ? kMergeCommand
                            : first == "verify" ? kVerifyCommand
                                                : kRunCommand;
    if (command == kMergeCommand) action = kMerge;
    if (command == kVerifyCommand) action = kVerify;
    bool haveDirectory = false;
    bool optionsEnded = false;
    for (int i = command == kRunCommand ? 1 : 2; i < argc && action != kHelp && action != kVersion;
         ++i) {
        const std::string_view arg = argv[i];
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && LooksLikeOption(arg)) {
            if (!ParseOption(argc, argv, &i, command, error, notes)) return false;
        } else if (command == kMergeCommand) {
            resultFiles.emplace_back(arg);
        } else if (command == kVerifyCommand) {
            if (!keptList.empty() || arg.empty()) {
                *error = TableText::Get(arg.empty() ? res::kNoKeptList : res::kTwoKeptLists);
                return false;
            }
            keptList = arg;
        } else if (haveDirectory || arg.empty()) {
            *error = TableText::Get(haveDirectory ? res::kTwoDirectories : res::kEmptyDirectory);
            return false;
        } else {
            prefs.SetDirectory(Chaine::FromUtf8(arg));
            haveDirectory = true;
        }
    }
    if (action == kHelp || action == kVersion) return true;
    unsigned missing = 0;
    if (command == kMergeCommand && resultFiles.empty()) missing = res::kNoResultFiles;
    if (command == kVerifyCommand && keptList.empty()) missing = res::kNoKeptList;
    if (command == kRunCommand && !haveDirectory) missing = res::kNoDirectory;
    if (jsonPath == "-" && htmlPath == "-") missing = res::kHtmlAndJsonOnStdout;
    if (missing != 0) {
        *error = TableText::Get(missing);
        return false;
    }
    const auto bare = [](std::string_view path) {
        while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
        return path;
    };
    if (!prefs.crossCheckDirectory.IsEmpty() &&
        bare(prefs.crossCheckDirectory.View()) == bare(prefs.directory.View())) {
        *error = TableText::Get(res::kCrossCheckOwnDirectory);
        return false;
    }
    return true;
}

bool CliOptions::ParseOption(int argc, const char* const* argv, int* i, Command command,
                             std::string* error, std::string* notes) {
    const std::string_view arg = argv[*i];
    const std::size_t equals = arg.starts_with("--") ? arg.find('=') : std::string_view::npos;
    const std::string name(arg.substr(0, equals));
    const Option* option = Find(name);
    if (!option) {
        *error = TableText::Format(res::kUnknownOption, std::string(arg).c_str());
        return false;
    }
    if ((option->commands & command) == 0) {
        const std::string what = command == kMergeCommand    ? std::string("merge")
                                 : command == kVerifyCommand ? std::string("verify")
                                                             : TableText::Get(res::kRunCommandName);
        *error = TableText::Format(res::kOptionNotForCommand, name.c_str(), what.c_str());
        return false;
    }
    std::string_view value;
    if (!option->value) {
        if (equals != std::string_view::npos) {
            *error = TableText::Format(res::kOptionTakesNoValue, name.c_str());
            return false;
        }
    } else if (equals != std::string_view::npos) {
        value = arg.substr(equals + 1);
    } else if (*i + 1 < argc && !LooksLikeOption(argv[*i + 1])) {
        value = argv[++*i];
    }
    if (option->value && value.empty()) {
        *error = TableText::Format(res::kOptionNeedsValue, name.c_str());
        return false;
    }
    if (!Apply(option->id, value, notes)) {
        *error = TableText::Format(res::kBadOptionValue, name.c_str(), std::string(value).c_str());
        return false;
    }
    return true;
}

bool CliOptions::ApplySetting(int id, std::string_view value, std::string* notes) {
    uint32_t n = 0;
    if (!ParseNumber(value, &n)) return false;
    uint32_t kept = 0;
    unsigned note = 0;
    switch (id) {
        case kSpace:
            prefs.SetDiskSpaceMb(SettingLimits::kDiskSpaceMb.Clamp(n));
            kept = prefs.diskSpaceMb, note = res::kSpaceBrought;
            break;
        case kSets:
            prefs.SetSimultaneousTests(n);
            kept = prefs.simultaneousTests, note = res::kSetsBrought;
            break;
        case kMinutes:
            // Longer runs are refused, as the wizard's field refuses them: their
            // milliseconds leave the progress bar's range, and 2147483647 is
            // the value of "until stopped".
            if (n > SettingLimits::kDurationMinutes.maximum) return false;
            prefs.SetDurationMinutes(n);
            kept = prefs.durationMinutes, note = res::kMinutesBrought;
            break;
        default:
            prefs.timings.stallLimitMs = SettingLimits::kStallSeconds.Clamp(n) * 1000;
            kept = prefs.timings.stallLimitMs / 1000, note = res::kStallBrought;
            break;
    }
    if (kept != n) *notes += TableText::Format(note, unsigned{kept});
    return true;
}

bool CliOptions::Apply(int id, std::string_view value, std::string* notes) {
    uint32_t n = 0;
    switch (id) {
        case kSpace:
        case kSets:
        case kMinutes:
        case kStallAfter: return ApplySetting(id, value, notes);
        case kUntilStopped: prefs.SetDurationMinutes(CDVXPrefs::UntilStopped); return true;
        case kNormalPriority: prefs.SetThreadPriority(CDVXPrefs::kPriorityNormal); return true;
        case kStopAfter: return ParseNumber(value, &stopAfterSeconds) && stopAfterSeconds != 0;
        case kJson: jsonPath = value; return true;
        case kHtml: htmlPath = value; return true;
        case kReportDir: reportDir = value; return true;
        case kStartAt: {
            int64_t moment = 0;
            if (!StartTime::Parse(value, &moment)) return false;
            startAtMs = moment;
            return true;
        }
        case kClockOffset: {
            // A signed count of milliseconds, within a day either way.
            const bool negative = value.starts_with('-');
            if (!ParseNumber(value.substr(negative), &n) || n > 86400000) return false;
            clockOffsetMs = negative ? -int64_t{n} : int64_t{n};
            return true;
        }
        case kLabel: {
            // A name that merge could not tell apart or print is refused now.
            std::string key, why;
            if (!ClientLabel::Key(value, &key, &why)) return false;
            label = value;
            return true;
        }
        case kAllowCache: allowCache = true; return true;
        case kCheckOnly: checkOnly = true; return true;
        case kCrossCheck: prefs.crossCheckDirectory = Chaine::FromUtf8(value); return true;
        case kModifyTests: prefs.modifyTests = true; return true;
        case kKeep:
            // A file: the list is read again later. The files kept are those
            // of the tests that change files.
            if (value == "-") return false;
            keptList = value;
            prefs.modifyTests = prefs.keepFiles = true;
            return true;
        case kDelete: deleteKept = true; return true;
        case kKeptDirectory: keptDirectory = value; return true;
        case kAllowLocal: allowLocal = true; return true;
        case kAllowLocalFor: localClients.emplace_back(value); return true;
        case kAllowMixed: allowMixed = true; return true;
        case kMissingAsFailed: missingAsFailed = true; return true;
        case kKeptCheck: keptChecks.emplace_back(value); return true;
        case kQuiet: quiet = true; return true;
        case kHelpOption: action = kHelp; return true;
        case kVersionOption: action = kVersion; return true;
    }
    return false;
}
