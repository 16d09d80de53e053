// torem-artwork: draws the window's pictures (Artwork.h) at build time for
// the Windows window, which has no Qt to draw them with:
//
//     torem-artwork OUTPUT_FOLDER
//
// writes artwork-N-S.bmp for each picture N of the description (its number
// in TArtwork) at the scales S 1 and 2 (100% and 200%), as 32-bit bitmaps
// with premultiplied alpha, and artwork.rc, the resource lines that compile
// them in: "ARTWORK_RESOURCE(N, S) BITMAP "artwork-N-S.bmp"". Runs without a
// display.

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include <QGuiApplication>
#include <QImage>

#include "Artwork.h"
#include "CommandLine.h"

namespace {

constexpr char Program[] = "torem-artwork";

const char* const Usage =
    "Usage: torem-artwork OUTPUT_FOLDER\n"
    "\n"
    "Draws the window's pictures as 32-bit BMP files at 100% and 200% scale,\n"
    "and the resource script that compiles them into the Windows program.\n"
    "\n"
    "  -h, --help     show this help\n"
    "      --version  show the version\n";

constexpr int Scales[] = {1, 2};

void PutLittleEndian(std::string& bytes, std::uint32_t value, int size)
{
    for (int i = 0; i < size; ++i)
        bytes += static_cast<char>((value >> (8 * i)) & 0xFF);
}

// A bottom-up BI_RGB bitmap of 32 bits a pixel: blue, green, red and alpha,
// the colours premultiplied, as AlphaBlend takes them.
std::string BmpFile(const QImage& picture)
{
    const QImage image = picture.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const auto rowBytes = static_cast<std::uint32_t>(image.width()) * 4;
    const std::uint32_t pixelBytes = rowBytes * static_cast<std::uint32_t>(image.height());
    std::string bytes = "BM";
    PutLittleEndian(bytes, 14 + 40 + pixelBytes, 4);
    PutLittleEndian(bytes, 0, 4);
    PutLittleEndian(bytes, 14 + 40, 4);
    PutLittleEndian(bytes, 40, 4);
    PutLittleEndian(bytes, static_cast<std::uint32_t>(image.width()), 4);
    PutLittleEndian(bytes, static_cast<std::uint32_t>(image.height()), 4);
    PutLittleEndian(bytes, 1, 2);   // planes
    PutLittleEndian(bytes, 32, 2);  // bits a pixel
    PutLittleEndian(bytes, 0, 4);   // BI_RGB
    PutLittleEndian(bytes, pixelBytes, 4);
    PutLittleEndian(bytes, 2835, 4);  // 72 dots an inch, each way
    PutLittleEndian(bytes, 2835, 4);
    PutLittleEndian(bytes, 0, 4);
    PutLittleEndian(bytes, 0, 4);
    for (int y = image.height() - 1; y >= 0; --y) {
        // ARGB32 words in memory, on this little-endian machine: B, G, R, A.
        const auto* row = reinterpret_cast<const char*>(image.constScanLine(y));
        bytes.append(row, rowBytes);
    }
    return bytes;
}

bool WriteFile(const std::string& path, const std::string& bytes)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file) {
        std::fprintf(stderr, "%s: cannot write %s\n", Program, path.c_str());
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char* argv[])
{
    std::vector<std::string> operands;
    if (const auto exitCode = ReadOperands(argc, argv, Program, Usage, operands))
        return *exitCode;
    if (operands.size() != 1)
        return UsageError(Program, "OUTPUT_FOLDER is needed");
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);

    const std::string folder = operands[0] + "/";
    std::string script = "// The window's pictures, drawn by torem-artwork.\n";
    // Every picture after None, up to the first number that names none.
    for (int n = static_cast<int>(TArtwork::None) + 1; !Artwork::Picture(static_cast<TArtwork>(n)).isNull(); ++n) {
        for (const int scale : Scales) {
            const std::string name = "artwork-" + std::to_string(n) + "-" + std::to_string(scale) + ".bmp";
            const QPixmap picture = Artwork::Picture(static_cast<TArtwork>(n), scale);
            if (!WriteFile(folder + name, BmpFile(picture.toImage())))
                return 1;
            script += "ARTWORK_RESOURCE(" + std::to_string(n) + ", " + std::to_string(scale) + ") BITMAP \"" + name +
                      "\"\n";
        }
    }
    return WriteFile(folder + "artwork.rc", script) ? 0 : 1;
}
