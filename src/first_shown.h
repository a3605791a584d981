#pragma once

#include <QObject>
#include <functional>

namespace dravesse {

// Runs `then` once, from the event loop, right after the first window of the program (the main
// window, a dialog or a message box) has been put on screen and painted; for a window that
// is never exposed (started minimized, say), `latestMs` after this is made, once a loop runs.
// Work that the first window need not wait for starts here. Nothing runs once this is gone.
class WhenFirstShown : public QObject {
  public:
    explicit WhenFirstShown(std::function<void()> then, int latestMs = 1000);
    ~WhenFirstShown() override;

  protected:
    bool eventFilter(QObject* target, QEvent* event) override;

  private:
    void run();

    std::function<void()> then_;
};

}  // namespace dravesse
