// A create dialog on screen over a fresh program folder, with message boxes recorded.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <vector>

#include "app/msg_box.h"
#include "app/shared_state.h"
#include "controls/button3d.h"
#include "controls/panel3d.h"
#include "create_dialog/form2.h"

namespace dravesse::test {

class Form2Test : public testing::Test {
  protected:
    void SetUp() override {
        ResetSharedState();
        ASSERT_TRUE(folder.isValid());
        AppPath = folder.path();
        dialog = std::make_unique<Form2>();
        dialog->show();
        dialog->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    }

    QLineEdit* box(int i) const { return dialog->Text1[i]; }
    QWidget* focus() const { return QApplication::focusWidget(); }

    // The boxes 0 to 11 that are not hidden.
    std::vector<int> shownBoxes() const {
        std::vector<int> shown;
        for (int i = 0; i < 12; ++i)
            if (!box(i)->isHidden()) shown.push_back(i);
        return shown;
    }

    void setCredentials() {
        box(2)->setText(QStringLiteral("login-pw"));
        box(3)->setText(QStringLiteral("edit-pw"));
        box(4)->setText(QStringLiteral("hint"));
    }
    void clickSave() { QTest::mouseClick(dialog->SSCommand1, Qt::LeftButton); }

    bool folderIsEmpty() const {
        return QDir(folder.path()).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }

    QTemporaryDir folder;
    MsgBoxScript messages;
    std::unique_ptr<Form2> dialog;
};

inline std::vector<int> Range(int first, int last) {
    std::vector<int> v;
    for (int i = first; i <= last; ++i) v.push_back(i);
    return v;
}

}  // namespace dravesse::test
