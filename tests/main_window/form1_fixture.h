#pragma once

#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "app/msg_box.h"
#include "app/shared_state.h"
#include "controls/button3d.h"
#include "controls/panel3d.h"
#include "controls/spread.h"
#include "main_window/form1.h"
#include "store/write_item_file.h"
#include "support/sample_table.h"

namespace dravesse::test {

// A main window over a table (the sample by default: Bank, Mail, the credentials row, Card;
// 3 columns; login password "login!", edit password "edit!", hint "stars"), its item file in a
// temporary folder, messages recorded.
class Form1Test : public testing::Test {
  protected:
    void TearDown() override {
        form.reset();
        SetSaveFaultHook({});
    }
    void open(const SaveInput& table = SampleTable()) {
        form.reset();
        ResetSharedState();
        PutInSharedState(table);
        AppPath = folder.path();
        QGuiApplication::clipboard()->clear();
        messages.clear();
        form = std::make_unique<Form1>();
        form->show();
    }
    // n rows named Item1 to Itemn, the credentials row second.
    static SaveInput rows(int n) {
        SaveInput in = SampleTable();
        in.rowCount = n;
        for (int r = 0; r < n; ++r)
            in.table[r] = {QStringLiteral("Item%1").arg(r + 1), QStringLiteral("v%1").arg(r + 1)};
        in.table[1] = SampleTable().table[2];
        return in;
    }

    // Types the text into the entry box and presses Enter.
    void enter(const QString& text) {
        form->Text1->setText(text);
        QTest::keyClick(form->Text1, Qt::Key_Return);
    }
    // Logged in and edit unlocked (the window large); full: Display pressed twice, every value
    // shown; editing: Edit pressed too, as the user saves.
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
    QStringList names() {
        QStringList out;
        for (int r = 1; r <= form->vaSpread1->MaxRows(); ++r) out << cell(0, r);
        return out;
    }
    static QString clipboardText() { return QGuiApplication::clipboard()->text(); }

    void clickCell(int col, int row) {
        const QRect rect =
            form->vaSpread1->visualRect(form->vaSpread1->model()->index(row - 1, col - 1));
        QTest::mouseClick(form->vaSpread1->viewport(), Qt::LeftButton, {}, rect.center());
    }
    void clickRowHeader(int row, bool twice = false) {
        QHeaderView* header = form->vaSpread1->verticalHeader();
        const QPoint at(header->width() / 2, header->sectionViewportPosition(row - 1) + 5);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
        if (twice) QTest::mouseDClick(header->viewport(), Qt::LeftButton, {}, at);
    }

    MsgBoxScript messages;
    QTemporaryDir folder;
    std::unique_ptr<Form1> form;
};

}  // namespace dravesse::test
