#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// A CUPS daemon of the test's own: configuration, spool and socket in a temporary folder, never
// the system's. Queues print to files through the Generic PDF driver, so pdftotext reads them.
class PrivateCups {
public:
    PrivateCups();
    ~PrivateCups();

    // Starts the daemon and points this process's CUPS client at it; "" or why it cannot start.
    QString start();
    void stop();
    bool addQueue(const QString& name);
    bool removeQueue(const QString& name);
    // Runs a CUPS administration program on a queue: cupsreject, cupsaccept, cupsdisable, ...
    bool admin(const QString& program, const QString& queue) const;
    QString outputOf(const QString& queue) const; // the file the queue prints to
    // Waits until the queue's file is complete and returns its text as pdftotext -layout reads it.
    QString waitForText(const QString& queue, int timeoutMs = 20000) const;

private:
    bool lpadmin(const QStringList& args) const;
    bool admin(const QString& program, const QStringList& args) const;

    QTemporaryDir dir_;
    QProcess daemon_;
};

// Text of a PDF file by pdftotext; with `bbox` each word with its box in points.
QString pdfText(const QString& file, bool bbox = false);
