// torem-screenshot: draws the window as a first start shows it (default
// settings, no MIDI device, COM1) and saves it, in English and in French, as
// PNG pictures:
//
//     torem-screenshot window-en.png window-fr.png
//
// Runs without a display (Qt's offscreen platform unless another is chosen).

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <QApplication>
#include <QPixmap>
#include <QTemporaryDir>

#include "CommandLine.h"
#include "FileDialogs.h"
#include "PortNamePrompt.h"
#include "NoMidiDeviceLayer.h"
#include "main.h"

namespace {

constexpr char Program[] = "torem-screenshot";

const char* const Usage =
    "Usage: torem-screenshot ENGLISH.png FRENCH.png\n"
    "\n"
    "Draws the window as a first start shows it (default settings, no MIDI\n"
    "device, COM1) in English and in French, and saves both as PNG pictures.\n"
    "Needs no display.\n"
    "\n"
    "  -h, --help     show this help\n"
    "      --version  show the version\n";

// Nothing is asked and nothing is shown: a first start warns that COM1
// cannot be opened, which the picture does not need.
class TQuietDialogs final : public TDialogs, public TFileDialogs, public TPortNamePrompt {
public:
    void Warning(const std::string&) override {}
    void WarningNoWait(const std::string&) override {}
    void Information(const std::string&) override {}
    bool Confirmation(const std::string&) override { return false; }
    std::optional<std::string> OpenMidiFile(const std::string&) override { return std::nullopt; }
    std::optional<std::string> SaveSeqFile(const std::string&) override { return std::nullopt; }
    std::optional<std::string> AskPortName(const std::string&, const std::string&) override { return std::nullopt; }
};

// No serial port opens.
class TNoSerialPorts final : public TSerialPorts {
public:
    TComHandle Open(const std::string&) override { return {}; }
};

bool Save(TForm1& window, const std::string& path)
{
    QApplication::processEvents();
    if (!window.grab().save(QString::fromStdString(path), "PNG")) {
        std::fprintf(stderr, "torem-screenshot: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char* argv[])
{
    std::vector<std::string> pictures;
    if (const auto exitCode = ReadOperands(argc, argv, Program, Usage, pictures))
        return *exitCode;
    if (pictures.size() != 2)
        return UsageError(Program, "ENGLISH.png and FRENCH.png are both needed");
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);

    QTemporaryDir settingsDir;
    if (!settingsDir.isValid()) {
        std::fprintf(stderr, "torem-screenshot: no temporary directory\n");
        return 1;
    }
    TQuietDialogs quiet;
    TNoMidiDeviceLayer noMidiDevices;
    TNoSerialPorts noSerialPorts;
    const TForm1Services services{
        {quiet, quiet, quiet, noMidiDevices, noSerialPorts, {},
         std::filesystem::path(settingsDir.filePath(QStringLiteral("settings.cfg")).toStdU16String())},
        {}};
    TForm1 window(services);
    window.show();

    if (!Save(window, pictures[0]))
        return 1;
    window.Model().French1Click();
    if (!Save(window, pictures[1]))
        return 1;
    return 0;
}
