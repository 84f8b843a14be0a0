#include "PrivateCups.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTest>

namespace {
const QString kDriver = QStringLiteral("/usr/share/ppd/cupsfilters/Generic-PDF_Printer-PDF.ppd");

// The CUPS administration programs live in sbin, which a normal user's PATH often lacks.
QString program(const QString& name) {
    const QString found = QStandardPaths::findExecutable(name);
    return found.isEmpty() ? QStandardPaths::findExecutable(
                                 name, {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/local/sbin")})
                           : found;
}

bool writeFile(const QString& path, const QString& text) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(text.toUtf8()) == text.toUtf8().size();
}
} // namespace

PrivateCups::PrivateCups() = default;

PrivateCups::~PrivateCups() {
    stop();
}

QString PrivateCups::start() {
    if (!dir_.isValid())
        return QStringLiteral("no temporary folder");
    const QString d = dir_.path();
    for (const char* sub : {"spool", "cache", "state", "log"})
        QDir(d).mkpath(QString::fromLatin1(sub));
    const QString socket = d + QStringLiteral("/cups.sock");
    writeFile(d + QStringLiteral("/cupsd.conf"),
              QStringLiteral("Listen %1\n<Location />\n  Order allow,deny\n  Allow all\n</Location>\n")
                  .arg(socket));
    writeFile(d + QStringLiteral("/cups-files.conf"),
              QStringLiteral("FileDevice Yes\nServerRoot %1\nRequestRoot %1/spool\nCacheDir %1/cache\n"
                             "StateDir %1/state\nErrorLog %1/log/error_log\nAccessLog %1/log/access_log\n"
                             "PageLog %1/log/page_log\nPrintcap /dev/null\nSystemGroup root\n")
                  .arg(d));
    if (!QFileInfo::exists(kDriver))
        return QStringLiteral("the Generic PDF driver is not installed (cups-filters)");
    qputenv("CUPS_SERVER", QFile::encodeName(socket));
    daemon_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    const QString cupsd = program(QStringLiteral("cupsd"));
    if (cupsd.isEmpty())
        return QStringLiteral("cupsd is not installed (cups-daemon)");
    daemon_.start(cupsd, {QStringLiteral("-f"), QStringLiteral("-c"), d + QStringLiteral("/cupsd.conf"),
                          QStringLiteral("-s"), d + QStringLiteral("/cups-files.conf")});
    if (!daemon_.waitForStarted(5000))
        return QStringLiteral("cupsd cannot be started: ") + daemon_.errorString();
    QElapsedTimer t;
    t.start();
    while (!QFileInfo::exists(socket) && t.elapsed() < 5000 && daemon_.state() == QProcess::Running)
        QTest::qWait(20);
    if (!QFileInfo::exists(socket))
        return QStringLiteral("cupsd did not open its socket");
    return {};
}

void PrivateCups::stop() {
    if (daemon_.state() == QProcess::NotRunning)
        return;
    daemon_.terminate();
    if (!daemon_.waitForFinished(5000))
        daemon_.kill();
    daemon_.waitForFinished(2000);
}

bool PrivateCups::lpadmin(const QStringList& args) const {
    return admin(QStringLiteral("lpadmin"), args);
}

bool PrivateCups::admin(const QString& name, const QStringList& args) const {
    QProcess p;
    p.start(program(name), args);
    return p.waitForFinished(20000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

bool PrivateCups::addQueue(const QString& name) {
    return lpadmin({QStringLiteral("-p"), name, QStringLiteral("-E"), QStringLiteral("-v"),
                    QStringLiteral("file:") + outputOf(name), QStringLiteral("-P"), kDriver});
}

bool PrivateCups::admin(const QString& name, const QString& queue) const {
    return admin(name, QStringList{queue});
}

bool PrivateCups::removeQueue(const QString& name) {
    return lpadmin({QStringLiteral("-x"), name});
}

QString PrivateCups::outputOf(const QString& queue) const {
    return dir_.filePath(queue + QStringLiteral(".out"));
}

QString PrivateCups::waitForText(const QString& queue, int timeoutMs) const {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < timeoutMs) {
        // The file device writes the whole job before the job ends; text appears once it is whole.
        const QString text = pdfText(outputOf(queue));
        if (!text.trimmed().isEmpty())
            return text;
        QTest::qWait(100);
    }
    return {};
}

QString pdfText(const QString& file, bool bbox) {
    if (!QFileInfo::exists(file))
        return {};
    QProcess p;
    p.start(QStringLiteral("pdftotext"),
            {bbox ? QStringLiteral("-bbox") : QStringLiteral("-layout"), file, QStringLiteral("-")});
    p.waitForFinished(20000);
    return QString::fromUtf8(p.readAllStandardOutput());
}
