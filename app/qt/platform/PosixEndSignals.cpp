#include "EndSignals.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <csignal>
#include <iostream>
#include <system_error>

#include <QApplication>
#include <QDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QSocketNotifier>
#include <QTimer>

namespace {

constexpr std::array<int, 3> CaughtSignals{SIGTERM, SIGINT, SIGHUP};

// The pipe from the handler to the Qt thread, and the handlers it replaced.
int pipeRead = -1;
int pipeWrite = -1;
std::array<struct sigaction, CaughtSignals.size()> previousActions{};
std::array<bool, CaughtSignals.size()> caught{};

extern "C" void OnEndSignal(int signal)
{
    const int savedErrno = errno;
    const auto byte = static_cast<unsigned char>(signal);
    // A full pipe already holds a byte that wakes the Qt thread.
    [[maybe_unused]] const ssize_t written = write(pipeWrite, &byte, 1);
    errno = savedErrno;
}

// Closes a box as its close button would, telling what it said.
void Dismiss(QWidget& modal)
{
    if (const auto* box = qobject_cast<QMessageBox*>(&modal))
        std::cerr << QFileInfo(QCoreApplication::applicationFilePath()).fileName().toStdString() << ": "
                  << box->text().toStdString() << std::endl;
    if (auto* dialog = qobject_cast<QDialog*>(&modal))
        dialog->reject();
    else
        modal.close();
}

void SetFlags(int fd)
{
    if (fcntl(fd, F_SETFD, FD_CLOEXEC) != 0 || fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK) != 0)
        throw std::system_error(errno, std::generic_category(), "fcntl");
}

}  // namespace

TEndSignals::TEndSignals()
{
    std::array<int, 2> fds{};
    if (pipe(fds.data()) != 0)
        throw std::system_error(errno, std::generic_category(), "pipe");
    pipeRead = fds[0];
    pipeWrite = fds[1];
    SetFlags(pipeRead);
    SetFlags(pipeWrite);
    notifier_ = new QSocketNotifier(pipeRead, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] { OnSignal(); });

    sigset_t unblock;
    sigemptyset(&unblock);
    for (std::size_t i = 0; i < CaughtSignals.size(); ++i) {
        struct sigaction action {};
        action.sa_handler = OnEndSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        sigaction(CaughtSignals[i], nullptr, &previousActions[i]);
        if (previousActions[i].sa_handler == SIG_IGN)
            continue;
        caught[i] = sigaction(CaughtSignals[i], &action, nullptr) == 0;
        sigaddset(&unblock, CaughtSignals[i]);
    }
    pthread_sigmask(SIG_UNBLOCK, &unblock, nullptr);
}

TEndSignals::~TEndSignals()
{
    for (std::size_t i = 0; i < CaughtSignals.size(); ++i) {
        if (caught[i])
            sigaction(CaughtSignals[i], &previousActions[i], nullptr);
        caught[i] = false;
    }
    delete notifier_;
    close(pipeRead);
    close(pipeWrite);
    pipeRead = pipeWrite = -1;
}

void TEndSignals::CloseOnSignal(QWidget& window)
{
    window_ = &window;
    if (requested_)
        QTimer::singleShot(0, this, [this] { CloseWindow(); });
}

void TEndSignals::OnSignal()
{
    std::array<unsigned char, 64> bytes{};
    while (read(pipeRead, bytes.data(), bytes.size()) > 0) {
    }
    if (!requested_) {
        requested_ = true;
        QCoreApplication::instance()->installEventFilter(this);
    }
    CloseWindow();
}

bool TEndSignals::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Show) {
        if (const auto* dialog = qobject_cast<QDialog*>(watched); dialog != nullptr && dialog->isModal())
            QTimer::singleShot(0, this, [this] { CloseWindow(); });
    }
    return QObject::eventFilter(watched, event);
}

void TEndSignals::CloseWindow()
{
    // A box's own event loop ends only once this handler has returned, and
    // the command that opened it may still have to finish: look again then.
    bool endedBox = false;
    for (QWidget* modal = QApplication::activeModalWidget(); modal != nullptr;
         modal = QApplication::activeModalWidget()) {
        Dismiss(*modal);
        if (QApplication::activeModalWidget() == modal)
            break;  // it refused; the next signal tries again
        endedBox = true;
    }
    if (endedBox) {
        QTimer::singleShot(0, this, [this] { CloseWindow(); });
        return;
    }
    if (window_ == nullptr)
        return;
    // A warning that does not wait may still be up: told too, as it goes
    // with the window.
    for (QMessageBox* box : window_->findChildren<QMessageBox*>())
        if (box->isVisible())
            Dismiss(*box);
    window_->close();
}
