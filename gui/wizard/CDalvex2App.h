#pragma once
#include <QApplication>
#include <QTranslator>

#include "gui/toolkit/QtTextGaps.h"

// The program: one modal wizard, in French, and nothing saved anywhere.
// User-interface thread only.
class CDalvex2App : public QApplication {
    Q_OBJECT
public:
    CDalvex2App(int& argc, char** argv);

    // Runs the wizard until it closes; the exit status. A Cancel, Escape, the
    // close box and SIGTERM, SIGINT or SIGHUP all end it the same way, with
    // 0; the window destroyed by another program too, with 1. The display's
    // loss makes Qt call exit(1): a run still going is ended first (see
    // RunController::EndRunsAtExit). Once the wizard has closed, a small
    // window stays while tests left behind delete their files.
    int Run();

private:
    QtTextGaps m_qtTextGaps;
    QTranslator m_qtTranslator;
};
