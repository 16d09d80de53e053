#include "QtPortNamePrompt.h"

#include <QInputDialog>
#include <QLineEdit>

#include "QtDialogs.h"

std::optional<std::string> TQtPortNamePrompt::AskPortName(const std::string& question, const std::string& current)
{
    bool ok = false;
    const QString title = parent_ ? parent_->window()->windowTitle() : QString();
    const QString answer = QInputDialog::getText(parent_, title, QString::fromStdString(question), QLineEdit::Normal,
                                                 QString::fromStdString(current), &ok, BoxWindowFlags());
    if (!ok)
        return std::nullopt;
    return answer.toStdString();
}
