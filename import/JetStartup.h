#pragma once

#include <QString>

class QWidget;

// At start-up, before the databases are opened: when Servis.mdb or Stok.mdb of the program
// directory is an old Access file, asks whether to convert it and does so with a progress window.
// False when the program must end (the user declined, stopped or the conversion failed; each
// time the user has been told and the original files are in place).
bool offerJetConversion(QWidget* parent, const QString& programDir);
