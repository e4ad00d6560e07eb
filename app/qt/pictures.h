// The pictures of the dialog's three graphical buttons, drawn at their
// design sizes on a transparent background.
#pragma once

#include <QPixmap>

namespace calvora {

// A black question mark with an arrow pointing down-left, 41 x 45 pixels.
QPixmap QuestPicture();
// A green tick, 44 x 36 pixels.
QPixmap OkPicture();
// A red cross, 37 x 39 pixels.
QPixmap CancelPicture();

}  // namespace calvora
