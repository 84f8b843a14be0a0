// The history of a device and a customer: the count beside the serial number and title boxes, and
// the list behind it, against the same indexed queries on plain SQLite.
#include "Bench.h"

#include "History.h"
#include "HistoryLink.h"
#include "Schema.h"
#include "WindowDriver.h"
#include "engine/Text.h"

namespace {

constexpr int kHistorySamples = 40; // records spread over the set; each looked up by serial and title

struct Sample {
    sqlite3_int64 id;
    QString serial;
    QString title;
};

std::vector<Sample> historySamples(RawDb& servis, int records) {
    RawQuery q(servis, "SELECT ID, SeriNo, Unvan FROM Servis WHERE ID % ? = 7 ORDER BY ID");
    q.bind(1, sqlite3_int64(std::max(1, records / kHistorySamples)));
    std::vector<Sample> out;
    while (q.step() && out.size() < size_t(kHistorySamples))
        out.push_back({q.int64(0), text(q.text(1)), text(q.text(2))});
    q.reset();
    require(!out.empty(), QStringLiteral("history: no records to look up"));
    return out;
}

std::string keySql(history::Kind kind, const RawDb& db) {
    return schema::matchKeySql(history::fieldOf(kind),
                               db.onServer() ? engine::Dialect::Postgres : engine::Dialect::Sqlite)
        .toStdString();
}

// "The key matches and the record is another", as the store spells it.
std::string othersSql(history::Kind kind, const RawDb& db) {
    return keySql(kind, db) + " = ? AND ID " + db.sql("IS NOT", "IS DISTINCT FROM") + " ?";
}

// The codes as an array value of the server's.
std::string textArray(const std::vector<std::string>& items) {
    std::string out = "{";
    for (const std::string& item : items) {
        if (out.size() > 1)
            out += ',';
        out += '"';
        for (char c : item) {
            if (c == '"' || c == '\\')
                out += '\\';
            out += c;
        }
        out += '"';
    }
    return out + '}';
}

} // namespace

// One look-up as the window makes it when a record is shown or the typing pauses, on the window's
// own connection; the note it then shows is checked against the baseline's count.
Result Bench::historyCount(WindowDriver& d) {
    Result r{.name = QStringLiteral("history_count"), .target = {.maxMs = 2, .maxRatio = 2}};
    const std::vector<Sample> samples = historySamples(*servis_, facts_.records);
    const history::Kind kinds[] = {history::Kind::Device, history::Kind::Customer};
    std::vector<RawQuery*> counts;
    RawQuery device(*servis_, "SELECT count(*) FROM Servis WHERE " + othersSql(kinds[0], *servis_));
    RawQuery customer(*servis_, "SELECT count(*) FROM Servis WHERE " + othersSql(kinds[1], *servis_));
    counts = {&device, &customer};

    std::vector<double> raw;
    std::vector<int> expected;
    for (const Sample& s : samples) {
        for (int k = 0; k < 2; ++k) {
            const std::string key = schema::matchKey(k == 0 ? s.serial : s.title).toStdString();
            raw.push_back(elapsedMs([&] {
                counts[k]->bind(1, key).bind(2, s.id);
                counts[k]->step();
                expected.push_back(int(counts[k]->int64(0)));
                counts[k]->reset();
            }));
        }
    }
    r.rawMs = median(raw);

    HistoryLink* links[] = {d.child<HistoryLink>(QStringLiteral("Text1_10_Gecmis")),
                            d.child<HistoryLink>(QStringLiteral("Text1_0_Gecmis"))};
    // The note the window shows for each record agrees with the baseline's count.
    size_t i = 0;
    for (const Sample& s : samples) {
        d.records().setBookmark(s.id);
        settle();
        for (int k = 0; k < 2; ++k, ++i)
            require(links[k]->text() == history::caption(kinds[k], expected[i]),
                    QStringLiteral("history_count: record %1 reads '%2', expected %3 others")
                        .arg(s.id)
                        .arg(links[k]->text())
                        .arg(expected[i]));
    }
    // Timed as the baseline is, one look-up after the other.
    const std::shared_ptr<engine::Database> servis = d.window().Data1()->database();
    history::Counter counter;
    OursClock clock;
    i = 0;
    for (const Sample& s : samples) {
        for (int k = 0; k < 2; ++k, ++i) {
            const history::Counter::Texts texts = k == 0 ? history::Counter::Texts{s.serial, {}, s.id}
                                                         : history::Counter::Texts{{}, s.title, s.id};
            int count = 0;
            clock.time([&] { count = counter.count(servis, kinds[k], texts); });
            require(count == expected[i], QStringLiteral("history_count: record %1 counts %2, expected %3")
                                              .arg(s.id)
                                              .arg(count)
                                              .arg(expected[i]));
        }
    }
    r.oursMs = clock.ms();
    r.storeMs = clock.storeMs();
    return r;
}

// The list behind a customer's note: the records newest first with their used items.
Result Bench::historyList(WindowDriver& d) {
    Result r{.name = QStringLiteral("history_list"), .target = {.maxMs = 2, .maxRatio = 2}};
    const std::vector<Sample> samples = historySamples(*servis_, facts_.records);
    RawQuery list(*servis_,
                  "SELECT ID, ServisKayitNo, KayitTarih, Sistem, MarkaModel, BasvuruSebebi, Sonuc, SonDurum "
                  "FROM Servis WHERE " +
                      othersSql(history::Kind::Customer, *servis_) +
                      " ORDER BY KayitTarih DESC, KayitSaat DESC, ID DESC");
    // On a server the used items of all the records listed come in one statement.
    RawQuery items(*stok_,
                   stok_->sql("SELECT StokAd FROM StokHareket WHERE KayitNo = ? ORDER BY ID",
                              "SELECT KayitNo, StokAd FROM StokHareket WHERE KayitNo = ANY (?::text[]) "
                              "ORDER BY ID"));
    std::vector<double> raw;
    std::vector<int> expected;
    for (const Sample& s : samples) {
        const std::string key = schema::matchKey(s.title).toStdString();
        if (servis_->onServer()) {
            raw.push_back(elapsedMs([&] {
                std::vector<std::string> codes;
                list.bind(1, key).bind(2, s.id);
                while (list.step()) {
                    list.readRow();
                    codes.push_back(list.text(1));
                }
                list.reset();
                items.bind(1, textArray(codes)).rows();
                expected.push_back(int(codes.size()));
            }));
            continue;
        }
        raw.push_back(elapsedMs([&] {
            int rows = 0;
            list.bind(1, key).bind(2, s.id);
            while (list.step()) {
                list.readRow();
                items.bind(1, list.text(1)).rows();
                ++rows;
            }
            list.reset();
            expected.push_back(rows);
        }));
    }
    r.rawMs = median(raw);

    engine::Database& servis = *d.window().Data1()->database();
    d.window().DataStkHar()->openDatabase();
    engine::Database& stok = *d.window().DataStkHar()->database();
    OursClock clock;
    for (size_t i = 0; i < samples.size(); ++i) {
        QVector<history::Entry> entries;
        clock.time([&] {
            entries = history::list(servis, stok, history::Kind::Customer, samples[i].title, samples[i].id);
        });
        require(entries.size() == expected[i], QStringLiteral("history_list: %1 rows for '%2', expected %3")
                                                   .arg(entries.size())
                                                   .arg(samples[i].title)
                                                   .arg(expected[i]));
    }
    r.oursMs = clock.ms();
    r.storeMs = clock.storeMs();
    return r;
}
