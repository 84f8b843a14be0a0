#include "ServisFixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QTest>

class TestServisSearch : public QObject {
    Q_OBJECT

    std::unique_ptr<ServisFixture> f;

    void openPanel() {
        const QVariantMap rows[] = {
            record("01-0001-01", "ANKARA OTO"),       record("01-0002-01", "Bursa Cam"),
            record("01-0003-01", "Antalya Elektrik"), record("01-0004-01", "KANKA Ltd"),
            record("01-0005-01", "Ali'nin Dükkanı"),  record("01-0006-01", "Bursa Cam"),
        };
        for (QVariantMap r : rows) {
            if (r["Unvan"].toString().startsWith("Bursa"))
                r["Sehir"] = "İSTANBUL";
            f->addRecord(r);
        }
        f->open();
        QTest::mouseClick(f->child<QCheckBox>("Liste"), Qt::LeftButton);
        QVERIFY(f->child<QWidget>("Frame2")->isVisible());
    }
    void chooseField(int position) {
        auto* c = f->child<QComboBox>("Combo1");
        c->setCurrentIndex(position);
        Q_EMIT c->activated(position);
    }
    void typeValue(const QString& text) {
        QLineEdit* edit = f->child<QComboBox>("DBCombo1")->lineEdit();
        edit->clear();
        for (QChar c : text)
            QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
    void filter() { QTest::mouseClick(f->child<QCheckBox>("Check1"), Qt::LeftButton); }
    QStringList shownTitles() {
        engine::Recordset& rs = f->window().Data1()->rs();
        QStringList out;
        for (int i = 0; i < rs.recordCount(); ++i)
            out << rs.valueAt(i, rs.fieldIndex("Unvan")).toString();
        return out;
    }
    void pickFromList(int row) {
        auto* list = f->child<QListView>("DBList1");
        const QModelIndex index = list->model()->index(row, 0);
        list->scrollTo(index);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(index).center());
    }

private Q_SLOTS:
    void init() { f = std::make_unique<ServisFixture>(); }
    void cleanup() { f.reset(); }

    void startsOnTheRecordCodeList() {
        openPanel();
        QCOMPARE(f->child<QComboBox>("Combo1")->count(), 5);
        QCOMPARE(f->child<QLabel>("Label2")->text(), QStringLiteral("Kayıt Kodu Listesi"));
        QCOMPARE(f->child<QListView>("DBList1")->model()->rowCount(), 6);
        QCOMPARE(f->child<QListView>("DBList1")->model()->index(0, 0).data().toString(),
                 QStringLiteral("01-0001-01"));
        QCOMPARE(f->child<QCheckBox>("Check1")->text(), QStringLiteral("Filitre Yok"));
    }

    void filters_data() {
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QStringList>("titles");
        QTest::newRow("title pattern, any case")
            << 1 << "an*" << QStringList{"ANKARA OTO", "Antalya Elektrik"};
        QTest::newRow("title exact") << 1 << "bursa cam" << QStringList{"Bursa Cam", "Bursa Cam"};
        QTest::newRow("city, dotted i") << 2 << "istanbul" << QStringList{"Bursa Cam", "Bursa Cam"};
        QTest::newRow("apostrophe") << 1 << "Ali'nin Dükkanı" << QStringList{"Ali'nin Dükkanı"};
        QTest::newRow("one character wildcard") << 1 << "?ANKA*" << QStringList{"KANKA Ltd"};
        QTest::newRow("no match") << 1 << "Yok" << QStringList{};
    }
    void filters() {
        QFETCH(int, field);
        QFETCH(QString, value);
        QFETCH(QStringList, titles);
        openPanel();
        chooseField(field);
        typeValue(value);
        filter();
        QCOMPARE(f->child<QCheckBox>("Check1")->text(), QStringLiteral("Filitre Var"));
        QCOMPARE(shownTitles(), titles);
        QCOMPARE(f->caption(),
                 QStringLiteral("Kayıt: %1 / %2").arg(titles.isEmpty() ? 0 : 1).arg(titles.size()));
        QCOMPARE(f->child<QListView>("DBList1")->model()->rowCount(), titles.size());
        QCOMPARE(f->child<QComboBox>("DBCombo1")->currentText(), value); // the value survives the refresh
        if (!titles.isEmpty())
            QCOMPARE(f->box(0), titles.first());
    }

    void emptyValueRefusesTheFilter() {
        openPanel();
        filter();
        QCOMPARE(f->dialogs.texts(), QStringList{"Veri Seçimi Yok."});
        QCOMPARE(f->dialogs.shown[0].icon, ui::Icon::Question);
        QVERIFY(!f->child<QCheckBox>("Check1")->isChecked());
        QCOMPARE(f->child<QCheckBox>("Check1")->text(), QStringLiteral("Filitre Yok"));
    }

    void choosingAFieldSwitchesTheFilterOff() {
        openPanel();
        chooseField(1);
        typeValue("an*");
        filter();
        QCOMPARE(shownTitles().size(), 2);
        chooseField(2);
        QVERIFY(!f->child<QCheckBox>("Check1")->isChecked());
        QCOMPARE(f->child<QCheckBox>("Check1")->text(), QStringLiteral("Filitre Yok"));
        QCOMPARE(shownTitles().size(), 6);
        QCOMPARE(f->child<QLabel>("Label2")->text(), QStringLiteral("Şehir Listesi"));
        QCOMPARE(f->child<QComboBox>("DBCombo1")->currentText(), QString());
    }

    void valueListPicksAndSearchAgain() {
        openPanel();
        chooseField(1);
        f->click("CmdSonraki"); // nothing chosen yet: nothing happens
        QVERIFY(f->dialogs.shown.isEmpty());
        QCOMPARE(f->caption(), QStringLiteral("Kayıt: 1 / 6"));

        pickFromList(5); // "Bursa Cam": its first match is the second record
        QCOMPARE(f->caption(), QStringLiteral("Kayıt: 2 / 6"));
        QCOMPARE(f->window().AramaKriteri, QStringLiteral("Unvan='Bursa Cam'"));
        f->click("CmdSonraki");
        QCOMPARE(f->caption(), QStringLiteral("Kayıt: 6 / 6"));
        QTest::keyClick(&f->window(), Qt::Key_F3); // F3 searches again, too
        QCOMPARE(f->dialogs.texts(), QStringList{"Başka kayıt yok."});
        QCOMPARE(f->dialogs.shown[0].icon, ui::Icon::Exclamation);
        QCOMPARE(f->caption(), QStringLiteral("Kayıt: 6 / 6"));

        pickFromList(0); // the very first record
        QCOMPARE(f->caption(), QStringLiteral("Kayıt: 1 / 6"));
        pickFromList(4);
        QCOMPARE(f->box(0), QStringLiteral("Ali'nin Dükkanı"));
    }

    void clickInTheValueComboFindsItsValue() {
        openPanel();
        chooseField(2);
        typeValue("  istanbul ");
        QTest::mouseClick(f->child<QComboBox>("DBCombo1")->lineEdit(), Qt::LeftButton);
        QCOMPARE(f->window().AramaKriteri, QStringLiteral("Sehir='istanbul'"));
        QCOMPARE(f->caption(), QStringLiteral("Kayıt: 2 / 6"));
    }
};

QTEST_MAIN(TestServisSearch)
#include "tst_servis_search.moc"
