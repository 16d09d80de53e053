#include "Help.h"

#include <QEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

#include "Artwork.h"
#include "QtDialogs.h"
#include "WindowModel.h"

namespace {

QFont FontOf(TFontStyle style, QFont font)
{
    if (style == TFontStyle::Arial13) {
        font = QFont();
        font.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
        font.setStyleHint(QFont::SansSerif);
        font.setPixelSize(13);
    } else {
        font.setPixelSize(11);
    }
    return font;
}

}  // namespace

TForm2::TForm2(TWindowModel& model, QWidget* parent) : QDialog(parent), model_(model)
{
    setObjectName(QStringLiteral("Form2"));
    setModal(true);
    setWindowFlags(BoxWindowFlags() | Qt::MSWindowsFixedSizeDialogHint);
    const TBounds client = ControlSpec(TControl::Form2).Bounds;
    setFixedSize(client.Width, client.Height);

    for (const TControlSpec& spec : WindowControls()) {
        if (spec.Parent != TControl::Form2)
            continue;
        QWidget* control = nullptr;
        switch (spec.Kind) {
        case TControlKind::Panel: {
            auto* frame = new QFrame(this);
            frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
            control = frame;
            break;
        }
        case TControlKind::Picture: {
            auto* picture = new QLabel(this);
            picture->setPixmap(Artwork::AboutLogo());
            control = picture;
            break;
        }
        case TControlKind::StaticText: {
            auto* text = new QLabel(this);
            text->setTextFormat(Qt::PlainText);
            text->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
            text->setFont(FontOf(spec.Font, font()));
            control = text;
            break;
        }
        case TControlKind::Button: {
            auto* button = new QPushButton(QString::fromLatin1(spec.DesignText), this);
            button->setDefault(true);
            connect(button, &QPushButton::clicked, this, &QDialog::accept);
            control = button;
            break;
        }
        default:
            continue;
        }
        control->setObjectName(QString::fromLatin1(spec.Name));
        control->setGeometry(spec.Bounds.Left, spec.Bounds.Top, spec.Bounds.Width, spec.Bounds.Height);
        controls_[spec.Id] = control;
    }

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TForm2::SetText(TControl control, const std::string& text)
{
    if (control == TControl::Form2)
        setWindowTitle(QString::fromStdString(text));
    else if (auto* label = qobject_cast<QLabel*>(controls_.at(control)))
        label->setText(QString::fromStdString(text));
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
