#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "support/Chaine.h"

// The files two clients hand over to each other through the share, and
// nothing else: one client (the writer) writes rounds of files into its own
// directory, the other (the reader) reads them through its own mount and
// says when it is done. Names, in the writer's directory:
//   VXK-R-I-S.TMP  file I of round R of the writer's session S; its bytes
//                follow from its name and the session, so the reader needs
//                nothing else
//   VXK-R.RDY    the round, announced once every file of it is closed;
//                always the same length
//   VXK-R.ACK    made by the reader once it has compared the whole round
//   VXK.FIN      made by the reader when it reads no more
// Any thread.
class CrossCheckFiles {
public:
    static constexpr int kFilesPerRound = 4;
    static constexpr uint32_t kMaxFileBytes = 512u << 10;

    struct Entry {
        std::string name;
        uint32_t size = 0;
    };
    struct Round {
        uint64_t session = 0;
        Chaine writer;  // the writer's name for itself
        std::vector<Entry> files;
    };

    // The length of every announcement: a client may show a file's old size
    // for a while after another client replaced it, and an earlier check's
    // announcement had the same name.
    static constexpr uint32_t kAnnouncementBytes = 1024;

    static std::string DataName(uint64_t session, uint32_t round, int index);
    static std::string ReadyName(uint32_t round);
    static std::string DoneName(uint32_t round);
    static constexpr std::string_view kFinishedName = "VXK.FIN";

    // The round the writer announces: its files, their sizes from their names.
    static Round Plan(uint64_t session, const Chaine& writer, uint32_t round);
    static std::string Announcement(const Round& round);
    // False for a text that is not a whole announcement of `number` (still
    // being written, or not this program's).
    static bool ReadAnnouncement(std::string_view text, uint32_t number, Round* round);

    // The bytes of the file `name` of the session.
    static std::vector<unsigned char> Content(uint64_t session, std::string_view name,
                                              uint32_t size);
};
