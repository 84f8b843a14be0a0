#include "StockBench.h"

#include "Form2.h"
#include "StockFilter.h"
#include "WindowDriver.h"
#include "engine/Text.h"

#include <QAction>
#include <QComboBox>
#include <QDate>
#include <QHeaderView>
#include <QLineEdit>
#include <QTableView>
#include <QTest>

namespace {

constexpr int kTypedCards = 6; // cards whose barcodes and names are typed letter by letter
constexpr int kTypedCardLetters = 10;
// What the stock list's order means in plain SQLite: case-insensitive by code.
const char* const kCardOrder = " ORDER BY StokKod COLLATE NOCASE";

std::string stockFold(const char* column) {
    return engine::foldSql(QString::fromLatin1(column), engine::Dialect::Postgres).toStdString();
}

// The same on a server, through the order index the program's schema gives each column.
std::string stockOrder(const char* column, const char* direction = "") {
    const std::string d = direction;
    const std::string name = QString::fromLatin1(column).toLower().toStdString();
    return " ORDER BY " +
           engine::orderKeySql(QString::fromLatin1(column), engine::Dialect::Postgres).toStdString() + d +
           ", " + name + d + ", id" + d;
}

// A typed prefix as a LIKE pattern's start, its own wildcards escaped.
std::string likeEscaped(const std::string& prefix) {
    std::string escaped;
    for (char c : prefix) {
        if (c == '%' || c == '_' || c == '\\')
            escaped += '\\';
        escaped += c;
    }
    return escaped;
}

} // namespace

StockBench::StockBench(WindowDriver& d, RawDb& stok, int repeat, ScriptedDialogs& dialogs)
    : d_(d)
    , stok_(stok)
    , repeat_(repeat)
    , dialogs_(dialogs)
    , cardOrder_(stok.sql(kCardOrder, stockOrder("StokKod"))) {}

QList<Result> StockBench::run() {
    RawQuery count(stok_, "SELECT count(*) FROM StokKartlar");
    count.step();
    cards_ = int(count.int64(0));
    count.reset();
    QList<Result> out;
    out << open() << typing(false) << typing(true) << sort() << groupFilter() << handBack()
        << deleteCard(false) << deleteCard(true);
    return out;
}

Form2* StockBench::openList() {
    d_.window().openStockList(false);
    settle();
    list_ = d_.window().findChild<Form2*>(QStringLiteral("Form2"));
    require(list_, QStringLiteral("the stock list did not open"));
    return list_;
}

void StockBench::closeList() {
    if (!list_)
        return;
    list_->close();
    for (int i = 0; i < 200 && list_; ++i)
        QTest::qWait(10);
    require(!list_, QStringLiteral("the stock list did not close"));
}

Result StockBench::open() {
    Result r{.name = QStringLiteral("stock_list_open"), .target = {.maxRatio = 2}};
    RawQuery keys(stok_, "SELECT ID FROM StokKartlar" + cardOrder_);
    RawQuery first(stok_, "SELECT * FROM StokKartlar WHERE ID = ?");
    RawQuery groups(stok_, stok_.sql("SELECT Gurup FROM Gurup ORDER BY Gurup COLLATE NOCASE",
                                     "SELECT Gurup FROM Gurup ORDER BY " + stockFold("Gurup")));
    RawQuery subgroups(stok_, "SELECT AltGurup FROM AltGurup WHERE Gurup = 'Gurup Yok' ORDER BY AltGurup");
    size_t expected = 0;
    r.rawMs = medianOf(repeat_, [&](int) {
        return elapsedMs([&] {
            const std::vector<sqlite3_int64> ids = keys.ids();
            expected = ids.size();
            first.bind(1, ids.front());
            first.step();
            first.readRow();
            first.reset();
            groups.rows();
            subgroups.rows();
        });
    });
    OursClock ours;
    r.oursMs = medianOf(repeat_, [&](int) {
        const double ms = ours.time([&] { openList(); });
        require(size_t(list_->Data1()->rs().recordCount()) == expected,
                QStringLiteral("stock_list_open: %1 cards shown").arg(list_->Data1()->rs().recordCount()));
        closeList();
        return ms;
    });
    r.storeMs = ours.storeMs();
    return r;
}

// Barcodes and names of cards spread over the file, cut to what a user types before the card shows.
std::vector<QString> StockBench::typedTexts() {
    std::vector<QString> out;
    RawQuery sample(stok_, "SELECT Barkod, StokAd FROM StokKartlar WHERE ID % ? = 7 ORDER BY ID");
    sample.bind(1, std::max<sqlite3_int64>(1, cards_ / kTypedCards));
    while (sample.step() && out.size() < size_t(2 * kTypedCards)) {
        out.push_back(text(sample.text(0)).left(kTypedCardLetters + 3));
        out.push_back(text(sample.text(1)).left(kTypedCardLetters));
    }
    sample.reset();
    return out;
}

