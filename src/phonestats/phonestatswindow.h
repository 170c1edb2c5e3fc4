#pragma once

#include "phonetally.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>

#include <chrono>
#include <functional>

class BarChart;
class QLabel;
class ResultListModel;

// Runs a body as one command of the main window, or drops it while another
// command runs.
using CommandRunner = std::function<void(const std::function<void()> &)>;

// The window "号码统计": the rows of the result list by province and by
// carrier, two bar charts that follow the list while the window is open,
// a batch included, and the button "复制" that puts both on the clipboard as
// a table. It counts from the list model's signals (phonetally.h) and
// repaints at most every kRefreshInterval: a batch changes rows far more
// often than anyone could read. A modeless dialog, so that a screen reader meets it
// as a window of its own and Esc closes it.
class PhoneStatsWindow : public QDialog {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds kRefreshInterval{200};

    // A window of owner's, which stays over it and closes with it; the copy
    // runs through runCommand, as every command of the owner does.
    PhoneStatsWindow(const ResultListModel &list, CommandRunner runCommand, QWidget *owner);

    const PhoneTally &Tally() const { return m_tally; }
    BarChart *ProvinceChart() const { return m_provinces; }
    BarChart *CarrierChart() const { return m_carriers; }

public Q_SLOTS:
    // The button "复制".
    void StatsCopy_Click();

private:
    void ScheduleRefresh();
    void Refresh();

    PhoneTally m_tally;
    CommandRunner m_runCommand;
    BarChart *m_provinces = nullptr;
    BarChart *m_carriers = nullptr;
    QLabel *m_total = nullptr;
    QTimer m_refresh;
    QElapsedTimer m_sinceRefresh;
};

// Opens the window over the list, or raises the one still open (previous);
// returns the window shown.
QWidget *ShowPhoneStats(QWidget *previous, const ResultListModel &list, CommandRunner runCommand,
                        QWidget *owner);
