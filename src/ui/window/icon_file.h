#pragma once
// The program icon as a Windows icon file (.ico), for the executable's resources.

#include <QByteArray>
#include <QImage>
#include <vector>

namespace tolvane {

// An icon file holding `images` (square, at most 256 pixels each) as PNG entries, which Windows
// reads since Vista. Empty when an image cannot be encoded or is too large.
QByteArray IconFile(const std::vector<QImage>& images);

}  // namespace tolvane
