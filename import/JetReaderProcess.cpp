#include "JetReaderProcess.h"

#include "ImportError.h"
#include "files/SystemError.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <csignal>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__)
#define KTS_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KTS_ADDRESS_SANITIZER 1
#endif
#endif

namespace jet {

namespace {

// Every answer of the child is a kind and one value.
enum Answer : quint8 { Tables = 1, Columns, Row, EndOfTable, Failure };
enum Request : quint8 { OpenTable = 1, ReadRows };
constexpr auto kStreamVersion = QDataStream::Qt_6_4;
constexpr int kPollMs = 100;

} // namespace

ReaderProgram ReaderProgram::installed() {
    return {QCoreApplication::applicationDirPath() + QStringLiteral("/kts-import")};
}

QString damagedFileText(const QString& file, const QString& reason) {
    return QStringLiteral("%1: dosya bozuk; dönüştürülemedi, asıl dosya olduğu gibi duruyor (%2).")
        .arg(QDir::toNativeSeparators(file), reason);
}

struct JetReaderProcess::Impl {
    QString file;
    ReaderProgram program;
    std::function<bool()> waiting;
    QProcess process;
    QDataStream in, out;
    QStringList tables;
    QVector<JetColumn> columns;
    qint64 declared = 0;
    bool rowsAsked = false;
    bool atEnd = true;

    void stop() {
        if (process.state() == QProcess::NotRunning)
            return;
        process.kill();
        process.waitForFinished(-1);
    }

    [[noreturn]] void damaged(const QString& reason) {
        stop();
        throw ImportError(damagedFileText(file, reason));
    }

    void send() { process.waitForBytesWritten(program.silenceSeconds * 1000); }

    // The next answer, waiting while the child works; its kind must be one of `expected`
    // (a Failure always is, and throws its text).
    QVariant receive(std::initializer_list<Answer> expected, Answer* kind = nullptr) {
        QElapsedTimer silence;
        silence.start();
        for (;;) {
            quint8 k = 0;
            QVariant value;
            in.startTransaction();
            in >> k >> value;
            if (in.commitTransaction()) {
                if (k == Failure) {
                    stop();
                    throw ImportError(value.toString());
                }
                if (std::find(expected.begin(), expected.end(), k) == expected.end())
                    damaged(QStringLiteral("okuyan işlemden beklenmedik yanıt geldi"));
                if (kind)
                    *kind = Answer(k);
                return value;
            }
            if (in.status() == QDataStream::ReadCorruptData)
                damaged(QStringLiteral("okuyan işlemden beklenmedik yanıt geldi"));
            if (process.state() == QProcess::NotRunning)
                damaged(QStringLiteral("okuyan işlem çöktü ya da bellek sınırını aştı"));
            if (process.waitForReadyRead(kPollMs)) {
                silence.restart();
                continue;
            }
            if (silence.elapsed() > qint64(program.silenceSeconds) * 1000)
                damaged(QStringLiteral("okuma %1 saniye içinde ilerlemedi").arg(program.silenceSeconds));
            if (waiting && !waiting()) {
                stop();
                throw ImportError(QStringLiteral("Dönüştürme durduruldu."), true);
            }
        }
    }
};

JetReaderProcess::JetReaderProcess(const QString& file, const ReaderProgram& program,
                                   std::function<bool()> waiting)
    : d(std::make_unique<Impl>()) {
    d->file = file;
    d->program = program;
    d->waiting = std::move(waiting);
    d->process.setStandardErrorFile(QProcess::nullDevice()); // a looping libmdb warns by the gigabyte
    const rlim_t limit = static_cast<rlim_t>(program.memoryBytes);
#ifdef KTS_ADDRESS_SANITIZER
    // The sanitizer reserves terabytes of address space up front; it watches the memory in use.
    // It also hands out memory unfilled, as the ordinary allocator does: what libmdb reads of
    // memory it never wrote decides how a damaged file goes wrong.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("ASAN_OPTIONS"),
               env.value(QStringLiteral("ASAN_OPTIONS")) +
                   QStringLiteral(":max_malloc_fill_size=0:hard_rss_limit_mb=%1").arg(limit >> 20));
    d->process.setProcessEnvironment(env);
#endif
    d->process.setChildProcessModifier([limit] {
        // A reader stuck in a loop must not outlive the program that waits for it.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
#ifdef KTS_ADDRESS_SANITIZER
        Q_UNUSED(limit);
#else
        const rlimit r{limit, limit};
        ::setrlimit(RLIMIT_AS, &r);
#endif
    });
    d->process.start(program.path, {QStringLiteral("--read"), file});
    if (!d->process.waitForStarted(-1))
        throw ImportError(QStringLiteral("Access dosyalarını okuyan %1 başlatılamadı: %2")
                              .arg(QDir::toNativeSeparators(program.path),
                                   platform::turkishSystemError(d->process.errorString())));
    d->in.setDevice(&d->process);
    d->out.setDevice(&d->process);
    d->in.setVersion(kStreamVersion);
    d->out.setVersion(kStreamVersion);
    d->tables = d->receive({Tables}).toStringList();
}