// One keystroke in the search box: the four prefix criteria tried in order until one finds a
// card, the first match in the list's order. The whole keystroke (with painting) is timed, or
// the engine's look-up alone.
Result StockBench::typing(bool engineOnly) {
    Result r{.name = engineOnly ? QStringLiteral("stock_search_lookup")
                                : QStringLiteral("stock_search_keystroke"),
             .target = engineOnly ? Target{.maxRatio = 2} : Target{.maxMs = 10}};
    const std::vector<QString> typed = typedTexts();
    std::vector<std::unique_ptr<RawQuery>> criteria;
    // On a server the folded prefix is looked up in the folded index, as the program does.
    for (const char* field : {"Barkod", "Serino", "StokKod", "StokAd"})
        criteria.push_back(std::make_unique<RawQuery>(
            stok_, "SELECT ID FROM StokKartlar WHERE " + stok_.sql(field, stockFold(field)) +
                       " LIKE ? || '%' ESCAPE '\\'" + cardOrder_ + " LIMIT 1"));
    RawQuery card(stok_, "SELECT StokKod FROM StokKartlar WHERE ID = ?");
    std::vector<double> raw;
    std::vector<std::string> found;
    for (const QString& t : typed) {
        for (qsizetype n = 1; n <= t.size(); ++n) {
            const QString typedPrefix = t.left(n).trimmed();
            const std::string escaped =
                likeEscaped((stok_.onServer() ? engine::foldText(typedPrefix) : typedPrefix).toStdString());
            std::string code;
            raw.push_back(elapsedMs([&] {
                for (auto& q : criteria) {
                    q->bind(1, escaped);
                    const bool hit = q->step();
                    const sqlite3_int64 id = hit ? q->int64(0) : 0;
                    q->reset();
                    if (hit) {
                        card.bind(1, id);
                        card.step();
                        code = card.text(0);
                        card.reset();
                        break;
                    }
                }
            }));
            found.push_back(code);
        }
    }
    r.rawMs = median(raw);

    openList();
    auto* box = list_->findChild<QLineEdit*>(QStringLiteral("Text1"));
    engine::Recordset& rs = list_->Data1()->rs();
    OursClock clock;
    size_t k = 0;
    for (const QString& t : typed) {
        box->setFocus();
        box->clear();
        settle();
        for (qsizetype n = 1; n <= t.size(); ++n, ++k) {
            if (engineOnly) {
                const QString prefix = t.left(n).trimmed();
                clock.time([&] {
                    for (const QString& criterion : stockfilter::searchCriteria(prefix)) {
                        rs.findFirst(criterion);
                        if (!rs.noMatch())
                            break;
                    }
                });
            } else {
                clock.time([&] {
                    QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, QString(t[n - 1]),
                                        Qt::NoModifier);
                    settle();
                });
            }
            // The baseline's collation and ours agree on which card a prefix of ASCII codes finds
            // first only when the prefix found one; the check is on that card's prefix.
            if (!found[k].empty())
                require(!rs.noMatch(), QStringLiteral("%1: nothing found for '%2'").arg(r.name, t.left(n)));
        }
    }
    closeList();
    r.oursMs = clock.ms();
    r.storeMs = clock.storeMs();
    return r;
}

// A click on the name column's header: every card in another order.
Result StockBench::sort() {
    Result r{.name = QStringLiteral("stock_sort"), .target = {.maxRatio = 2}};
    RawQuery down(stok_, stok_.sql("SELECT ID FROM StokKartlar ORDER BY StokAd COLLATE NOCASE DESC",
                                   "SELECT ID FROM StokKartlar" + stockOrder("StokAd", " DESC")));
    RawQuery up(stok_, stok_.sql("SELECT ID FROM StokKartlar ORDER BY StokAd COLLATE NOCASE ASC",
                                 "SELECT ID FROM StokKartlar" + stockOrder("StokAd")));
    RawQuery first(stok_, "SELECT * FROM StokKartlar WHERE ID = ?");
    r.rawMs = medianOf(repeat_, [&](int i) {
        return elapsedMs([&] {
            const std::vector<sqlite3_int64> ids = (i % 2 == 0 ? down : up).ids();
            first.bind(1, ids.front());
            first.step();
            first.readRow();
            first.reset();
        });
    });
    openList();
    QHeaderView* header = list_->findChild<QTableView*>(QStringLiteral("StokList"))->horizontalHeader();
    const QPoint at(header->sectionViewportPosition(1) + header->sectionSize(1) / 2, header->height() / 2);
    OursClock ours;
    r.oursMs = medianOf(repeat_, [&](int) {
        const double ms = ours.time([&] {
            QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, at);
            settle();
        });
        require(list_->Data1()->rs().recordCount() == cards_, QStringLiteral("stock_sort: cards missing"));
        return ms;
    });
    r.storeMs = ours.storeMs();
    closeList();
    return r;
}

