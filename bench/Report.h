#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <chrono>
#include <stdexcept>
#include <utility>
#include <vector>

class QTextStream;

// A target is met when every limit given holds; 0 means no such limit.
struct Target {
    double maxMs = 0;
    double maxRatio = 0; // ours / raw

    QString text() const;
    bool met(double oursMs, double rawMs) const;
};

struct Result {
    QString name;
    double oursMs = 0;
    double rawMs = 0;
    Target target;
    // On a server, the part of our time spent in the engine's store (its code and its waits for
    // the server), the window's own work aside: what the baseline's libpq work compares with
    // directly. Negative where it is not measured.
    double storeMs = -1;

    double ratio() const { return rawMs > 0 ? oursMs / rawMs : 0; }
    bool met() const { return target.met(oursMs, rawMs); }
    double storeRatio() const { return rawMs > 0 ? storeMs / rawMs : 0; }
    // The store's part is held to the line's ratio.
    bool storeMet() const { return target.maxRatio <= 0 || storeMs <= target.maxRatio * rawMs; }
};

struct Report {
    QList<Result> results;
    double peakRssMb = 0;
    double peakRssTargetMb = 0;
    int records = 0;
    int repeat = 0;
    QStringList notes; // facts measured beside the timings, printed after them

    void print(QTextStream& out) const;
    // `store` and `latencyMs` are written for a run on a server (store not empty).
    void writeJson(const QString& path, const QString& store = {}, int latencyMs = 0) const;
};

template <typename F> double elapsedMs(F&& f) {
    const auto start = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

double median(std::vector<double> samples);

// The clock of the time spent in a server's store so far, set for a run on a server.
inline double (*storeClockMs)() = nullptr;

// Times our runs of a line, and on a server the store's part of each.
class OursClock {
public:
    template <typename F> double time(F&& f) {
        const double before = storeClockMs ? storeClockMs() : 0;
        const double ms = elapsedMs(std::forward<F>(f));
        ms_.push_back(ms);
        if (storeClockMs)
            store_.push_back(storeClockMs() - before);
        return ms;
    }
    double ms() const { return median(ms_); }
    // The median of the store's parts; negative when not on a server.
    double storeMs() const { return store_.empty() ? -1 : median(store_); }

private:
    std::vector<double> ms_;
    std::vector<double> store_;
};

// The median of `times` samples; `sample(i)` prepares, times and checks one run.
template <typename F> double medianOf(int times, F&& sample) {
    std::vector<double> samples;
    for (int i = 0; i < times; ++i)
        samples.push_back(sample(i));
    return median(std::move(samples));
}

// The benchmark stops on a wrong result: a fast wrong answer measures nothing.
inline void require(bool ok, const QString& what) {
    if (!ok)
        throw std::runtime_error(what.toStdString());
}

// VmHWM: the highest resident set size of this process so far.
double peakResidentMb();
