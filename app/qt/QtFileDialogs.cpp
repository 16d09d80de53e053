#include "QtFileDialogs.h"

#include <QFileDialog>
#include <QFileInfo>

namespace {

std::unique_ptr<QFileDialog> MakeDialog(QWidget* parent, const std::string& current, const TFileFilter& filter)
{
    auto dialog = std::make_unique<QFileDialog>(parent);
    dialog->setNameFilter(QStringLiteral("%1 (%2)").arg(QLatin1String(filter.Name), QLatin1String(filter.Pattern)));
    if (!current.empty()) {
        const QFileInfo file(QString::fromStdString(current));
        dialog->setDirectory(file.absolutePath());
        dialog->selectFile(file.fileName());
    }
    return dialog;
}

std::optional<std::string> Run(QFileDialog& dialog)
{
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst().toStdString();
}

}  // namespace

std::unique_ptr<QFileDialog> MakeOpenMidiDialog(QWidget* parent, const std::string& current)
{
    auto dialog = MakeDialog(parent, current, MidiFileFilter);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::ExistingFile);
    return dialog;
}

std::unique_ptr<QFileDialog> MakeSaveSeqDialog(QWidget* parent, const std::string& current)
{
    auto dialog = MakeDialog(parent, current, SeqFileFilter);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setDefaultSuffix(QLatin1String(SeqFileFilter.DefaultExtension));
    // The Convert command asks before it replaces the file, not the dialog.
    dialog->setOption(QFileDialog::DontConfirmOverwrite);
    return dialog;
}

std::optional<std::string> TQtFileDialogs::OpenMidiFile(const std::string& current)
{
    return Run(*MakeOpenMidiDialog(parent_, current));
}

std::optional<std::string> TQtFileDialogs::SaveSeqFile(const std::string& current)
{
    return Run(*MakeSaveSeqDialog(parent_, current));
}
