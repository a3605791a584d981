// Every message the program shows goes through MsgBox: a prompt, a style value and a title, the
// answer being the button pressed. The windows install a presenter that shows a real message box;
// tests install a MsgBoxScript that records what was shown and answers without a modal loop.
#pragma once

#include <QString>
#include <functional>
#include <vector>

namespace dravesse {

// Style values, added together: one button set, one icon, and optionally system-modal.
enum MsgStyle : int {
    kMbOkOnly = 0,
    kMbOkCancel = 1,
    kMbCritical = 16,
    kMbQuestion = 32,
    kMbExclamation = 48,
    kMbSystemModal = 4096,
};

// Answers.
enum MsgAnswer : int { kIdOk = 1, kIdCancel = 2 };

using MsgBoxPresenter = std::function<int(const QString& prompt, int style, const QString& title)>;

int MsgBox(const QString& prompt, int style, const QString& title);

// Installs the function that shows messages for real; an empty one restores the default, which
// only writes the message to the log and answers OK.
void SetMsgBoxPresenter(MsgBoxPresenter presenter);

struct ShownMessage {
    QString prompt;
    int style = 0;
    QString title;
    bool operator==(const ShownMessage&) const = default;
};

// While one exists, MsgBox shows nothing: it records each message and answers with the next
// queued answer, or OK when none is queued. An optional hook runs inside each "box", as code
// would run while a real modal box is open.
class MsgBoxScript {
  public:
    MsgBoxScript();
    ~MsgBoxScript();
    MsgBoxScript(const MsgBoxScript&) = delete;
    MsgBoxScript& operator=(const MsgBoxScript&) = delete;

    void answerNext(int answer);
    void onShow(std::function<void(const ShownMessage&)> hook);
    const std::vector<ShownMessage>& shown() const;
    void clear();
};

}  // namespace dravesse
