#pragma once
// The window of File > View sequence... on Windows: on one tab the picture
// of the sequence file named by SeqFileName, drawn with GDI from the core's
// layout (the picture torem-seq writes as SVG), scrolled when its rows need
// more height than the window has, each bar telling in a tooltip what it
// stands for; on the other the report of the last conversion. Texts follow
// the language of the moment. A window of its own beside the fixed main
// window, hidden when closed.

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "SeqPicture.h"
#include "SeqViewerModel.h"
#include "Win32Ui.h"

// Draws a laid-out picture, its top-left corner at the device context's
// origin as its world transform places it.
void PaintSequence(HDC dc, const TSeqPicture& picture);

class TSeqViewer final {
public:
    // viewer (the window model's) must outlive the window; language gives
    // the language of the moment.
    TSeqViewer(const TSeqViewerModel& viewer, std::function<std::uint8_t()> language, const TScale& scale);
    ~TSeqViewer();
    TSeqViewer(const TSeqViewer&) = delete;
    TSeqViewer& operator=(const TSeqViewer&) = delete;

    // Shows what the viewer model holds, every text in the language of the
    // moment: the picture or why there is none, and the report.
    void Refresh();
    // Shows the window, in front when it was open already.
    void Show();
    void Hide();
    bool Visible() const;

    // For the tests.
    HWND Window() const { return window_; }
    HWND Tabs() const { return tabs_; }
    HWND PictureView() const { return view_; }
    HWND Problem() const { return problem_; }
    HWND Report() const { return report_; }
    HWND Tooltip() const;
    // The picture as last laid out, in pixels at 100% scale.
    const TSeqPicture& Picture() const;

    class TPictureView;

private:
    void LayOut();
    void ShowTab(int tab);
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    const TSeqViewerModel& viewer_;
    std::function<std::uint8_t()> language_;
    TScale scale_;
    HWND window_ = nullptr;
    HWND tabs_ = nullptr;
    HWND problem_ = nullptr;
    HWND view_ = nullptr;
    HWND report_ = nullptr;
    HFONT font_ = nullptr;
    HFONT fixedFont_ = nullptr;
    std::unique_ptr<TPictureView> picture_;
};
