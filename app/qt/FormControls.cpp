#include "FormControls.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

#include "Artwork.h"

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

TFormControls BuildFormControls(QWidget& widget, TControl form, const std::function<void(TControl)>& clicked)
{
    TFormControls controls;
    for (const TControlSpec& described : WindowControls()) {
        if (described.Parent != form)
            continue;
        QWidget* control = nullptr;
        switch (described.Kind) {
        case TControlKind::Panel: {
            auto* frame = new QFrame(&widget);
            frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
            control = frame;
            break;
        }
        case TControlKind::Picture: {
            auto* picture = new QLabel(&widget);
            picture->setPixmap(Artwork::AboutLogo());
            control = picture;
            break;
        }
        case TControlKind::Label:
        case TControlKind::StaticText: {
            auto* text = new QLabel(&widget);
            text->setTextFormat(Qt::PlainText);
            if (described.Kind == TControlKind::StaticText) {
                text->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
                text->setFont(FontOf(described.Font, widget.font()));
            }
            control = text;
            break;
        }
        case TControlKind::NumberBox: {
            auto* box = new QSpinBox(&widget);
            box->setRange(described.Min, described.Max);
            box->setValue(described.Initial);
            control = box;
            break;
        }
        case TControlKind::Button: {
            auto* button = new QPushButton(QString::fromLatin1(described.DesignText), &widget);
            button->setAutoDefault(false);
            QObject::connect(button, &QPushButton::clicked, &widget, [clicked, id = described.Id] { clicked(id); });
            control = button;
            break;
        }
        default:
            continue;
        }
        control->setObjectName(QString::fromLatin1(described.Name));
        control->setGeometry(described.Bounds.Left, described.Bounds.Top, described.Bounds.Width, described.Bounds.Height);
        controls[described.Id] = control;
    }
    return controls;
}

void SetFormText(QWidget& widget, const TFormControls& controls, TControl form, TControl control,
                 const std::string& text)
{
    const QString qtext = QString::fromStdString(text);
    if (control == form)
        widget.setWindowTitle(qtext);
    else if (auto* label = qobject_cast<QLabel*>(controls.at(control)))
        label->setText(qtext);
    else if (auto* button = qobject_cast<QPushButton*>(controls.at(control)))
        button->setText(qtext);
}
