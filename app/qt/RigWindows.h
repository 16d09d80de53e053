#pragma once
// The Qt face of checking the rig: the output test box, built from the
// window's description like the main window, and the output monitor, which
// draws the model's cells large enough to read from a few metres.

#include <map>
#include <string>

#include <QDialog>
#include <QWidget>

#include "WindowDescription.h"

class TWindowModel;

class TOutputTestBox final : public QDialog {
public:
    // model must outlive the box.
    explicit TOutputTestBox(TWindowModel& model, QWidget* parent = nullptr);

    // The title or a text of the box.
    void SetText(TControl control, const std::string& text);
    int Number(TControl numberBox) const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    TWindowModel& model_;
    std::map<TControl, QWidget*> controls_;
};

class TOutputMonitor final : public QWidget {
public:
    // model must outlive the monitor.
    explicit TOutputMonitor(TWindowModel& model);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TWindowModel& model_;
};
