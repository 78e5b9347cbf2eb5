// Message texts the payment, cancellation and stock windows share.
#pragma once

#include <QString>

namespace orders {

inline const QString kEmptyMessage = QStringLiteral("データが空です。");
inline const QString kReadErrorTitle = QStringLiteral("データベース読み込み中にエラーが発生しました");
inline const QString kWriteErrorTitle = QStringLiteral("データベース書き込み中にエラーが発生しました");
// A list's row was changed by another user since it was shown: nothing was written, the row shows it now.
inline const QString kChangedElsewhere = QStringLiteral("この受注は他で変更されています。表示を更新しました。");

inline const QString kOtherProgramMessage = QStringLiteral(
    "このエラーは該当データベースをデータベース複製ユーティリティ、データベース最適化ユーティリティ、"
    "またはVarnox以外のプログラムで他の人が使用している場合に起こることがあります。");

// The order a payment or cancel write was meant for is no longer in the table.
inline QString orderMissingMessage(qint32 orderNo) {
    return QStringLiteral("受注No=%1 の受注データが見つかりません。").arg(orderNo);
}

} // namespace orders
