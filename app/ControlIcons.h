// The station's small pictures, painted in code so they stay sharp and need
// no files: the control panel's image list and the person picture of the
// card windows.
#pragma once

#include <QPixmap>

namespace doravo {

// The control panel's image list, 16 x 16 each; rows draw them one pixel
// down, so their pictures leave the bottom pixel row empty.
enum TControlImage {
    ciPersonnelPage,
    ciPassesPage,
    ciZonesPage,
    ciEventsPage,
    ciPerson,
    ciPassOdd,
    ciPassEven,
    ciZone,
    ciEvent,
    ciCount
};

constexpr int ControlImageSize = 16;

// The image at index (0 … ciCount − 1); a null pixmap for any other index.
QPixmap ControlImage(int index);

// The person picture of a card window, 22 x 30.
QPixmap CardPersonPicture();

} // namespace doravo
