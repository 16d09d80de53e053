#pragma once
// Shape5 and Timer2 as the activity indicator: the lamp turns red for an
// event and maroon again when Timer2 (100 ms, one-shot by its handler)
// expires after the last one.

#include <QColor>
#include <QTimer>

#include "ActivityIndicator.h"
#include "Controls.h"
#include "WindowDescription.h"

class TQtActivityIndicator final : public TActivityIndicator {
    static QColor ToQColor(TRgb colour) { return {colour.R, colour.G, colour.B}; }

public:
    static QColor LitColor() { return ToQColor(LampLitColour); }                             // red
    static QColor DarkColor() { return ToQColor(ControlSpec(TControl::Shape5).Background); }  // maroon

    // Both must outlive the indicator. Timer2's expiry is the owner's to
    // connect (to the bridge's Timer2Timer).
    TQtActivityIndicator(TShape& shape, QTimer& timer) : shape_(shape), timer_(timer) {}

    void SetLit(bool lit) override { shape_.SetBrushColor(lit ? LitColor() : DarkColor()); }
    void RestartClock() override
    {
        timer_.stop();
        timer_.start();
    }
    void StopClock() override { timer_.stop(); }

private:
    TShape& shape_;
    QTimer& timer_;
};
