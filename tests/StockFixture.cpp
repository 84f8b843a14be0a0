#include "StockFixture.h"

#include "Form2.h"
#include "Stokkart.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QTableView>
#include <QTest>

void StockFixture::addCard(const QString& code, const QString& name, const QString& barcode,
                           const QString& serial, const QString& group, const QString& subgroup) {
    TestDatabase::sql(db.stok(),
                      "INSERT INTO StokKartlar (StokKod, StokAd, Barkod, Serino, Gurup, AltGurup) "
                      "VALUES (?, ?, ?, ?, ?, ?)",
                      {code, name, barcode, serial, group, subgroup});
}

void StockFixture::addGroup(const QString& group, const QStringList& subgroups) {
    TestDatabase::sql(db.stok(), "INSERT INTO Gurup (Gurup) VALUES (?)", {group});
    for (const QString& s : subgroups)
        TestDatabase::sql(db.stok(), "INSERT INTO AltGurup (Gurup, AltGurup) VALUES (?, ?)", {group, s});
}

// The classic style shares activation with the owner, so isActiveWindow() says nothing here.
bool StockFixture::becomesActive(QWidget* w) {
    for (int i = 0; i < 100 && QApplication::activeWindow() != w; ++i)
        QTest::qWait(20);
    return QApplication::activeWindow() == w;
}

Form2* StockFixture::openList() {
    if (!isOpen())
        open();
    window().openStockList(false);
    list_ = window().findChild<Form2*>("Form2");
    if (!list_ || !becomesActive(list_))
        qFatal("the stock list did not open");
    return list_;
}

Stokkart* StockFixture::openCard() {
    list_->findChild<QAction*>("StokKayıt")->trigger();
    auto* card = list_->findChild<Stokkart*>("Stokkart");
    if (!card || !becomesActive(card))
        qFatal("the stock card did not open");
    return card;
}

void StockFixture::closeAndWait(QWidget* w) {
    QPointer<QWidget> gone(w);
    w->close();
    QTRY_VERIFY_WITH_TIMEOUT(!gone, 3000);
}

QTableView* StockFixture::grid() const {
    return list_->findChild<QTableView*>("StokList");
}
QLineEdit* StockFixture::search() const {
    return list_->findChild<QLineEdit*>("Text1");
}
QComboBox* StockFixture::groupFilter() const {
    return list_->findChild<QComboBox*>("Combo1");
}
QComboBox* StockFixture::subgroupFilter() const {
    return list_->findChild<QComboBox*>("Combo2");
}

QString StockFixture::currentCode() const {
    const engine::Recordset& rs = list_->Data1()->rs();
    return rs.bof() || rs.eof() ? QString() : rs.value("StokKod").toString();
}

QStringList StockFixture::codes() const {
    const QAbstractItemModel* m = grid()->model();
    QStringList out;
    for (int r = 0; r < m->rowCount(); ++r)
        out << m->index(r, 0).data().toString();
    return out;
}

void StockFixture::typeInto(QWidget* w, const QString& text) {
    w->setFocus();
    for (QChar c : text)
        QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

void StockFixture::key(QWidget* w, Qt::Key key, Qt::KeyboardModifiers modifiers) {
    QTest::keyClick(w, key, modifiers);
}
