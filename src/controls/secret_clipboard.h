// The system clipboard, for secrets: a value put there is marked so that clipboard histories do
// not keep it, and is removed again after a while if it is still there.
#pragma once

#include <QByteArray>
#include <QMimeData>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <chrono>

class QWindow;

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
    // the window; neither waits on another program for more than 50 ms on X11. Emptied on
    // Wayland too, where the compositor may keep a copy of a cleared selection (see takeAway in
    // the .cpp). Where only the window with the keyboard may change the clipboard (Wayland) and
    // none of the program's windows has it, the offer stays in place but answers nothing from
    // now on, and is taken away when one of them next has the keyboard.
    void ClearIfStillOurs();

    // As ClearIfStillOurs, for the window closing: the offer goes with the program anyway, so the
    // value is taken away at once, keyboard or not (an offer waiting for the keyboard included).
    // The compositor may refuse that without the keyboard, but Qt may also not yet know that the
    // keyboard is back, and then the compositor takes it.
    void ClearForClosing();

    // Whether changing the clipboard needs the keyboard; the platform decides unless a test does.
    void SetNeedsKeyboard(bool needs) { needsKeyboard_ = needs; }

  private:
    static constexpr std::chrono::milliseconds kAnswerBound{50};

    QByteArray fingerprint(const QString& text) const;
    bool holdsOurValue() const;
    void clear(bool closing);
    void keyboardMoved(QWindow* focus);
    void takeAwayWaitingOffer();

    QTimer timer_;
    QByteArray key_;         // random, for this run only
    QByteArray lastPutMac_;  // keyed hash of the text put there last; the text itself is not kept
    QPointer<QMimeData> offered_;  // what the clipboard was given last
    bool needsKeyboard_ = false;
    bool takeAwayWithKeyboard_ = false;  // the offer is emptied and waits for the keyboard
};

}  // namespace dravesse
