// Writes the manual pages of dalvex2-cli and dalvex2 and the bash completion
// of dalvex2-cli, all read off the command line's option table, so that none
// of them can say other than --help:
//   dalvex2-manpages OUTPUT_DIR
// gives OUTPUT_DIR/dalvex2-cli.1, OUTPUT_DIR/dalvex2.1 and
// OUTPUT_DIR/dalvex2-cli.bash-completion.
#include <cstdio>
#include <fstream>
#include <string>
#include <string_view>

#include "cli/CliOptions.h"
#include "engine/SettingLimits.h"
#include "platform/ResourceIds.h"
#include "report/TableText.h"
#include "support/BuildVersion.h"

namespace {

using Option = CliOptions::Option;

// Text as troff prints it: backslashes and hyphens escaped, and no line
// that begins as a request.
std::string Troff(std::string_view text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '\\': out += "\\e"; break;
            case '-': out += "\\-"; break;
            default: out += c;
        }
        if ((c == '.' || c == '\'') && (out.size() == 1 || out[out.size() - 2] == '\n')) {
            out.insert(out.size() - 1, "\\&");
        }
    }
    return out;
}

std::string Header(const char* title, const char* name, const char* summary) {
    return std::string("'\\\" -*- coding: UTF-8 -*-\n") + ".TH " + Troff(title) +
           " 1 \"\" \"Dalvex 2 " + BuildVersion() + "\" \"Commandes utilisateur\"\n.SH NOM\n" +
           Troff(name) + " \\- " + summary + "\n";
}

std::string Bounds(const SettingLimit& limits) {
    return "Par défaut " + std::to_string(limits.initial) + ", de " +
           std::to_string(limits.minimum) + " à " + std::to_string(limits.maximum) + ".";
}

// The options that apply to one command, as tagged paragraphs.
std::string OptionList(CliOptions::Command command) {
    std::string text;
    for (const Option& o : CliOptions::Options()) {
        if ((o.commands & command) == 0) continue;
        text += ".TP\n";
        if (o.shortName) text += std::string("\\fB\\-") + o.shortName + "\\fR, ";
        text += "\\fB" + Troff(o.name) + "\\fR";
        if (o.value) text += " \\fI" + Troff(TableText::Get(o.value)) + "\\fR";
        text += "\n" + Troff(TableText::Get(o.help)) + ".";
        if (o.limits) text += " " + Bounds(*o.limits);
        text += "\n";
    }
    return text;
}

