#pragma once

#include <QElapsedTimer>
#include <QProgressDialog>
#include <QString>

// The progress window of a conversion: file, table, rows done, and "Vazgeç". Redrawn, and the
// user heard, many times a second but not for every row, so that a large file is not slowed
// down by painting.
class ConversionProgress {
public:
    explicit ConversionProgress(QWidget* parent);

    // False once the user has pressed "Vazgeç".
    bool step(const QString& file, const QString& table, qint64 done, qint64 total);

private:
    QProgressDialog window_;
    QElapsedTimer clock_;
    QString where_;
};
