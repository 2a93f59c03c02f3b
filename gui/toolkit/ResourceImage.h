#pragma once
#include <QPixmap>

class QLabel;

// A picture of the program's resources (resources/<id>.png); a null pixmap
// when there is none.
QPixmap LoadResourceImage(unsigned id);
// Shows the picture in `label`: stretched over the label, or at its own size
// in the top-left corner.
void ShowResourceImage(QLabel* label, unsigned id, bool stretch);
