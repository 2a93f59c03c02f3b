#include "tests/engine/EngineEnvironment.h"

#include <stdlib.h>

#include "tests/TempDir.h"

const std::string& EngineTempDir() {
    static const TempDir dir(LocalDiskBase());  // removed at exit
    static const int set = setenv("TMPDIR", dir.Path().c_str(), 1);
    (void)set;
    return dir.Path();
}

namespace {
// Before any test, and so before the engine first reads $TMPDIR.
[[maybe_unused]] const std::string& g_tempDir = EngineTempDir();
}  // namespace
