#pragma once
// "Other port..." as a Qt input dialog with one line to type in.

#include <optional>
#include <string>

#include <QPointer>
#include <QWidget>

#include "PortNamePrompt.h"

class TQtPortNamePrompt final : public TPortNamePrompt {
public:
    // The dialog is modal to parent and carries its title.
    explicit TQtPortNamePrompt(QWidget* parent = nullptr) : parent_(parent) {}
    void SetParent(QWidget* parent) { parent_ = parent; }

    std::optional<std::string> AskPortName(const std::string& question, const std::string& current) override;

private:
    QPointer<QWidget> parent_;
};
