#include "StockFixture.h"

#include "Form2.h"
#include "Stokkart.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>

class TestStockCard : public QObject {
    Q_OBJECT

    std::unique_ptr<StockFixture> f;
    QPointer<Stokkart> card;

    QLineEdit* box(int i) { return card->findChild<QLineEdit*>(QStringLiteral("StokNew_%1").arg(i)); }
    QComboBox* groupBox(int i) { return card->findChild<QComboBox*>(QStringLiteral("StokGrp_%1").arg(i)); }
    void press(const QString& name) {
        QTest::mouseClick(card->findChild<QAbstractButton*>(name), Qt::LeftButton);
    }
    void retype(QWidget* w, const QString& text) {
        w->setFocus();
        if (auto* line = qobject_cast<QLineEdit*>(w))
            line->clear();
        else
            static_cast<QComboBox*>(w)->setEditText(QString());
        f->typeInto(w, text);
    }
    void choose(int which, const QString& entry) {
        QComboBox* c = groupBox(which);
        const int index = c->findText(entry);
        QVERIFY(index >= 0);
        c->setCurrentIndex(index);
        Q_EMIT c->activated(index); // as a pick from the open list reports it
    }
    void openOn(const QString& code) {
        f->openList();
        f->search()->setText(code);
        QCOMPARE(f->currentCode(), code);
        card = f->openCard();
    }
    void waitClosed() { QTRY_VERIFY_WITH_TIMEOUT(!card, 3000); }
    QString rows(const QString& query) { return f->stok(query).toString(); }
    QStringList groupFilterItems() {
        QStringList out;
        for (int i = 0; i < f->groupFilter()->count(); ++i)
            out << f->groupFilter()->itemText(i);
        return out;
    }

private Q_SLOTS:
    void init() {
        f = std::make_unique<StockFixture>();
        f->addGroup("Sarf", {"Toner", "Kağıt"});
        f->addGroup("Parça", {"Kablo"});
        f->addCard("A100", "Toner Siyah", "8690001", "TS-1", "Sarf", "Toner");
        f->addCard("B200", "Kağıt A4", "8690002", "KA-4", "Sarf", "Kağıt");
        f->addCard("C300", "Fan", "", "", "", "");
    }
    void cleanup() {
        card.clear();
        f.reset();
    }

    void savingFindsTheCardByItsCode_data() {
        QTest::addColumn<bool>("newCard");
        QTest::addColumn<QString>("code");
        QTest::addColumn<bool>("ctrlEnter");
        QTest::addColumn<int>("cards");
        QTest::addColumn<QString>("stored");
        QTest::newRow("edit the card found")
            << false << "A100" << false << 3 << "A100|Toner Mavi|8690001|TS-1|Sarf|Toner";
        QTest::newRow("Ctrl+Enter saves the same")
            << false << "A100" << true << 3 << "A100|Toner Mavi|8690001|TS-1|Sarf|Toner";
        QTest::newRow("a changed code adds a card")
            << false << "A101" << false << 4 << "A101|Toner Mavi|8690001|TS-1|Sarf|Toner";
        QTest::newRow("new card, barcode untouched") << true << "Z900" << false << 4 << "Z900|Toner Mavi||||";
        QTest::newRow("new card with an existing code")
            << true << "B200" << true << 3 << "B200|Toner Mavi||||";
    }
    void savingFindsTheCardByItsCode() {
        QFETCH(bool, newCard);
        QFETCH(QString, code);
        QFETCH(bool, ctrlEnter);
        QFETCH(int, cards);
        QFETCH(QString, stored);
        openOn("A100");
        QCOMPARE(box(0)->text(), QStringLiteral("A100"));
        QCOMPARE(box(1)->text(), QStringLiteral("Toner Siyah"));
        QCOMPARE(box(2)->text(), QStringLiteral("8690001"));
        QCOMPARE(box(3)->text(), QStringLiteral("TS-1"));
        QCOMPARE(groupBox(0)->currentText(), QStringLiteral("Sarf"));
        QCOMPARE(groupBox(1)->currentText(), QStringLiteral("Toner"));
        if (newCard) {
            press("YeniRec");
            QVERIFY(card->findChild<QAbstractButton*>("YeniRec")->isChecked()); // stays down
            QCOMPARE(box(0)->text(), QString());
            QCOMPARE(box(2)->text(), QStringLiteral("Barkod"));
            groupBox(0)->setEditText("Gurup Yok");
            groupBox(1)->setEditText("Gurup Yok");
        }
        retype(box(0), code);
        retype(box(1), "toner mavi");
        if (ctrlEnter)
            f->key(box(1), Qt::Key_Return, Qt::ControlModifier);
        else
            press("StokNewCmd_1");
        waitClosed();
        QCOMPARE(f->stok("SELECT count(*) FROM StokKartlar").toInt(), cards);
        QCOMPARE(
            rows(
                "SELECT StokKod || '|' || StokAd || '|' || Barkod || '|' || Serino || '|' || Gurup || '|' || "
                "AltGurup FROM StokKartlar WHERE StokKod = '" +
                code + "'"),
            stored);
        if (code != "A100") // the card that was shown stays as it was
            QCOMPARE(rows("SELECT StokAd FROM StokKartlar WHERE StokKod='A100'"),
                     QStringLiteral("Toner Siyah"));
        QCOMPARE(f->currentCode(), code);
        QCOMPARE(f->groupFilter()->currentText(), QStringLiteral("Gurup Yok"));
        QCOMPARE(groupFilterItems(), (QStringList{"Parça", "Sarf", "Gurup Yok"}));
    }

