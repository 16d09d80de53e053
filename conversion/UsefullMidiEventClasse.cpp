#include "UsefullMidiEventClasse.h"

#include <algorithm>

TCntTrameList::TCntTrameList(const TCntTrameList& other)
{
    for (const TCntTrameData& pair : other)
        push_back(pair);
}

TCntTrameList& TCntTrameList::operator=(const TCntTrameList& other)
{
    if (this != &other) {
        clear();
        for (const TCntTrameData& pair : other)
            push_back(pair);
    }
    return *this;
}

TCntTrameList::TCntTrameList(TCntTrameList&& other) noexcept
    : heap_(std::move(other.heap_)), size_(other.size_), capacity_(other.capacity_), inline_{}
{
    if (!heap_)
        std::copy(other.inline_, other.inline_ + size_, inline_);
    other.size_ = 0;
    other.capacity_ = InlineCapacity;
}

TCntTrameList& TCntTrameList::operator=(TCntTrameList&& other) noexcept
{
    if (this != &other) {
        heap_ = std::move(other.heap_);
        size_ = other.size_;
        capacity_ = other.capacity_;
        if (!heap_)
            std::copy(other.inline_, other.inline_ + size_, inline_);
        other.size_ = 0;
        other.capacity_ = InlineCapacity;
    }
    return *this;
}

void TCntTrameList::push_back(const TCntTrameData& pair)
{
    if (size_ == capacity_) {
        const std::size_t capacity = std::size_t{capacity_} * 2;
        auto grown = std::make_unique<TCntTrameData[]>(capacity);
        std::copy(data(), data() + size_, grown.get());
        heap_ = std::move(grown);
        capacity_ = static_cast<std::uint16_t>(capacity);
    }
    data()[size_++] = pair;
}

const TCntTrameData* TTrameOfContactorEvent::GetDataEventX(std::uint8_t index) const
{
    if (index == 0 || index > Pairs.size())
        return nullptr;
    return &Pairs[index - 1u];
}

bool TTrameOfContactorEvent::add(std::uint8_t contact, std::uint8_t value)
{
    if (Pairs.size() >= MaxPairs)
        return false;
    Pairs.push_back(TCntTrameData{contact, value});
    return true;
}
