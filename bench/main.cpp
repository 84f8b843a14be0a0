// kts-bench: times the service desk's operations on a generated data set of a busy workshop and
// compares each with the same work on plain SQLite (or, on a PostgreSQL server, libpq alone).
// Targets are reported; only errors fail.
#include "Bench.h"
#include "BenchServer.h"
#include "DataSet.h"
#include "ProgramStyle.h"
#include "engine/Database.h"
#include "engine/PgStore.h"

#include <QApplication>
#include <QTextStream>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

struct Options {
    int records = 250000;
    int repeat = 5;
    QString json;
    bool postgresql = false;
    QString server;
    int latencyMs = 0;
};

constexpr int kMaxRecords = 99 * 9999; // record codes keep their "NN-NNNN-NN" shape

[[noreturn]] void usage(const char* why) {
    std::fprintf(stderr,
                 "kts-bench: %s\n"
                 "usage: kts-bench [--records N] [--repeat K] [--json FILE]\n"
                 "                 [--store postgresql --server CONNINFO [--latency-ms N]]\n"
                 "  --records N       service records in the data set (default 250000, 100..%d)\n"
                 "  --repeat K        runs of each operation, median reported (default 5, 1..50)\n"
                 "  --json FILE       also write the results as JSON\n"
                 "  --store S         sqlite (the files, default) or postgresql (a server)\n"
                 "  --server CONNINFO the server: a libpq connection string of a user that may\n"
                 "                    create databases; the data set is loaded into one of its own\n"
                 "  --latency-ms N    added to every round trip to the server (0..1000)\n",
                 why, kMaxRecords);
    std::exit(2);
}

int intValue(const QString& text, int low, int high, const char* option) {
    bool ok = false;
    const int v = text.toInt(&ok);
    if (!ok || v < low || v > high)
        usage(qPrintable(QStringLiteral("%1 wants a number from %2 to %3").arg(option).arg(low).arg(high)));
    return v;
}

// Read before QApplication exists: the data set may have to be generated first, in a child
// process, and that must happen before Qt starts any thread.
Options parse(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        if (arg == u"--help" || arg == u"-h")
            usage("times the service desk on a generated data set");
        if (i + 1 >= argc)
            usage(qPrintable(QStringLiteral("%1 wants a value").arg(arg)));
        const QString value = QString::fromLocal8Bit(argv[++i]);
        if (arg == u"--records")
            o.records = intValue(value, 100, kMaxRecords, "--records");
        else if (arg == u"--repeat")
            o.repeat = intValue(value, 1, 50, "--repeat");
        else if (arg == u"--json")
            o.json = value;
        else if (arg == u"--store" && (value == u"sqlite" || value == u"postgresql"))
            o.postgresql = value == u"postgresql";
        else if (arg == u"--store")
            usage("--store wants sqlite or postgresql");
        else if (arg == u"--server")
            o.server = value;
        else if (arg == u"--latency-ms")
            o.latencyMs = intValue(value, 0, 1000, "--latency-ms");
        else
            usage(qPrintable(QStringLiteral("unknown option %1").arg(arg)));
    }
    if (o.postgresql && o.server.trimmed().isEmpty())
        usage("--store postgresql wants --server");
    if (!o.postgresql && (!o.server.isEmpty() || o.latencyMs > 0))
        usage("--server and --latency-ms go with --store postgresql");
    return o;
}

void describe(QTextStream& out, const dataset::Cached& data, int records) {
    const dataset::Size size = dataset::Size::forRecords(records);
    out << "data set: " << data.folder << '\n'
        << "  " << size.records << " service records, " << size.customers << " customers, " << size.cards
        << " stock cards, " << size.usedItems << " used items; "
        << QString::number(data.bytes / 1048576.0, 'f', 1) << " MB; "
        << (data.generatedSeconds < 0
                ? QStringLiteral("from the cache")
                : QStringLiteral("generated in %1 s").arg(data.generatedSeconds, 0, 'f', 1))
        << "\n\n";
    out.flush();
}

} // namespace

int main(int argc, char** argv) {
    const Options options = parse(argc, argv);
    // SQLite set up as the program sets it up, before the data set's own connections.
    engine::startSqlite();
    try {
        std::fprintf(stderr, "kts-bench: preparing the data set of %d records...\n", options.records);
        const dataset::Cached data = dataset::ensure(options.records);
        // Offscreen unless told otherwise: the figures must not depend on a display server.
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        QApplication app(argc, argv);
        applyProgramStyle();
        QTextStream out(stdout);
        describe(out, data, options.records);

        std::unique_ptr<BenchServer> server;
        if (options.postgresql) {
            server = std::make_unique<BenchServer>(options.server, options.latencyMs);
            engine::measureStoreTime(true);
            storeClockMs = engine::storeTimeMs;
        }
        Bench bench(data.folder, options.repeat, server.get());
        if (server) {
            out << "store: " << server->describe() << "\n  data set moved onto it in "
                << QString::number(server->loadSeconds(), 'f', 1)
                << " s (kts-server move); baseline: libpq alone, PQexecPrepared\n\n";
            out.flush();
        }
        Report report = bench.run();
        report.records = options.records;
        report.repeat = options.repeat;
        report.print(out);
        if (!options.json.isEmpty())
            report.writeJson(options.json, server ? QStringLiteral("postgresql") : QString(),
                             options.latencyMs);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "kts-bench: error: %s\n", e.what());
        return 1;
    }
    return 0;
}
