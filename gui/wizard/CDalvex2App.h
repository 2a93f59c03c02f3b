#pragma once
#include <QApplication>
#include <QTranslator>

// The program: one modal wizard, in French, and nothing saved anywhere.
// User-interface thread only.
class CDalvex2App : public QApplication {
    Q_OBJECT
public:
    CDalvex2App(int& argc, char** argv);

    // Runs the wizard until it closes. A Cancel, Escape, the close box and
    // SIGTERM, SIGINT or SIGHUP all end it the same way.
    int Run();

private:
    QTranslator m_qtTranslator;
};
