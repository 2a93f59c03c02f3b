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

// Writes over the bytes at `offset`.
template <class T>
void Poke(std::string& file, std::size_t offset, T value) {
    std::memcpy(file.data() + offset, &value, sizeof value);
}

}  // namespace

// The program as built, stripped, and its block alone in a 32-bit ELF file.
// (The numbers and texts made of the block: VersionInfoTest.)
TEST(VersionResourceTest, TheProgramAndCopiesOfItCarryTheBlock) {
    TempDir dir;
    const std::string stripped = dir.File("stripped"), elf32 = dir.File("elf32");
    Shell("/usr/bin/strip -o " + stripped + " " + kProgram);
    Shell("/usr/bin/objcopy -O elf32-i386 --only-section=.dalvex.version " + kProgram + " " +
          elf32 + " 2>/dev/null");
    ASSERT_LT(std::filesystem::file_size(stripped), std::filesystem::file_size(kProgram));
    ASSERT_EQ(ReadFile(elf32)[EI_CLASS], ELFCLASS32);
    for (const std::string& path : {kProgram, stripped, elf32}) {
        VersionResource b;
        std::string name, copyright;
        ASSERT_TRUE(VersionResource::Read(path, &b)) << path;
        EXPECT_EQ(b.translations.size(), 1u);
        EXPECT_TRUE(b.QueryString("\\StringFileInfo\\040C04B0\\productNAME", &name) &&
                    b.QueryString("\\StringFileInfo\\040c04b0\\LegalCopyright", &copyright));
        EXPECT_EQ(name + "|" + copyright,
                  "Dalvex2|\xA9 2026 Quarn. Tous droits r\xE9serv\xE9s.");  // Windows-1252
        EXPECT_FALSE(b.QueryString("\\StringFileInfo\\040904e4\\FileVersion", &name));
    }
}

// Each copy of the program is damaged in one way, one of each kind; none may
// be read, and none may make the reader read outside the file. More damaged
// blocks, in a small ELF file, are inputs of VersionBlockFuzz.
TEST(VersionResourceTest, FilesWithoutABlockAndDamagedCopiesGiveFalse) {
    const std::string program = ReadFile(kProgram);
    Elf64_Ehdr h;
    std::memcpy(&h, program.data(), sizeof h);
    ASSERT_EQ(h.e_ident[EI_CLASS], ELFCLASS64);
    // Sets a field of every section header but the name table's.
    const auto everySection = [&](std::string& file, std::size_t field, auto value) {
        for (unsigned i = 0; i < h.e_shnum; ++i) {
            if (i != h.e_shstrndx) Poke(file, h.e_shoff + i * sizeof(Elf64_Shdr) + field, value);
        }
    };
    const std::size_t blockAt = program.find("FileVersion=2.0.0.607");
    ASSERT_NE(blockAt, std::string::npos);

    using S = std::string&;
    const std::vector<std::pair<const char*, std::function<void(S)>>> damages = {
        {"no ELF", [](S f) { f = "[Fixed]\nFileVersion=2.0.0.607\n"; }},
        {"big-endian", [](S f) { f[EI_DATA] = ELFDATA2MSB; }},
        {"wrong entry size", [](S f) { Poke(f, offsetof(Elf64_Ehdr, e_shentsize), uint16_t{40}); }},
        {"table offset wraps", [](S f) { Poke(f, offsetof(Elf64_Ehdr, e_shoff), ~0ul); }},
        {"names past their table",
         [&](S f) { everySection(f, offsetof(Elf64_Shdr, sh_name), ~0u); }},
        {"huge sections", [&](S f) { everySection(f, offsetof(Elf64_Shdr, sh_size), 1ul << 40); }},
        {"block that does not parse", [&](S f) { f[blockAt + 16] = 'x'; }},
    };
    TempDir dir;
    VersionResource block;
    for (const auto& [name, damage] : damages) {
        std::string file = program;
        damage(file);
        WriteFile(dir.File("copy"), file);
        EXPECT_FALSE(VersionResource::Read(dir.File("copy"), &block)) << name;
    }
    const std::string self = VersionResource::ModuleFileName();
    EXPECT_TRUE(self.ends_with("/platform_tests")) << self;
    for (const std::string& path : {self, dir.Path(), dir.File("none"), std::string("/dev/null")}) {
        EXPECT_FALSE(VersionResource::Read(path, &block)) << path;
    }
}
