#pragma once
// TForm1, the main window's Qt face: the widgets, menus and pop-up menus of
// the window's description, each control named as the description names it
// (objectName) and the controls of a family carrying their Tag as the
// property "Tag". Clicks go to the window model, which decides everything
// and tells the face what to show through TWindowView.

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <QMainWindow>

#include "WindowModel.h"
#include "WindowView.h"

class QAction;
class QActionGroup;
class QDialog;
class QPlainTextEdit;
class QLabel;
class QMenu;
class QTimer;
class TForm2;
class TOutputMonitor;
class TOutputTestBox;
class TPictureBox;
class TQtActivityIndicator;
class TQtMessageLoop;
class TSeqViewer;

// What the program gives the window, and how its boxes become the window's
// children: called with the window before its start-up sequence runs, so
// that every box of the run, the first warnings included, is one.
struct TForm1Services : TWindowServices {
    std::function<void(QWidget& window)> AdoptDialogs;
};

class TForm1 final : public QMainWindow, private TWindowView {
public:
    // Builds the window with its design texts, then runs the start-up.
    explicit TForm1(const TForm1Services& services, QWidget* parent = nullptr);
    ~TForm1() override;
    TForm1(const TForm1&) = delete;
    TForm1& operator=(const TForm1&) = delete;

    TWindowModel& Model() { return *model_; }
    AppSettings& Settings() { return model_->Settings(); }
    const AppSettings& Settings() const { return model_->Settings(); }
    // The viewer, once "View sequence..." has opened it.
    TSeqViewer* SeqViewer() const { return viewer_.get(); }
    // The About box that About1 shows; the program entry creates it.
    void SetAboutBox(TForm2* aboutBox) { aboutBox_ = aboutBox; }

protected:
    void closeEvent(QCloseEvent* event) override;
    // A MIDI file dropped becomes the one to convert, a sequence file opens
    // in the viewer: the model says which it takes.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // TWindowView
    void SetText(TControl control, const std::string& text) override;
    void SetValueLabel(TControl label, const TValueLabel& value) override;
    void Check(TControl item) override;
    void ClearChecks(TRadioGroup group) override;
    void SetItems(TControl slot, const std::vector<TRunTimeItem>& items) override;
    void CheckItem(TControl slot, std::size_t index) override;
    void SetSelected(TControl picture, bool selected) override;
    void SetEnabled(TControl control, bool enabled) override;
    void PopUp(TControl menu) override;
    void ShowAboutBox() override;
    void ShowForm(TControl form) override;
    int Number(TControl numberBox) const override;
    void ShowMonitor() override;
    void RefreshMonitor() override;
    bool MonitorVisible() const override;
    void ShowSequenceViewer() override;
    void RefreshSequenceViewer() override;
    bool SequenceViewerVisible() const override;
    void RedrawSequenceViewer() override;
    void ShowLog() override;
    void RefreshLog() override;
    void CloseWindow() override;

    // The widgets of the description.
    void Build();
    void BuildControl(const TControlSpec& described);
    void BuildMenu(const TControlSpec& described);
    QWidget* Widget(TControl control) const;

    // Where the run-time items of a slot go.
    struct TSlot {
        QMenu* Menu = nullptr;
        QAction* Before = nullptr;  // the item after the slot; none: at the end
        QActionGroup* Group = nullptr;
        std::vector<QAction*> Items;
    };

    TForm1Services services_;
    std::map<TControl, QWidget*> widgets_;
    std::map<TControl, QMenu*> menus_;
    std::map<TControl, QAction*> actions_;
    std::map<TRadioGroup, QActionGroup*> groups_;
    std::map<TControl, TSlot> slots_;
    // A slot whose next item in the same menu is not built yet.
    std::map<QMenu*, TControl> openSlots_;

    QTimer* Timer2 = nullptr;
    std::unique_ptr<TQtActivityIndicator> indicator_;
    std::unique_ptr<TQtMessageLoop> loop_;
    TForm2* aboutBox_ = nullptr;
    // Made when first asked for; a window of its own, which the main window
    // neither covers nor stays under.
    std::unique_ptr<TSeqViewer> viewer_;
    // The output test box and the monitor, made when first asked for.
    std::unique_ptr<TOutputTestBox> testBox_;
    std::unique_ptr<TOutputMonitor> monitor_;
    // The log window, made when first asked for, a window of its own too.
    std::unique_ptr<QDialog> log_;
    QPlainTextEdit* logText_ = nullptr;
    std::unique_ptr<TWindowModel> model_;
    bool closed_ = false;
};
