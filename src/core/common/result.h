#pragma once

#include <utility>
#include <variant>

namespace rv {

// A value, or the reason it could not be produced. Marked [[nodiscard]] so
// that a failure cannot be dropped silently by a caller.
template <typename T, typename E> class [[nodiscard]] Result {
public:
    static Result success(T value) { return Result(std::in_place_index<0>, std::move(value)); }
    static Result failure(E error) { return Result(std::in_place_index<1>, std::move(error)); }

    bool ok() const { return data_.index() == 0; }
    explicit operator bool() const { return ok(); }

    T& value() & { return std::get<0>(data_); }
    const T& value() const& { return std::get<0>(data_); }
    T&& value() && { return std::get<0>(std::move(data_)); }
    const E& error() const { return std::get<1>(data_); }

private:
    template <std::size_t I, typename V>
    Result(std::in_place_index_t<I> index, V&& v) : data_(index, std::forward<V>(v))
    {
    }

    std::variant<T, E> data_;
};

} // namespace rv
