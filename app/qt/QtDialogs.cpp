#include "QtDialogs.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QPushButton>

Qt::WindowFlags BoxWindowFlags()
{
    return Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;
}

std::unique_ptr<QMessageBox> MakeMessageBox(TMessageKind kind, const std::string& text, QWidget* parent)
{
    auto box = std::make_unique<QMessageBox>(parent);
    box->setWindowFlags(BoxWindowFlags());
    box->setText(QString::fromStdString(text));
    box->setTextFormat(Qt::PlainText);
    switch (kind) {
    case TMessageKind::Warning:
        box->setWindowTitle(QString::fromLatin1(WarningTitle));
        box->setIcon(QMessageBox::Warning);
        break;
    case TMessageKind::Information:
        box->setWindowTitle(QString::fromLatin1(InformationTitle));
        box->setIcon(QMessageBox::Information);
        break;
    case TMessageKind::Confirmation:
        box->setWindowTitle(QString::fromLatin1(ConfirmationTitle));
        box->setIcon(QMessageBox::Question);
        break;
    }
    if (kind == TMessageKind::Confirmation) {
        QPushButton* yes = box->addButton(QString::fromLatin1(YesButton), QMessageBox::YesRole);
        QPushButton* no = box->addButton(QString::fromLatin1(NoButton), QMessageBox::NoRole);
        box->setDefaultButton(yes);
        box->setEscapeButton(no);
    } else {
        QPushButton* ok = box->addButton(QString::fromLatin1(OkButton), QMessageBox::AcceptRole);
        box->setDefaultButton(ok);
        box->setEscapeButton(ok);
    }
    return box;
}

void TQtDialogs::Warning(const std::string& text)
{
    MakeMessageBox(TMessageKind::Warning, text, parent_)->exec();
}

void TQtDialogs::WarningNoWait(const std::string& text)
{
    if (noWaitBox_) {
        noWaitBox_->setText(QString::fromStdString(text));
        noWaitBox_->raise();
        return;
    }
    // Shown without a modal loop: the caller (the live bridge) goes on
    // sending while the box is up, and the box goes away with its OK.
    QMessageBox* box = MakeMessageBox(TMessageKind::Warning, text, parent_).release();
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    noWaitBox_ = box;
    box->show();
}

void TQtDialogs::Information(const std::string& text)
{
    MakeMessageBox(TMessageKind::Information, text, parent_)->exec();
}

bool TQtDialogs::InformationWithButton(const std::string& text, const std::string& button)
{
    const auto box = MakeMessageBox(TMessageKind::Information, text, parent_);
    QPushButton* other = box->addButton(QString::fromStdString(button), QMessageBox::ActionRole);
    box->exec();
    return box->clickedButton() == other;
}

bool TQtDialogs::Confirmation(const std::string& text)
{
    const auto box = MakeMessageBox(TMessageKind::Confirmation, text, parent_);
    box->exec();
    // Closing the box any other way than with Yes keeps the file.
    QAbstractButton* clicked = box->clickedButton();
    return clicked != nullptr && box->buttonRole(clicked) == QMessageBox::YesRole;
}
