#include "Printers.h"

#include "files/SystemError.h"

#include <QFileInfo>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QSaveFile>
#include <cups/cups.h>

namespace print {

namespace {
QString& chosen() {
    static QString name;
    return name;
}

// Why the queue would not take a job now ("" when it would): rejecting jobs, or stopped, where a
// job would wait unseen and print at some later moment nobody expects.
QString refusal(const QString& name, const QString& unprinted) {
    cups_dest_t* dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, name.toLocal8Bit().constData(), nullptr);
    if (!dest)
        return {};
    const char* accepting = cupsGetOption("printer-is-accepting-jobs", dest->num_options, dest->options);
    const char* state = cupsGetOption("printer-state", dest->num_options, dest->options);
    QString why;
    if (accepting && qstrcmp(accepting, "true") != 0)
        why = QStringLiteral("\"%1\" yazıcısı şu anda iş kabul etmiyor. %2").arg(name, unprinted);
    else if (state && qstrcmp(state, "5") == 0)
        why = QStringLiteral("\"%1\" yazıcısı durdurulmuş. %2").arg(name, unprinted);
    cupsFreeDests(1, dest);
    return why;
}
} // namespace

QStringList installedPrinters() {
    return QPrinterInfo::availablePrinterNames();
}

QString currentPrinter() {
    if (!chosen().isEmpty())
        return chosen();
    // A machine with queues but no default one still has a printer to print on.
    const QString standard = QPrinterInfo::defaultPrinterName();
    if (!standard.isEmpty())
        return standard;
    const QStringList all = installedPrinters();
    return all.isEmpty() ? QString() : all.first();
}

void setCurrentPrinter(const QString& name) {
    chosen() = name;
}

QString printPage(const QString& printerName, const PagePainter& paint, const PageSetup& setup) {
    // An unknown name would silently turn the job into a nameless PDF that goes nowhere: look
    // the queue up first, so that a vanished queue or a stopped CUPS is said, not swallowed.
    if (!installedPrinters().contains(printerName)) {
        return QStringLiteral("\"%1\" yazıcısı bulunamadı (yazıcı kaldırılmış ya da yazdırma servisi "
                              "çalışmıyor olabilir). %2")
            .arg(printerName, setup.unprinted);
    }
    if (const QString why = refusal(printerName, setup.unprinted); !why.isEmpty())
        return why;
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
        return QStringLiteral("\"%1\" yazıcısına yazdırılamadı. %2").arg(printerName, setup.unprinted);
    paint(painter);
    // The job goes to CUPS as the painter ends, on this thread: its answer is the last one here.
    if (!painter.end() || printer.printerState() == QPrinter::Error ||
        cupsLastError() > IPP_STATUS_OK_EVENTS_COMPLETE)
        return QStringLiteral("\"%1\" yazıcısı işi kabul etmedi. %2").arg(printerName, setup.unprinted);
    return {};
}

QString writePdf(const QString& fileName, const PagePainter& paint, const PageSetup& setup) {
    const QString failed = QStringLiteral("PDF dosyası yazılamadı:\n%1").arg(fileName);
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return failed + QStringLiteral("\n\n") + platform::turkishSystemError(file.errorString());
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
        return failed + QStringLiteral("\n\n") + platform::turkishSystemError(file.errorString());
    return {};
}

} // namespace print
