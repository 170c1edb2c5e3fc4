#include "mainwindow/prompt.h"

#include <QMessageBox>

namespace {
PromptHook &Hook() {
    static PromptHook hook;
    return hook;
}
} // namespace

void SetPromptHook(PromptHook hook) {
    Hook() = std::move(hook);
}

void ShowPrompt(QWidget *parent, const QString &text) {
    if (Hook()) {
        Hook()(text);
        return;
    }
    QString shown = text;
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QMessageBox box(QMessageBox::Information, QStringLiteral("提示"), shown, QMessageBox::Ok,
                    parent);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}
