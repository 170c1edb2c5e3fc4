#include "skinengine.h"

#include "skinfile.h"

#include <QApplication>
#include <QString>

extern "C" int SkinH_AttachEx(const char *skinFile, const char *extra) {
    // The second text is part of the call's shape only; nothing is read
    // from it.
    Q_UNUSED(extra);

    if (!skinFile)
        return kSkinNoPath;
    auto *app = qobject_cast<QApplication *>(QCoreApplication::instance());
    if (!app)
        return kSkinNoApplication;

    const SkinFile skin = ReadSkinFile(QString::fromLocal8Bit(skinFile));
    if (skin.status != SkinFileStatus::Ok)
        return static_cast<int>(skin.status);

    // Set even when the text equals the sheet in force: choosing a skin again
    // repolishes every widget, which is what a user choosing it expects.
    app->setStyleSheet(skin.styleSheet);
    return 0;
}
