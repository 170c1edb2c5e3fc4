#include "mainwindow.h"

#include "applyskin.h"
#include "batchquery.h"
#include "clearlist.h"
#include "copynumber.h"
#include "exportbyprovince.h"
#include "exportresults.h"
#include "filedialog.h"
#include "filterresult.h"
#include "filterresultwindow.h"
#include "importdroppedfiles.h"
#include "importnumberlist.h"
#include "infowindows.h"
#include "pastenumberlist.h"
#include "phonestatswindow.h"
#include "prompt.h"
#include "removerepeats.h"
#include "resultlistmodel.h"
#include "resultlistview.h"
#include "saveresults.h"
#include "singlequery.h"
#include "twips.h"

#include <QClipboard>
#include <QCloseEvent>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>

#include <utility>

MainWindow::MainWindow(const QString &serviceHost, int timeoutMs, QWidget *parent)
    : QMainWindow(parent)
    , Inet1(std::make_unique<LookupClient>(serviceHost, timeoutMs)) {
    Inet1->SetWaitHook([this] { return m_wait.Pump(); });
    m_wait.SetBeforePump([this] { ShowCaptions(); });
    BuildControls();
    BuildMenus();
    ConnectControls();
    Form_Load();
    // The design is a fixed size; at it, Command1, Frame3 and Frame4 stay
    // out of view where they were put.
    adjustSize();
    setFixedSize(sizeHint());
    SinglePhone->setFocus();
}

// The statistics window counts from the list; it goes before the list does.
MainWindow::~MainWindow() {
    delete m_statsWindow;
}

ResultListModel &MainWindow::ResultList() {
    return *m_list;
}

QString MainWindow::SinglePhoneText() const {
    return SinglePhone->text();
}

// A batch changes its caption for every row, thousands of times a second,
// and each change is a repaint and, with a screen reader listening, a
// notification. While a command runs nothing of the window can be seen or
// read but at the waits' pumps, so the captions are handed to their frames
// there, before a dialog or a message box, and when the command ends: always
// the latest text, at a human pace.
void MainWindow::SetFrame1Caption(const QString &text) {
    m_frame1Caption = text;
    if (!m_commands.Busy())
        ShowCaptions();
}

void MainWindow::SetFrame2Caption(const QString &text) {
    m_frame2Caption = text;
    if (!m_commands.Busy())
        ShowCaptions();
}

void MainWindow::ShowCaptions() {
    if (m_frame1Caption)
        Frame1->setTitle(*std::exchange(m_frame1Caption, std::nullopt));
    if (m_frame2Caption)
        Frame2->setTitle(*std::exchange(m_frame2Caption, std::nullopt));
}

QString MainWindow::FileNameText() const {
    return FileName->text();
}

void MainWindow::SetFileNameText(const QString &text) {
    FileName->setText(text);
}

QString MainWindow::ChooseNumberFile() {
    ShowCaptions();
    return FileDialog::ChooseNumberFile(this);
}

ExportFileChoice MainWindow::ChooseExportFile() {
    ShowCaptions();
    const FileDialog::ExportChoice choice = FileDialog::ChooseExportFile(this);
    return {choice.path, choice.chosenExtension};
}

QString MainWindow::ChooseProvinceWorkbook() {
    ShowCaptions();
    return FileDialog::ChooseProvinceWorkbook(this);
}

int MainWindow::SelectedRow() const {
    return lv->SelectedRow() + 1;
}

void MainWindow::CopyToClipboard(const QString &text) {
    QClipboard *clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(text);
}

QString MainWindow::ClipboardText() const {
    return QGuiApplication::clipboard()->text();
}

void MainWindow::ShowDistinctLocations(const QStringList &locations) {
    m_filterWindow = ShowFilterResult(m_filterWindow, locations);
}

void MainWindow::Prompt(const QString &text) {
    ShowCaptions();
    ShowPrompt(this, text);
}

void MainWindow::ConnectControls() {
    connect(seach, &QPushButton::clicked, this, &MainWindow::seach_Click);
    connect(import_, &QPushButton::clicked, this, &MainWindow::import_Click);
    connect(batch, &QPushButton::clicked, this, &MainWindow::batch_Click);
    connect(save, &QPushButton::clicked, this, &MainWindow::save_Click);
    connect(ClearLV, &QPushButton::clicked, this, &MainWindow::ClearLV_Click);
    connect(Command1, &QPushButton::clicked, this, &MainWindow::Command1_Click);
    connect(lv, &ResultListView::DblClick, this, &MainWindow::lv_DblClick);
}

