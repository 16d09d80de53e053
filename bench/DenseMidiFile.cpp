// torem_dense_midi: writes the dense benchmark files that compare-midicsv.sh
// converts, with the generators the tests use: 16 tracks of one channel
// each, or one track where the two channels take turns.

#include <cstdlib>
#include <exception>
#include <iostream>
#include <string>

#include "SmfWriter.h"

int main(int argc, char** argv)
{
    const bool interleaved = argc > 1 && std::string(argv[1]) == "--one-track";
    const int first = interleaved ? 2 : 1;
    if (argc < first + 1 || argc > first + 4 || (interleaved && argc > first + 3)) {
        std::cerr << "Usage: torem_dense_midi OUTPUT.mid [NOTES [TRACKS [SECONDS]]]\n"
                     "       torem_dense_midi --one-track OUTPUT.mid [NOTES [SECONDS]]\n"
                     "Defaults: 1500000 notes on 16 tracks within 60 seconds.\n";
        return 2;
    }
    const auto number = [&](int index, unsigned long fallback) {
        return argc > first + index ? std::strtoul(argv[first + index], nullptr, 10) : fallback;
    };
    try {
        const std::string bytes =
            interleaved ? InterleavedSmf(number(1, 1500000), static_cast<std::uint32_t>(number(2, 60)))
                        : DenseSmf(number(1, 1500000), static_cast<int>(number(2, 16)),
                                   static_cast<std::uint32_t>(number(3, 60)));
        WriteBytesToFile(argv[first], bytes);
    } catch (const std::exception& error) {
        std::cerr << "torem_dense_midi: " << error.what() << '\n';
        return 1;
    }
    return 0;
}
