// What the main window shows and says, as the user sees it.
#pragma once

#include <QString>

namespace dravesse {

inline const QString kDesignCaption = QStringLiteral(" Dravesse");
inline const QString kVersionText = QStringLiteral("Ver 1.40        Dec. 26 '10");
inline const QString kPasswordCaption = QStringLiteral("Password");
inline const QString kItemNameCaption = QStringLiteral("Item Name");
inline const QString kCornerText = QStringLiteral("Item");
inline const QString kMaskText = QStringLiteral("********");
inline const QString kNewRowName = QStringLiteral("New");
inline const QString kCopyCaption = QStringLiteral("Copy");  // the grid's menu
inline const QString kGenerateCaption = QStringLiteral("Generate password");

inline const QString kFormSizeTitle = QStringLiteral("FormSize/Dravesse");
inline const QString kProgramErrorText = QStringLiteral("Program Error!");

inline const QString kPasswordEntryTitle = QStringLiteral("Password Entry");
inline const QString kHintText =
    QStringLiteral("Did you forget the password?\r\nPssword Hint: \r\n");  // then the hint word
inline const QString kFinderText = QStringLiteral(
    "Is this Dravesse yours ?\r\nPlease return this Tamblet to the owner. \r\nmn(_\"_)nm");

// Questions and notes of the Save button (title kSaveTitle).
inline const QString kNoCredentialsQuestion = QStringLiteral(
    u"[LoginPassword]がありません。このまま保存終了すると、次回このファイルが開けなくなります。"
    u"このまま保存しますか？");
inline const QString kSaveAnywayText = QStringLiteral(u"このまま保存しますか？");
inline const QString kUnnamedRowQuestion = QStringLiteral(
    "Row %1 has no item name: it and every row below it will not be saved.\r\nSave anyway?");
inline const QString kNothingToSaveText =
    QStringLiteral("There is nothing to save: the first row needs an item name.");

}  // namespace dravesse
