#include "JetReader.h"

#include "ImportError.h"
#include "files/RegularFile.h"

// glib first: mdbtools.h uses its types without including it.
#include <glib.h>

#include <mdbtools.h>

#include <QFile>
#include <algorithm>

namespace jet {

namespace {

QString fromMdb(char* text) {
    const QString out = QString::fromUtf8(text);
    g_free(text);
    return out;
}

} // namespace

struct JetReader::Impl {
    QString path;
    MdbHandle* mdb = nullptr;
    MdbTableDef* table = nullptr;
    QVector<JetColumn> columns;
    std::vector<MdbField> fields;

    void closeTable() {
        if (table)
            mdb_free_tabledef(table);
        table = nullptr;
        columns.clear();
    }

    QVariant cell(const MdbField& f, int type) {
        if (f.is_null)
            return {};
        switch (type) {
        case MDB_BYTE:
            return qint64(static_cast<const unsigned char*>(f.value)[0]);
        case MDB_INT:
            return qint64(mdb_get_int16(mdb->pg_buf, f.start));
        case MDB_LONGINT:
            return qint64(mdb_get_int32(mdb->pg_buf, f.start));
        case MDB_FLOAT:
            return double(mdb_get_single(mdb->pg_buf, f.start));
        case MDB_DOUBLE:
        case MDB_DATETIME:
            return mdb_get_double(mdb->pg_buf, f.start);
        case MDB_TEXT:
            if (f.siz == 0)
                return QString(QLatin1String(""));
            return fromMdb(mdb_col_to_string(mdb, mdb->pg_buf, f.start, type, f.siz));
        case MDB_MEMO:
            return memo(f);
        case MDB_MONEY:
            return fromMdb(mdb_col_to_string(mdb, mdb->pg_buf, f.start, type, f.siz));
        default:
            break;
        }
        throw ImportError(QStringLiteral("Desteklenmeyen sütun türü: %1").arg(typeName(type)));
    }

    // A memo of any length: libmdb writes at most its bind size, so it is widened to hold the
    // longest text the stored bytes can give (three bytes of UTF-8 per stored byte at most).
    QVariant memo(const MdbField& f) {
        if (f.siz < 12)
            throw ImportError(QStringLiteral("Bir not alanı okunamadı (%1).").arg(path));
        const size_t stored = static_cast<size_t>(mdb_get_int32(mdb->pg_buf, f.start)) & 0x3fffffffu;
        if (stored == 0)
            return QString(QLatin1String(""));
        const size_t room = std::max<size_t>(MDB_BIND_SIZE, stored * 3 + 16);
        mdb_set_bind_size(mdb, room);
        char* text = mdb_col_to_string(mdb, mdb->pg_buf, f.start, MDB_MEMO, f.siz);
        mdb_set_bind_size(mdb, MDB_BIND_SIZE);
        if (!text)
            throw ImportError(QStringLiteral("Bir not alanı okunamadı (%1).").arg(path));
        if (strlen(text) + 4 >= room) { // a character that did not fit is dropped whole
            g_free(text);
            throw ImportError(QStringLiteral("Bir not alanı tam okunamadı (%1).").arg(path));
        }
        return fromMdb(text);
    }
};

JetReader::JetReader(const QString& path)
    : d(std::make_unique<Impl>()) {
    d->path = path;
    // Jet 3 keeps text in the system's single-byte code page, Turkish on the workshops'
    // machines; Jet 4 and later keep Unicode and ignore this. Text always comes out as UTF-8.
    qputenv("MDB_JET3_CHARSET", "CP1254");
    qputenv("MDB_ICONV", "UTF-8");
    if (!platform::isRegularFile(path))
        throw ImportError(QStringLiteral("Dosya bulunamadı: %1").arg(path));
    d->mdb = mdb_open(QFile::encodeName(path).constData(), MDB_NOFLAGS);
    if (!d->mdb)
        throw ImportError(QStringLiteral("Access dosyası açılamadı: %1").arg(path));
    if (!mdb_read_catalog(d->mdb, MDB_TABLE)) {
        mdb_close(d->mdb);
        throw ImportError(QStringLiteral("Access dosyasının tablo listesi okunamadı: %1").arg(path));
    }
}

JetReader::~JetReader() {
    d->closeTable();
    mdb_close(d->mdb);
}

QStringList JetReader::tables() const {
    QStringList out;
    for (unsigned int i = 0; i < d->mdb->num_catalog; ++i) {
        auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(d->mdb->catalog, i));
        if (entry->object_type == MDB_TABLE && !mdb_is_system_table(entry))
            out << QString::fromUtf8(entry->object_name);
    }
    return out;
}

