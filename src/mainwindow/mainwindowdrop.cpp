// Files dragged from a file manager onto the window: whatever they are, the
// drop reaches Form_OLEDragDrop, which imports or refuses them. Only drags
// that carry local files are taken; text or a web address is not offered.
#include "mainwindow.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

namespace {
QStringList LocalFiles(const QMimeData *data) {
    QStringList files;
    if (!data || !data->hasUrls())
        return files;
    for (const QUrl &url : data->urls()) {
        if (!url.isLocalFile())
            return {};
        files.append(url.toLocalFile());
    }
    return files;
}

// The file is read, never taken: a drop that the source took for a move
// would have it delete its file.
bool TakeAsCopy(QDropEvent *event) {
    if (LocalFiles(event->mimeData()).isEmpty() || !(event->possibleActions() & Qt::CopyAction))
        return false;
    event->setDropAction(Qt::CopyAction);
    event->accept();
    return true;
}
} // namespace

void MainWindow::dragEnterEvent(QDragEnterEvent *event) {
    if (!TakeAsCopy(event))
        event->ignore();
}

void MainWindow::dragMoveEvent(QDragMoveEvent *event) {
    if (!TakeAsCopy(event))
        event->ignore();
}

// The drop is answered at once and imported just after: the file manager
// that sent it waits for the answer, and would hang with it while the import
// ran or its message box was open. A drop that comes while a command runs is
// dropped here and now, like any other command, not kept for later.
void MainWindow::dropEvent(QDropEvent *event) {
    if (!TakeAsCopy(event)) {
        event->ignore();
        return;
    }
    if (m_commands.Busy())
        return;
    QMetaObject::invokeMethod(
        this, [this, files = LocalFiles(event->mimeData())] { Form_OLEDragDrop(files); },
        Qt::QueuedConnection);
}

// The number box takes dropped text, but a dropped file is the window's: it
// is passed on to the window instead of landing in the box as its path.
bool MainWindow::eventFilter(QObject *watched, QEvent *event) {
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        if (!LocalFiles(static_cast<QDropEvent *>(event)->mimeData()).isEmpty()) {
            event->ignore();
            return true;
        }
        break;
    default:
        break;
    }
    return QMainWindow::eventFilter(watched, event);
}