JetReaderProcess::~JetReaderProcess() {
    d->stop();
}

QStringList JetReaderProcess::tables() const {
    return d->tables;
}

void JetReaderProcess::openTable(const QString& name) {
    if (!d->atEnd) // rows of the last table are still coming: that reader is done with
        d->damaged(QStringLiteral("tablo yarıda bırakıldı"));
    d->out << quint8(OpenTable) << name;
    d->send();
    const QVariantList answer = d->receive({Columns}).toList();
    d->columns.clear();
    d->declared = answer.value(0).toLongLong();
    for (qsizetype i = 1; i + 1 < answer.size(); i += 2)
        d->columns.push_back({answer[i].toString(), answer[i + 1].toInt()});
    d->rowsAsked = false;
}

const QVector<JetColumn>& JetReaderProcess::columns() const {
    return d->columns;
}

qint64 JetReaderProcess::declaredRows() const {
    return d->declared;
}

bool JetReaderProcess::next(const QVector<int>& wanted, QVariantList& cells) {
    if (!d->rowsAsked) {
        d->out << quint8(ReadRows) << wanted;
        d->send();
        d->rowsAsked = true;
        d->atEnd = false;
    }
    if (d->atEnd)
        return false;
    Answer kind = Row;
    const QVariant value = d->receive({Row, EndOfTable}, &kind);
    if (kind == EndOfTable) {
        d->atEnd = true;
        return false;
    }
    cells = value.toList();
    if (cells.size() != wanted.size())
        d->damaged(QStringLiteral("okuyan işlemden beklenmedik yanıt geldi"));
    return true;
}

int serveJetReader(const QString& file) {
    // The answers get a descriptor of their own: whatever libmdb prints goes to standard error.
    // Requests are read unbuffered: a buffered read waits for more than the program sends.
    const int channel = ::dup(STDOUT_FILENO);
    ::dup2(STDERR_FILENO, STDOUT_FILENO);
    QFile outFile, inFile;
    if (channel < 0 || !outFile.open(channel, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle) ||
        !inFile.open(STDIN_FILENO, QIODevice::ReadOnly | QIODevice::Unbuffered))
        return 2;
    QDataStream out(&outFile), in(&inFile);
    out.setVersion(kStreamVersion);
    in.setVersion(kStreamVersion);
    const auto answer = [&](Answer kind, const QVariant& value) {
        out << quint8(kind) << value;
        outFile.flush();
    };
    try {
        JetReader reader(file);
        answer(Tables, reader.tables());
        for (;;) {
            quint8 request = 0;
            in >> request;
            if (in.status() != QDataStream::Ok)
                return 0; // the program has gone or is done
            if (request == OpenTable) {
                QString name;
                in >> name;
                reader.openTable(name);
                QVariantList columns{reader.declaredRows()};
                for (const JetColumn& c : reader.columns())
                    columns << c.name << c.type;
                answer(Columns, columns);
            } else if (request == ReadRows) {
                QList<int> wanted;
                in >> wanted;
                QVariantList cells;
                while (reader.next(wanted, cells))
                    answer(Row, cells);
                answer(EndOfTable, {});
            } else {
                return 2;
            }
        }
    } catch (const ImportError& e) {
        answer(Failure, e.text());
        return 1;
    }
}

} // namespace jet
