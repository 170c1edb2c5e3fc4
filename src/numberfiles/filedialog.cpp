#include "filedialog.h"

#include "chinesefilecolumns.h"

#include <QEventLoop>
#include <QFileDialog>
#include <QHeaderView>
#include <QTimer>
#include <QTreeView>

#include <iterator>
#include <optional>

namespace {
struct Answering {
    std::optional<QString> path;
    std::function<void()> whileShown;
    QString chosenExtension = QStringLiteral("xlsx");
    int timesAsked = 0;
};

Answering &State() {
    static Answering state;
    return state;
}

// A dialog answered in the user's place, when a test has said so.
std::optional<Answering> AnsweredUnseen() {
    if (!State().path)
        return std::nullopt;
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
    return answer;
}

struct ExportEntry {
    const char16_t *filter;
    const char16_t *extension;
};
constexpr ExportEntry kExportEntries[] = {
    {u"Excel 工作簿(*.xlsx)", u"xlsx"},
    {u"CSV 文件(*.csv)", u"csv"},
};

QString ExtensionOfEntry(const QString &filter) {
    for (const ExportEntry &entry : kExportEntries) {
        if (filter == QString::fromUtf16(entry.filter))
            return QString::fromUtf16(entry.extension);
    }
    return QString::fromUtf16(kExportEntries[0].extension);
}

// Qt's own dialog (the program asks for it) with its list worded in Chinese,
// and a size, a file type and a time shown whole ("纯文本文档", not "纯…档"):
// those columns as wide as what they hold, the name's taking the rest.
void ListFilesInChinese(QFileDialog &dialog) {
    dialog.setProxyModel(new ChineseFileColumns(&dialog));
    if (auto *list = dialog.findChild<QTreeView *>()) {
        QHeaderView *columns = list->header();
        columns->setStretchLastSection(false);
        columns->setSectionResizeMode(0, QHeaderView::Stretch);
        for (int column = 1; column < columns->count(); ++column)
            columns->setSectionResizeMode(column, QHeaderView::ResizeToContents);
    }
}

// The dialog adds its default suffix to a bare name before it asks about
// replacing a file, so the suffix must be the chosen entry's by then: Qt's
// own dialog is told as it accepts, however the entry was chosen; a
// platform's dialog, which asks on its own, as the entry changes.
class ExportDialog : public QFileDialog {
public:
    ExportDialog(QWidget *parent, const QString &title, qsizetype entries)
        : QFileDialog(parent, title) {
        ListFilesInChinese(*this);
        setAcceptMode(QFileDialog::AcceptSave);
        setFileMode(QFileDialog::AnyFile);
        QStringList filters;
        for (qsizetype i = 0; i < entries; ++i)
            filters.append(QString::fromUtf16(kExportEntries[i].filter));
        setNameFilters(filters);
        selectNameFilter(filters.first());
        setDefaultSuffix(ExtensionOfEntry(filters.first()));
        connect(this, &QFileDialog::filterSelected, this,
                [this](const QString &filter) { setDefaultSuffix(ExtensionOfEntry(filter)); });
    }

    void accept() override {
        setDefaultSuffix(ExtensionOfEntry(selectedNameFilter()));
        QFileDialog::accept();
    }
};
} // namespace

void FileDialog::SetNextFileName(const QString &path, std::function<void()> whileShown) {
    State().path = path;
    State().whileShown = std::move(whileShown);
}

void FileDialog::SetNextChosenExtension(const QString &extension) {
    State().chosenExtension = extension;
}

int FileDialog::TimesAsked() {
    return State().timesAsked;
}

void FileDialog::Reset() {
    State() = Answering();
}

QString FileDialog::ChooseNumberFile(QWidget *parent) {
    if (const std::optional<Answering> answer = AnsweredUnseen())
        return *answer->path;
    QFileDialog dialog(parent, QStringLiteral("请选择文件"));
    ListFilesInChinese(dialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile);
    // The text types first, as they always were, so the dialog still opens on
    // "文本文件(*.txt)"; a workbook is one more type beside them.
    dialog.setNameFilters({QStringLiteral("文本文件(*.txt)"), QStringLiteral("CSV 文件(*.csv)"),
                           QStringLiteral("Excel 工作簿(*.xlsx *.xls)")});
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().first();
}

FileDialog::ExportChoice FileDialog::ChooseExportFile(QWidget *parent) {
    if (const std::optional<Answering> answer = AnsweredUnseen())
        return {*answer->path, answer->chosenExtension};
    ExportDialog dialog(parent, QStringLiteral("导出结果"), std::size(kExportEntries));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return {dialog.selectedFiles().first(), ExtensionOfEntry(dialog.selectedNameFilter())};
}

QString FileDialog::ChooseProvinceWorkbook(QWidget *parent) {
    if (const std::optional<Answering> answer = AnsweredUnseen())
        return *answer->path;
    // The workbook's entry alone: a sheet per province is a workbook's.
    ExportDialog dialog(parent, QStringLiteral("分类导出"), 1);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().first();
}
