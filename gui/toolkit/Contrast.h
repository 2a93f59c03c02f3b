#pragma once
#include <QColor>
#include <initializer_list>

// Text colours that stay readable on the grounds a style or palette gives.

// How much `a` and `b` differ to the eye, as the web's accessibility
// guidelines measure it: from 1 (the same) to 21 (black on white).
double ContrastRatio(const QColor& a, const QColor& b);

// The least contrast that small text needs to read.
inline constexpr double kReadableContrast = 4.5;

// `wanted`, or, when it reads less than kReadableContrast on one of
// `grounds`, the nearest colour towards white or black (whichever suits the
// grounds better) that reads on all of them, as far as one does.
QColor Readable(const QColor& wanted, std::initializer_list<QColor> grounds);
