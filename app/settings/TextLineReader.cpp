#include "TextLineReader.h"

#include <algorithm>
#include <utility>

namespace {
constexpr char CR = '\r';
constexpr char LF = '\n';
constexpr char EndOfText = '\x1A';

bool EndsLine(char c) { return c == CR || c == LF || c == EndOfText; }
}  // namespace

TTextLineReader::TTextLineReader(TFill fill, std::size_t chunkSize, std::size_t maxLineBytes)
    : fill_(std::move(fill)), maxLineBytes_(maxLineBytes), buffer_(std::max<std::size_t>(chunkSize, 1))
{
}

bool TTextLineReader::Refill()
{
    if (pos_ < end_)
        return true;
    if (dataDone_)
        return false;
    pos_ = 0;
    end_ = fill_(buffer_.data(), buffer_.size());
    if (end_ == 0)
        dataDone_ = true;
    return end_ > 0;
}

std::string TTextLineReader::ReadLine()
{
    std::string line;
    ++lines_;
    if (textDone_)
        return line;
    while (Refill()) {
        const auto first = buffer_.begin() + static_cast<std::ptrdiff_t>(pos_);
        const auto last = buffer_.begin() + static_cast<std::ptrdiff_t>(end_);
        const auto stop = std::find_if(first, last, EndsLine);
        if (static_cast<std::size_t>(stop - first) > maxLineBytes_ - line.size())
            throw ELineTooLong(lines_);
        line.append(first, stop);
        pos_ = static_cast<std::size_t>(stop - buffer_.begin());
        if (stop == last)
            continue;
        const char mark = *stop;
        ++pos_;
        if (mark == EndOfText) {
            textDone_ = true;
        } else if (mark == CR && Refill() && buffer_[pos_] == LF) {
            // CR LF is one line end, even when the LF comes in the next chunk.
            ++pos_;
        }
        return line;
    }
    textDone_ = true;
    return line;
}