// Choosing a group in the filter box: its subgroups, then its cards in code order.
Result StockBench::groupFilter() {
    Result r{.name = QStringLiteral("stock_group_filter"), .target = {.maxRatio = 2}};
    RawQuery groups(stok_, stok_.sql("SELECT Gurup FROM Gurup ORDER BY Gurup COLLATE NOCASE",
                                     "SELECT Gurup FROM Gurup ORDER BY " + stockFold("Gurup")));
    std::vector<std::string> names;
    while (groups.step())
        names.push_back(groups.text(0));
    groups.reset();
    require(!names.empty(), QStringLiteral("stock_group_filter: no groups"));
    RawQuery subgroups(
        stok_,
        stok_.sql("SELECT AltGurup FROM AltGurup WHERE Gurup = ? COLLATE NOCASE ORDER BY "
                  "AltGurup",
                  "SELECT AltGurup FROM AltGurup WHERE " + stockFold("Gurup") + " = ? ORDER BY AltGurup"));
    RawQuery cards(
        stok_,
        stok_.sql(std::string("SELECT ID FROM StokKartlar WHERE Gurup = ? COLLATE NOCASE") + kCardOrder,
                  "SELECT ID FROM StokKartlar WHERE " + stockFold("Gurup") + " = ?" + cardOrder_));
    RawQuery first(stok_, "SELECT * FROM StokKartlar WHERE ID = ?");
    std::vector<size_t> expected;
    r.rawMs = medianOf(repeat_, [&](int i) {
        const std::string g = stok_.onServer() ? engine::foldText(text(names[i % names.size()])).toStdString()
                                               : names[i % names.size()];
        return elapsedMs([&] {
            subgroups.bind(1, g).rows();
            const std::vector<sqlite3_int64> ids = cards.bind(1, g).ids();
            expected.push_back(ids.size());
            if (!ids.empty()) {
                first.bind(1, ids.front());
                first.step();
                first.readRow();
                first.reset();
            }
        });
    });
    openList();
    auto* combo = list_->findChild<QComboBox*>(QStringLiteral("Combo1"));
    OursClock ours;
    r.oursMs = medianOf(repeat_, [&](int i) {
        const QString g = text(names[i % names.size()]);
        const double ms = ours.time([&] {
            combo->setCurrentText(g);
            settle();
        });
        require(size_t(list_->Data1()->rs().recordCount()) == expected[i],
                QStringLiteral("stock_group_filter: %1 shows %2 cards, expected %3")
                    .arg(g)
                    .arg(list_->Data1()->rs().recordCount())
                    .arg(expected[i]));
        return ms;
    });
    r.storeMs = ours.storeMs();
    closeList();
    return r;
}

// Enter on a card found by its barcode while a new record is open: the used item is written.
Result StockBench::handBack() {
    Result r{.name = QStringLiteral("stock_hand_back"), .target = {.maxMs = 30}};
    RawQuery pick(stok_, "SELECT StokKod, Barkod, Serino, StokAd FROM StokKartlar WHERE ID = ?");
    RawQuery insert(stok_,
                    "INSERT INTO StokHareket (StokHarKod, Tarih, SeriNo, StokAd, Unvan, Barkod, KayitNo) "
                    "VALUES (?, ?, ?, ?, ?, ?, ?)");
    const std::string today = QDate::currentDate().toString(Qt::ISODate).toStdString();
    r.rawMs = medianOf(repeat_, [&](int i) {
        return elapsedMs([&] {
            pick.bind(1, sqlite3_int64(1 + i));
            pick.step();
            insert.bind(1, pick.text(0))
                .bind(2, today)
                .bind(3, pick.text(2))
                .bind(4, pick.text(3))
                .bind(5, "Ölçüm")
                .bind(6, pick.text(1))
                .bind(7, "99-9999-99")
                .run();
            pick.reset();
        });
    });
    stok_.exec("DELETE FROM StokHareket WHERE KayitNo = '99-9999-99'");

    RawQuery barcode(stok_, "SELECT Barkod, StokKod FROM StokKartlar WHERE ID % ? = 0 ORDER BY ID LIMIT 50");
    barcode.bind(1, std::max(1, cards_ / 50));
    std::vector<std::pair<QString, QString>> picks;
    while (barcode.step())
        picks.emplace_back(text(barcode.text(0)), text(barcode.text(1)));
    barcode.reset();
    require(!picks.empty(), QStringLiteral("stock_hand_back: no cards"));
    d_.click(QStringLiteral("cmdAdd"));
    settle();
    const QString code = d_.code();
    RawQuery used(stok_, "SELECT count(*) FROM StokHareket WHERE KayitNo = ? AND StokHarKod = ?");
    OursClock ours;
    r.oursMs = medianOf(repeat_, [&](int i) {
        const auto& [typed, card] = picks[i % picks.size()];
        openList();
        auto* box = list_->findChild<QLineEdit*>(QStringLiteral("Text1"));
        box->setFocus();
        box->setText(typed);
        settle();
        const double ms = ours.time([&] {
            QTest::keyClick(box, Qt::Key_Return);
            settle();
        });
        used.bind(1, code.toStdString()).bind(2, card.toStdString()).step();
        require(used.int64(0) >= 1,
                QStringLiteral("stock_hand_back: %1 was not handed to %2").arg(card, code));
        used.reset();
        for (int w = 0; w < 200 && list_; ++w)
            QTest::qWait(10);
        require(!list_, QStringLiteral("stock_hand_back: the list stayed open"));
        return ms;
    });
    r.storeMs = ours.storeMs();
    d_.click(QStringLiteral("Evet_Hayir_1"));
    settle();
    return r;
}

