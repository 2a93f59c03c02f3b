// The version block, version.ini byte for byte, in a section of its own that
// the version reader finds by name. The section is allocated, so strip keeps it.
asm(".section .dalvex.version,\"a\"\n"
    ".incbin \"" DALVEX_VERSION_FILE
    "\"\n"
    ".previous");
