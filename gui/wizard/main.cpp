#include <cstdio>
#include <cstdlib>

#include "engine/CDVXThreadManager.h"
#include "gui/wizard/CDalvex2App.h"

int main(int argc, char** argv) {
    int code = 0;
    {
        CDalvex2App app(argc, argv);
        code = app.Run();
    }
    // A test thread left to a share that did not answer may wake up at any
    // moment: the program ends without the destructors it could still need.
    if (CDVXThreadManager::AbandonedThreads() > 0) {
        std::fflush(nullptr);
        std::_Exit(code);
    }
    return code;
}
