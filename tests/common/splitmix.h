// The random numbers of the tests that generate their cases: splitmix64,
// small and the same on every compiler, library and bitness, so a Windows
// build under Wine and the native build draw the very same cases.
#pragma once

#include <cstddef>
#include <cstdint>

namespace splitmix {

// splitmix64: the same numbers from every compiler and library. Each draw
// is a statement of its own (or ordered by ?:, &&), never two operands of
// one expression, whose order compilers may choose.
class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}
    std::uint64_t Next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    unsigned Below(unsigned n) { return static_cast<unsigned>(Next() % n); }
    bool Percent(unsigned p) { return Below(100) < p; }
    template <typename T, std::size_t N> const T &Pick(const T (&items)[N]) {
        return items[Below(N)];
    }

private:
    std::uint64_t state_;
};

} // namespace splitmix
