#include "GuiTestSupport.h"

#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <thread>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QTimer>

#include "Controls.h"

void EnsureApplication()
{
    if (QApplication::instance() != nullptr)
        return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        // Lives as long as the process; one small directory per test run.
        static std::string runtimeDir = [] {
            std::string pattern = "/tmp/torem-gui-test.XXXXXX";
            if (mkdtemp(pattern.data()) == nullptr)
                throw std::runtime_error("no runtime directory");
            return pattern;
        }();
        qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(runtimeDir));
    }
    static int argc = 1;
    static char name[] = "torem_gui_tests";
    static char* argv[] = {name, nullptr};
    // Never destroyed: at exit Qt's own globals may already be gone.
    new QApplication(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
}

bool ProcessUntil(const std::function<bool()>& done)
{
    const auto deadline = std::chrono::steady_clock::now() + FailureBound;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return done();
        QApplication::processEvents(QEventLoop::AllEvents, 5);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

bool ProcessPending()
{
    // Posted events of one thread are handed out in the order they were posted.
    const auto reached = std::make_shared<bool>(false);
    QMetaObject::invokeMethod(qApp, [reached] { *reached = true; }, Qt::QueuedConnection);
    return ProcessUntil([&] { return *reached; });
}

TWindowRig::TWindowRig()
{
    EnsureApplication();
}

TWindowRig::~TWindowRig()
{
    window.reset();
}

TDeviceSimulator& TWindowRig::Device()
{
    if (!device) {
        device = std::make_unique<TDeviceSimulator>();
        device->Start();
        ports.Map(device->SlavePath(), *device);
    }
    return *device;
}

TForm1& TWindowRig::Start()
{
    const TForm1Services services{{dialogs, files, prompt, midi, ports, [this] { return systemPorts; }, SettingsPath()},
                                  {}};
    window = std::make_unique<TForm1>(services);
    return *window;
}

TForm1& TWindowRig::StartWith(const std::vector<std::string>& settingsLines)
{
    WriteSettings(settingsLines);
    return Start();
}

void TWindowRig::HoldTimers()
{
    constexpr int Day = 24 * 60 * 60 * 1000;
    Find<QTimer>("Timer1")->setInterval(Day);
    Find<QTimer>("Timer2")->setInterval(Day);
}

bool TWindowRig::RunOut(const char* timerName)
{
    QTimer* timer = Find<QTimer>(timerName);
    const int held = timer->interval();
    timer->setInterval(0);  // restarts it when it runs
    const bool stopped = ProcessUntil([timer] { return !timer->isActive(); });
    timer->setInterval(held);
    return stopped;
}

void TWindowRig::WriteSettings(const std::vector<std::string>& lines) const
{
    std::string text;
    for (const std::string& line : lines)
        text += line + "\r\n";
    WriteFileBytes(SettingsPath(), text);
}

QAction* TWindowRig::Item(const char* name) const
{
    return Find<QAction>(name);
}

std::string TWindowRig::LabelText(const char* name) const
{
    return Find<QLabel>(name)->text().toStdString();
}

bool TWindowRig::Checked(const char* item) const
{
    return Item(item)->isChecked();
}

bool TWindowRig::Selected(const char* picture) const
{
    return Find<TPictureBox>(picture)->Picture().toImage() == Find<TPictureBox>("Image6")->Picture().toImage();
}

std::string Blanks(int count)
{
    return std::string(static_cast<std::size_t>(count), ' ');
}
