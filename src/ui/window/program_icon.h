#pragma once
// The program's icon: a waveform over a keyboard on a blue tile. The window draws it at 16 and 32
// pixels; the desktop's scalable icon (tolvane-sound-converter.svg) shows the same drawing.

#include <QIcon>
#include <QImage>

namespace tolvane {

// The icon at `size` x `size` pixels. Needs no running application.
QImage DrawProgramIcon(int size);

// The 16 and 32 pixel images as one icon.
QIcon ProgramIcon();

}  // namespace tolvane
