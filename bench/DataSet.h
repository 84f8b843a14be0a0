#pragma once

#include <QString>
#include <cstdint>

// The benchmark's data set: twenty years of a busy workshop, generated once from a fixed seed
// into the user's cache folder and reused by every later run of the same size.
namespace dataset {

inline constexpr uint64_t kSeed = 20060102;

struct Size {
    int records = 0;
    int customers = 0;
    int cards = 0;
    int usedItems = 0;

    // Everything scales with the service records: a customer per five records, a stock card
    // per twelve and a half, two used items per record.
    static Size forRecords(int records);
};

// ${XDG_CACHE_HOME:-$HOME/.cache}/KelvoraTeknikServis/bench-<records>
QString cacheFolder(int records);

// Lays down Servis.mdb and Stok.mdb of the given size in `folder`, which must not hold them yet.
// The same size and seed give the same rows, byte for byte.
void generate(const QString& folder, const Size& size, uint64_t seed = kSeed);

struct Cached {
    QString folder;
    double generatedSeconds = -1; // -1: taken from the cache as it was
    qint64 bytes = 0;             // both database files
};

// The cached data set of that size; generated first when missing or made by another version.
// Call it before any thread exists: generation runs in a child process.
Cached ensure(int records);

} // namespace dataset
