#pragma once
// Line-wise reading of a text file whose lines may end in CR LF, CR alone or
// LF alone. A byte 0x1A (the old end-of-text mark) or the end of the data
// ends the text; every line asked for after that reads as empty.

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

class TTextLineReader {
public:
    // Puts up to size bytes into buf and returns how many; 0 means the end of
    // the data. A failure is reported by throwing, and passes through ReadLine.
    using TFill = std::function<std::size_t(char* buf, std::size_t size)>;

    explicit TTextLineReader(TFill fill, std::size_t chunkSize = 4096);

    // The next line without its line end; lines may be of any length.
    std::string ReadLine();

private:
    // Makes at least one unread byte available; false at the end of the data.
    bool Refill();

    TFill fill_;
    std::vector<char> buffer_;
    std::size_t pos_ = 0;
    std::size_t end_ = 0;
    bool dataDone_ = false;  // fill_ reported the end
    bool textDone_ = false;  // 0x1A or the end was reached
};