// "Stok Sil" on a card of typical use (the median card's uses), answered "Evet": the card and
// all its uses go.
// Deleting a card with a typical number of uses (the median card), or with the most uses of all
// (thousands, spread over as many pages: a measure of the disk more than of the program).
Result StockBench::deleteCard(bool heaviest) {
    Result r{.name = heaviest ? QStringLiteral("stock_delete_card_heaviest")
                              : QStringLiteral("stock_delete_card"),
             .target = heaviest ? Target{} : Target{.maxMs = 30}};
    RawQuery most(stok_, "SELECT StokHarKod FROM StokHareket GROUP BY StokHarKod ORDER BY count(*) DESC "
                         "LIMIT ?1 OFFSET ?2 * (SELECT count(DISTINCT StokHarKod) FROM StokHareket) / 2");
    most.bind(1, sqlite3_int64(2 * repeat_));
    most.bind(2, sqlite3_int64(heaviest ? 0 : 1));
    std::vector<std::string> codes;
    while (most.step())
        codes.push_back(most.text(0));
    most.reset();
    require(codes.size() == size_t(2 * repeat_), QStringLiteral("stock_delete_card: too few used cards"));
    RawQuery id(stok_, "SELECT ID FROM StokKartlar WHERE StokKod = ?");
    RawQuery uses(stok_, "DELETE FROM StokHareket WHERE StokHarKod = ?");
    RawQuery card(stok_, "DELETE FROM StokKartlar WHERE ID = ?");
    RawQuery keys(stok_, "SELECT ID FROM StokKartlar" + cardOrder_);
    const auto gone = [&](const std::string& c) {
        RawQuery left(stok_, "SELECT (SELECT count(*) FROM StokKartlar WHERE StokKod = ?1) + "
                             "(SELECT count(*) FROM StokHareket WHERE StokHarKod = ?1)");
        left.bind(1, c).step();
        return left.int64(0) == 0;
    };
    r.rawMs = medianOf(repeat_, [&](int i) {
        const std::string& c = codes[size_t(i)];
        id.bind(1, c);
        require(id.step(), text("stock_delete_card: no card " + c));
        const sqlite3_int64 rowid = id.int64(0);
        id.reset();
        const double ms = elapsedMs([&] {
            stok_.exec("BEGIN");
            uses.bind(1, c).run();
            card.bind(1, rowid).run();
            stok_.exec("COMMIT");
            keys.ids();
        });
        require(gone(c), text("stock_delete_card: raw delete left rows of " + c));
        return ms;
    });
    openList();
    auto* box = list_->findChild<QLineEdit*>(QStringLiteral("Text1"));
    QAction* remove = list_->findChild<QAction*>(QStringLiteral("StokSil"));
    OursClock ours;
    r.oursMs = medianOf(repeat_, [&](int i) {
        const std::string& c = codes[size_t(repeat_ + i)];
        box->setFocus();
        box->setText(text(c));
        settle();
        require(list_->Data1()->rs().value(QStringLiteral("StokKod")).toString() == text(c),
                text("stock_delete_card: the search did not find " + c));
        dialogs_.answers << ui::Answer::Yes;
        const double ms = ours.time([&] {
            remove->trigger();
            settle();
        });
        dialogs_.shown.clear();
        require(gone(c), text("stock_delete_card: " + c + " or its uses are still there"));
        return ms;
    });
    r.storeMs = ours.storeMs();
    closeList();
    return r;
}
