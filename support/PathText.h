#pragma once
#include "support/Chaine.h"

// Text analysis of paths: '\' and '/' both separate, "X:" is a drive and
// "\\server\share" a share, whatever the platform. No file-system access.
class PathText {
public:
    static bool IsSeparator(char c) { return c == '\\' || c == '/'; }
    // "X:", "X:\", "\" or "\\server\share\" (see the rules in the source);
    // empty for a relative path or a server without a share.
    static Chaine GetRoot(const Chaine& path);
    // The text after the last separator or colon.
    static Chaine GetFileName(const Chaine& path);
    // The text up to the last separator or colon, without one trailing separator.
    static Chaine GetDirectory(const Chaine& path);
    // `name` in `directory`, with one separator between them.
    static Chaine Join(const Chaine& directory, std::string_view name);
    // Drops "." components ("a\.\b" → "a\b", "." → "").
    static Chaine RemoveDots(const Chaine& path);
    // Whether the file-name part holds a character that names may not hold.
    static bool HasInvalidNameChar(const Chaine& path);
};
