// The Qt adapters of the core's interfaces: message boxes and file dialogs
// as they will be shown, the notification target under concurrent posts,
// and Timer1 as the acknowledgement clock.

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <thread>
#include <vector>

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include "GuiTestSupport.h"
#include "QtAckClock.h"
#include "QtDialogs.h"
#include "QtFileDialogs.h"
#include "QtNotificationTarget.h"

namespace {

using QtAdapters = TQtTest;

std::vector<std::string> ButtonTexts(const QMessageBox& box)
{
    std::vector<std::string> texts;
    for (const QAbstractButton* button : box.buttons())
        texts.push_back(button->text().toStdString());
    std::sort(texts.begin(), texts.end());
    return texts;
}

TEST_F(QtAdapters, MessageBoxesHaveTheirFixedTitlesAndButtons)
{
    const auto warning = MakeMessageBox(TMessageKind::Warning, "COM2 : Opening Error of COM port", nullptr);
    EXPECT_EQ(warning->windowTitle().toStdString(), "Avertissement");
    EXPECT_EQ(warning->text().toStdString(), "COM2 : Opening Error of COM port");
    EXPECT_EQ(ButtonTexts(*warning), std::vector<std::string>{"OK"});
    EXPECT_EQ(warning->icon(), QMessageBox::Warning);

    const auto information = MakeMessageBox(TMessageKind::Information, "<b>Process done...</b>", nullptr);
    EXPECT_EQ(information->windowTitle().toStdString(), "Information");
    EXPECT_EQ(information->textFormat(), Qt::PlainText) << "a file name is never read as markup";

    const auto confirmation = MakeMessageBox(TMessageKind::Confirmation, "x.seq already exists.", nullptr);
    EXPECT_EQ(confirmation->windowTitle().toStdString(), "Confirmation");
    EXPECT_EQ(ButtonTexts(*confirmation), (std::vector<std::string>{"&Non", "&Oui"}));
    EXPECT_EQ(confirmation->buttonRole(confirmation->defaultButton()), QMessageBox::YesRole);
    EXPECT_EQ(confirmation->buttonRole(confirmation->escapeButton()), QMessageBox::NoRole);
}

TEST_F(QtAdapters, AWarningThatDoesNotWaitIsOneBoxWhoseTextTheNewestReplaces)
{
    QWidget owner;
    TQtDialogs dialogs(&owner);
    const auto boxes = [&] { return owner.findChildren<QMessageBox*>(); };

    // Returns at once: no modal loop runs (one would never end here).
    dialogs.WarningNoWait("COM2 : Writing Error on COM port");
    ASSERT_EQ(boxes().size(), 1);
    QMessageBox* box = boxes().front();
    EXPECT_TRUE(box->isVisible());
    EXPECT_EQ(box->windowModality(), Qt::NonModal);
    EXPECT_EQ(box->windowTitle().toStdString(), "Avertissement");

    dialogs.WarningNoWait("COM2 : Initialization Error on port COM");
    ASSERT_EQ(boxes().size(), 1) << "at most one at a time";
    EXPECT_EQ(box->text().toStdString(), "COM2 : Initialization Error on port COM");

    // OK closes it for good; the next warning is a new box.
    box->buttons().front()->click();
    ASSERT_TRUE(ProcessUntil([&] { return boxes().isEmpty(); }));
    dialogs.WarningNoWait("COM2 : Writing Error on COM port");
    EXPECT_EQ(boxes().size(), 1);
}

TEST_F(QtAdapters, FileDialogsFilterTheirKindAndTheSaveDialogAddsSeq)
{
    const auto open = MakeOpenMidiDialog(nullptr, "/music/song.mid");
    EXPECT_EQ(open->nameFilters(), QStringList{QStringLiteral("Midi files (*.mid)")});
    EXPECT_EQ(open->acceptMode(), QFileDialog::AcceptOpen);
    EXPECT_EQ(open->fileMode(), QFileDialog::ExistingFile);
    EXPECT_TRUE(open->defaultSuffix().isEmpty());

    const auto save = MakeSaveSeqDialog(nullptr, "");
    EXPECT_EQ(save->nameFilters(), QStringList{QStringLiteral("Fichiers Seq (*.seq)")});
    EXPECT_EQ(save->acceptMode(), QFileDialog::AcceptSave);
    EXPECT_EQ(save->defaultSuffix().toStdString(), "seq");
    EXPECT_TRUE(save->testOption(QFileDialog::DontConfirmOverwrite)) << "the Convert command asks, not the dialog";
}

TEST_F(QtAdapters, EveryPostFromAnyThreadGivesExactlyOneHandlerCallOnTheOwnersThread)
{
    std::vector<std::exception_ptr> errors;
    TQtNotificationTarget target([&](std::exception_ptr error) { errors.push_back(error); });
    const std::thread::id owner = std::this_thread::get_id();
    int data = 0;
    int overflow = 0;
    bool offThread = false;
    target.SetHandler([&](TMidiNotification notification) {
        offThread = offThread || std::this_thread::get_id() != owner;
        if (notification == TMidiNotification::Overflow) {
            ++overflow;
            return;
        }
        ++data;
        if (data % 97 == 0)
            QApplication::processEvents();  // nested, as an acknowledgement wait does
        if (data % 1000 == 0)
            throw std::runtime_error("handler failed");
    });

    constexpr int Threads = 4;
    constexpr int PostsPerThread = 5000;
    std::vector<std::thread> posters;
    for (int t = 0; t < Threads; ++t)
        posters.emplace_back([&target, t] {
            for (int i = 0; i < PostsPerThread; ++i)
                target.Post(i % 50 == t ? TMidiNotification::Overflow : TMidiNotification::Data);
        });
    const auto total = [&] { return data + overflow; };
    ASSERT_TRUE(ProcessUntil([&] { return total() >= Threads * PostsPerThread / 2; }));  // while posting
    for (std::thread& poster : posters)
        poster.join();
    ASSERT_TRUE(ProcessUntil([&] { return total() == Threads * PostsPerThread; }));
    ASSERT_TRUE(ProcessPending());  // a notification handed out twice would come by now

    EXPECT_EQ(overflow, Threads * (PostsPerThread / 50));
    EXPECT_EQ(total(), Threads * PostsPerThread) << "none lost, none twice";
    EXPECT_EQ(target.Pending(), 0u);
    EXPECT_FALSE(offThread);
    EXPECT_EQ(errors.size(), static_cast<std::size_t>(data / 1000)) << "failures go to the error sink";
}

TEST_F(QtAdapters, TheAcknowledgementClockRunsOutOnceAndIsNotRestartedWhileRunning)
{
    QTimer timer;
    timer.setInterval(24 * 60 * 60 * 1000);  // a day: only the test runs it out
    timer.setTimerType(Qt::PreciseTimer);
    TQtAckClock clock(timer);
    EXPECT_FALSE(clock.Enabled());

    clock.Start();
    ASSERT_TRUE(clock.Enabled());
    // Starting it again while it runs keeps its first deadline: once some
    // time has gone, the time left does not grow back.
    const int first = timer.remainingTime();
    ASSERT_TRUE(ProcessUntil([&] { return timer.remainingTime() <= first - 10; }));
    const int before = timer.remainingTime();
    clock.Start();
    EXPECT_LE(timer.remainingTime(), before) << "restarted by the second Start";

    // Run out: it stops itself, once.
    timer.setInterval(0);
    ASSERT_TRUE(ProcessUntil([&] { return !clock.Enabled(); }));
    ASSERT_TRUE(ProcessPending());
    EXPECT_FALSE(clock.Enabled()) << "one-shot";

    clock.Start();
    clock.Stop();
    EXPECT_FALSE(clock.Enabled());
}

}  // namespace
