#pragma once
// Line-wise reading of a text file whose lines may end in CR LF, CR alone or
// LF alone. A byte 0x1A (the old end-of-text mark) or the end of the data
// ends the text; every line asked for after that reads as empty.

#include <cstddef>
#include <functional>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

// A line longer than the reader was told to take: so much is never kept.
class ELineTooLong : public std::length_error {
public:
    explicit ELineTooLong(std::size_t line) : std::length_error("line too long"), line_(line) {}
    std::size_t Line() const noexcept { return line_; }  // counted from 1

private:
    std::size_t line_;
};

class TTextLineReader {
public:
    // Puts up to size bytes into buf and returns how many; 0 means the end of
    // the data. A failure is reported by throwing, and passes through ReadLine.
    using TFill = std::function<std::size_t(char* buf, std::size_t size)>;

    // A line of more than maxLineBytes throws ELineTooLong.
    explicit TTextLineReader(TFill fill, std::size_t chunkSize = 4096,
                             std::size_t maxLineBytes = std::numeric_limits<std::size_t>::max());

    // The next line without its line end.
    std::string ReadLine();

private:
    // Makes at least one unread byte available; false at the end of the data.
    bool Refill();

    TFill fill_;
    std::size_t maxLineBytes_;
    std::size_t lines_ = 0;  // read so far
    std::vector<char> buffer_;
    std::size_t pos_ = 0;
    std::size_t end_ = 0;
    bool dataDone_ = false;  // fill_ reported the end
    bool textDone_ = false;  // 0x1A or the end was reached
};