    // Another desk saves the card while it is open here: a field only one side changed keeps that
    // side's value; the name both changed is asked about, with both values.
    void aCardSavedAtAnotherDeskIsNotOverwrittenUnasked_data() {
        QTest::addColumn<QString>("theirName");
        QTest::addColumn<bool>("keepMine");
        QTest::addColumn<QString>("stored");
        QTest::newRow("both changed the name, mine kept") << "Toner Kırmızı" << true << "Toner Mavi|TS-9";
        QTest::newRow("both changed the name, theirs kept")
            << "Toner Kırmızı" << false << "Toner Kırmızı|TS-9";
        QTest::newRow("only the serial changed there") << "Toner Siyah" << false << "Toner Mavi|TS-9";
    }
    void aCardSavedAtAnotherDeskIsNotOverwrittenUnasked() {
        QFETCH(QString, theirName);
        QFETCH(bool, keepMine);
        QFETCH(QString, stored);
        openOn("A100");
        retype(box(1), "toner mavi");
        TestDatabase::fromAnotherProgram(
            f->db.stok(),
            QStringLiteral("UPDATE StokKartlar SET StokAd = '%1', Serino = 'TS-9' WHERE StokKod = 'A100'")
                .arg(theirName));
        f->dialogs.answers = {keepMine ? ui::Answer::Yes : ui::Answer::No};
        press("StokNewCmd_1");
        waitClosed();
        const bool asked = theirName != u"Toner Siyah";
        QCOMPARE(f->dialogs.shown.size(), asked ? 1 : 0);
        if (asked) {
            const QString question = f->dialogs.shown[0].text;
            QVERIFY2(question.startsWith("Bu stok kartı siz değiştirirken başka bir masada değiştirildi.") &&
                         question.contains("Stok Adı\n    Sizin yazdığınız: \"Toner Mavi\"\n    Öbür masada "
                                           "kaydedilen: \"Toner Kırmızı\"") &&
                         !question.contains("Seri No"),
                     qPrintable(question));
        }
        QCOMPARE(rows("SELECT StokAd || '|' || Serino FROM StokKartlar WHERE StokKod = 'A100'"), stored);
        QCOMPARE(f->stok("SELECT count(*) FROM StokKartlar").toInt(), 3);
    }

    void aCardWithoutGroupIsShownAndSavedWithout() {
        openOn("C300");
        QCOMPARE(groupBox(0)->currentText(), QStringLiteral("Gurup Yok"));
        QCOMPARE(groupBox(1)->currentText(), QStringLiteral("Gurup Yok"));
        QCOMPARE(box(2)->text(), QStringLiteral("Barkod"));
        press("StokNewCmd_1");
        waitClosed();
        QCOMPARE(rows("SELECT quote(Gurup) || quote(AltGurup) || quote(Barkod) FROM StokKartlar WHERE "
                      "StokKod='C300'"),
                 QStringLiteral("''''''"));
        QCOMPARE(f->stok("SELECT count(*) FROM Gurup").toInt(), 2);
    }

