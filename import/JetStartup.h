#pragma once

#include "JetReaderProcess.h"

#include <QString>

class QWidget;

// At start-up, before the databases are opened: when Servis.mdb or Stok.mdb of the program
// directory is an old Access file, asks whether to convert it and does so with a progress window,
// the files read by `reader`. When a file gave less than it declares, the user decides whether
// to keep the conversion. False when the program must end (the user declined, stopped or kept
// nothing, or the conversion failed; each time the user has been told and the original files
// are in place).
bool offerJetConversion(QWidget* parent, const QString& programDir,
                        const jet::ReaderProgram& reader = jet::ReaderProgram::installed());
