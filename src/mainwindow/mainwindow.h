#pragma once

#include "accessibilityrequests.h"
#include "commandguard.h"
#include "commandview.h"
#include "commandwait.h"
#include "lookupclient.h"
#include "skincatalog.h"

#include <QMainWindow>
#include <QPointer>

#include <functional>
#include <memory>
#include <optional>

class QGroupBox;
class QLineEdit;
class QMenu;
class QPushButton;
class ResultListModel;
class ResultListView;

// The program's one working window. Every button, menu item and list event
// runs exactly one handler below, named after its control and event; the
// bodies that a button and a menu item share live with their subsystem.
// Each handler runs to its end before another may start (commandguard.h).
// The command bodies see the window only as a CommandView.
class MainWindow : public QMainWindow, private CommandView {
    Q_OBJECT
public:
    // The lookups go to serviceHost and give up after timeoutMs.
    explicit MainWindow(const QString &serviceHost = LookupClient::DefaultServiceHost(),
                        int timeoutMs = LookupClient::kDefaultTimeoutMs, QWidget *parent = nullptr);
    ~MainWindow() override;

    ResultListModel *ListModel() const { return m_list; }
    ResultListView *ListView() const { return lv; }
    QGroupBox *Frame1Box() const { return Frame1; }
    QGroupBox *Frame2Box() const { return Frame2; }
    // True while a handler's command runs, a lookup's wait included.
    bool CommandRunning() const { return m_commands.Busy(); }
    // What the first lookup waits for: a service that is still starting.
    void SetServiceReadiness(LookupClient::ReadinessWait waitUntilReady) {
        Inet1->SetServiceReadiness(std::move(waitUntilReady));
    }

public Q_SLOTS:
    void Form_Load();

    void seach_Click();
    void import_Click();
    void ImportPhone_Click();
    void PastePhone_Click();
    void RemoveRepeats_Click();
    void batch_Click();
    void BatchQuery_Click();
    void save_Click();
    void SavePhone_Click();
    void ExportPhone_Click();
    void ProvinceExport_Click();
    void PhoneStats_Click();
    void ClearLV_Click();
    void Command1_Click();
    void lv_DblClick();
    // Files dropped on the window, by their paths.
    void Form_OLEDragDrop(const QStringList &files);
    void Exit_Click();

    // The skin items, each applying its entry of the catalog.
    void black_Click() { ChooseSkin(SkinNamed("black")); }
    void gray_Click() { ChooseSkin(SkinNamed("gray")); }
    void wood_Click() { ChooseSkin(SkinNamed("wood")); }
    void asus_Click() { ChooseSkin(SkinNamed("asus")); }
    void blue_Click() { ChooseSkin(SkinNamed("blue")); }
    void eye_Click() { ChooseSkin(SkinNamed("eye")); }
    void warm_Click() { ChooseSkin(SkinNamed("warm")); }
    void pebble_Click() { ChooseSkin(SkinNamed("pebble")); }
    void green_Click() { ChooseSkin(SkinNamed("green")); }
    void Default_Click() { ChooseSkin(SkinNamed("Default")); }

    void Declare_Click();
    void Attention_Click();
    void Author_Click();

protected:
    void closeEvent(QCloseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void RunCommand(const std::function<void()> &body);
    void ChooseSkin(const SkinEntryInfo &entry);

    void BuildControls();
    void BuildMenus();
    void ConnectControls();

    ResultListModel &ResultList() override;
    QString SinglePhoneText() const override;
    void SetFrame1Caption(const QString &text) override;
    void SetFrame2Caption(const QString &text) override;
    QString FileNameText() const override;
    void SetFileNameText(const QString &text) override;
    QString ChooseNumberFile() override;
    ExportFileChoice ChooseExportFile() override;
    QString ChooseProvinceWorkbook() override;
    void Prompt(const QString &text) override;
    int SelectedRow() const override;
    void CopyToClipboard(const QString &text) override;
    QString ClipboardText() const override;
    void ShowDistinctLocations(const QStringList &locations) override;
    CommandWaiter &Waiter() override { return m_wait; }
    // Hands the captions set during a command to their frames.
    void ShowCaptions();

    // Controls, named as in the window's design.
    QGroupBox *Frame1 = nullptr;
    QLineEdit *SinglePhone = nullptr;
    QPushButton *seach = nullptr;
    QGroupBox *Frame2 = nullptr;
    ResultListView *lv = nullptr;
    QPushButton *import_ = nullptr;
    QPushButton *batch = nullptr;
    QPushButton *ClearLV = nullptr;
    QPushButton *save = nullptr;
    QPushButton *Command1 = nullptr;
    QGroupBox *Frame3 = nullptr;
    QLineEdit *FileName = nullptr;
    QGroupBox *Frame4 = nullptr;

    ResultListModel *m_list = nullptr;
    std::unique_ptr<LookupClient> Inet1;
    CommandGuard m_commands;
    AccessibilityRequests m_accessibilityRequests;
    CommandWait m_wait{*this};
    bool m_closeAfterCommand = false;
    std::optional<QString> m_frame1Caption, m_frame2Caption; // not yet shown
    QPointer<QWidget> m_filterWindow;
    QPointer<QWidget> m_statsWindow;
};
