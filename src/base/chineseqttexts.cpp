#include "base/chineseqttexts.h"

#include <QCoreApplication>
#include <QTranslator>

namespace {
const auto kTranslatorName = QStringLiteral("qtbase_zh_CN");
}

bool UseChineseQtTexts() {
    QCoreApplication *app = QCoreApplication::instance();
    if (!app)
        return false;
    // A desktop's own file dialog follows the desktop's language, not ours.
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);

    if (app->findChild<QTranslator *>(kTranslatorName, Qt::FindDirectChildrenOnly))
        return true;
    auto *translator = new QTranslator(app);
    translator->setObjectName(kTranslatorName);
    if (!translator->load(QStringLiteral(":/tarvio/translations/qtbase_zh_CN.qm")) ||
        !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return false;
    }
    return true;
}
