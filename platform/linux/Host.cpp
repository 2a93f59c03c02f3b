#include "platform/Host.h"

#include <unistd.h>

namespace platform {

std::string Host::Name() {
    char name[256] = {};
    return ::gethostname(name, sizeof name - 1) == 0 ? name : "";
}

bool Host::IsTerminal(std::FILE* stream) { return ::isatty(::fileno(stream)) != 0; }

}  // namespace platform
