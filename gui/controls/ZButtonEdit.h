#pragma once
#include <QLineEdit>
#include <QTimer>
#include <array>
#include <cstdint>
#include <functional>

#include "support/Chaine.h"

class ZAutoCompletionPopUp;
class ZPopListBoxEx;

// A one-line edit with a button inside its right edge. While the user types
// it checks the text (Validate), shows a problem as a red text and a tooltip,
// and offers completions (FillCompletionList) in a list under it; both can
// wait for a pause in the typing, and both may answer later: a check through
// CheckAnswered, completions by a new RefillList. Derived classes give the
// button, the check and the completions their meaning. User-interface thread
// only.
class ZButtonEdit : public QLineEdit {
    Q_OBJECT
public:
    enum Flag : uint16_t {
        kTooltips = 1,           // tooltips for the button and the problem
        kDelayedValidation = 2,  // check after a pause in the typing, not at each key
        kDelayedCompletion = 4,  // complete after a pause in the typing, not at each key
        kValueRequired = 8,      // an empty text has code 3
        kIgnoreCase = 16,        // compare texts through the case-folding table
    };
    // Validation codes; each has its message, and place 0 is the button's tooltip.
    // kNoAnswer: the check got no answer in time.
    enum Code { kValid = 0, kForbidden = 1, kNotValid = 2, kRequired = 3, kNoAnswer = 4 };
    static constexpr int kCodeCount = 5;
    // Validate's answer when the code comes later, through CheckAnswered: the
    // control keeps its code meanwhile.
    static constexpr int kPending = -1;
    static constexpr int kPauseMs = 400;
    static constexpr QRgb kInvalidTextColor = 0xC00000;

    explicit ZButtonEdit(QWidget* parent = nullptr);
    ~ZButtonEdit() override;

    void SetFlag(Flag flag, bool on);
    bool HasFlag(Flag flag) const { return (flags & flag) != 0; }
    // With `required`, an empty field has code 3 at once.
    void SetRequired(bool required);
    void SetIgnoreCase(bool ignoreCase);
    void SetMessage(int code, const Chaine& text);
    const Chaine& GetMessage(int code) const { return messages.at(static_cast<std::size_t>(code)); }
    int GetCode() const { return code; }
    bool IsInvalid() const { return code != kValid; }
    bool IsListShown() const;
    // The completion list, made on first use.
    ZPopListBoxEx* GetList();
    // Fills the list from the text, and shows it when it has something to
    // offer and the edit has the keyboard.
    void RefillList();
    // The button, inside the frame on the right.
    QRect ButtonRect() const;

    // Sets the text as if typed: it is checked and completed again.
    virtual void SetText(const Chaine& text);
    virtual Chaine GetText() const;
    virtual int GetTextLength() const;
    // Text → code, or kPending; the default finds every text valid.
    virtual int Validate(const Chaine& text);
    // Adds the completions of `text` to the list (AddCompletion); the
    // default offers none.
    virtual void FillCompletionList(const Chaine& text);

protected:
    virtual void OnButtonClicked() {}
    virtual void DrawButton(QPainter& painter, const QRect& button);
    virtual ZPopListBoxEx* CreatePopupList();
    // Once the control is in its window: takes its text's code.
    virtual void OnAttach();

    void AddCompletion(const Chaine& text);
    // The code of the text of the last check, which Validate left pending: the
    // control goes on as if Validate had returned it. `reason`, when given,
    // says what is wrong with this text in place of the code's message.
    // Ignored once a later check has answered at once.
    void CheckAnswered(int code, const Chaine& reason = Chaine());
    // Replaces the text the way the control's own changes do: not as typing.
    void ReplaceText(const QString& text);

    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void OnTextChanged();
    void OnPause();
    // Takes the text's code, then runs `then`: at once, or when a pending
    // check answers.
    void Check(std::function<void()> then = nullptr);
    int ComputeCode();
    void UpdateCode(int newCode, const Chaine& newReason = Chaine());
    void CloseList();
    // Does a pending pause's check now, without its refill.
    void EndPauseNow();
    // Moves the list's selection by `delta` rows and puts that row's text in.
    void MoveSelection(int delta);
    void TakeItem(int row);

    uint16_t flags = kTooltips | kDelayedValidation | kDelayedCompletion;
    bool settingText = false;
    bool buttonDown = false;  // pressed on the button, mouse still held
    bool buttonShownDown = false;
    int code = kValid;
    Chaine reason;  // the text's own problem, shown instead of its code's message
    bool checkPending = false;
    std::function<void()> afterCheck;
    std::array<Chaine, kCodeCount> messages;
    QTimer pause;
    ZAutoCompletionPopUp* popup = nullptr;
    QString typedText;  // the text last typed, which Escape brings back from the list
};
