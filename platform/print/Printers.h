#pragma once

#include <QPageSize>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class QPainter;

// The printers of this machine are the CUPS queues as Qt Print Support lists them. The program
// keeps one of them as its current printer, the one a printout goes to.
namespace print {

// Device names of the installed printers, in the order the platform lists them.
QStringList installedPrinters();

// The program's current printer: the one last chosen, else the platform's default, else the first
// installed ("" if none).
QString currentPrinter();
void setCurrentPrinter(const QString& name);

// The paper of a page and how many copies. The service form goes on the printer's own paper (A4 in
// a PDF) with its origin at the printable area; a label fills a paper of its own size whole.
struct PageSetup {
    std::optional<QPageSize> size;
    int copies = 1;
    QString docName = QStringLiteral("Servis Formu");
    QString unprinted = QStringLiteral("Form yazdırılmadı."); // ends a failure's sentence
};

// Draws one page with `paint` on a painter whose origin is the top-left corner of the printable
// area. Returns "" when the page went to the printer, otherwise a Turkish sentence naming the
// printer and saying why not (the queue is gone, CUPS is not running, the queue is stopped or
// rejects jobs, it refused this one).
using PagePainter = std::function<void(QPainter&)>;
QString printPage(const QString& printerName, const PagePainter& paint, const PageSetup& setup = {});

// Writes one page drawn by `paint` as a vector PDF, with the page's top-left corner as origin.
// The file appears under its name only when it is complete; "" on success, otherwise a Turkish
// sentence saying why it could not be written.
QString writePdf(const QString& fileName, const PagePainter& paint, const PageSetup& setup = {});

} // namespace print
