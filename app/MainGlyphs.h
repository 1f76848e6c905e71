// The pictures of the main window's buttons, painted in code.
#pragma once

#include <QImage>

namespace doravo {

QImage GlyphControl();
QImage GlyphZoom(bool in);
QImage GlyphOptions();
QImage GlyphAbout();
QImage GlyphExit();

} // namespace doravo
