#pragma once

#include <functional>

namespace engine {
class Database;
}

// F1's status reset as one transaction: every service record back to status 0 ("Bekliyor") and
// a customer row for every title the customer table lacks, taken from the first record that
// carries it. One disk synchronisation in all. `progress(done, total)` is called between
// batches; returning false stops and rolls everything back.
void resetAllStatuses(engine::Database& servis, const std::function<bool(int, int)>& progress);
