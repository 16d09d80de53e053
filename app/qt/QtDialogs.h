#pragma once
// The user's message boxes as Qt modal boxes, with the titles and buttons of
// Dialogs.h, the same in both languages. A modal box keeps processing
// events while it is open, so timers and MIDI notifications run meanwhile.

#include <memory>
#include <string>

#include <QMessageBox>
#include <QPointer>
#include <QWidget>

#include "Dialogs.h"


enum class TMessageKind { Warning, Information, Confirmation };

// The frame of every box the program shows over its window: a title and a
// close button, nothing to minimise or maximise it with, since a box hidden
// that way would leave the window behind it looking frozen.
Qt::WindowFlags BoxWindowFlags();

// The box as it will be shown, not yet shown.
std::unique_ptr<QMessageBox> MakeMessageBox(TMessageKind kind, const std::string& text, QWidget* parent);

class TQtDialogs final : public TDialogs {
public:
    // The boxes are children of parent and modal to it (to the whole program
    // while it is null).
    explicit TQtDialogs(QWidget* parent = nullptr) : parent_(parent) {}
    void SetParent(QWidget* parent) { parent_ = parent; }

    void Warning(const std::string& text) override;
    void WarningNoWait(const std::string& text) override;
    bool WarningNoWaitShown() const override { return noWaitBox_ != nullptr && noWaitBox_->isVisible(); }
    void Information(const std::string& text) override;
    bool InformationWithButton(const std::string& text, const std::string& button) override;
    bool Confirmation(const std::string& text) override;

private:
    QPointer<QWidget> parent_;
    QPointer<QMessageBox> noWaitBox_;  // the one box that does not wait, while it is up
};
