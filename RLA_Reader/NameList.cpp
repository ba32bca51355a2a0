#include "NameList.h"

void NameList::Add(std::string_view name)
{
    starts_.push_back(static_cast<std::uint32_t>(bytes_.size()));
    bytes_.append(name);
    bytes_.push_back('\0');
}

void NameList::Reserve(std::size_t names, std::size_t bytes)
{
    starts_.reserve(names);
    bytes_.reserve(bytes);
}

std::string_view NameList::View(std::size_t i) const
{
    const std::size_t start = starts_[i];
    const std::size_t end = i + 1 < starts_.size() ? starts_[i + 1] - 1 : bytes_.size() - 1;
    return std::string_view(bytes_.data() + start, end - start);
}

std::vector<std::string> NameList::ToVector() const
{
    std::vector<std::string> names;
    names.reserve(size());
    for (std::size_t i = 0; i < size(); ++i)
        names.emplace_back(View(i));
    return names;
}

bool NameList::operator==(const std::vector<std::string>& other) const
{
    if (other.size() != size())
        return false;
    for (std::size_t i = 0; i < size(); ++i) {
        if (View(i) != other[i])
            return false;
    }
    return true;
}
