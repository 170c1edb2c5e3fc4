#include "filedialog.h"

#include <QEventLoop>
#include <QFileDialog>
#include <QTimer>

#include <optional>

namespace {
struct Answering {
    std::optional<QString> path;
    std::function<void()> whileShown;
    int timesAsked = 0;
};

Answering &State() {
    static Answering state;
    return state;
}
} // namespace

void FileDialog::SetNextFileName(const QString &path, std::function<void()> whileShown) {
    State().path = path;
    State().whileShown = std::move(whileShown);
}

int FileDialog::TimesAsked() {
    return State().timesAsked;
}

void FileDialog::Reset() {
    State() = Answering();
}

QString FileDialog::ChooseNumberFile(QWidget *parent) {
    if (State().path) {
        ++State().timesAsked;
        const Answering answer = State();
        if (answer.whileShown) {
            QEventLoop shown;
            QTimer::singleShot(0, &shown, [&] {
                answer.whileShown();
                shown.quit();
            });
            shown.exec();
        }
        return *answer.path;
    }
    QFileDialog dialog(parent, QStringLiteral("请选择文件"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(QStringLiteral("文本文件(*.txt)"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().first();
}
