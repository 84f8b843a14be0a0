#pragma once

#include <cstddef>
#include <cstdint>

// splitmix64: its sequence is fixed by the seed on every compiler and library, unlike the
// standard distributions, so the data set is the same wherever it is generated.
class Rng {
public:
    explicit Rng(uint64_t seed)
        : state_(seed) {}

    uint64_t next() {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    // 0 <= result < n
    int below(int n) { return static_cast<int>(next() % static_cast<uint64_t>(n)); }
    int between(int lo, int hi) { return lo + below(hi - lo + 1); }
    bool percent(int p) { return below(100) < p; }
    double unit() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }
    // Skewed towards the front: index i is picked with a weight falling like 1/sqrt(i), so a
    // few customers or parts come up again and again and most rarely.
    int skewed(int n) {
        const double u = unit();
        return static_cast<int>(u * u * n);
    }

    template <typename T, size_t N> const T& pick(const T (&items)[N]) { return items[below(int(N))]; }

private:
    uint64_t state_;
};
