#include "JetConversion.h"

#include "Csv.h"
#include "ImportError.h"
#include "JetDateTime.h"
#include "JetHeader.h"
#include "JetReader.h"
#include "engine/Database.h"
#include "engine/DbError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace jet {

namespace {

// A name beside `target` made of its base name and `suffix`, not yet taken by any file.
QString freeName(const QString& target, const QString& suffix, const QString& extension) {
    const QFileInfo info(target);
    const QString stem = info.dir().filePath(info.completeBaseName() + suffix);
    QString name = stem + extension;
    for (int n = 2; QFileInfo::exists(name); ++n)
        name = QStringLiteral("%1-%2%3").arg(stem).arg(n).arg(extension);
    return name;
}

// A cell of the old file as the new file's field keeps it.
QVariant toField(const QVariant& cell, engine::FieldType type, int jetType) {
    if (!cell.isValid())
        return {};
    const bool number = cell.typeId() == QMetaType::Double;
    switch (type) {
    case engine::FieldType::Date:
        return number ? QVariant(dateText(cell.toDouble())) : cell;
    case engine::FieldType::Time:
        return number ? QVariant(timeText(cell.toDouble())) : cell;
    case engine::FieldType::Text:
        if (number && dateTimeType(jetType))
            return QStringLiteral("%1 %2").arg(dateText(cell.toDouble()), timeText(cell.toDouble()));
        if (number)
            return QString::number(cell.toDouble(), 'g', 15);
        return cell.toString();
    case engine::FieldType::Integer:
    case engine::FieldType::Other:
        break;
    }
    return cell;
}

// The renames last through a power cut only once the directory itself is on disk.
void syncDirectory(const QString& file) {
    const int fd =
        ::open(QFile::encodeName(QFileInfo(file).absolutePath()).constData(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

QString notAccess(const QString& path) {
    return QStringLiteral("%1 bir Access (Jet) veritabanı dosyası değil.").arg(path);
}

QString databaseError(const engine::DbError& e) {
    return QStringLiteral("Yeni veritabanı yazılamadı: %1").arg(e.description());
}

} // namespace

JetConversion::JetConversion(const QString& source, const QString& target, const TargetSchema& schema,
                             const ReaderProgram& reader)
    : source_(QFileInfo(source).absoluteFilePath())
    , target_(QFileInfo(target).absoluteFilePath())
    , schema_(schema)
    , reader_(reader) {
    const QString a = QFileInfo(source_).canonicalFilePath();
    inPlace_ = !a.isEmpty() && a == QFileInfo(target_).canonicalFilePath();
    report_.source = source_;
    report_.target = target_;
}

JetConversion::~JetConversion() {
    discard();
}

QString JetConversion::temporaryPath(const QString& target) {
    const QFileInfo info(target);
    return info.dir().filePath(info.completeBaseName() + QStringLiteral(".donusum-gecici.mdb"));
}

QString JetConversion::keptPath(const QString& target) {
    return freeName(target, QStringLiteral(".access-yedek"), QStringLiteral(".mdb"));
}

TargetSchema JetConversion::schemaOf(const QString& source, const ReaderProgram& reader) {
    if (fileFormat(source) == Format::NotJet)
        throw ImportError(notAccess(source));
    const std::optional<TargetSchema> schema = schemaForTables(JetReaderProcess(source, reader).tables());
    if (!schema)
        throw ImportError(
            QStringLiteral("%1 ne servis ne de stok veritabanı olarak tanınamadı.").arg(source));
    return *schema;
}

const ConversionReport& JetConversion::prepare(const Progress& progress) {
    discard();
    if (fileFormat(source_) == Format::NotJet)
        throw ImportError(notAccess(source_));
    if (!inPlace_ && QFileInfo::exists(target_))
        throw ImportError(QStringLiteral("%1 zaten var; üzerine yazılmaz.").arg(target_));
    temp_ = temporaryPath(target_);
    prepared_ = true;
    try {
        // A temporary file is only ever ours: one left by an interrupted run goes first.
        QFile::remove(temp_);
        engine::createDatabaseFile(temp_, schema_.statements);
        copyTables(progress);
        check();
    } catch (const engine::DbError& e) {
        discard();
        throw ImportError(databaseError(e));
    } catch (...) {
        discard();
        throw;
    }
    return report_;
}

namespace {

// How one table of the new file is filled: its fields in order, each with the old column
// that fills it (or none).
struct TablePlan {
    QStringList names;
    QVector<engine::FieldType> types;
    QVector<int> wanted;   // old columns read, in the order the reader hands them over
    QVector<int> jetTypes; // per wanted column
    QVector<int> source;   // per field: index into wanted, or -1 for a field left Null
    QString insert;

    QVariantList row(const QVariantList& cells) const {
        QVariantList out;
        for (int i = 0; i < names.size(); ++i)
            out << (source[i] < 0 ? QVariant() : toField(cells[source[i]], types[i], jetTypes[source[i]]));
        return out;
    }
};

TablePlan plan(const engine::TableInfo& info, const QString& jetName, const QVector<JetColumn>& columns,
               ConversionReport& report) {
    TablePlan p;
    QStringList marks;
    for (const engine::FieldInfo& f : info.fields) {
        if (f.name == info.key)
            continue;
        p.names << f.name;
        p.types << f.type;
        marks << QStringLiteral("?");
        const auto column = std::find_if(columns.begin(), columns.end(), [&](const JetColumn& c) {
            return c.name.compare(f.name, Qt::CaseInsensitive) == 0;
        });
        if (column == columns.end()) {
            report.missingColumns << info.name + u'.' + f.name;
            p.source << -1;
            continue;
        }
        if (!readableType(column->type))
            throw ImportError(QStringLiteral("%1 tablosunun %2 sütunu aktarılamayan türde: %3.")
                                  .arg(info.name, f.name, typeName(column->type)));
        p.source << p.wanted.size();
        p.wanted << static_cast<int>(column - columns.begin());
        p.jetTypes << column->type;
    }
    for (const JetColumn& c : columns)
        if (!p.names.contains(c.name, Qt::CaseInsensitive))
            report.unknownColumns << jetName + u'.' + c.name;
    p.insert = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                   .arg(info.name, p.names.join(QStringLiteral(", ")), marks.join(QStringLiteral(", ")));
    return p;
}

void stopIfAsked(const Progress& progress, const QString& table, qint64 done, qint64 total) {
    if (progress && !progress(table, done, total))
        throw ImportError(QStringLiteral("Dönüştürme durduruldu."), true);
}

} // namespace

void JetConversion::copyTables(const Progress& progress) {
    // While the reader is busy the progress window keeps answering, at the last step it showed.
    QString table;
    qint64 done = 0, total = 0;
    stopIfAsked(progress, table, done, total);
    JetReaderProcess reader(source_, reader_, [&] { return !progress || progress(table, done, total); });
    const QStringList jetTables = reader.tables();
    for (const QString& t : jetTables)
        if (!schema_.tables.contains(t, Qt::CaseInsensitive))
            report_.unknownTables << t;

    auto db = engine::Database::open(temp_);
    engine::Database::Transaction transaction(*db);
    for (const QString& name : schema_.tables) {
        const auto found = std::find_if(jetTables.begin(), jetTables.end(), [&](const QString& t) {
            return t.compare(name, Qt::CaseInsensitive) == 0;
        });
        if (found == jetTables.end()) {
            report_.missingTables << name;
            continue;
        }
        table = name;
        done = 0;
        total = 0;
        reader.openTable(*found);
        const TablePlan p = plan(db->table(table), *found, reader.columns(), report_);
        total = reader.declaredRows();
        TableCount count{table, total, 0, 0, 0};
        std::unique_ptr<QSaveFile> csv;
        QVariantList cells;
        stopIfAsked(progress, table, 0, total);
        while (reader.next(p.wanted, cells)) {
            ++count.rows;
            // More rows than the file declares are not its rows: the table's pages are damaged.
            if (count.rows > total)
                throw ImportError(damagedFileText(
                    source_,
                    QStringLiteral("%1 tablosunda %2 kayıttan fazlası okundu").arg(table).arg(total)));
            const QVariantList row = p.row(cells);
            try {
                engine::Statement s = db->prepare(p.insert);
                s.bindAll(row);
                s.run();
                ++count.copied;
            } catch (const engine::DbError& e) {
                if (e.number() != engine::ErrDuplicateKey)
                    throw;
                // The old engine let some codes in twice; the later rows wait in a CSV file.
                ++count.duplicates;
                if (!csv)
                    csv = openSetAside(table, p.names);
                csv->write(csvLine(row, p.types).toUtf8() + '\n');
            }
            done = count.rows;
            stopIfAsked(progress, table, done, total);
        }
        if (csv && !csv->commit())
            throw ImportError(QStringLiteral("%1 yazılamadı.").arg(csvFiles_.last().second));
        report_.tables << count;
    }
    // A file that holds none of the tables is another program's: an empty database made from
    // it would look like lost records.
    if (report_.missingTables.size() == schema_.tables.size())
        throw ImportError(
            QStringLiteral("%1 dosyasında %2 tablolarından hiçbiri yok; dosya bu programın değil.")
                .arg(source_, schema_.tables.join(QStringLiteral(", "))));
    transaction.commit();
}

// The file of set-aside rows of a table, under a temporary name until commit().
std::unique_ptr<QSaveFile> JetConversion::openSetAside(const QString& table, const QStringList& header) {
    const QString suffix = table.compare(QLatin1String("Servis"), Qt::CaseInsensitive) == 0
                               ? QStringLiteral(".yinelenen-kodlar")
                               : QStringLiteral(".%1.yinelenen-kodlar").arg(table);
    const QString final = freeName(target_, suffix, QStringLiteral(".csv"));
    const QString temp = final + QStringLiteral(".gecici");
    csvFiles_ << std::pair{temp, final};
    report_.duplicateFiles << final;
    auto csv = std::make_unique<QSaveFile>(temp);
    if (!csv->open(QIODevice::WriteOnly))
        throw ImportError(QStringLiteral("%1 yazılamadı.").arg(final));
    csv->write(header.join(u',').toUtf8() + '\n');
    return csv;
}

// The new file as it lies on disk: sound, and holding every row of the old one.
void JetConversion::check() {
    auto db = engine::Database::open(temp_);
    engine::Statement integrity = db->prepare(QStringLiteral("PRAGMA integrity_check"));
    if (!integrity.step() || integrity.value(0).toString() != QLatin1String("ok"))
        throw ImportError(QStringLiteral("Yeni veritabanı denetimden geçmedi (%1).").arg(temp_));
    for (const TableCount& t : std::as_const(report_.tables)) {
        engine::Statement s = db->prepare(QStringLiteral("SELECT count(*) FROM %1").arg(t.table));
        s.step();
        if (s.int64(0) != t.copied || t.copied + t.duplicates != t.rows)
            throw ImportError(
                QStringLiteral("%1 tablosunun satır sayısı tutmuyor: eski dosyada %2, yenisinde %3.")
                    .arg(t.table)
                    .arg(t.rows)
                    .arg(s.int64(0)));
    }
}

void JetConversion::commit() {
    if (!prepared_)
        throw ImportError(QStringLiteral("Dönüştürülmüş dosya hazır değil."));
    for (auto& [temp, final] : csvFiles_) {
        if (!QFile::rename(temp, final))
            throw ImportError(QStringLiteral("%1 yazılamadı.").arg(final));
        temp = final; // from now on discard() removes it under its final name
    }
    const QByteArray temp = QFile::encodeName(temp_), target = QFile::encodeName(target_);
    if (inPlace_) {
        // A second name for the original first, so that the file name never stands empty: the
        // rename then swaps the new file in at once.
        const QString kept = keptPath(target_);
        const QByteArray keptName = QFile::encodeName(kept);
        bool linked = ::link(target.constData(), keptName.constData()) == 0;
        if (!linked && !QFile::rename(target_, kept))
            throw ImportError(QStringLiteral("Eski dosya %1 adıyla saklanamadı.").arg(kept));
        if (std::rename(temp.constData(), target.constData()) != 0) {
            if (linked)
                QFile::remove(kept);
            else
                QFile::rename(kept, target_);
            throw ImportError(QStringLiteral("Yeni dosya %1 adıyla yerine konamadı.").arg(target_));
        }
        report_.kept = kept;
    } else if (!QFile::rename(temp_, target_)) {
        throw ImportError(QStringLiteral("Yeni dosya %1 adıyla yerine konamadı.").arg(target_));
    }
    syncDirectory(target_);
    prepared_ = false;
    csvFiles_.clear();
}

void JetConversion::discard() {
    if (!prepared_)
        return;
    QFile::remove(temp_);
    QFile::remove(temp_ + QStringLiteral("-journal"));
    for (const auto& [temp, final] : std::as_const(csvFiles_))
        QFile::remove(temp);
    csvFiles_.clear();
    prepared_ = false;
}

} // namespace jet
