#pragma once
#include <cstdint>

#include "support/Chaine.h"

struct Damage;
struct TestFailure;
struct TestSnapshot;

// Every word about a failed test: the RTF document of the failure's category,
// or of a call the share's client refused, with its placeholders filled from
// the test's snapshot; its one-line form; the name of its category. Any thread.
class ReportText {
public:
    enum Category { kDiskFull, kIoError, kDataDiffer, kTruncated, kInternal };

    static Category CategoryOf(const TestFailure& failure);
    // "disk-full", "io-error", "data-differ", "truncated" or "internal".
    static const char* CategoryName(Category category);
    // The resource number of the category's document.
    static unsigned DocumentOf(Category category);
    // True for the errnos by which the share's client (the program that gives
    // access to the share on this machine) refuses a call it does not support,
    // such as a write at any place of a file or a file opened again for
    // writing: EPERM, ESPIPE, EOPNOTSUPP and ENOSYS. A failed call that got
    // one has the report of its own rather than the category's: neither the
    // network nor the hardware is to blame.
    static bool ClientRefused(int32_t sysErrno);
    // The file position as reports show it: -1 for the all-ones value that a
    // failed move to the end of a file records, the offset itself otherwise
    // (past 2 GB too).
    static int64_t PositionValue(uint32_t position);
    // "CreateFile"... for the operation codes, "<inconnue>" for any other.
    static Chaine OperationName(int32_t operation);
    // The message for the code on one line; for an errno that no code stands
    // for, or by which the client refused the call, followed by the system's
    // own name and text of it in brackets; for a call that got no answer,
    // followed by how long and on which file.
    static Chaine SystemMessage(uint32_t winerr, int32_t sysErrno, uint32_t stallSeconds = 0,
                                const Chaine& stallFile = Chaine());
    // SystemMessage, then the system's name of the errno beside the code:
    // " (ENOENT, code 3)", or " (code 123)" for a code the program set.
    static Chaine MessageWithCode(uint32_t winerr, int32_t sysErrno, uint32_t stallSeconds = 0,
                                  const Chaine& stallFile = Chaine());
    // "ENOENT" for an errno; empty for 0 or an errno the system has no name for.
    static Chaine ErrnoName(int32_t sysErrno);

    // The damage in words, empty for none.
    static Chaine DamageText(const Damage& damage);
    // "zeros", "other-write"... for the kinds of damage; empty for none.
    static const char* DamageName(int32_t kind);

    // The failure on one line: the test, its directory and what went wrong,
    // with the damage found.
    static Chaine OneLine(const TestSnapshot& test);

    // The finished document; empty when the document cannot be loaded.
    // `startTicks` is the tick count at which the run started.
    static Chaine BuildReport(const TestSnapshot& test, uint32_t startTicks);
    // Fills the placeholders in order, each value escaped for RTF, so that a
    // value holding a later placeholder gets that one filled too.
    static void ExpandPlaceholders(Chaine& document, const TestSnapshot& test, uint32_t startTicks);
};
