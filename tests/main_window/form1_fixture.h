#pragma once

#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "app/msg_box.h"
#include "app/shared_state.h"
#include "controls/button3d.h"
#include "controls/panel3d.h"
#include "controls/spread.h"
#include "main_window/form1.h"
#include "support/sample_table.h"

namespace dravesse::test {

// A main window over the sample table (Bank, Mail, the credentials row, Card;
// 3 columns; login password "login!", edit password "edit!", hint "stars"), its item file in a
// temporary folder, messages recorded.
class Form1Test : public testing::Test {
  protected:
    void SetUp() override { open(); }
    void open() {
        form.reset();
        ResetSharedState();
        PutInSharedState(SampleTable());
        AppPath = folder.path();
        messages.clear();
        form = std::make_unique<Form1>();
        form->show();
        form->activateWindow();  // for the window's shortcuts
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    }
    // Types the text into the entry box and presses Enter.
    void enter(const QString& text) {
        form->Text1->setText(text);
        QTest::keyClick(form->Text1, Qt::Key_Return);
    }
    // Logged in and edit unlocked; full: Display pressed twice, every value shown; editing: Edit
    // pressed too, as the user saves.
    void unlock(bool full = false, bool editing = false) {
        enter(LoginPass);
        enter(EditPass);
        QCoreApplication::processEvents();  // lets the grid lay out its headers
        for (int i = 0; i < (full ? 2 : 0); ++i) form->SSCommand1->click();
        if (editing) form->SSCommand3->click();
        messages.clear();
    }
    QString cell(int col, int row) {
        QString v;
        return form->vaSpread1->GetText(col, row, v) ? v : QString();
    }
    static QString clipboardText() { return QGuiApplication::clipboard()->text(); }

    MsgBoxScript messages;
    QTemporaryDir folder;
    std::unique_ptr<Form1> form;
};

}  // namespace dravesse::test
