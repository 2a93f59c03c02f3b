#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/CDVXPrefs.h"
#include "engine/SettingLimits.h"

// The command line of dalvex2-cli, parsed. No Qt, no output. Texts are UTF-8.
class CliOptions {
public:
    enum Action { kRun, kHelp, kVersion, kMerge, kVerify };
    // The commands an option applies to, as bits.
    enum Command : unsigned { kRunCommand = 1, kMergeCommand = 2, kVerifyCommand = 4 };

    // One option as the parser, the usage, the manual page and the shell
    // completion all read it.
    struct Option {
        int id;  // what Parse() does with it
        std::string_view name;
        char shortName;  // 0: none
        // The texts are string-table ids: what the value is called in the
        // usage (0: a switch), and what the option does.
        unsigned value;
        unsigned help;
        unsigned commands;           // Command bits
        const SettingLimit* limits;  // a setting's bounds, shown in the usage
    };
    // An exit status of the program and what it says.
    struct ExitStatus {
        int code;
        unsigned meaning;  // a string-table id
    };

    static std::span<const Option> Options();
    static std::span<const ExitStatus> ExitStatuses();

    // False with a French message in `error` for a command line that cannot
    // be used. Options take their value as the next argument or after '='
    // (--json=FILE); "--" ends the options. Settings keep the wizard's
    // limits (SettingLimits); `notes` says which values were brought within
    // them, and a duration beyond them is refused. "merge" as the first
    // argument reads result files instead of a directory, "verify" the list
    // of the files a run kept, each with the options of its command.
    bool Parse(int argc, const char* const* argv, std::string* error, std::string* notes);

    static std::string Usage();

    Action action = kRun;
    CDVXPrefs prefs;
    uint32_t stopAfterSeconds = 0;  // 0: not asked
    std::string jsonPath;           // "-" for standard output
    std::string htmlPath;           // the same for the report for people
    std::string reportDir;
    bool quiet = false;
    bool allowCache = false;           // a client that caches writes may be tested
    bool checkOnly = false;            // the directory is checked as for a run, and nothing runs
    std::optional<int64_t> startAtMs;  // --start-at, milliseconds since 1970 UTC
    // --clock-offset: this machine's clock minus the one --start-at is read on.
    std::optional<int64_t> clockOffsetMs;
    std::string label;  // --label; empty: the host name
    // --keep: the list of the files the run keeps, written once it ends "ok";
    // verify: the list it reads.
    std::string keptList;
    bool deleteKept = false;    // verify: the files are deleted once all were found whole
    std::string keptDirectory;  // verify: where they are seen from here; empty: as listed
    std::vector<std::string> resultFiles;   // merge
    bool allowLocal = false;                // merge: a client that tested a local folder counts
    std::vector<std::string> localClients;  // merge: the clients allowed one, --allow-local-for
    bool allowMixed = false;                // merge: clients of other versions count
    bool missingAsFailed = false;           // merge: a result file that does not exist fails
    std::vector<std::string> keptChecks;    // merge: results of verify, --verified

private:
    // The option at argv[*i] and its value, which may be the next argument.
    bool ParseOption(int argc, const char* const* argv, int* i, Command command, std::string* error,
                     std::string* notes);
    // False for a value the option cannot take.
    bool Apply(int id, std::string_view value, std::string* notes);
    // A setting the wizard's fields bound too (space, sets, minutes, stall
    // limit): a value past its bounds is brought within them, and `notes`
    // says so.
    bool ApplySetting(int id, std::string_view value, std::string* notes);
};
