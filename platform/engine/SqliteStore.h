#pragma once

#include "Store.h"

namespace engine {

// The store of a SQLite file: opens an existing file, never creates one; throws DbError naming it.
std::unique_ptr<Store> openSqliteStore(const QString& path);

} // namespace engine
