#pragma once
#include <QDialog>
#include <cstdint>
#include <memory>

#include "support/Chaine.h"

class QLocale;

namespace Ui {
class CAboutDlg;
}

// The about box: the program's icon, product name, legal notice and version
// as its own file states them, and how to reach technical support. User-
// interface thread only.
class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    // `program` is the file whose version block is shown; empty: the running
    // program. A file without a block leaves the placeholders.
    explicit CAboutDlg(QWidget* parent, const Chaine& program = Chaine());
    ~CAboutDlg() override;

    // The language identifier the system's version tables are keyed by
    // (primary language, default sublanguage); 0 for a locale without a
    // language or with one the table does not know.
    static uint16_t LanguageId(const QLocale& locale);

private:
    void ShowVersion(const Chaine& program);

    std::unique_ptr<Ui::CAboutDlg> ui;
};
