#include "support/VersionInfo.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdlib>
#include <string>

#include "platform/Clock.h"
#include "platform/IniFile.h"
#include "support/CaseFolding.h"
#include "support/FileSystem.h"

using platform::VersionResource;
using platform::VersionTranslation;

namespace {

constexpr const char* kPatchSection = "QuarnPatch";
constexpr std::size_t kMaxDateLength = 64;

// "prog.exe" gives "prog.ptc"; a name without ".exe", as programs have here,
// gets ".ptc" appended.
Chaine PatchFileName(const Chaine& fileName) {
    std::string_view name = fileName.View();
    const std::string_view ext = ".EXE";
    if (name.size() >= ext.size() &&
        std::equal(ext.begin(), ext.end(), name.end() - ext.size(), [](char e, char c) {
            return e == static_cast<char>(CaseFolding::Fold(static_cast<unsigned char>(c)));
        })) {
        name.remove_suffix(ext.size());
    }
    return Chaine(name) + ".ptc";
}

// As the Windows profile reader and atoi read numbers: an optional sign and the
// digits that follow it; anything else reads as 0.
int32_t LeadingInteger(const std::string& text) {
    const long value = std::strtol(text.c_str(), nullptr, 10);
    return static_cast<int32_t>(std::clamp<long>(value, INT32_MIN, INT32_MAX));
}

int32_t ReadInteger(const Chaine& file, const char* key) {
    std::string value;
    return platform::IniFile::Read(file.View(), kPatchSection, key, &value) ? LeadingInteger(value)
                                                                            : 0;
}

// The patch of the program whose file version ends in `fileVersionLS`.
PatchInfo ReadPatchInfo(const Chaine& fileName, uint32_t fileVersionLS) {
    const platform::SystemTime today = platform::Clock::GetLocalTime();
    PatchInfo info{0, static_cast<uint8_t>(today.day), static_cast<uint8_t>(today.month),
                   today.year};
    const Chaine patchFile = PatchFileName(fileName);
    const uint32_t build = fileVersionLS & 0xFFFF;
    if (static_cast<uint32_t>(ReadInteger(patchFile, "Build")) != build) return info;

    const int32_t patch = ReadInteger(patchFile, "Patch");
    if (patch >= 1 && patch <= 255) info.patch = static_cast<uint8_t>(patch);

    // dd?mm?yy or dd?mm?yyyy: the third and sixth characters are separators.
    std::string date;
    platform::IniFile::Read(patchFile.View(), kPatchSection, "Date", &date);
    date.resize(std::min(date.size(), kMaxDateLength));
    if (date.size() >= 8 && std::isdigit(static_cast<unsigned char>(date[6]))) {
        int32_t year = LeadingInteger(date.substr(6));
        if (year < 100) year += year < 80 ? 2000 : 1900;
        info.day = static_cast<uint8_t>(LeadingInteger(date.substr(0, 2)));
        info.month = static_cast<uint8_t>(LeadingInteger(date.substr(3, 2)));
        info.year = static_cast<uint16_t>(year);
    }
    return info;
}

}  // namespace

PatchInfo ReadPatchInfo(const Chaine& fileName) {
    return ReadPatchInfo(fileName, static_cast<uint32_t>(GetFileVersionNumber(fileName, 0)));
}

uint64_t GetFileVersionNumber(const Chaine& fileName, unsigned flags) {
    VersionResource block;
    if (!VersionResource::Read(fileName.View(), &block)) return 0;
    const bool product = flags & kVersionProduct;
    const uint64_t ms = product ? block.productVersionMS : block.fileVersionMS;
    return ms << 32 | (product ? block.productVersionLS : block.fileVersionLS);
}

Chaine GetVersionText(const Chaine& fileName, unsigned flags) {
    if (!PathExists(fileName)) return "<Fichier inexistant>";
    VersionResource block;
    const bool hasBlock = VersionResource::Read(fileName.View(), &block);
    const PatchInfo patch = ReadPatchInfo(fileName, block.fileVersionLS);
    Chaine text;
    if (hasBlock) {
        if ((flags & kVersionNumeric) && patch.patch == 0) {
            const uint32_t ms = block.productVersionMS, ls = block.productVersionLS;
            if (ls > 0xFFFF) {
                text.Format("%d.%d (R%d)", ms >> 16, ms & 0xFFFF, ls >> 16);
            } else {
                text.Format("%d.%d", ms >> 16, ms & 0xFFFF);
            }
        } else {
            const char* entry = (flags & kVersionProduct) ? "ProductVersion" : "FileVersion";
            const VersionTranslation first =
                block.translations.empty() ? VersionTranslation{} : block.translations.front();
            std::string value;
            Chaine name;
            name.Format("\\StringFileInfo\\%04x%04x\\%s", first.language, first.codePage, entry);
            if (!block.QueryString(name.View(), &value) || value.empty()) {
                name.Format("\\StringFileInfo\\040904e4\\%s", entry);
                block.QueryString(name.View(), &value);
            }
            text = Chaine(std::string_view(value));
        }
    }
    if (text.IsEmpty()) text = "Alpha";
    if (!(flags & kVersionNoPatch) && patch.patch != 0) {
        Chaine suffix;
        suffix.Format(" - Patch %d (%02d/%02d/%d)", patch.patch, patch.day, patch.month,
                      patch.year % 100);
        text += suffix;
    }
    return text;
}

Chaine GetModuleVersionText(unsigned flags) {
    return GetVersionText(Chaine(std::string_view(VersionResource::ModuleFileName())), flags);
}

VersionTranslation ChooseTranslation(const std::vector<VersionTranslation>& table,
                                     uint16_t systemLanguage) {
    if (table.empty()) return {};
    for (auto it = table.rbegin(); it != table.rend(); ++it) {
        if (it->language == systemLanguage) return *it;
    }
    constexpr uint16_t kPrimaryLanguage = 0x3FF;
    for (auto it = table.rbegin(); it != table.rend(); ++it) {
        if ((it->language & kPrimaryLanguage) == (systemLanguage & kPrimaryLanguage)) return *it;
    }
    return table.back();
}
