// torem-icon-png: draws the program's SVG icon as PNG pictures of the sizes
// asked for, at build time, for the icon theme and the window:
//
//     torem-icon-png ICON.svg 16 icon-16.png 48 icon-48.png ...
//
// Runs without a display.

#include <cstdio>
#include <string>
#include <string_view>

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
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (const auto answered = AnswerStandardOption(arg, Program, Usage))
            return *answered;
        if (arg.size() > 1 && arg[0] == '-')
            return UsageError(Program, "unknown option " + std::string(arg));
    }
    if (argc < 4 || argc % 2 != 0)
        return UsageError(Program, "ICON.svg and pairs of SIZE and OUTPUT.png are needed");

    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    QSvgRenderer renderer(QString::fromLocal8Bit(argv[1]));
    if (!renderer.isValid()) {
        std::fprintf(stderr, "%s: cannot read %s as SVG\n", Program, argv[1]);
        return 1;
    }
    for (int i = 2; i + 1 < argc; i += 2) {
        bool isNumber = false;
        const int size = QString::fromLocal8Bit(argv[i]).toInt(&isNumber);
        if (!isNumber || size < 1 || size > 4096)
            return UsageError(Program, std::string("not a size in pixels: ") + argv[i]);
        QImage picture(size, size, QImage::Format_ARGB32_Premultiplied);
        picture.fill(Qt::transparent);
        {
            QPainter painter(&picture);
            painter.setRenderHint(QPainter::Antialiasing);
            renderer.render(&painter);
        }
        if (!picture.save(QString::fromLocal8Bit(argv[i + 1]), "PNG")) {
            std::fprintf(stderr, "%s: cannot write %s\n", Program, argv[i + 1]);
            return 1;
        }
    }
    return 0;
}
