#include "Report.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTextStream>
#include <algorithm>

QString Target::text() const {
    QStringList parts;
    if (maxMs > 0)
        parts << QStringLiteral("≤ %1 ms").arg(maxMs);
    if (maxRatio > 0)
        parts << QStringLiteral("≤ %1× raw").arg(maxRatio);
    return parts.join(QStringLiteral(", "));
}

bool Target::met(double oursMs, double rawMs) const {
    return (maxMs <= 0 || oursMs <= maxMs) && (maxRatio <= 0 || oursMs <= maxRatio * rawMs);
}

double median(std::vector<double> samples) {
    if (samples.empty())
        return 0;
    std::sort(samples.begin(), samples.end());
    const size_t n = samples.size();
    return n % 2 ? samples[n / 2] : (samples[n / 2 - 1] + samples[n / 2]) / 2;
}

double peakResidentMb() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        throw std::runtime_error("cannot read /proc/self/status");
    static const QRegularExpression hwm(QStringLiteral("^VmHWM:\\s+(\\d+) kB"),
                                        QRegularExpression::MultilineOption);
    const auto match = hwm.match(QString::fromLatin1(status.readAll()));
    if (!match.hasMatch())
        throw std::runtime_error("no VmHWM in /proc/self/status");
    return match.captured(1).toDouble() / 1024;
}

namespace {

QString number(double v, int decimals) {
    return QString::number(v, 'f', decimals);
}

QString verdict(bool met) {
    return met ? QStringLiteral("ok") : QStringLiteral("MISS");
}

} // namespace

void Report::print(QTextStream& out) const {
    const bool onServer =
        std::any_of(results.begin(), results.end(), [](const Result& r) { return r.storeMs >= 0; });
    const auto row = [&](const QString& op, const QString& ours, const QString& raw, const QString& ratio,
                         const QString& target, const QString& result, const QString& store = {}) {
        out << op.leftJustified(15) << ours.rightJustified(11) << raw.rightJustified(11)
            << ratio.rightJustified(9) << "   " << target.leftJustified(22) << result.leftJustified(6);
        if (onServer)
            out << "   " << store;
        out << '\n';
    };
    row(QStringLiteral("operation"), QStringLiteral("ours ms"), QStringLiteral("raw ms"),
        QStringLiteral("ratio"), QStringLiteral("target"), QStringLiteral("result"),
        QStringLiteral("of it in the store: ms, ratio, result"));
    for (const Result& r : results)
        row(r.name, number(r.oursMs, 3), number(r.rawMs, 3), number(r.ratio(), 2), r.target.text(),
            verdict(r.met()),
            r.storeMs < 0
                ? QString()
                : number(r.storeMs, 3).rightJustified(9) + number(r.storeRatio(), 2).rightJustified(9) +
                      QStringLiteral("   ") + verdict(r.storeMet()));
    row(QStringLiteral("memory"), number(peakRssMb, 1) + QStringLiteral(" MB"), QString(), QString(),
        QStringLiteral("≤ %1 MB peak RSS").arg(peakRssTargetMb), verdict(peakRssMb <= peakRssTargetMb));
    for (const QString& note : notes)
        out << note << '\n';
    out.flush();
}

void Report::writeJson(const QString& path, const QString& store, int latencyMs) const {
    QJsonArray list;
    for (const Result& r : results) {
        QJsonObject o{{QStringLiteral("name"), r.name},
                      {QStringLiteral("ours_ms"), r.oursMs},
                      {QStringLiteral("raw_ms"), r.rawMs},
                      {QStringLiteral("ratio"), r.ratio()},
                      {QStringLiteral("target"), r.target.text()},
                      {QStringLiteral("met"), r.met()}};
        if (r.storeMs >= 0) {
            o.insert(QStringLiteral("store_ms"), r.storeMs);
            o.insert(QStringLiteral("store_ratio"), r.storeRatio());
            o.insert(QStringLiteral("store_met"), r.storeMet());
        }
        list.append(o);
    }
    QJsonObject root{{QStringLiteral("records"), records},
                     {QStringLiteral("repeat"), repeat},
                     {QStringLiteral("results"), list},
                     {QStringLiteral("peak_rss_mb"), peakRssMb},
                     {QStringLiteral("peak_rss_target_mb"), peakRssTargetMb},
                     {QStringLiteral("peak_rss_met"), peakRssMb <= peakRssTargetMb},
                     {QStringLiteral("notes"), QJsonArray::fromStringList(notes)}};
    if (!store.isEmpty()) {
        root.insert(QStringLiteral("store"), store);
        root.insert(QStringLiteral("latency_ms"), latencyMs);
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(QJsonDocument(root).toJson()) < 0)
        throw std::runtime_error("cannot write " + path.toStdString());
}
