#include "app/msg_box.h"

#include <QDebug>
#include <deque>

namespace dravesse {
namespace {

MsgBoxPresenter& presenter() {
    static MsgBoxPresenter p;
    return p;
}

struct Script {
    std::deque<int> answers;
    std::vector<ShownMessage> shown;
    std::function<void(const ShownMessage&)> hook;
};
Script* activeScript = nullptr;

}  // namespace

int MsgBox(const QString& prompt, int style, const QString& title) {
    if (activeScript) {
        ShownMessage m{prompt, style, title};
        activeScript->shown.push_back(m);
        if (activeScript->hook) activeScript->hook(m);
        if (activeScript->answers.empty()) return kIdOk;
        int answer = activeScript->answers.front();
        activeScript->answers.pop_front();
        return answer;
    }
    if (presenter()) return presenter()(prompt, style, title);
    qWarning().noquote() << title << ":" << prompt;
    return kIdOk;
}

void SetMsgBoxPresenter(MsgBoxPresenter p) {
    presenter() = std::move(p);
}

MsgBoxScript::MsgBoxScript() {
    Q_ASSERT(!activeScript);
    activeScript = new Script;
}

MsgBoxScript::~MsgBoxScript() {
    delete activeScript;
    activeScript = nullptr;
}

void MsgBoxScript::answerNext(int answer) {
    activeScript->answers.push_back(answer);
}

void MsgBoxScript::onShow(std::function<void(const ShownMessage&)> hook) {
    activeScript->hook = std::move(hook);
}

const std::vector<ShownMessage>& MsgBoxScript::shown() const {
    return activeScript->shown;
}

void MsgBoxScript::clear() {
    activeScript->shown.clear();
}

}  // namespace dravesse
