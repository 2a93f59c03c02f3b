#include "gui/wizard/CDalvex2App.h"

int main(int argc, char** argv) {
    CDalvex2App app(argc, argv);
    return app.Run();
}
