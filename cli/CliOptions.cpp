#include "cli/CliOptions.h"

#include <string_view>

namespace {

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

std::string CliOptions::Usage() {
    return "Usage : dalvex2-cli R\xC3\x89PERTOIRE [options]\n"
           "\n"
           "Teste le r\xC3\xA9seau en \xC3\xA9"
           "crivant puis relisant des fichiers dans R\xC3\x89PERTOIRE.\n"
           "\n"
           "  --space MO           espace disque utilis\xC3\xA9 en m\xC3\xA9gaoctets (30 ; au "
           "moins 10)\n"
           "  --sets N             nombre de tests simultan\xC3\xA9s, de 1 \xC3\xA0 5 (1)\n"
           "  --minutes M          dur\xC3\xA9"
           "e du test en minutes (5 ; au moins 3)\n"
           "  --until-stopped      tester jusqu'\xC3\xA0 l'arr\xC3\xAAt (Ctrl+C)\n"
           "  --normal-priority    priorit\xC3\xA9 normale pour les tests\n"
           "  --stop-after S       arr\xC3\xAAter le test apr\xC3\xA8s S secondes\n"
           "  --json FICHIER|-     \xC3\xA9"
           "crire le r\xC3\xA9sultat en JSON (- : sortie standard)\n"
           "  --report-dir R\xC3\x89P     \xC3\xA9"
           "crire chaque rapport d'erreur en RTF dans R\xC3\x89P\n"
           "  --quiet              ne pas afficher la progression\n"
           "  --help, --version\n"
           "\n"
           "Ctrl+C arr\xC3\xAAte les tests \xC3\xA0 la fin de leur cycle ; un second Ctrl+C les "
           "interrompt.\n"
           "Code de sortie : 0 aucune erreur, 1 un test a \xC3\xA9"
           "chou\xC3\xA9, 2 mauvaise utilisation.\n";
}

bool CliOptions::Parse(int argc, const char* const* argv, std::string* error, std::string* notes) {
    bool haveDirectory = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        auto value = [&](uint32_t* out) {
            if (i + 1 >= argc) {
                *error = "L'option " + std::string(arg) + " attend une valeur.";
                return false;
            }
            if (!ParseNumber(argv[++i], out)) {
                *error = "Valeur incorrecte pour " + std::string(arg) + " : " + argv[i];
                return false;
            }
            return true;
        };
        uint32_t n = 0;
        if (arg == "--help" || arg == "-h") {
            action = kHelp;
            return true;
        } else if (arg == "--version") {
            action = kVersion;
            return true;
        } else if (arg == "--space") {
            if (!value(&n)) return false;
            prefs.SetDiskSpaceMb(n);
            if (prefs.diskSpaceMb != n) *notes += "Espace disque port\xC3\xA9 \xC3\xA0 10 Mo.\n";
        } else if (arg == "--sets") {
            if (!value(&n)) return false;
            prefs.SetSimultaneousTests(n);
            if (prefs.simultaneousTests != n) {
                *notes += "Nombre de tests simultan\xC3\xA9s port\xC3\xA9 \xC3\xA0 " +
                          std::to_string(prefs.simultaneousTests) + ".\n";
            }
        } else if (arg == "--minutes") {
            if (!value(&n)) return false;
            prefs.SetDurationMinutes(n);
            if (prefs.durationMinutes != n)
                *notes +=
                    "Dur\xC3\xA9"
                    "e port\xC3\xA9"
                    "e \xC3\xA0 3 minutes.\n";
        } else if (arg == "--until-stopped") {
            prefs.SetDurationMinutes(CDVXPrefs::UntilStopped);
        } else if (arg == "--normal-priority") {
            prefs.SetThreadPriority(CDVXPrefs::kPriorityNormal);
        } else if (arg == "--stop-after") {
            if (!value(&stopAfterSeconds)) return false;
            if (stopAfterSeconds == 0) {
                *error = "Valeur incorrecte pour --stop-after : 0";
                return false;
            }
        } else if (arg == "--json" || arg == "--report-dir") {
            if (i + 1 >= argc || argv[i + 1][0] == '\0') {
                *error = "L'option " + std::string(arg) + " attend une valeur.";
                return false;
            }
            (arg == "--json" ? jsonPath : reportDir) = argv[++i];
        } else if (arg == "--quiet" || arg == "-q") {
            quiet = true;
        } else if (arg.size() > 1 && arg[0] == '-') {
            *error = "Option inconnue : " + std::string(arg);
            return false;
        } else if (haveDirectory) {
            *error = "Un seul r\xC3\xA9pertoire peut \xC3\xAAtre test\xC3\xA9.";
            return false;
        } else if (arg.empty()) {
            *error = "Le r\xC3\xA9pertoire est vide.";
            return false;
        } else {
            prefs.SetDirectory(Chaine::FromUtf8(arg));
            haveDirectory = true;
        }
    }
    if (!haveDirectory) {
        *error = "Indiquez le r\xC3\xA9pertoire \xC3\xA0 tester.";
        return false;
    }
    return true;
}
