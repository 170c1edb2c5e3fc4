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
    static const QLocale chinese(QLocale::Chinese, QLocale::China);
    if (index.column() == kSizeColumn) {
        // A folder's size is left blank, as Qt leaves it.
        if (files->isDir(file))
            return QIdentityProxyModel::data(index, role);
        // KB and MB, as Windows and its users write them: Qt's traditional
        // format counts in 1024s but writes the kilobyte "kB".
        QString size =
            chinese.formattedDataSize(files->size(file), 2, QLocale::DataSizeTraditionalFormat);
        return size.replace(QStringLiteral("kB"), QStringLiteral("KB"));
    }
    const QDateTime modified = files->lastModified(file);
    return modified.isValid() ? chinese.toString(modified, QLocale::ShortFormat) : QString();
}
