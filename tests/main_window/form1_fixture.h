#pragma once

#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
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

// A main window over the sample table (4 rows: Bank, Mail, the credentials row, Card; 3 columns;
// login password "login!", edit password "edit!", hint "stars"), with messages recorded.
class Form1Test : public testing::Test {
  protected:
    void SetUp() override {
        ResetSharedState();
        PutInSharedState(SampleTable());
        QGuiApplication::clipboard()->clear();
    }
    void TearDown() override { form.reset(); }

    Form1& open() {
        form = std::make_unique<Form1>();
        form->show();
        return *form;
    }

    // The grid as after a login: both panels shown.
    void showPanels() {
        form->SSPanel1->show();
        form->SSPanel2->show();
        QCoreApplication::processEvents();  // lets the grid lay out its headers and viewport
    }

    // Types the text into the entry box and presses Enter.
    void enter(const QString& text) {
        form->Text1->setText(text);
        QTest::keyClick(form->Text1, Qt::Key_Return);
    }
    // Logged in and edit unlocked: the window large, Display enabled.
    void unlock() {
        enter(LoginPass);
        enter(EditPass);
        QCoreApplication::processEvents();
    }
    // Unlocked, then Display pressed twice: every value shown, Edit and Save enabled.
    void fullView() {
        unlock();
        form->SSCommand1->click();
        form->SSCommand1->click();
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
        Spread* grid = form->vaSpread1;
        const QRect rect = grid->visualRect(grid->model()->index(row - 1, col - 1));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, rect.center());
    }
    QPoint rowHeaderPoint(int row) {
        QHeaderView* header = form->vaSpread1->verticalHeader();
        return {header->width() / 2,
                header->sectionViewportPosition(row - 1) + header->sectionSize(row - 1) / 2};
    }
    void clickRowHeader(int row) {
        QTest::mouseClick(form->vaSpread1->verticalHeader()->viewport(), Qt::LeftButton, {},
                          rowHeaderPoint(row));
    }
    void doubleClickRowHeader(int row) {
        QWidget* viewport = form->vaSpread1->verticalHeader()->viewport();
        QTest::mouseClick(viewport, Qt::LeftButton, {}, rowHeaderPoint(row));
        QTest::mouseDClick(viewport, Qt::LeftButton, {}, rowHeaderPoint(row));
    }

    MsgBoxScript messages;
    std::unique_ptr<Form1> form;
};

}  // namespace dravesse::test
