#include "Help.h"

#include <QEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

#include "Artwork.h"
#include "QtDialogs.h"
#include "Text.h"

namespace {

QLabel* NewStaticText(QWidget* parent, const char* name, int top, int height, const QFont& font)
{
    auto* text = new QLabel(parent);
    text->setObjectName(QString::fromLatin1(name));
    text->setTextFormat(Qt::PlainText);
    text->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    text->setFont(font);
    text->setGeometry(152, top, 225, height);
    return text;
}

QFont ArialPixels(int pixels)
{
    QFont font;
    font.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixels);
    return font;
}

}  // namespace

TForm2::TForm2(const AppSettings& settings, QWidget* parent) : QDialog(parent), settings_(settings)
{
    setObjectName(QStringLiteral("Form2"));
    setModal(true);
    setWindowFlags(BoxWindowFlags() | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(394, 124);

    auto* frame = new QFrame(this);
    frame->setObjectName(QStringLiteral("Panel1"));
    frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    frame->setGeometry(8, 8, 377, 73);

    auto* logo = new QLabel(this);
    logo->setObjectName(QStringLiteral("ProgramIcon"));
    logo->setPixmap(Artwork::AboutLogo());
    logo->setGeometry(16, 16, 128, 54);

    QFont defaultFont = font();
    defaultFont.setPixelSize(11);
    StaticText1 = NewStaticText(this, "StaticText1", 19, 17, ArialPixels(13));
    StaticText2 = NewStaticText(this, "StaticText2", 40, 15, defaultFont);
    StaticText3 = NewStaticText(this, "StaticText3", 57, 17, ArialPixels(13));

    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setGeometry(311, 92, 75, 25);
    OKBtn->setDefault(true);
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    FormActivate();
}

void TForm2::FormActivate()
{
    const auto text = [this](AboutEntry entry) {
        return QString::fromStdString(Text(entry, settings_.LanguageIndex));
    };
    setWindowTitle(text(AboutEntry::Title));
    StaticText1->setText(text(AboutEntry::ProductName));
    StaticText2->setText(text(AboutEntry::Version));
    StaticText3->setText(text(AboutEntry::WebSite));
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
