#pragma once

#include <chrono>

namespace sievra::bench {

// Peak resident memory of this process so far, in MiB.
double PeakMemoryMiB();

class Stopwatch {
public:
    Stopwatch()
        : start_(std::chrono::steady_clock::now()) {}
    double Milliseconds() const {
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start_)
            .count();
    }

private:
    std::chrono::steady_clock::time_point start_;
};

} // namespace sievra::bench
