#include "chineseqttexts.h"

#include <QCoreApplication>
#include <QLocale>
#include <QTranslator>

namespace {

const auto kCatalogueName = QStringLiteral("qtbase_zh_CN");

// Qt 6 asks for the words of the file dialog's type column ("Folder",
// "Drive", …) under a context of their own, which the Chinese catalogue
// shipped with Qt 6.4 does not have yet; the same words are in it under the
// file dialog's context. Installed before the catalogue, so a catalogue that
// has the context itself is asked first.
class FileTypeWords : public QTranslator {
public:
    FileTypeWords(const QTranslator *catalogue, QObject *parent)
        : QTranslator(parent)
        , m_catalogue(catalogue) {}

    QString translate(const char *context, const char *sourceText, const char *disambiguation,
                      int n) const override {
        Q_UNUSED(disambiguation);
        if (qstrcmp(context, "QAbstractFileIconProvider") != 0)
            return QString();
        return m_catalogue->translate("QFileDialog", sourceText, nullptr, n);
    }

    bool isEmpty() const override { return false; }

private:
    const QTranslator *m_catalogue;
};

} // namespace

bool UseChineseQtTexts() {
    QCoreApplication *app = QCoreApplication::instance();
    if (!app)
        return false;
    // A desktop's own file dialog follows the desktop's language, not ours.
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    // What Qt words by the default locale, the names of file types among
    // them, is worded in Chinese too.
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));

    if (app->findChild<QTranslator *>(kCatalogueName, Qt::FindDirectChildrenOnly))
        return true;
    auto *catalogue = new QTranslator(app);
    catalogue->setObjectName(kCatalogueName);
    if (!catalogue->load(QStringLiteral(":/tarvio/translations/qtbase_zh_CN.qm"))) {
        delete catalogue;
        return false;
    }
    QCoreApplication::installTranslator(new FileTypeWords(catalogue, app));
    QCoreApplication::installTranslator(catalogue);
    return true;
}
