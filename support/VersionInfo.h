#pragma once
#include <cstdint>
#include <vector>

#include "platform/VersionResource.h"
#include "support/Chaine.h"

// The version text of an executable file, from its version block and from the
// patch description file beside it. Any thread.

// A patch that was applied to the program, and its date.
struct PatchInfo {
    uint8_t patch = 0;  // 0: none
    uint8_t day = 0;
    uint8_t month = 0;
    uint16_t year = 0;
};

// Flags of the version text.
constexpr unsigned kVersionNumeric = 1;  // "2.0 (R607)" from the fixed numbers, unless patched
constexpr unsigned kVersionNoPatch = 2;  // no " - Patch ..." suffix
constexpr unsigned kVersionProduct = 4;  // the entry ProductVersion instead of FileVersion

// "<Fichier inexistant>" for a missing file; "Alpha" when the file has no
// version block or no such entry.
Chaine GetVersionText(const Chaine& fileName, unsigned flags);
// The same for the running program's file.
Chaine GetModuleVersionText(unsigned flags);
// The fixed file version (or product version with kVersionProduct), the most
// significant word in the upper 32 bits; 0 without a version block.
uint64_t GetFileVersionNumber(const Chaine& fileName, unsigned flags);
// From "<name>.ptc" beside the file ("prog.exe" gives "prog.ptc"), section
// QuarnPatch; without one, patch 0 and today's date.
PatchInfo ReadPatchInfo(const Chaine& fileName);
// The translation whose texts the about box shows, for the system's language:
// the last entry of that exact language, else the last of the same primary
// language, else the last entry; {0, 0} for an empty table.
platform::VersionTranslation ChooseTranslation(
    const std::vector<platform::VersionTranslation>& table, uint16_t systemLanguage);
