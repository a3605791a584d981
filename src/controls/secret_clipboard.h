// The system clipboard, for secrets: a value put there is marked so that clipboard histories do
// not keep it, and is removed again after a while if it is still there.
#pragma once

#include <QByteArray>
#include <QMimeData>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <chrono>

namespace dravesse {

class SecretClipboard : public QObject {
    Q_OBJECT
  public:
    static constexpr int kClearAfterMs = 30'000;
    static inline const QString kHintFormat = QStringLiteral("x-kde-passwordManagerHint");

    explicit SecretClipboard(QObject* parent = nullptr);

    // Replaces the clipboard's contents with the text, marked as a secret, and starts the timer
    // that takes it away again.
    void PutText(const QString& text);

    // Empties the clipboard if it still holds the text put there last, and leaves it alone when
    // another program has put something there since. The timer runs this, and so does closing
    // the window; neither waits on another program for more than 50 ms on X11.
    // Emptied on Wayland too, where the compositor may keep a copy of a cleared selection (see
    // takeAway in the .cpp).
    void ClearIfStillOurs();

    const QTimer& ClearTimer() const { return timer_; }
    void SetClearDelay(int ms) { timer_.setInterval(ms); }

  private:
    static constexpr std::chrono::milliseconds kAnswerBound{50};

    QByteArray fingerprint(const QString& text) const;
    bool holdsOurValue() const;

    QTimer timer_;
    QByteArray key_;           // random, for this run only
    QByteArray lastPutMac_;    // keyed hash of the text put there last; the text itself is not kept
    QPointer<QMimeData> put_;  // the data put there last, while the clipboard keeps it
};

}  // namespace dravesse
