#pragma once
#include <QWidget>

class QLineEdit;
class QToolButton;

// Two arrows beside an edit field (its buddy) that step the number it holds.
// The field may hold any text: a step reads it as ToInteger does, adds or
// takes one, keeps the result within the range and writes it back as decimal
// text. The Up and Down keys in the field step too. User-interface thread only.
class UpDownCtrl : public QWidget {
    Q_OBJECT
public:
    explicit UpDownCtrl(QWidget* parent = nullptr);

    // Attaches to the right edge of `buddy`, which gives up the room taken.
    void SetBuddy(QLineEdit* buddy);
    void SetRange(int lower, int upper);
    // Adds `delta` to the buddy's number, within the range.
    void Step(int delta);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QLineEdit* m_buddy = nullptr;
    QToolButton* m_up;
    QToolButton* m_down;
    int m_lower = 0;
    int m_upper = 100;
};
