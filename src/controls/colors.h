#pragma once

#include <QColor>
#include <QtGlobal>

namespace dravesse {

// Colour values as the windows store them: the low byte red, then green, then blue; a value with
// the high bit set names a system colour.
constexpr quint32 kButtonFace = 0x8000000F;  // the system's button-face colour
constexpr quint32 kLightCyan = 0xFFFF80;     // red 128, green 255, blue 255
constexpr quint32 kCyan = 0xFFFF00;          // red 0, green 255, blue 255

// The colour for a value; system colours come from the application's palette.
QColor ColorFromValue(quint32 value);

}  // namespace dravesse
