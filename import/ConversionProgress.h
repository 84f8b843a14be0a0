#pragma once

#include "ui/Dialogs.h"

#include <QString>
#include <memory>

// The progress window of a conversion: file, table, rows done, and "Vazgeç".
class ConversionProgress {
public:
    explicit ConversionProgress(QWidget* parent);

    // False once the user has pressed "Vazgeç".
    bool step(const QString& file, const QString& table, qint64 done, qint64 total);

private:
    std::unique_ptr<ui::Progress> window_;
};
