#include "benchwindow.h"

#include "benchservice.h"
#include "mainwindow.h"
#include "programdirectory.h"
#include "prompt.h"

#include <QAction>
#include <QCoreApplication>

void UseOffscreenUnlessTold() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

BenchWindow::BenchWindow(QStringList &args)
    : m_serviceHost(ServiceForBenchmark(args, m_service)) {
    if (m_serviceHost.isEmpty())
        return;
    SetProgramDirectory(m_dir.path());
    MessageBox::AnswerOkUnseen();
    m_window = std::make_unique<MainWindow>(m_serviceHost);
    // As the program treats the service it started itself: a service the
    // arguments name is someone else's, asked as such.
    m_window->SetServiceIsOurs(m_service.state() != QProcess::NotRunning);
    m_window->show();
    QCoreApplication::processEvents();
}

BenchWindow::~BenchWindow() {
    if (m_window)
        m_window->close();
    m_window.reset();
    StopService(m_service);
}

quint16 BenchWindow::ServicePort() const {
    return m_serviceHost.section(QLatin1Char(':'), -1).toUShort();
}

void BenchWindow::RunToEnd(void (MainWindow::*handler)()) const {
    (m_window.get()->*handler)();
    WaitForCommandEnd();
}

void BenchWindow::TriggerToEnd(const char *action) const {
    if (auto *item = m_window->findChild<QAction *>(QLatin1String(action)))
        item->trigger();
    WaitForCommandEnd();
}

// A command that waits for its work in the window's event loop has ended
// when the handler returns; one driven by events only ends later.
void BenchWindow::WaitForCommandEnd() const {
    while (m_window->CommandRunning())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}