    void groupsAreKeptWithEnter_data() {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("groups");
        QTest::addColumn<QString>("subgroups");
        QTest::addColumn<QString>("subgroupBox");
        QTest::newRow("known group") << "Sarf"
                                     << "Parça,Sarf"
                                     << "Parça/Kablo,Sarf/Kağıt,Sarf/Toner"
                                     << "Kağıt";
        QTest::newRow("new group") << "Yazıcı"
                                   << "Parça,Sarf,Yazıcı"
                                   << "Parça/Kablo,Sarf/Kağıt,Sarf/Toner"
                                   << "Gurup Yok";
        QTest::newRow("emptied group box") << "delete group"
                                           << "Parça"
                                           << "Parça/Kablo"
                                           << "Kablo";
        QTest::newRow("emptied subgroup box") << "delete subgroup"
                                              << "Parça,Sarf"
                                              << "Parça/Kablo,Sarf/Kağıt"
                                              << "Kağıt";
        QTest::newRow("new subgroup") << "new subgroup"
                                      << "Parça,Sarf"
                                      << "Parça/Kablo,Sarf/Kağıt,Sarf/Mürekkep,Sarf/Toner"
                                      << "Mürekkep";
    }
    void groupsAreKeptWithEnter() {
        QFETCH(QString, action);
        QFETCH(QString, groups);
        QFETCH(QString, subgroups);
        QFETCH(QString, subgroupBox);
        openOn("A100");
        QWidget* focusAfter = groupBox(1);
        if (action == "delete group") {
            choose(0, "Sarf");
            retype(groupBox(0), "");
            f->key(groupBox(0), Qt::Key_Return);
            QCOMPARE(groupBox(0)->currentText(), QStringLiteral("Parça"));
        } else if (action == "delete subgroup") {
            choose(1, "Toner");
            retype(groupBox(1), "");
            f->key(groupBox(1), Qt::Key_Return);
            focusAfter = card->findChild<QWidget*>("StokNewCmd_1");
        } else if (action == "new subgroup") {
            retype(groupBox(1), "Mürekkep");
            f->key(groupBox(1), Qt::Key_Return);
            focusAfter = card->findChild<QWidget*>("StokNewCmd_1");
        } else {
            retype(groupBox(0), action);
            f->key(groupBox(0), Qt::Key_Return);
            if (action == "Sarf")
                choose(1, "Kağıt");
        }
        QCOMPARE(QApplication::focusWidget(), focusAfter);
        QCOMPARE(rows("SELECT group_concat(Gurup) FROM (SELECT Gurup FROM Gurup ORDER BY Gurup)"), groups);
        QCOMPARE(rows("SELECT group_concat(g) FROM (SELECT Gurup || '/' || AltGurup AS g FROM AltGurup ORDER "
                      "BY g)"),
                 subgroups);
        QCOMPARE(groupBox(1)->currentText(), subgroupBox);
        QCOMPARE(rows("SELECT count(*) FROM StokKartlar"), QStringLiteral("3")); // no card is touched
    }

    void quotesAreNeverTyped() {
        openOn("A100");
        retype(box(1), "a'b\"c");
        QCOMPARE(box(1)->text(), QStringLiteral("Abc"));
        retype(groupBox(0), "x'y");
        QCOMPARE(groupBox(0)->currentText(), QStringLiteral("xy"));
    }

    void aRefusedWriteLeavesNothingHalfDone_data() {
        QTest::addColumn<QString>("refused");
        QTest::addColumn<bool>("enterInGroupBox");
        QTest::newRow("the card") << "StokKartlar" << false;
        QTest::newRow("its new group, after the card") << "Gurup" << false;
        QTest::newRow("its new subgroup") << "AltGurup" << false;
        QTest::newRow("a group kept with Enter") << "Gurup" << true;
    }
    void aRefusedWriteLeavesNothingHalfDone() {
        QFETCH(QString, refused);
        QFETCH(bool, enterInGroupBox);
        TestDatabase::refuse(f->db.stok(), "INSERT", refused);
        openOn("A100");
        press("YeniRec");
        retype(box(0), "Z900");
        retype(groupBox(0), "Yazıcı");
        if (enterInGroupBox) {
            f->key(groupBox(0), Qt::Key_Return);
            QCOMPARE(groupBox(0)->findText("Yazıcı"), -1);
        } else {
            retype(groupBox(1), "Lazer");
            press("StokNewCmd_1");
            QTest::qWait(700);
            QVERIFY(card); // still open with what was typed
            QCOMPARE(box(0)->text(), QStringLiteral("Z900"));
            QCOMPARE(groupBox(0)->currentText(), QStringLiteral("Yazıcı"));
        }
        QCOMPARE(f->dialogs.shown.size(), 1);
        QVERIFY(f->dialogs.texts().first().contains("disk dolu"));
        QCOMPARE(f->dialogs.shown[0].icon, ui::Icon::Critical);
        QCOMPARE(f->stok("SELECT count(*) FROM StokKartlar").toInt(), 3);
        QCOMPARE(f->stok("SELECT count(*) FROM Gurup").toInt(), 2);
        QCOMPARE(f->stok("SELECT count(*) FROM AltGurup").toInt(), 3);
    }

    void escapeClosesWithoutSavingOnTheCardShown() {
        openOn("B200");
        retype(box(1), "Değişti");
        f->key(box(1), Qt::Key_Escape);
        waitClosed();
        QCOMPARE(rows("SELECT StokAd FROM StokKartlar WHERE StokKod='B200'"), QStringLiteral("Kağıt A4"));
        QCOMPARE(f->currentCode(), QStringLiteral("B200"));
        QCOMPARE(groupFilterItems().last(), QStringLiteral("Gurup Yok"));
    }

