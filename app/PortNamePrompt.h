#pragma once
// The question behind "Other port...": the serial device to open when the
// system does not list it (a USB adapter the system names differently, a
// pseudo-terminal such as the one torem-devsim prints).

#include <optional>
#include <string>

class TPortNamePrompt {
public:
    virtual ~TPortNamePrompt() = default;
    // Asks with question, proposing current; empty when cancelled.
    virtual std::optional<std::string> AskPortName(const std::string& question, const std::string& current) = 0;
};
