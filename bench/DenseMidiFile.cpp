// torem_dense_midi: writes the dense benchmark file that compare-midicsv.sh
// converts, with the generator the tests use.

#include <cstdlib>
#include <exception>
#include <iostream>
#include <string>

#include "SmfWriter.h"

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 5) {
        std::cerr << "Usage: torem_dense_midi OUTPUT.mid [NOTES [TRACKS [SECONDS]]]\n"
                     "Defaults: 1500000 notes on 16 tracks within 60 seconds.\n";
        return 2;
    }
    const auto number = [&](int index, unsigned long fallback) {
        return argc > index ? std::strtoul(argv[index], nullptr, 10) : fallback;
    };
    try {
        WriteBytesToFile(argv[1], DenseSmf(number(2, 1500000), static_cast<int>(number(3, 16)),
                                           static_cast<std::uint32_t>(number(4, 60))));
    } catch (const std::exception& error) {
        std::cerr << "torem_dense_midi: " << error.what() << '\n';
        return 1;
    }
    return 0;
}
