#include "filedialog.h"

#include <QEventLoop>
#include <QFileDialog>
#include <QTimer>

#include <optional>

namespace {
struct Answering {
    std::optional<QString> path;
    int shownForMs = 0;
    int timesAsked = 0;
};

Answering &State() {
    static Answering state;
    return state;
}
} // namespace

void FileDialog::SetNextFileName(const QString &path, int shownForMs) {
    State().path = path;
    State().shownForMs = shownForMs;
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
        if (answer.shownForMs > 0) {
            QEventLoop shown;
            QTimer::singleShot(answer.shownForMs, &shown, &QEventLoop::quit);
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
