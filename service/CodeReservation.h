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

// True when the code is now held by this desk (always on files).
bool hold(engine::Database& servis, const QString& code);
void release(engine::Database& servis, const QString& code);

} // namespace reservation
