#pragma once
#include <QFrame>

class ZPopListBoxEx;

// The window that holds the completion list under its edit. As a popup it
// closes on any click outside it. It takes the keyboard while shown, so every
// key goes on to the edit, which handles those of the list and types the rest.
// User-interface thread only.
class ZAutoCompletionPopUp : public QFrame {
    Q_OBJECT
public:
    // Takes `list`; keys go to `edit`.
    ZAutoCompletionPopUp(QWidget* edit, ZPopListBoxEx* list);

    ZPopListBoxEx* List() const { return list; }
    // Shows the list under the edit, as wide as it, up to `kMaxRows` rows high.
    void ShowUnder();

    static constexpr int kMaxRows = 10;

signals:
    void Closed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QWidget* edit;
    ZPopListBoxEx* list;
};
