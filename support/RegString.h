#pragma once

#include "registry/RegistryStore.h"

#include <QString>
#include <optional>

// Text values of a registry branch (`root`, usually registry::currentUser()). Texts cross into the
// registry as code page 1254 bytes; a character the code page cannot hold is stored as '?'.

// The text under `valueName`, or nothing when the key or the value is missing or the value is
// not text. A read never creates the key. Data with or without a terminating NUL read the same.
std::optional<QString> RegReadString(const registry::Store& root, const QString& keyPath,
                                     const QString& valueName);

// Stores `text` as a text value, creating missing levels of the key path. The outcome says, in
// Turkish, why a text could not be stored; telling the user is the caller's part.
registry::Outcome RegWriteString(const registry::Store& root, const QString& keyPath,
                                 const QString& valueName, const QString& text);
