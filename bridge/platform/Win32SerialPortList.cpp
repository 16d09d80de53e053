// The serial ports of a Windows system, as the serial drivers register them
// under HKEY_LOCAL_MACHINE\HARDWARE\DEVICEMAP\SERIALCOMM ("COM3", ...).

#include "SystemSerialPorts.h"

#include <windows.h>

#include "SerialPortNames.h"
#include "Utf8.h"

std::vector<std::string> SystemSerialPortPaths()
{
    std::vector<std::string> names;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_QUERY_VALUE, &key) !=
        ERROR_SUCCESS)
        return names;
    for (DWORD index = 0;; ++index) {
        wchar_t valueName[256];
        DWORD valueNameLength = 256;
        wchar_t data[64] = {};
        DWORD dataBytes = sizeof(data) - sizeof(wchar_t);  // room for a terminating zero
        DWORD type = 0;
        const LONG result = RegEnumValueW(key, index, valueName, &valueNameLength, nullptr, &type,
                                          reinterpret_cast<BYTE*>(data), &dataBytes);
        if (result == ERROR_NO_MORE_ITEMS)
            break;
        if (result != ERROR_SUCCESS || type != REG_SZ)
            continue;
        const std::string name = Utf8FromWide(data);
        if (!name.empty())
            names.push_back(name);
    }
    RegCloseKey(key);
    SortPortNames(names);
    return names;
}
