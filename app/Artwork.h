#pragma once
// The program's pictures, painted in code so that they scale cleanly and need no binary files.

#include <QPixmap>

class QLabel;

namespace qv::artwork {

QPixmap splashPicture(); // 400 x 200
QPixmap backgroundPicture(const QSize& size);
QPixmap logoPicture();   // the maker's logo, bottom right of the main window
QPixmap bannerPicture(); // 385 x 94, help and about windows
// The banner as the help and about windows show it: a label of its size that a screen reader names.
QLabel* bannerLabel();

inline constexpr const char* MakerWebAddress = "https://www.quorvane.example/";

} // namespace qv::artwork