std::string CliPage() {
    std::string page = Header("DALVEX2-CLI", "dalvex2-cli",
                              "vérifie qu'un partage réseau transporte fidèlement les fichiers");
    page +=
        ".SH SYNOPSIS\n"
        ".B dalvex2\\-cli\n"
        "[\\fIoptions\\fR] [\\fB\\-\\-\\fR] \\fIRÉPERTOIRE\\fR\n"
        ".br\n"
        ".B dalvex2\\-cli merge\n"
        "[\\fIoptions de merge\\fR] [\\fB\\-\\-\\fR] \\fIRÉSULTAT.json\\fR…\n"
        ".br\n"
        ".B dalvex2\\-cli verify\n"
        "[\\fIoptions de verify\\fR] [\\fB\\-\\-\\fR] \\fILISTE.json\\fR\n"
        ".SH DESCRIPTION\n"
        "Teste le réseau en écrivant puis relisant des fichiers dans \\fIRÉPERTOIRE\\fR,\n"
        "un répertoire sur un partage du serveur : plusieurs tâches à la fois y écrivent\n"
        "beaucoup de données, les relisent et les comparent, pendant la durée choisie ou\n"
        "jusqu'à l'arrêt. Chaque test en échec est signalé : où, quand, et le message\n"
        "d'erreur du système. Ce sont les tests de l'assistant \\fBdalvex2\\fR(1), avec les\n"
        "mêmes valeurs par défaut et les mêmes bornes.\n"
        ".SH OPTIONS\n"
        "Une valeur suit son option comme argument suivant ou après « = »\n"
        "(\\fB\\-\\-json=resultat.json\\fR) ; \\fB\\-\\-\\fR termine les options. Une valeur hors\n"
        "des bornes y est ramenée, et le programme le dit ; une durée trop longue est\n"
        "refusée.\n";
    page += OptionList(CliOptions::kRunCommand);
    page +=
        ".SH MERGE\n"
        "\\fBdalvex2\\-cli merge\\fR réunit les résultats JSON de plusieurs clients\n"
        "(\\fB\\-\\-json\\fR de chacun) en un seul verdict, qui ne vaut « ok » que si chaque\n"
        "client a testé tout le temps demandé, en même temps que les autres, sans\n"
        "erreur. Ses options :\n";
    page += OptionList(CliOptions::kMergeCommand);
    page +=
        ".SH VERIFY\n"
        "Avec \\fB\\-\\-keep\\fR \\fILISTE.json\\fR, un test qui réussit garde le dernier fichier\n"
        "vérifié de chaque test qui modifie des fichiers, et en écrit la liste. C'est le\n"
        "seul cas où des fichiers restent. \\fBdalvex2\\-cli verify\\fR \\fILISTE.json\\fR les\n"
        "relit plus tard (après un remontage, un redémarrage du serveur, ou depuis un autre\n"
        "client) et compare chaque octet, sans jamais écrire ; le verdict et le code de\n"
        "retour sont ceux d'un test. \\fB\\-\\-delete\\fR les supprime s'ils sont tous intacts ;\n"
        "sinon ils se suppriment à la main, leurs noms sont dans la liste. Ses options :\n";
    page += OptionList(CliOptions::kVerifyCommand);
    page += ".SH ARRÊT\n" + Troff(TableText::Get(res::kStopping)) + ".SH \"CODE DE RETOUR\"\n";
    for (const CliOptions::ExitStatus& status : CliOptions::ExitStatuses()) {
        page += ".TP\n.B " + std::to_string(status.code) + "\n" +
                Troff(TableText::Get(status.meaning)) + ".\n";
    }
    page += ".SH \"VOIR AUSSI\"\n.BR dalvex2 (1)\n";
    return page;
}

std::string WizardPage() {
    std::string page =
        Header("DALVEX2", "dalvex2",
               "assistant qui vérifie qu'un partage réseau transporte fidèlement les fichiers");
    const std::string settings =
        "Durée du test en minutes : " + Bounds(SettingLimits::kDurationMinutes) +
        "\n.br\nEspace disque utilisé en mégaoctets : " + Bounds(SettingLimits::kDiskSpaceMb) +
        "\n.br\nNombre de tests simultanés : " + Bounds(SettingLimits::kSimultaneousTests) + "\n";
    page +=
        ".SH SYNOPSIS\n"
        ".B dalvex2\n"
        "[\\fIoptions de Qt\\fR]\n"
        ".SH DESCRIPTION\n"
        "Un assistant en français : accueil, choix du répertoire du serveur à tester,\n"
        "durée du test, puis le test et son résultat. Le répertoire est vérifié avant le\n"
        "test comme le test s'en servira. Après un test en échec, Détails montre le\n"
        "rapport de chaque test, que l'on peut copier ou enregistrer en RTF. Rien n'est\n"
        "conservé d'une fois sur l'autre : les réglages repartent de leurs valeurs par\n"
        "défaut.\n"
        ".PP\n" +
        settings +
        ".PP\n"
        "Annuler, Échap, la case de fermeture, SIGTERM, SIGINT ou SIGHUP arrêtent un test\n"
        "en cours et suppriment ses fichiers avant la fin du programme.\n"
        ".SH OPTIONS\n"
        "Le programme ne lit aucun argument lui\\-même ; Qt lit les siens, entre autres :\n"
        ".TP\n\\fB\\-platform\\fR \\fINOM\\fR\n"
        "le greffon de fenêtrage (\\fBoffscreen\\fR : sans affichage).\n"
        ".TP\n\\fB\\-display\\fR \\fIAFFICHAGE\\fR\n"
        "le serveur X à utiliser.\n"
        ".TP\n\\fB\\-style\\fR \\fISTYLE\\fR\n"
        "le style des fenêtres.\n"
        ".SH \"CODE DE RETOUR\"\n"
        ".TP\n.B 0\n"
        "l'assistant a été fermé.\n"
        ".TP\n.B 1\n"
        "sa fenêtre a été détruite ou l'affichage perdu ; un test en cours a été arrêté.\n"
        ".SH \"VOIR AUSSI\"\n"
        ".BR dalvex2\\-cli (1)\n";
    return page;
}

