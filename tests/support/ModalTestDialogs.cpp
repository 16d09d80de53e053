#include "ModalTestDialogs.h"

#include <algorithm>

void TModalTestDialogs::Warning(const std::string& text)
{
    TTestDialogs::Warning(text);
    StayOpen(text);
}

void TModalTestDialogs::Information(const std::string& text)
{
    TTestDialogs::Information(text);
    StayOpen(text);
}

bool TModalTestDialogs::Confirmation(const std::string& text)
{
    const bool answer = TTestDialogs::Confirmation(text);
    StayOpen(text);
    return answer;
}

void TModalTestDialogs::StayOpen(const std::string& text)
{
    ++open;
    maxOpen = std::max(maxOpen, open);
    struct TClose {
        int& open;
        ~TClose() { --open; }
    } close{open};

    if (whileShown)
        whileShown(text);
    pump_.ProcessMessages();
}
