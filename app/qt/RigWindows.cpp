#include "RigWindows.h"

#include <QPainter>
#include <QPushButton>
#include <QSpinBox>

#include "Artwork.h"
#include "FormControls.h"
#include "WindowModel.h"

namespace {

QColor ToQt(TRgb colour)
{
    return {colour.R, colour.G, colour.B};
}

}  // namespace

TOutputTestBox::TOutputTestBox(TWindowModel& model, QWidget* parent) : QDialog(parent), model_(model)
{
    setObjectName(QStringLiteral("Form7"));
    setWindowIcon(Artwork::ApplicationIcon());
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    const TBounds client = ControlSpec(TControl::Form7).Bounds;
    setFixedSize(client.Width, client.Height);
    controls_ = BuildFormControls(*this, TControl::Form7, [this](TControl button) { model_.Click(button); });
}

void TOutputTestBox::SetText(TControl control, const std::string& text)
{
    SetFormText(*this, controls_, TControl::Form7, control, text);
}

int TOutputTestBox::Number(TControl numberBox) const
{
    return static_cast<const QSpinBox*>(controls_.at(numberBox))->value();
}

void TOutputTestBox::showEvent(QShowEvent* event)
{
    model_.FormActivated(TControl::Form7);
    QDialog::showEvent(event);
}

TOutputMonitor::TOutputMonitor(TWindowModel& model) : model_(model)
{
    setObjectName(QStringLiteral("Form6"));
    setWindowIcon(Artwork::ApplicationIcon());
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(MonitorWindowSize.Width, MonitorWindowSize.Height);
    setMinimumSize(MonitorLeastSize.Width, MonitorLeastSize.Height);
}

void TOutputMonitor::paintEvent(QPaintEvent*)
{
    // Two banks of 8 rows of 16 cells, a caption over each, the legend
    // under them; the cells take what room the window gives.
    setWindowTitle(QString::fromStdString(model_.MonitorTitle()));
    QPainter painter(this);
    painter.fillRect(rect(), QColor(20, 20, 20));
    const auto cells = model_.MonitorCells();
    const int margin = 8;
    const double cellWidth = (width() - 2.0 * margin) / 16;
    const double cellHeight = (height() - 3.0 * margin) / 19;  // 2 captions, 16 rows, the legend
    QFont font = painter.font();
    font.setPixelSize(std::max(9, static_cast<int>(cellHeight * 0.55)));
    font.setBold(true);
    painter.setFont(font);
    for (unsigned bank = 0; bank < 2; ++bank) {
        const double top = margin + bank * 9 * cellHeight;
        painter.setPen(QColor(220, 220, 220));
        painter.drawText(QRectF(margin, top, width() - 2.0 * margin, cellHeight), Qt::AlignLeft | Qt::AlignVCenter,
                         QString::fromStdString(model_.MonitorCaption(bank)));
        for (unsigned index = 0; index < 128; ++index) {
            const auto& cell = cells[bank * 128 + index];
            const QRectF box(margin + (index % 16) * cellWidth, top + (1 + index / 16) * cellHeight, cellWidth - 2,
                             cellHeight - 2);
            painter.fillRect(box, ToQt(cell.Background));
            painter.setPen(ToQt(cell.Foreground));
            painter.drawText(box, Qt::AlignCenter, QString::fromStdString(cell.Text));
        }
    }
    painter.setPen(QColor(220, 220, 220));
    font.setBold(false);
    painter.setFont(font);
    painter.drawText(QRectF(margin, margin + 18 * cellHeight, width() - 2.0 * margin, cellHeight),
                     Qt::AlignLeft | Qt::AlignVCenter, QString::fromStdString(model_.MonitorLegend()));
}