// How an option's value completes, from what the usage calls it: a file, a
// directory, or nothing to offer.
const char* ValueCompletion(const Option& o) {
    if (o.value == res::kValueFile) return "compgen -f";
    if (o.value == res::kValueDirectory) return "compgen -d";
    return nullptr;
}

std::string Completion() {
    std::string runWords, mergeWords, verifyWords, valueCases;
    const auto add = [](std::string* words, const std::string& name) {
        *words += (words->empty() ? "" : " ") + name;
    };
    for (const Option& o : CliOptions::Options()) {
        const std::string name(o.name);
        if (o.commands & CliOptions::kRunCommand) add(&runWords, name);
        if (o.commands & CliOptions::kMergeCommand) add(&mergeWords, name);
        if (o.commands & CliOptions::kVerifyCommand) add(&verifyWords, name);
        if (!o.value) continue;
        std::string names = name;
        if (o.shortName) names += std::string("|-") + o.shortName;
        const char* values = ValueCompletion(o);
        valueCases += "            " + names + ") " +
                      (values ? std::string("mapfile -t COMPREPLY < <(") + values +
                                    " -- \"$cur\"); return ;;\n"
                              : std::string("return ;;\n"));
    }
    const std::string optionWords =
        "            local words=\"" + runWords + "\"\n            [[ $merging ]] && words=\"" +
        mergeWords + "\"\n            [[ $verifying ]] && words=\"" + verifyWords + "\"\n";
    return "# bash completion for dalvex2-cli, generated from its option table.\n"
           "_dalvex2_cli()\n"
           "{\n"
           "    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}\n"
           "    local merging= verifying= ended= i\n"
           "    # bash splits --option=value at the \"=\".\n"
           "    if [[ $cur == = ]]; then\n"
           "        cur=\n"
           "    elif [[ $prev == = ]]; then\n"
           "        prev=${COMP_WORDS[COMP_CWORD-2]}\n"
           "    fi\n"
           "    [[ ${COMP_WORDS[1]} == merge ]] && ((COMP_CWORD > 1)) && merging=1\n"
           "    [[ ${COMP_WORDS[1]} == verify ]] && ((COMP_CWORD > 1)) && verifying=1\n"
           "    for ((i = 1; i < COMP_CWORD; i++)); do\n"
           "        [[ ${COMP_WORDS[i]} == -- ]] && ended=1\n"
           "    done\n"
           "    if [[ ! $ended ]]; then\n"
           "        case $prev in\n" +
           valueCases +
           "        esac\n"
           "        if [[ $cur == -* ]]; then\n" +
           optionWords +
           "            mapfile -t COMPREPLY < <(compgen -W \"$words\" -- \"$cur\")\n"
           "            return\n"
           "        fi\n"
           "    fi\n"
           "    # What is left: the result files of merge or the list of verify, else\n"
           "    # the directory to test, or a command first.\n"
           "    if [[ $merging || $verifying ]]; then\n"
           "        mapfile -t COMPREPLY < <(compgen -f -- \"$cur\")\n"
           "    else\n"
           "        mapfile -t COMPREPLY < <(compgen -d -- \"$cur\")\n"
           "        ((COMP_CWORD == 1)) && COMPREPLY+=($(compgen -W \"merge verify\" -- "
           "\"$cur\"))\n"
           "    fi\n"
           "}\n"
           "complete -o filenames -F _dalvex2_cli dalvex2-cli\n";
}

bool Write(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
    out.close();
    if (!out) std::fprintf(stderr, "dalvex2-manpages: cannot write %s\n", path.c_str());
    return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: dalvex2-manpages OUTPUT_DIR\n", stderr);
        return 2;
    }
    const std::string dir = argv[1];
    return Write(dir + "/dalvex2-cli.1", CliPage()) && Write(dir + "/dalvex2.1", WizardPage()) &&
                   Write(dir + "/dalvex2-cli.bash-completion", Completion())
               ? 0
               : 1;
}
