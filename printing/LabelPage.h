#pragma once

#include <QSizeF>
#include <QString>

class QPainter;

namespace printing {

// What a device label shows of a service record.
struct LabelFields {
    QString code; // the record code, also the barcode's data
    QString title;
    QString telephone;
    QString device; // Sistem and Marka Model
    QString serial;
    QString date;      // the registration date as shown
    QString complaint; // its first line is printed
};

// The device label: the record code as a Code 128 barcode across the top with the code under it,
// then the record's lines, each shortened with "…" where it does not fit and left out where the
// label has no room for it. One routine for the preview, the printer and a PDF: the painter's
// origin is the label's top-left corner and it is scaled from its device's resolution.
class LabelPage {
public:
    // The sizes offered first, in millimetres: the common rolls of label printers.
    static constexpr QSizeF kSizes[] = {{62, 29}, {50, 25}};
    // What a label may measure, in millimetres.
    static constexpr double kMinMm = 20;
    static constexpr double kMaxMm = 150;

    static void paint(QPainter& painter, const LabelFields& fields, const QSizeF& sizeMm);

    // The text lines as painted, for a label of `sizeMm`, after shortening.
    static QStringList lines(const LabelFields& fields, const QSizeF& sizeMm);
};

} // namespace printing
