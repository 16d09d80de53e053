// Any bytes as a settings file on Windows: read as UTF-8 when they are, as
// Windows-1252 otherwise, they give valid UTF-8 text, which is written back
// in bytes that read as the same text. Any valid UTF-8 text read from the
// program's own side is written and read back unchanged as well.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "SettingsFormat.h"
#include "Utf8.h"

namespace {

void RoundTrip(const std::string& text)
{
    if (!IsValidUtf8(text) || SettingsTextFromWindowsFile(WindowsFileFromSettingsText(text)) != text)
        __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    RoundTrip(SettingsTextFromWindowsFile(bytes));
    if (IsValidUtf8(bytes))
        RoundTrip(std::string(bytes));
    return 0;
}
