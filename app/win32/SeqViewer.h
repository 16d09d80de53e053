#pragma once
// The window of File > View sequence... on Windows: on one tab the picture
// of a sequence file, drawn with GDI from the core's layout (the picture
// torem-seq writes as SVG), with what the viewer model says of it above, its
// zoom buttons, a scroll bar across and the readout of the time cursor
// below, each bar telling in a tooltip what it stands for; on the other the
// report of the last conversion. The viewer model decides everything: what
// shows across, where the cursor is, every text. A window of its own beside
// the fixed main window, hidden when closed.

#include <windows.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "SeqPicture.h"
#include "SeqViewerModel.h"
#include "Win32Ui.h"

// Draws a laid-out picture, its top-left corner at the device context's
// origin as its world transform places it.
void PaintSequence(HDC dc, const TSeqPicture& picture);

// The viewer command of a key of the picture with the modifiers held, if
// any (ViewerKeys).
std::optional<TViewerCommand> ViewerCommandOfKey(WORD key, bool control, bool shift, bool alt);

class TSeqViewer final {
public:
    // viewer (the window model's) must outlive the window; language gives
    // the language of the moment; play runs the commands that play the show
    // on the device.
    TSeqViewer(TSeqViewerModel& viewer, std::function<std::uint8_t()> language, const TScale& scale,
               std::function<void(TViewerCommand)> play = {});
    ~TSeqViewer();
    TSeqViewer(const TSeqViewer&) = delete;
    TSeqViewer& operator=(const TSeqViewer&) = delete;

    // Shows what the viewer model holds, every text in the language of the
    // moment: the picture or why there is none, and the report; brings the
    // model's page forward.
    void Refresh();
    // Shows the window, in front when it was open already.
    void Show();
    void Hide();
    bool Visible() const;
    // After the model changed: the picture, the scroll bar, the readout and
    // the buttons (the play's line moving with the music).
    void Changed();

    // For the tests.
    HWND Window() const { return window_; }
    HWND Tabs() const { return tabs_; }
    HWND Heading() const { return heading_; }
    HWND PictureView() const { return view_; }
    HWND Across() const { return across_; }
    HWND Readout() const { return readout_; }
    HWND Problem() const { return problem_; }
    HWND Report() const { return report_; }
    HWND Button(TViewerCommand command) const;
    HWND Tooltip() const;
    // The picture as last laid out, in pixels at 100% scale.
    const TSeqPicture& Picture() const;

    class TPictureView;

private:
    void LayOut();
    void ShowTab(int tab);
    void Scrolled(WORD how);
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    TSeqViewerModel& viewer_;
    std::function<std::uint8_t()> language_;
    TScale scale_;
    HWND window_ = nullptr;
    HWND tabs_ = nullptr;
    HWND heading_ = nullptr;
    std::function<void(TViewerCommand)> play_;
    std::map<TViewerCommand, HWND> buttons_;
    HWND problem_ = nullptr;
    HWND view_ = nullptr;
    HWND across_ = nullptr;
    HWND readout_ = nullptr;
    HWND report_ = nullptr;
    HWND buttonTips_ = nullptr;
    HFONT font_ = nullptr;
    HFONT fixedFont_ = nullptr;
    std::unique_ptr<TPictureView> picture_;
};
