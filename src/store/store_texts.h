// File names and the store's messages, as the user sees them.
#pragma once

#include <QString>

namespace dravesse {

inline const QString kItemFileName = QStringLiteral("Tamblet.csv");
inline QString BackupFileName(int generation) {  // 1 is the newest backup, 3 the oldest
    return QStringLiteral("Tamblet%1.csv").arg(generation);
}

inline const QString kErrorTitle = QStringLiteral("Error");
inline const QString kReadTitle = QStringLiteral("Read File / Dravesse");
inline const QString kSaveTitle = QStringLiteral("Save / Dravesse");

inline const QString kCanNotOpenText = QStringLiteral("   Can not open Tamblet.csv !    ");
inline const QString kCanNotSaveText = QStringLiteral("   Can not save Tamblet.csv !    ");
inline const QString kDamagedText = QStringLiteral(u"データファイルは壊れています");
inline const QString kNothingSavedText =
    QStringLiteral("Nothing was saved: Tamblet.csv and its backups are as they were.");
// A failed save whose backups could not all be put back; the moves that stay follow it.
inline const QString kNotAllPutBackText = QStringLiteral(
    "Nothing was saved: Tamblet.csv is as it was, but its backups could not all be put back:");
// %1: the text of a link whose file does not exist.
inline const QString kDanglingLinkText =
    QStringLiteral("Tamblet.csv is a link to %1, which does not exist");
inline const QString kMountOrRemoveText = QStringLiteral(
    "If it lies on a drive or in a synced folder that is not mounted, mount it "
    "and try again; otherwise remove the link.");

// Why a credentials row would lock its owner out or give a password away. %1: the built-in
// password that the next start takes instead of an empty one.
inline const QString kEmptyLoginText = QStringLiteral(
    u"ログインパスワードが空です。次回からは組み込みのパスワード「%1」でしか開けません。");
inline const QString kEmptyEditText = QStringLiteral(
    u"編集パスワードが空です。次回からは組み込みのパスワード「%1」でしか編集できません。");
inline const QString kSamePasswordsText =
    QStringLiteral(u"ログインパスワードと編集パスワードが同じです。");
inline const QString kHintIsLoginText = QStringLiteral(u"ログインパスワードと連想言葉が同じです。");
inline const QString kHintIsEditText = QStringLiteral(u"編集パスワードと連想言葉が同じです。");

}  // namespace dravesse