void JetReader::openTable(const QString& name) {
    d->closeTable();
    QByteArray n = name.toUtf8();
    d->table = mdb_read_table_by_name(d->mdb, n.data(), MDB_TABLE);
    if (!d->table || !mdb_read_columns(d->table)) {
        d->closeTable();
        throw ImportError(QStringLiteral("%1 tablosu okunamadı (%2).").arg(name, d->path));
    }
    mdb_rewind_table(d->table);
    for (unsigned int i = 0; i < d->table->num_cols; ++i) {
        auto* col = static_cast<MdbColumn*>(g_ptr_array_index(d->table->columns, i));
        d->columns.push_back({QString::fromUtf8(col->name), col->col_type});
    }
    d->fields.assign(std::max<size_t>(d->table->num_cols, 1) + 256, MdbField{});
}

const QVector<JetColumn>& JetReader::columns() const {
    return d->columns;
}

qint64 JetReader::declaredRows() const {
    return d->table ? d->table->num_rows : 0;
}

bool JetReader::next(const QVector<int>& wanted, QVariantList& cells) {
    if (!mdb_fetch_row(d->table))
        return false;
    int start = 0;
    size_t size = 0;
    if (mdb_find_row(d->mdb, d->table->cur_row - 1, &start, &size) != 0)
        throw ImportError(QStringLiteral("%1 tablosunda bir satır okunamadı.").arg(d->table->name));
    const int n = mdb_crack_row(d->table, start & 0x1fff, size, d->fields.data());
    if (n < static_cast<int>(d->table->num_cols))
        throw ImportError(QStringLiteral("%1 tablosunda bir satır okunamadı.").arg(d->table->name));
    cells.clear();
    for (int column : wanted) {
        const MdbField* field = nullptr;
        for (int i = 0; i < n && !field; ++i)
            if (d->fields[i].colnum == column)
                field = &d->fields[i];
        if (!field)
            throw ImportError(QStringLiteral("%1 tablosunda bir satır okunamadı.").arg(d->table->name));
        cells << d->cell(*field, d->columns[column].type);
    }
    return true;
}

bool readableType(int type) {
    switch (type) {
    case MDB_BYTE:
    case MDB_INT:
    case MDB_LONGINT:
    case MDB_FLOAT:
    case MDB_DOUBLE:
    case MDB_DATETIME:
    case MDB_TEXT:
    case MDB_MEMO:
    case MDB_MONEY:
        return true;
    default:
        return false;
    }
}

bool dateTimeType(int type) {
    return type == MDB_DATETIME;
}

QString typeName(int type) {
    switch (type) {
    case MDB_BOOL:
        return QStringLiteral("Evet/Hayır");
    case MDB_BYTE:
    case MDB_INT:
    case MDB_LONGINT:
        return QStringLiteral("tamsayı");
    case MDB_MONEY:
        return QStringLiteral("para");
    case MDB_FLOAT:
    case MDB_DOUBLE:
    case MDB_NUMERIC:
        return QStringLiteral("sayı");
    case MDB_DATETIME:
        return QStringLiteral("tarih/saat");
    case MDB_TEXT:
        return QStringLiteral("metin");
    case MDB_MEMO:
        return QStringLiteral("not");
    case MDB_OLE:
        return QStringLiteral("OLE nesnesi");
    case MDB_BINARY:
        return QStringLiteral("ikili");
    default:
        return QStringLiteral("tür %1").arg(type);
    }
}

} // namespace jet
