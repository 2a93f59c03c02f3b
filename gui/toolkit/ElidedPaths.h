#pragma once
#include <QString>
#include <QStringList>
#include <functional>

class QLabel;

// Shows in `label` the text that `compose` makes of `paths`, each path elided
// in its middle ("…") to one common width, the greatest at which the whole
// text fits the label's rectangle; a path narrower than that stays whole. The
// tooltip holds the text made of the whole paths. The label's geometry must be
// in pixels. User-interface thread only.
void ShowElidedPaths(QLabel* label, const QStringList& paths,
                     const std::function<QString(const QStringList&)>& compose);
