#pragma once

#include <QMargins>
#include <QObject>
#include <QSize>
#include <climits>
#include <optional>

class QWidget;

namespace dravesse {

// Keeps a top-level window at an outer size given in twips, title bar and borders included. Qt
// sizes the inside of a window, and the window manager's frame is known only once the window is
// shown, so the inside is fitted again whenever the frame turns out to differ from the one used.
// Until then `assumedFrame` (in twips) stands for it. Under QT_SCALE_FACTOR the frame keeps its
// 1x size in pixels while the inside scales: the window is then its 1x self scaled, its inside
// exactly so.
class OuterSize : public QObject {
  public:
    OuterSize(QWidget* window, QMargins assumedFrame);

    // Outer width, or empty to keep the inside width as it is.
    void Set(std::optional<int> outerWidth, int outerHeight, int maxInsideHeight = INT_MAX);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QMargins reportedFrame() const;
    QSize frameAllowance() const;
    void fit();

    QWidget* window_;
    QMargins assumedFrame_;
    QMargins fittedTo_;  // the frame the platform had reported at the last fit
    std::optional<int> width_;
    int height_ = 0;
    int maxInsideHeight_ = INT_MAX;
};

}  // namespace dravesse
