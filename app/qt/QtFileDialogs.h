#pragma once
// The converter's file choices as Qt file dialogs: OpenDialog1 for the MIDI
// file, SaveDialog1 for the sequence file.

#include <memory>
#include <optional>
#include <string>

#include <QPointer>
#include <QWidget>

#include "FileDialogs.h"

class QFileDialog;

// The dialogs as they will be shown, not yet shown. current, when not empty,
// is selected at first.
std::unique_ptr<QFileDialog> MakeOpenMidiDialog(QWidget* parent, const std::string& current);
std::unique_ptr<QFileDialog> MakeSaveSeqDialog(QWidget* parent, const std::string& current);

class TQtFileDialogs final : public TFileDialogs {
public:
    explicit TQtFileDialogs(QWidget* parent = nullptr) : parent_(parent) {}
    void SetParent(QWidget* parent) { parent_ = parent; }

    std::optional<std::string> OpenMidiFile(const std::string& current) override;
    std::optional<std::string> SaveSeqFile(const std::string& current) override;

private:
    QPointer<QWidget> parent_;
};
