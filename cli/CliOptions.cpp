#include "cli/CliOptions.h"

#include <string_view>

#include "cli/result/ClientLabel.h"
#include "cli/result/StartTime.h"
#include "engine/SettingLimits.h"

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
    kReportDir,
    kStartAt,
    kClockOffset,
    kLabel,
    kQuiet,
    kAllowCache,
    kCrossCheck,
    kAllowLocal,
    kAllowMixed,
    kMissingAsFailed,
    kHelpOption,
    kVersionOption,
};

using Option = CliOptions::Option;
using enum CliOptions::Scope;

// The one list of options: the parser, the usage text, the manual page and
// the shell completion all read it.
constexpr Option kOptions[] = {
    {kSpace, "--space", 0, "MO", "espace disque utilisé en mégaoctets", kRunOnly,
     &SettingLimits::kDiskSpaceMb},
    {kSets, "--sets", 0, "N", "nombre de tests simultanés", kRunOnly,
     &SettingLimits::kSimultaneousTests},
    {kMinutes, "--minutes", 0, "M", "durée du test en minutes", kRunOnly,
     &SettingLimits::kDurationMinutes},
    {kUntilStopped, "--until-stopped", 0, nullptr, "tester jusqu'à l'arrêt (Ctrl+C)", kRunOnly,
     nullptr},
    {kNormalPriority, "--normal-priority", 0, nullptr, "priorité normale pour les tests", kRunOnly,
     nullptr},
    {kStopAfter, "--stop-after", 0, "S", "arrêter le test après S secondes", kRunOnly, nullptr},
    {kStallAfter, "--stall-after", 0, "S",
     "un appel sans réponse du partage pendant S secondes fait échouer le test", kRunOnly,
     &SettingLimits::kStallSeconds},
    {kJson, "--json", 0, "FICHIER|-", "écrire le résultat en JSON (- : sortie standard)", kBoth,
     nullptr},
    {kReportDir, "--report-dir", 0, "RÉP", "écrire chaque rapport d'erreur en RTF dans RÉP",
     kRunOnly, nullptr},
    {kStartAt, "--start-at", 0, "HEURE",
     "attendre cette heure pour commencer (2026-12-06T22:30:00+01:00, ou secondes depuis 1970)",
     kRunOnly, nullptr},
    {kClockOffset, "--clock-offset", 0, "MS",
     "avance de l'horloge de ce client sur celle de référence de --start-at, en ms", kRunOnly,
     nullptr},
    {kLabel, "--label", 0, "NOM", "nom du client dans le JSON (le nom de la machine)", kRunOnly,
     nullptr},
    {kQuiet, "--quiet", 'q', nullptr, "ne pas afficher la progression", kRunOnly, nullptr},
    {kAllowCache, "--allow-cache", 0, nullptr,
     "tester même un client qui garde les écritures dans un cache local (le serveur n'est alors "
     "pas prouvé)",
     kRunOnly, nullptr},
    {kCrossCheck, "--cross-check", 0, "RÉP",
     "contrôle croisé : relire par ce client les fichiers qu'un autre client écrit dans son "
     "répertoire, vu d'ici comme RÉP, et écrire les siens pour un autre dans RÉPERTOIRE",
     kRunOnly, nullptr},
    {kAllowLocal, "--allow-local", 0, nullptr,
     "merge : admettre un répertoire qui n'est pas sur le réseau", kMergeOnly, nullptr},
    {kAllowMixed, "--allow-mixed", 0, nullptr,
     "merge : admettre des résultats de versions différentes", kMergeOnly, nullptr},
    {kMissingAsFailed, "--missing-as-failed", 0, nullptr,
     "merge : un résultat absent compte comme un client en échec", kMergeOnly, nullptr},
    {kHelpOption, "--help", 'h', nullptr, "afficher cette aide", kBoth, nullptr},
    {kVersionOption, "--version", 0, nullptr, "afficher la version", kBoth, nullptr},
};

constexpr CliOptions::ExitStatus kExitStatuses[] = {
    {0, "aucune erreur"},
    {1, "un test a échoué"},
    {2, "mauvaise utilisation ou résultat impossible à écrire"},
    {3, "test interrompu sans résultat"},
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
    std::string text =
        "Usage : dalvex2-cli [options] [--] RÉPERTOIRE\n"
        "        dalvex2-cli merge [options de merge] [--] RÉSULTAT.json…\n"
        "\n"
        "Teste le réseau en écrivant puis relisant des fichiers dans RÉPERTOIRE.\n"
        "merge réunit les résultats JSON de plusieurs clients en un seul verdict.\n"
        "\n";
    for (const Option& o : kOptions) {
        std::string left = o.shortName ? std::string("-") + o.shortName + ", " : "    ";
        left.append(o.name);
        if (o.value) left.append(" ").append(o.value);
        // Pad by characters, not bytes: the value names may hold accents.
        std::size_t width = 0;
        for (unsigned char c : left) width += (c & 0xC0) != 0x80;
        std::string help = o.help;
        if (o.limits) {
            help += " (" + std::to_string(o.limits->initial) + " ; de " +
                    std::to_string(o.limits->minimum) + " à " + std::to_string(o.limits->maximum) +
                    ")";
        }
        text += "  " + left + std::string(width < 24 ? 24 - width : 1, ' ') + help + "\n";
    }
    text +=
        "\n"
        "Une valeur peut aussi suivre l'option après « = » (--json=resultat.json).\n"
        "Ctrl+C arrête les tests à la fin de leur cycle ; un second Ctrl+C les interrompt,\n"
        "un troisième rend la main sur-le-champ (des fichiers peuvent rester en place).\n"
        "Code de sortie :\n";
    for (const ExitStatus& status : kExitStatuses) {
        text += "  " + std::to_string(status.code) + "  " + status.meaning + "\n";
    }
    return text;
}

