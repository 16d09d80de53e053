#pragma once
// SIGTERM (log-out, shut-down, kill), SIGINT (Ctrl+C in a terminal) and
// SIGHUP (the terminal went away) end the program the way File > Exit does:
// the window closes, so the settings are saved and the MIDI input and the
// serial port closed. The handler only writes a byte into a pipe, which is
// all a signal handler may safely do; the Qt thread reads it and closes the
// window from its event loop. POSIX only.
//
// Nobody may be there to answer a box (the session is ending), so from the
// signal on every modal box, open or opened later, is closed as its close
// button would close it; a message box's text goes to stderr, so that a
// settings file that could not be saved is still told.

#include <QObject>
#include <QPointer>
#include <QWidget>

class QSocketNotifier;

class TEndSignals final : public QObject {
public:
    // Catches the three signals, except one ignored from the start (nohup's
    // SIGHUP stays ignored), and unblocks them: one a parent left blocked and
    // pending arrives now. Needs the QApplication; one instance at a time.
    TEndSignals();
    // Gives the previous handlers back.
    ~TEndSignals() override;
    TEndSignals(const TEndSignals&) = delete;
    TEndSignals& operator=(const TEndSignals&) = delete;

    // The window a signal closes. A signal that came before (while the window
    // was still being built) closes it as soon as the event loop runs.
    void CloseOnSignal(QWidget& window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnSignal();
    // Ends the open modal boxes first, each as its close button would, and
    // closes the window once none is left.
    void CloseWindow();

    QSocketNotifier* notifier_ = nullptr;
    QPointer<QWidget> window_;
    bool requested_ = false;
};
