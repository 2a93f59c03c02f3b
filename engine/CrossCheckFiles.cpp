#include "engine/CrossCheckFiles.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>

namespace {

constexpr std::string_view kHeader = "VXK 2";
constexpr uint32_t kMinFileBytes = 16u << 10;
constexpr std::size_t kMaxNameBytes = 256;

uint64_t Hash(uint64_t session, std::string_view name) {
    uint64_t h = 0xcbf29ce484222325ull ^ session;
    for (unsigned char c : name) h = (h ^ c) * 0x100000001b3ull;
    return h == 0 ? 1 : h;
}

// One step of xorshift64*: the state moves, eight bytes come out.
uint64_t Next(uint64_t* state) {
    uint64_t x = *state;
    x ^= x >> 12;
    x ^= x << 25;
    x ^= x >> 27;
    *state = x;
    return x * 0x2545f4914f6cdd1dull;
}

std::string Hex(uint64_t value) {
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(value));
    return text;
}

bool ParseUnsigned(std::string_view text, int base, uint64_t* value) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), *value, base);
    return ec == std::errc() && end == text.data() + text.size() && !text.empty();
}

}  // namespace

std::string CrossCheckFiles::DataName(uint64_t session, uint32_t round, int index) {
    return "VXK-" + std::to_string(round) + "-" + std::to_string(index) + "-" + Hex(session) +
           ".TMP";
}

std::string CrossCheckFiles::ReadyName(uint32_t round) {
    return "VXK-" + std::to_string(round) + ".RDY";
}

std::string CrossCheckFiles::DoneName(uint32_t round) {
    return "VXK-" + std::to_string(round) + ".ACK";
}

CrossCheckFiles::Round CrossCheckFiles::Plan(uint64_t session, const Chaine& writer,
                                             uint32_t round) {
    Round r{session, writer, {}};
    for (int i = 0; i < kFilesPerRound; ++i) {
        std::string name = DataName(session, round, i);
        const uint64_t h = Hash(session, name);
        // Odd sizes: a file cut at a block boundary shows.
        const auto size =
            static_cast<uint32_t>(kMinFileBytes + h % (kMaxFileBytes - kMinFileBytes));
        r.files.push_back({std::move(name), size});
    }
    return r;
}

std::string CrossCheckFiles::Announcement(const Round& round) {
    std::string text = std::string(kHeader) + "\nsession " + Hex(round.session) + "\nclient ";
    text.append(round.writer.View());
    text += "\n";
    for (const Entry& e : round.files)
        text += "file " + e.name + " " + std::to_string(e.size) + "\n";
    text += "end\n";
    // Empty lines up to the length (a writer's name too long for it leaves
    // the text longer, and the reader refuses it).
    if (text.size() < kAnnouncementBytes) text.resize(kAnnouncementBytes, '\n');
    return text;
}

bool CrossCheckFiles::ReadAnnouncement(std::string_view text, uint32_t number, Round* round) {
    if (text.size() != kAnnouncementBytes) return false;
    while (text.ends_with("\n\n")) text.remove_suffix(1);
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        if (end == std::string_view::npos) return false;  // cut short
        lines.push_back(text.substr(0, end));
        text.remove_prefix(end + 1);
    }
    if (lines.size() != 4 + kFilesPerRound || lines[0] != kHeader || lines.back() != "end" ||
        !lines[1].starts_with("session ") || !lines[2].starts_with("client ")) {
        return false;
    }
    Round r;
    if (!ParseUnsigned(lines[1].substr(8), 16, &r.session)) return false;
    // A name that any result can carry: printable, and not a page long.
    const std::string_view writer = lines[2].substr(7);
    if (writer.empty() || writer.size() > kMaxNameBytes ||
        std::any_of(writer.begin(), writer.end(),
                    [](unsigned char c) { return c < 0x20 || c == 0x7F; })) {
        return false;
    }
    r.writer = Chaine(writer);
    for (int i = 0; i < kFilesPerRound; ++i) {
        const std::string_view line = lines[3 + i];
        const std::string name = DataName(r.session, number, i);
        const std::string prefix = "file " + name + " ";
        uint64_t size = 0;
        // Only the names of this round: an announcement never sends the
        // reader elsewhere.
        if (!line.starts_with(prefix) || !ParseUnsigned(line.substr(prefix.size()), 10, &size) ||
            size > kMaxFileBytes) {
            return false;
        }
        r.files.push_back({name, static_cast<uint32_t>(size)});
    }
    *round = std::move(r);
    return true;
}

std::vector<unsigned char> CrossCheckFiles::Content(uint64_t session, std::string_view name,
                                                    uint32_t size) {
    std::vector<unsigned char> bytes(size);
    uint64_t state = Hash(session, name);
    uint64_t word = 0;
    for (uint32_t at = 0; at < size; ++at) {
        if (at % 8 == 0) word = Next(&state);
        bytes[at] = static_cast<unsigned char>(word >> (8 * (at % 8)));
    }
    return bytes;
}