void MainWindow::RunCommand(const std::function<void()> &body) {
    // A command asked for inside a screen reader's request (a press on a
    // menu item) starts once the request has its answer, unless another
    // command runs: then it is dropped now, as any other.
    if (m_accessibilityRequests.Serving() && !m_commands.Busy()) {
        QMetaObject::invokeMethod(
            this, [this, body] { RunCommand(body); }, Qt::QueuedConnection);
        return;
    }
    if (!m_commands.Run([this, &body] {
            m_wait.Begin();
            body();
        }))
        return;
    ShowCaptions();
    if (std::exchange(m_closeAfterCommand, false))
        close();
}

// Closing the window under a running handler would pull its controls from
// under it. A close that comes during a command (the close box, 退出, the end
// of the session) stops the command where it waits, and the window closes
// as soon as the command has ended.
void MainWindow::closeEvent(QCloseEvent *event) {
    if (m_commands.Busy()) {
        m_closeAfterCommand = true;
        m_wait.RequestStop();
        event->ignore();
        return;
    }
    // The statistics follow this window's list, and go with it.
    if (m_statsWindow)
        m_statsWindow->close();
    QMainWindow::closeEvent(event);
}

void MainWindow::Form_Load() {
    ApplySkin(QString::fromUtf8(kDefaultSkin));

    lv->SetReportView();
    lv->SetHotTracking(true);
    lv->SetHoverSelection(true);

    const struct {
        const char16_t *title;
        int width;
    } columns[] = {{u"序号", 900}, {u"手机号码", 1400}, {u"归属地", 1600}};
    for (const auto &column : columns) {
        m_list->AddColumn(QString::fromUtf16(column.title));
        lv->setColumnWidth(m_list->columnCount() - 1, Twips(column.width));
    }
}

// The buttons and their menu items run one shared body each.
// clang-format off
void MainWindow::seach_Click()       { RunCommand([this] { RunSingleQuery(*this, *Inet1); }); }
void MainWindow::import_Click()      { RunCommand([this] { ImportNumberList(*this); }); }
void MainWindow::ImportPhone_Click() { RunCommand([this] { ImportNumberList(*this); }); }
void MainWindow::PastePhone_Click()  { RunCommand([this] { PasteNumberList(*this); }); }
void MainWindow::batch_Click()       { RunCommand([this] { RunBatchQuery(*this, *Inet1); }); }
void MainWindow::BatchQuery_Click()  { RunCommand([this] { RunBatchQuery(*this, *Inet1); }); }
void MainWindow::save_Click()        { RunCommand([this] { SaveResults(*this); }); }
void MainWindow::SavePhone_Click()   { RunCommand([this] { SaveResults(*this); }); }
void MainWindow::ExportPhone_Click() { RunCommand([this] { ExportResults(*this); }); }
void MainWindow::RemoveRepeats_Click()  { RunCommand([this] { RemoveRepeatedNumbers(*this); }); }
void MainWindow::ProvinceExport_Click() { RunCommand([this] { ExportByProvince(*this); }); }
// clang-format on

// Opening the window is a command like any other, and is dropped while one
// runs (a batch included); once open, the window follows the list through
// everything, and its 复制 runs through the same guard.
void MainWindow::PhoneStats_Click() {
    RunCommand([this] {
        m_statsWindow = ShowPhoneStats(
            m_statsWindow, *m_list, [this](const std::function<void()> &body) { RunCommand(body); },
            this);
    });
}

// clang-format off
void MainWindow::ClearLV_Click()  { RunCommand([this] { ClearList(*this); }); }
void MainWindow::Command1_Click() { RunCommand([this] { FilterResult(*this); }); }
void MainWindow::lv_DblClick()    { RunCommand([this] { CopyNumber(*this); }); }
// clang-format on

void MainWindow::Form_OLEDragDrop(const QStringList &files) {
    RunCommand([this, &files] { ImportDroppedFiles(*this, files); });
}

void MainWindow::Exit_Click() {
    // Unlike the other commands, 退出 is not dropped while a command runs:
    // like the close box, it stops that command and closes the window once
    // the command has ended.
    close();
}

// Every skin item applies its file each time it is chosen, the one in
// force included.
void MainWindow::ChooseSkin(const SkinEntryInfo &entry) {
    RunCommand([&entry] { ApplySkin(QString::fromUtf8(entry.fixedText)); });
}

// clang-format off
void MainWindow::Declare_Click()   { RunCommand([] { ShowUsageNotes(); }); }
void MainWindow::Attention_Click() { RunCommand([] { ShowAttention(); }); }
void MainWindow::Author_Click()    { RunCommand([] { ShowAboutAuthor(); }); }
// clang-format on
