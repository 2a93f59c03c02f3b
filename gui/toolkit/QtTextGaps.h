#pragma once
#include <QTranslator>

// French for the few texts of Qt's own dialogs that its installed French
// catalogue lacks: the kinds the file dialog gives a drive, a folder, a link
// or anything else, which Qt 6 asks under a context the catalogue does not
// have yet. Installed before Qt's catalogue, it is asked only when that one
// has no answer. The words come from the program's string table.
// User-interface thread only.
class QtTextGaps : public QTranslator {
public:
    using QTranslator::QTranslator;

    bool isEmpty() const override { return false; }
    QString translate(const char* context, const char* sourceText, const char* disambiguation,
                      int n) const override;
};
