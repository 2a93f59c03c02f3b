#pragma once
#include <QListWidget>
#include <memory>

#include "support/FDictionnary.h"

// The list of completions under an edit. Candidates gather in a dictionary,
// so that each text appears once and in order, and reach the screen together
// at the end of a fill. User-interface thread only.
class ZPopListBoxEx : public QListWidget {
    Q_OBJECT
public:
    explicit ZPopListBoxEx(QWidget* parent = nullptr);
    ~ZPopListBoxEx() override;

    // With `ignoreCase`, the candidates are in the order of the case-folding table.
    void SetIgnoreCase(bool ignoreCase);
    // Empties the list and starts a fill.
    void ResetContent();
    void AddString(const Chaine& text);
    // Shows what the fill gathered; no item is selected.
    void EndFill();

private:
    std::unique_ptr<FDictionnary> candidates;
};
