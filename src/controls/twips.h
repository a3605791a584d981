// Window and control sizes are given in twips (1/1440 inch); Qt lays out in device-independent
// pixels. Converting at the screen's logical DPI keeps the layout right on HiDPI screens, where
// Qt scales device-independent pixels itself.
#pragma once

class QWidget;

namespace dravesse {

double LogicalDpi();
int TwipsToPixels(int twips);
int PixelsToTwips(int pixels);

// Geometry of a control, in twips, relative to its parent.
void SetTwipsGeometry(QWidget* w, int left, int top, int width, int height);
int TwipsTop(const QWidget* w);
int TwipsHeight(const QWidget* w);
void SetTwipsTop(QWidget* w, int top);
void SetTwipsHeight(QWidget* w, int height);

}  // namespace dravesse