    void aClosingCardTakesNoInput_data() {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::newRow("Vazgeç, then Tamam") << "Vazgeç"
                                            << "Tamam";
        QTest::newRow("Escape, then Ctrl+Enter") << "Escape"
                                                 << "Ctrl+Enter";
        QTest::newRow("Vazgeç, then Alt+T") << "Vazgeç"
                                            << "Alt+T";
    }
    void aClosingCardTakesNoInput() {
        QFETCH(QString, first);
        QFETCH(QString, second);
        openOn("B200");
        retype(box(1), "Değişti");
        if (first == "Vazgeç")
            press("StokNewCmd_0");
        else
            f->key(box(1), Qt::Key_Escape);
        QVERIFY(card); // fading, not gone
        if (second == "Tamam")
            press("StokNewCmd_1");
        else if (second == "Ctrl+Enter")
            f->key(box(1), Qt::Key_Return, Qt::ControlModifier);
        else
            QTest::keyClick(card, Qt::Key_T, Qt::AltModifier);
        waitClosed();
        QCOMPARE(rows("SELECT StokAd FROM StokKartlar WHERE StokKod='B200'"), QStringLiteral("Kağıt A4"));
    }

    void onlyAChoiceReloadsTheSubgroups_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("subgroup");
        QTest::newRow("Tab out of the group box") << "Tab"
                                                  << "Toner";
        QTest::newRow("Enter in the group box") << "Enter"
                                                << "Toner";
        QTest::newRow("a click elsewhere") << "click"
                                           << "Toner";
        QTest::newRow("a group picked from the list") << "pick"
                                                      << "Kablo";
    }
    void onlyAChoiceReloadsTheSubgroups() {
        QFETCH(QString, how);
        QFETCH(QString, subgroup);
        openOn("A100");
        QCOMPARE(groupBox(1)->currentText(), QStringLiteral("Toner"));
        groupBox(0)->setFocus();
        if (how == "Tab")
            f->key(groupBox(0), Qt::Key_Tab);
        else if (how == "Enter")
            f->key(groupBox(0), Qt::Key_Return);
        else if (how == "click")
            QTest::mouseClick(box(1), Qt::LeftButton);
        else
            choose(0, "Parça");
        QVERIFY(!groupBox(0)->hasFocus() || how == "pick");
        QCOMPARE(groupBox(1)->currentText(), subgroup);
        if (how == "pick")
            return;
        press("StokNewCmd_1");
        waitClosed();
        QCOMPARE(rows("SELECT Gurup || '/' || AltGurup FROM StokKartlar WHERE StokKod='A100'"),
                 QStringLiteral("Sarf/Toner"));
    }

    void theNoGroupMarkerIsNeverStored_data() {
        QTest::addColumn<QString>("subgroup"); // typed into the subgroup box; empty: left as shown
        QTest::newRow("Enter through every field") << "";
        QTest::newRow("a new subgroup without a group") << "Lazer";
    }
    void theNoGroupMarkerIsNeverStored() {
        QFETCH(QString, subgroup);
        openOn("C300");
        QCOMPARE(groupBox(0)->currentText(), QStringLiteral("Gurup Yok"));
        box(0)->setFocus();
        for (int i = 0; i < 4; ++i)
            f->key(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), groupBox(0));
        f->key(groupBox(0), Qt::Key_Return);
        if (!subgroup.isEmpty())
            retype(groupBox(1), subgroup);
        f->key(groupBox(1), Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), card->findChild<QWidget*>("StokNewCmd_1"));
        press("StokNewCmd_1");
        waitClosed();
        QCOMPARE(f->stok("SELECT (SELECT count(*) FROM Gurup WHERE Gurup = 'Gurup Yok') + "
                         "(SELECT count(*) FROM AltGurup WHERE 'Gurup Yok' IN (Gurup, AltGurup)) + "
                         "(SELECT count(*) FROM StokKartlar WHERE 'Gurup Yok' IN (Gurup, AltGurup))")
                     .toInt(),
                 0);
        QCOMPARE(rows("SELECT quote(Gurup) || quote(AltGurup) FROM StokKartlar WHERE StokKod='C300'"),
                 QStringLiteral("''") + (subgroup.isEmpty() ? QStringLiteral("''") : "'" + subgroup + "'"));
        QCOMPARE(f->stok("SELECT group_concat(quote(Gurup)) FROM AltGurup WHERE AltGurup = ?", {subgroup})
                     .toString(),
                 subgroup.isEmpty() ? QString() : QStringLiteral("''"));
        QCOMPARE(groupFilterItems(), (QStringList{"Parça", "Sarf", "Gurup Yok"}));
    }
};

QTEST_MAIN(TestStockCard)
#include "tst_stock_card.moc"
