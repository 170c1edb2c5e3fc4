#include "chinesefilecolumns.h"

#include <QFileSystemModel>
#include <QLocale>

namespace {
// The columns of QFileSystemModel.
constexpr int kSizeColumn = 1;
constexpr int kTimeColumn = 3;
} // namespace

QVariant ChineseFileColumns::data(const QModelIndex &index, int role) const {
    const auto *files = qobject_cast<const QFileSystemModel *>(sourceModel());
    if (role != Qt::DisplayRole || !files ||
        (index.column() != kSizeColumn && index.column() != kTimeColumn))
        return QIdentityProxyModel::data(index, role);
    const QModelIndex file = mapToSource(index);
    // A folder has no size shown, and Qt's own words stay where it has any.
    if (files->isDir(file))
        return QIdentityProxyModel::data(index, role);
    static const QLocale chinese(QLocale::Chinese, QLocale::China);
    if (index.column() == kSizeColumn)
        return chinese.formattedDataSize(files->size(file));
    const QDateTime modified = files->lastModified(file);
    return modified.isValid() ? chinese.toString(modified, QLocale::ShortFormat) : QString();
}
