#include "Help.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>

#include "FormControls.h"
#include "QtDialogs.h"
#include "WindowModel.h"


TForm2::TForm2(TWindowModel& model, QWidget* parent) : QDialog(parent), model_(model)
{
    setObjectName(QStringLiteral("Form2"));
    setModal(true);
    setWindowFlags(BoxWindowFlags() | Qt::MSWindowsFixedSizeDialogHint);
    const TBounds client = ControlSpec(TControl::Form2).Bounds;
    setFixedSize(client.Width, client.Height);

    controls_ = BuildFormControls(*this, TControl::Form2, [this](TControl) { accept(); });
    static_cast<QPushButton*>(controls_.at(TControl::OKBtn))->setDefault(true);

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TForm2::SetText(TControl control, const std::string& text)
{
    SetFormText(*this, controls_, TControl::Form2, control, text);
}

void TForm2::FormActivate()
{
    model_.AboutBoxActivated();
}

void TForm2::showEvent(QShowEvent* event)
{
    // Also here: a platform without window activation (offscreen) shows the
    // box without ever making it active.
    FormActivate();
    QDialog::showEvent(event);
}

void TForm2::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        FormActivate();
    QDialog::changeEvent(event);
}
