#include "platform/VersionResource.h"

#include <elf.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>

#include "tests/TempDir.h"

using platform::VersionResource;

namespace {

const std::string kProgram = DALVEX_CLI_PATH;

void Shell(const std::string& command) { ASSERT_EQ(std::system(command.c_str()), 0) << command; }

}  // namespace

// The program as built, stripped, and its block alone in a 32-bit ELF file
// carry the block (its numbers and texts: VersionInfoTest). No copy damaged in
// one way, one of each kind, nor other file is read, nor makes the reader read
// outside the file; more damaged blocks, in a small ELF file, feed VersionBlockFuzz.
TEST(VersionResourceTest, TheProgramAndCopiesOfItCarryTheBlockDamagedCopiesNone) {
    TempDir dir;
    const std::string stripped = dir.File("stripped"), elf32 = dir.File("elf32");
    Shell("/usr/bin/strip -o " + stripped + " " + kProgram);
    Shell("/usr/bin/objcopy -O elf32-i386 --only-section=.dalvex.version " + kProgram + " " +
          elf32 + " 2>/dev/null");
    ASSERT_LT(std::filesystem::file_size(stripped), std::filesystem::file_size(kProgram));
    ASSERT_EQ(ReadFile(elf32)[EI_CLASS], ELFCLASS32);
    VersionResource block;
    for (const std::string& path : {kProgram, stripped, elf32}) {
        std::string name, copyright;
        ASSERT_TRUE(VersionResource::Read(path, &block)) << path;
        EXPECT_TRUE(block.translations.size() == 1 &&
                    block.QueryString("\\StringFileInfo\\040C04B0\\productNAME", &name) &&
                    block.QueryString("\\StringFileInfo\\040c04b0\\LegalCopyright", &copyright) &&
                    !block.QueryString("\\StringFileInfo\\040904e4\\FileVersion", &copyright));
        EXPECT_EQ(name + "|" + copyright,
                  "Dalvex2|\xA9 2026 Quarn. Tous droits r\xE9serv\xE9s.");  // Windows-1252
    }
    const std::string program = ReadFile(kProgram);
    Elf64_Ehdr h;
    std::memcpy(&h, program.data(), sizeof h);
    ASSERT_EQ(h.e_ident[EI_CLASS], ELFCLASS64);
    using S = std::string&;
    const auto poke = [](S f, std::size_t at, auto v) { std::memcpy(f.data() + at, &v, sizeof v); };
    // Sets a field of every section header but the name table's.
    const auto everySection = [&](S f, std::size_t field, auto value) {
        for (unsigned i = 0; i < h.e_shnum; ++i)
            if (i != h.e_shstrndx) poke(f, h.e_shoff + i * sizeof(Elf64_Shdr) + field, value);
    };
    const std::vector<std::pair<const char*, std::function<void(S)>>> damages = {
        {"no ELF", [](S f) { f = "[Fixed]\nFileVersion=2.0.0.607\n"; }},
        {"big-endian", [](S f) { f[EI_DATA] = ELFDATA2MSB; }},
        {"wrong entry size",
         [&](S f) { poke(f, offsetof(Elf64_Ehdr, e_shentsize), uint16_t{40}); }},
        {"table offset wraps", [&](S f) { poke(f, offsetof(Elf64_Ehdr, e_shoff), ~0ul); }},
        {"names past their table",
         [&](S f) { everySection(f, offsetof(Elf64_Shdr, sh_name), ~0u); }},
        {"huge sections", [&](S f) { everySection(f, offsetof(Elf64_Shdr, sh_size), 1ul << 40); }},
        // Found, or the copy is read and the test fails.
        {"block that does not parse", [](S f) { f[f.find("FileVersion=2.0.0.607") + 16] = 'x'; }},
    };
    for (const auto& [name, damage] : damages) {
        std::string file = program;
        damage(file);
        WriteFile(dir.File("copy"), file);
        EXPECT_FALSE(VersionResource::Read(dir.File("copy"), &block)) << name;
    }
    const std::string self = VersionResource::ModuleFileName();
    EXPECT_TRUE(self.ends_with("/platform_tests")) << self;
    for (const std::string& path : {self, dir.File("none"), std::string("/dev/null")})
        EXPECT_FALSE(VersionResource::Read(path, &block)) << path;
}
