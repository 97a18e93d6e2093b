#pragma once
// The small images of the list's column headers: blank on unsorted columns, a triangle pointing
// down on the column sorted ascending and one pointing up on the column sorted descending.

#include <QPixmap>

namespace tolvane {

enum class HeaderImage { kBlank, kUp, kDown };

// 8 x 8 pixels, transparent around the triangle, drawn in grey with a white edge.
QPixmap DrawHeaderImage(HeaderImage image);

}  // namespace tolvane
