#include "engine/CDVXThreadManager.h"
#include "gui/wizard/CDalvex2App.h"
#include "platform/Thread.h"

int main(int argc, char** argv) {
    int code = 0;
    {
        CDalvex2App app(argc, argv);
        code = app.Run();
    }
    // The window is gone. A test left behind by a Cancel still deletes its
    // files; one stuck on a share that does not answer may wake up at any
    // moment: the program then ends without the destructors it could need.
    if (CDVXThreadManager::WaitForAbandoned()) platform::Thread::EndProcessUnderThreads(code);
    return code;
}
