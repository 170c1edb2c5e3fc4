#pragma once

#include <QIdentityProxyModel>

// The file dialog's list as the program's Chinese interface words it. Qt's
// file list gives a file's size and modification time in the system's
// locale ("26 bytes", "8 Dec 2026 21:59"), whatever language the program
// speaks; this gives them in Chinese ("26 字节", "2026/12/8 21:59"). Every
// other cell, and everything but what is shown, is the file list's own.
class ChineseFileColumns : public QIdentityProxyModel {
public:
    using QIdentityProxyModel::QIdentityProxyModel;

    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
};