bool CliOptions::Parse(int argc, const char* const* argv, std::string* error, std::string* notes) {
    bool haveDirectory = false;
    bool optionsEnded = false;
    const bool merging = argc > 1 && std::string_view(argv[1]) == "merge";
    if (merging) action = kMerge;
    for (int i = merging ? 2 : 1; i < argc && action != kHelp && action != kVersion; ++i) {
        const std::string_view arg = argv[i];
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && LooksLikeOption(arg)) {
            if (!ParseOption(argc, argv, &i, merging, error, notes)) return false;
        } else if (merging) {
            resultFiles.emplace_back(arg);
        } else if (haveDirectory || arg.empty()) {
            *error =
                haveDirectory ? "Un seul répertoire peut être testé." : "Le répertoire est vide.";
            return false;
        } else {
            prefs.SetDirectory(Chaine::FromUtf8(arg));
            haveDirectory = true;
        }
    }
    if (action == kHelp || action == kVersion) return true;
    if (merging ? resultFiles.empty() : !haveDirectory) {
        *error = merging ? "Indiquez les résultats à réunir." : "Indiquez le répertoire à tester.";
        return false;
    }
    const auto bare = [](std::string_view path) {
        while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
        return path;
    };
    if (!prefs.crossCheckDirectory.IsEmpty() &&
        bare(prefs.crossCheckDirectory.View()) == bare(prefs.directory.View())) {
        *error =
            "--cross-check relit les fichiers d'un autre client : donnez le répertoire "
            "de celui-ci, pas celui du test.";
        return false;
    }
    return true;
}

bool CliOptions::ParseOption(int argc, const char* const* argv, int* i, bool merging,
                             std::string* error, std::string* notes) {
    const std::string_view arg = argv[*i];
    const std::size_t equals = arg.starts_with("--") ? arg.find('=') : std::string_view::npos;
    const std::string name(arg.substr(0, equals));
    const Option* option = Find(name);
    if (!option) {
        *error = "Option inconnue : " + std::string(arg);
        return false;
    }
    if (merging ? option->scope == kRunOnly : option->scope == kMergeOnly) {
        *error = "L'option " + name +
                 (merging ? " ne s'applique pas à merge." : " ne s'applique qu'à merge.");
        return false;
    }
    std::string_view value;
    if (!option->value) {
        if (equals != std::string_view::npos) {
            *error = "L'option " + name + " ne prend pas de valeur.";
            return false;
        }
    } else if (equals != std::string_view::npos) {
        value = arg.substr(equals + 1);
    } else if (*i + 1 < argc && !LooksLikeOption(argv[*i + 1])) {
        value = argv[++*i];
    }
    if (option->value && value.empty()) {
        *error = "L'option " + name + " attend une valeur.";
        return false;
    }
    if (!Apply(option->id, value, notes)) {
        *error = "Valeur incorrecte pour " + name + " : " + std::string(value);
        return false;
    }
    return true;
}

bool CliOptions::Apply(int id, std::string_view value, std::string* notes) {
    uint32_t n = 0;
    switch (id) {
        case kSpace:
            if (!ParseNumber(value, &n)) return false;
            prefs.SetDiskSpaceMb(SettingLimits::kDiskSpaceMb.Clamp(n));
            if (prefs.diskSpaceMb != n) {
                *notes += "Espace disque porté à " + std::to_string(prefs.diskSpaceMb) + " Mo.\n";
            }
            return true;
        case kSets:
            if (!ParseNumber(value, &n)) return false;
            prefs.SetSimultaneousTests(n);
            if (prefs.simultaneousTests != n) {
                *notes += "Nombre de tests simultanés porté à " +
                          std::to_string(prefs.simultaneousTests) + ".\n";
            }
            return true;
        case kMinutes:
            // Longer runs are refused, as the wizard's field refuses them: their
            // milliseconds leave the progress bar's range, and 2147483647 is
            // the value of "until stopped".
            if (!ParseNumber(value, &n) || n > SettingLimits::kDurationMinutes.maximum)
                return false;
            prefs.SetDurationMinutes(n);
            if (prefs.durationMinutes != n) {
                *notes += "Durée portée à " + std::to_string(prefs.durationMinutes) + " minutes.\n";
            }
            return true;
        case kUntilStopped: prefs.SetDurationMinutes(CDVXPrefs::UntilStopped); return true;
        case kNormalPriority: prefs.SetThreadPriority(CDVXPrefs::kPriorityNormal); return true;
        case kStopAfter:
            if (!ParseNumber(value, &n) || n == 0) return false;
            stopAfterSeconds = n;
            return true;
        case kStallAfter:
            if (!ParseNumber(value, &n)) return false;
            prefs.timings.stallLimitMs = SettingLimits::kStallSeconds.Clamp(n) * 1000;
            if (prefs.timings.stallLimitMs != uint64_t{n} * 1000) {
                *notes += "Délai sans réponse porté à " +
                          std::to_string(prefs.timings.stallLimitMs / 1000) + " s.\n";
            }
            return true;
        case kJson: jsonPath = value; return true;
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
        case kCrossCheck: prefs.crossCheckDirectory = Chaine::FromUtf8(value); return true;
        case kAllowLocal: allowLocal = true; return true;
        case kAllowMixed: allowMixed = true; return true;
        case kMissingAsFailed: missingAsFailed = true; return true;
        case kQuiet: quiet = true; return true;
        case kHelpOption: action = kHelp; return true;
        case kVersionOption: action = kVersion; return true;
    }
    return false;
}
