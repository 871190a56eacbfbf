// A read-only view of one of the constant tables the registrations and the
// help merge run from. Free of any OS header.
#pragma once

#include <cstddef>

namespace ComponentSetup {

// A read-only view of a constant table; the tables themselves are static.
template <typename T>
class TableView {
public:
    constexpr TableView() noexcept = default;
    template <std::size_t N>
    constexpr TableView(const T (&rows)[N]) noexcept : first_(rows), count_(N) {}

    constexpr const T* begin() const noexcept { return first_; }
    constexpr const T* end() const noexcept { return first_ + count_; }
    constexpr std::size_t size() const noexcept { return count_; }
    constexpr bool empty() const noexcept { return count_ == 0; }
    constexpr const T& operator[](std::size_t i) const noexcept { return first_[i]; }

private:
    const T* first_ = nullptr;
    std::size_t count_ = 0;
};

}  // namespace ComponentSetup
