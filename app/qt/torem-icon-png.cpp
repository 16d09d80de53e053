// torem-icon-png: draws the program's SVG icon as PNG pictures of the sizes
// asked for, at build time, for the icon theme and the window:
//
//     torem-icon-png ICON.svg 16 icon-16.png 48 icon-48.png ...
//
// Runs without a display.

#include <cstdio>
#include <string>
#include <vector>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include "CommandLine.h"

namespace {

constexpr char Program[] = "torem-icon-png";

const char* const Usage =
    "Usage: torem-icon-png ICON.svg SIZE OUTPUT.png [SIZE OUTPUT.png ...]\n"
    "\n"
    "Draws ICON.svg as a square PNG picture of SIZE pixels for each pair.\n"
    "\n"
    "  -h, --help     show this help\n"
    "      --version  show the version\n";

}  // namespace

int main(int argc, char* argv[])
{
    std::vector<std::string> operands;
    if (const auto exitCode = ReadOperands(argc, argv, Program, Usage, operands))
        return *exitCode;
    if (operands.size() < 3 || operands.size() % 2 != 1)
        return UsageError(Program, "ICON.svg and pairs of SIZE and OUTPUT.png are needed");

    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    QSvgRenderer renderer(QString::fromStdString(operands[0]));
    if (!renderer.isValid()) {
        std::fprintf(stderr, "%s: cannot read %s as SVG\n", Program, operands[0].c_str());
        return 1;
    }
    for (std::size_t i = 1; i + 1 < operands.size(); i += 2) {
        bool isNumber = false;
        const int size = QString::fromStdString(operands[i]).toInt(&isNumber);
        if (!isNumber || size < 1 || size > 4096)
            return UsageError(Program, "not a size in pixels: " + operands[i]);
        QImage picture(size, size, QImage::Format_ARGB32_Premultiplied);
        picture.fill(Qt::transparent);
        {
            QPainter painter(&picture);
            painter.setRenderHint(QPainter::Antialiasing);
            renderer.render(&painter);
        }
        if (!picture.save(QString::fromStdString(operands[i + 1]), "PNG")) {
            std::fprintf(stderr, "%s: cannot write %s\n", Program, operands[i + 1].c_str());
            return 1;
        }
    }
    return 0;
}
