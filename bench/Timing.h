#pragma once
// How long a piece of work takes, in milliseconds of the steady clock.

#include <chrono>

namespace bench {

template <typename F>
double ms(F &&work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

} // namespace bench
