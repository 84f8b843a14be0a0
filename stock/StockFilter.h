#pragma once

#include <QString>
#include <QStringList>

// The record sources and criteria of the stock list, with every typed or stored value quoted,
// so that a name such as Ali'nin or a text holding * ? # [ is matched as it stands.
namespace stockfilter {

inline const QString kNoGroup = QStringLiteral("Gurup Yok");
inline const QString kSearchPlaceholder = QStringLiteral("Kayıt Arama");

// "Select * From Stokkartlar <condition> Order By StokKod ASC"; "Gurup Yok" means no filter.
QString cardSource(const QString& group, const QString& subgroup);
// "Select * From AltGurup Where Gurup='<group>' Order By AltGurup ASC"
QString subgroupSource(const QString& group);
// The prefix criteria a typed search tries, in order: barcode, serial number, code, name.
QStringList searchCriteria(const QString& typed);
// The exact criteria a scanner's Enter tries first, in order: barcode, serial number, code.
QStringList exactCriteria(const QString& typed);
// field='value'
QString equals(const QString& field, const QString& value);

} // namespace stockfilter

namespace engine {
class DataSource;
}

namespace stockfilter {
// One field of every row of the data source's record set, in its order.
QStringList fieldValues(const engine::DataSource& source, const QString& field);
} // namespace stockfilter
