// The graphic property kinds through which document objects describe how
// they look: brush, pen, line cap, font, picture and background options.
#pragma once

#include "KestGraphicPropsBackground.h"
#include "KestGraphicPropsBrush.h"
#include "KestGraphicPropsFont.h"
#include "KestGraphicPropsLineCap.h"
#include "KestGraphicPropsPen.h"
#include "KestGraphicPropsPicture.h"
#include "KestPaintRoutines.h"
