#include "Printers.h"

#include <QFileInfo>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QSaveFile>

namespace print {

namespace {
QString& chosen() {
    static QString name;
    return name;
}
} // namespace

QStringList installedPrinters() {
    return QPrinterInfo::availablePrinterNames();
}

QString currentPrinter() {
    return chosen().isEmpty() ? QPrinterInfo::defaultPrinterName() : chosen();
}

void setCurrentPrinter(const QString& name) {
    chosen() = name;
}

QString printPage(const QString& printerName, const PagePainter& paint, const PageSetup& setup) {
    // An unknown name would silently turn the job into a nameless PDF that goes nowhere: look
    // the queue up first, so that a vanished queue or a stopped CUPS is said, not swallowed.
    if (!installedPrinters().contains(printerName)) {
        return QStringLiteral("\"%1\" yazıcısı bulunamadı (yazıcı kaldırılmış ya da yazdırma servisi "
                              "çalışmıyor olabilir). Form yazdırılmadı.")
            .arg(printerName);
    }
    QPrinter printer(QPrinterInfo::printerInfo(printerName), QPrinter::HighResolution);
    printer.setDocName(setup.docName);
    printer.setCopyCount(setup.copies);
    if (setup.size) {
        printer.setFullPage(true);
        printer.setPageSize(*setup.size);
        printer.setPageMargins(QMarginsF(0, 0, 0, 0));
    }
    QPainter painter;
    if (!painter.begin(&printer))
        return QStringLiteral("\"%1\" yazıcısına yazdırılamadı. Form yazdırılmadı.").arg(printerName);
    paint(painter);
    if (!painter.end() || printer.printerState() == QPrinter::Error)
        return QStringLiteral("\"%1\" yazıcısı işi kabul etmedi. Form yazdırılmadı.").arg(printerName);
    return {};
}

QString writePdf(const QString& fileName, const PagePainter& paint, const PageSetup& setup) {
    const QString failed = QStringLiteral("PDF dosyası yazılamadı:\n%1").arg(fileName);
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return failed + QStringLiteral("\n\n") + file.errorString();
    {
        QPdfWriter writer(&file);
        writer.setCreator(QStringLiteral("Kelvora Teknik Servis"));
        writer.setTitle(setup.docName);
        writer.setPageSize(setup.size.value_or(QPageSize(QPageSize::A4)));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        writer.setResolution(1440);
        QPainter painter;
        if (!painter.begin(&writer))
            return failed;
        paint(painter);
        painter.end();
    }
    // A write that failed part-way (a full disk) leaves nothing under the chosen name.
    if (!file.flush() || file.error() != QFileDevice::NoError || !file.commit())
        return failed + QStringLiteral("\n\n") + file.errorString();
    return {};
}

} // namespace print
