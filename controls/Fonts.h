#pragma once

#include <QFont>

// The windows are designed for the Ming typeface of Traditional Chinese Windows
// ("新細明體", "細明體"). Maps both names to the Ming font installed here, so that a
// QFont asking for them finds it. Safe to call any number of times.
void installChineseFontSubstitutes();

// The designed font of the windows at a size in pixels.
QFont designFont(int pixelSize = 12);
