#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "SerialPortNames.h"

TEST(SerialPortNames, NumbersInNamesCompareByValue)
{
    struct TCase {
        const char* a;
        const char* b;
        bool less;
    };
    const TCase cases[] = {
        {"/dev/ttyS2", "/dev/ttyS10", true},   {"/dev/ttyS10", "/dev/ttyS2", false},
        {"COM3", "COM12", true},               {"COM12", "COM12", false},
        {"COM007", "COM7", false},             {"COM7", "COM007", false},  // equal value, neither first
        {"/dev/ttyS9", "/dev/ttyUSB0", true},  {"/dev/ttyUSB0", "/dev/ttyS9", false},
        {"COM", "COM1", true},                 {"COM1", "COM", false},
        {"/dev/ttyACM0", "/dev/ttyACM0a", true},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(NaturalLess(c.a, c.b), c.less) << c.a << " < " << c.b;
}

TEST(SerialPortNames, SortedInNaturalOrderEachOnce)
{
    std::vector<std::string> names{"/dev/ttyUSB10", "/dev/ttyS0", "/dev/ttyUSB2", "/dev/ttyUSB10", "/dev/ttyACM1"};
    SortPortNames(names);
    EXPECT_EQ(names, (std::vector<std::string>{"/dev/ttyACM1", "/dev/ttyS0", "/dev/ttyUSB2", "/dev/ttyUSB10"}));
}
