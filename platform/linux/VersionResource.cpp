#include "platform/VersionResource.h"

#include <elf.h>
#include <fcntl.h>
#include <ini.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <charconv>
#include <cstring>
#include <sstream>

#include "platform/Encoding.h"
#include "platform/FileApi.h"
#include "platform/linux/Interrupted.h"

namespace platform {

// The file is read with the host's layouts of the ELF headers.
static_assert(std::endian::native == std::endian::little);

// Only the block is parsed, with the section headers that lead to it, and each
// read is checked against the file's size first: the file may be anything.
namespace {

constexpr std::string_view kSectionName = ".dalvex.version";
constexpr uint64_t kMaxBlockBytes = 64 * 1024;
constexpr uint64_t kMaxNameTableBytes = 1024 * 1024;

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor() {
        if (m_fd >= 0) ::close(m_fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int Get() const { return m_fd; }

private:
    int m_fd;
};

bool ReadAt(int fd, uint64_t offset, void* buffer, uint64_t size) {
    auto* out = static_cast<char*>(buffer);
    while (size > 0) {
        const ssize_t got =
            RetryInterrupted([&] { return ::pread(fd, out, size, static_cast<off_t>(offset)); });
        if (got <= 0) return false;
        out += got;
        offset += static_cast<uint64_t>(got);
        size -= static_cast<uint64_t>(got);
    }
    return true;
}

template <class Shdr>
bool InFile(const Shdr& section, uint64_t fileSize) {
    return section.sh_offset <= fileSize && section.sh_size <= fileSize - section.sh_offset;
}

template <class Ehdr, class Shdr>
bool ReadSection(int fd, uint64_t fileSize, std::string* bytes) {
    Ehdr header;
    if (!ReadAt(fd, 0, &header, sizeof header)) return false;
    // Extended numbering (more than 0xff00 sections) is not used by this program.
    if (header.e_shentsize != sizeof(Shdr) || header.e_shnum == 0 ||
        header.e_shstrndx >= header.e_shnum) {
        return false;
    }
    const uint64_t tableBytes = uint64_t{header.e_shnum} * sizeof(Shdr);
    if (header.e_shoff > fileSize || tableBytes > fileSize - header.e_shoff) return false;
    std::vector<Shdr> sections(header.e_shnum);
    if (!ReadAt(fd, header.e_shoff, sections.data(), tableBytes)) return false;

    const Shdr& names = sections[header.e_shstrndx];
    if (names.sh_type != SHT_STRTAB || !InFile(names, fileSize) ||
        names.sh_size > kMaxNameTableBytes) {
        return false;
    }
    std::string nameTable(names.sh_size, '\0');
    if (!ReadAt(fd, names.sh_offset, nameTable.data(), names.sh_size)) return false;

    for (const Shdr& section : sections) {
        // Only as many bytes as the name and its NUL are compared: a hostile
        // table without NULs must not be scanned once per section.
        if (section.sh_name >= nameTable.size() ||
            nameTable.size() - section.sh_name <= kSectionName.size() ||
            nameTable.compare(section.sh_name, kSectionName.size(), kSectionName) != 0 ||
            nameTable[section.sh_name + kSectionName.size()] != '\0') {
            continue;
        }
        if (section.sh_type != SHT_PROGBITS || !InFile(section, fileSize) ||
            section.sh_size > kMaxBlockBytes) {
            return false;
        }
        bytes->resize(section.sh_size);
        return ReadAt(fd, section.sh_offset, bytes->data(), section.sh_size);
    }
    return false;
}

bool ReadElfSection(const std::string& systemPath, std::string* bytes) {
    // Non-blocking, so that a FIFO given as the path cannot hang the caller.
    const FileDescriptor fd(::open(systemPath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat st {};
    if (fd.Get() < 0 || ::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    const auto fileSize = static_cast<uint64_t>(st.st_size);
    unsigned char ident[EI_NIDENT];
    if (!ReadAt(fd.Get(), 0, ident, sizeof ident) || std::memcmp(ident, ELFMAG, SELFMAG) != 0 ||
        ident[EI_DATA] != ELFDATA2LSB || ident[EI_VERSION] != EV_CURRENT) {
        return false;
    }
    switch (ident[EI_CLASS]) {
        case ELFCLASS64: return ReadSection<Elf64_Ehdr, Elf64_Shdr>(fd.Get(), fileSize, bytes);
        case ELFCLASS32: return ReadSection<Elf32_Ehdr, Elf32_Shdr>(fd.Get(), fileSize, bytes);
        default: return false;
    }
}

// "2.0.0.607": four 16-bit parts, most significant first.
bool ParseVersion(std::string_view text, uint32_t* ms, uint32_t* ls) {
    uint32_t parts[4];
    const char* p = text.data();
    const char* const end = p + text.size();
    for (int i = 0; i < 4; ++i) {
        if (i > 0 && (p == end || *p++ != '.')) return false;
        const auto [next, ec] = std::from_chars(p, end, parts[i]);
        if (ec != std::errc() || parts[i] > 0xFFFF) return false;
        p = next;
    }
    *ms = parts[0] << 16 | parts[1];
    *ls = parts[2] << 16 | parts[3];
    return p == end;
}

// "040C04B0 040904E4": language, then code page, for each entry.
bool ParseTranslations(const char* text, std::vector<VersionTranslation>* table) {
    std::istringstream entries(text);
    for (std::string entry; entries >> entry;) {
        uint32_t value = 0;
        const char* const end = entry.data() + entry.size();
        const auto [next, ec] = std::from_chars(entry.data(), end, value, 16);
        if (entry.size() != 8 || ec != std::errc() || next != end) return false;
        table->push_back({static_cast<uint16_t>(value >> 16), static_cast<uint16_t>(value)});
    }
    return true;
}

// The system's names of entries are ASCII; other characters must match exactly.
bool SameIgnoringCase(std::string_view a, std::string_view b) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [&](char x, char y) { return lower(x) == lower(y); });
}

}  // namespace

// Fills a block from the INI text; any section or key it does not know is an error.
struct BlockParser {
    VersionResource block;
    bool hasFileVersion = false;
    bool hasProductVersion = false;

    static int OnEntry(void* user, const char* section, const char* name, const char* value) {
        auto* self = static_cast<BlockParser*>(user);
        VersionResource& b = self->block;
        const std::string_view s = section, n = name;
        if (s == "Fixed" && n == "FileVersion") {
            return self->hasFileVersion = ParseVersion(value, &b.fileVersionMS, &b.fileVersionLS);
        }
        if (s == "Fixed" && n == "ProductVersion") {
            return self->hasProductVersion =
                       ParseVersion(value, &b.productVersionMS, &b.productVersionLS);
        }
        if (s == "VarFileInfo" && n == "Translation") {
            return ParseTranslations(value, &b.translations);
        }
        if (s.starts_with("StringFileInfo\\")) {
            b.m_strings.emplace_back(Encoding::Utf8ToAnsi("\\" + std::string(s) + "\\" + name),
                                     Encoding::Utf8ToAnsi(value));
            return 1;
        }
        return 0;
    }
};

bool VersionResource::Read(std::string_view path, VersionResource* block) {
    std::string sys, bytes;
    if (!FileApi::ToSystemPath(path, &sys) || !ReadElfSection(sys, &bytes)) return false;
    BlockParser parser;
    if (ini_parse_string(bytes.c_str(), BlockParser::OnEntry, &parser) != 0 ||
        !parser.hasFileVersion || !parser.hasProductVersion) {
        return false;
    }
    *block = std::move(parser.block);
    return true;
}

std::string VersionResource::ModuleFileName() {
    char path[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path);
    if (n <= 0 || n == static_cast<ssize_t>(sizeof path)) return {};  // failed or cut short
    std::string_view name(path, static_cast<std::size_t>(n));
    // A program replaced while it runs (a package upgrade) is named by the
    // file now in its place.
    constexpr std::string_view kReplaced = " (deleted)";
    if (name.ends_with(kReplaced)) name.remove_suffix(kReplaced.size());
    return Encoding::Utf8ToAnsi(name);
}

bool VersionResource::QueryString(std::string_view name, std::string* value) const {
    for (const auto& [entryName, entryValue] : m_strings) {
        if (SameIgnoringCase(entryName, name)) {
            *value = entryValue;
            return true;
        }
    }
    return false;
}

}  // namespace platform
