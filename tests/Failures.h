#pragma once
#include <cstdint>
#include <ostream>
#include <utility>

#include "engine/RunSnapshot.h"

// Failures as a failed test's snapshot holds them, for tests that make one
// without running the engine.
inline TestFailure SystemFailure(uint32_t winerr, int32_t operation, uint32_t position,
                                 int32_t sysErrno) {
    TestFailure f;
    f.errorKind = TestFailure::kSystemError;
    f.winerr = winerr, f.operation = operation, f.position = position, f.sysErrno = sysErrno;
    return f;
}

// `expected` and `read` empty: a file shorter than written.
inline TestFailure DataFailure(const char* expected, const char* read, uint32_t position,
                               const Damage& damage = {}) {
    TestFailure f;
    f.errorKind = TestFailure::kDataError;
    f.datawait = Chaine(expected), f.dataget = Chaine(read), f.position = position;
    f.damage = damage;
    return f;
}

inline TestSnapshot FailedTest(TestFailure failure) {
    TestSnapshot t;
    t.state = TestSnapshot::kFailed;
    t.failure = std::move(failure);
    return t;
}

// Lets failing assertions show a damage by its fields.
inline void PrintTo(const Damage& d, std::ostream* os) {
    *os << "{kind " << d.kind << ", where " << d.where << ", count " << d.count << ", file "
        << d.file << ", expected " << d.expected << '}';
}
