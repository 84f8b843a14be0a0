#pragma once

#include <QString>

namespace engine {
class Database;
}

// On a server several desks propose record codes at once: the code a desk proposes is held for it
// until the record is saved or abandoned, so two desks pressing "Yeni Kayıt" together are proposed
// different codes. The hold belongs to the desk's connection, so a desk that stops, even by a
// crash, lets go of it. The files have one desk: there is nothing to hold.
namespace reservation {

// True when no stored record carries the code and, on a server, no other desk holds it: the code
// is then held by this desk. On a server the record is looked for once the code is held (another
// desk may have saved it just before letting go), in the same round trip.
bool holdFree(engine::Database& servis, const QString& code);
void release(engine::Database& servis, const QString& code);

} // namespace reservation
