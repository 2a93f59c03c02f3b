#include "engine/CDVXThreadManager.h"
#include "gui/wizard/CDalvex2App.h"
#include "platform/Thread.h"

int main(int argc, char** argv) {
    int code = 0;
    {
        CDalvex2App app(argc, argv);
        code = app.Run();
    }
    // The windows are gone, and so are the files of the tests a Cancel left
    // behind (Run showed that they were being deleted), unless one is stuck
    // on a share that does not answer: it may wake up at any moment, and the
    // program then ends without the destructors it could need.
    if (CDVXThreadManager::WaitForAbandoned()) platform::Thread::EndProcessUnderThreads(code);
    return code;
}
