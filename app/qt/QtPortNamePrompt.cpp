#include "QtPortNamePrompt.h"

#include <QInputDialog>
#include <QLineEdit>

std::optional<std::string> TQtPortNamePrompt::AskPortName(const std::string& question, const std::string& current)
{
    bool ok = false;
    const QString title = parent_ ? parent_->window()->windowTitle() : QString();
    const QString answer = QInputDialog::getText(parent_, title, QString::fromStdString(question), QLineEdit::Normal,
                                                 QString::fromStdString(current), &ok);
    if (!ok)
        return std::nullopt;
    return answer.toStdString();
}
