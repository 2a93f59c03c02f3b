#include "gui/toolkit/MessageBox.h"

#include <QApplication>

#include <QMessageBox>

#include "gui/toolkit/GuiText.h"

bool MessageBox::AskYesNo(QWidget* parent, const Chaine& text, const Chaine& caption,
                          Answer byDefault) {
    QMessageBox box(QMessageBox::Question, ToQString(caption), ToQString(text),
                    QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(byDefault == kYes ? QMessageBox::Yes : QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

void MessageBox::Warn(QWidget* parent, const Chaine& text, const Chaine& caption) {
    QMessageBox(QMessageBox::Warning, ToQString(caption), ToQString(text), QMessageBox::Ok, parent)
        .exec();
}

namespace {
int g_beeps = 0;
}

void MessageBox::Beep() {
    ++g_beeps;
    QApplication::beep();
}

int MessageBox::BeepCount() { return g_beeps; }
