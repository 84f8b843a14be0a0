// Regression tests for what the desktop itself does to the service window: Qt's own texts in
// Turkish, Enter on a focused button, a button appearing under the pointer, message boxes whose
// title the window manager must not cut, Escape in the customer list.
#include "ServisFixture.h"

#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>

class TestDesktop : public QObject {
    Q_OBJECT

    std::unique_ptr<ServisFixture> f;

    QPushButton* button(const char* name) { return f->child<QPushButton>(QString::fromUtf8(name)); }
    void type(QWidget* w, const QString& text) {
        w->setFocus();
        for (QChar c : text)
            QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
    void startRecord(const QString& title) {
        f->click("cmdAdd");
        type(f->child<QLineEdit>("Text1_0"), title);
    }

private Q_SLOTS:
    void init() { f = std::make_unique<ServisFixture>(); }
    void cleanup() {
        f.reset();
        ui::setDialogs(nullptr);
    }

    void qtTextsWereEnglish() {
        f->open();
        QStringList menu;
        std::unique_ptr<QMenu> m(f->child<QLineEdit>("Text1_0")->createStandardContextMenu());
        for (QAction* a : m->actions())
            menu << a->text().remove(u'&');
        for (const char* english : {"Undo", "Cut", "Copy", "Paste", "Select All"})
            QVERIFY2(!menu.join(u'|').contains(QLatin1String(english)), qPrintable(menu.join(u'|')));
        QVERIFY2(menu.join(u'|').contains(QStringLiteral("Yapıştır")), qPrintable(menu.join(u'|')));

        QFileDialog dialog(&f->window());
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        QCOMPARE(dialog.labelText(QFileDialog::Reject).remove(u'&'), QStringLiteral("İptal"));
        QCOMPARE(QLocale().monthName(1), QStringLiteral("Ocak"));
        // Stored and parsed numbers keep the point whatever the shown locale is.
        QCOMPARE(QString::number(7845.5), QStringLiteral("7845.5"));
    }

    void enterOnFocusedButtonDidNothing_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("modeAfter");
        QTest::newRow("Yeni Kayıt") << "cmdAdd" << int(frmServis::kAdding);
        QTest::newRow("Vazgeç") << "Evet_Hayir_1" << int(frmServis::kBrowsing);
    }
    void enterOnFocusedButtonDidNothing() {
        QFETCH(QString, name);
        QFETCH(int, modeAfter);
        f->addRecord(record("01-0001-01", "Bir"));
        f->open();
        if (name == u"Evet_Hayir_1")
            f->click("cmdAdd");
        auto* b = f->child<QPushButton>(name);
        b->setFocus();
        QTRY_VERIFY(b->hasFocus());
        QTest::keyClick(b, Qt::Key_Return);
        QCOMPARE(f->window().KayitModu, modeAfter);
    }

    void doubleClickLandedOnAppearingButton() {
        f->open();
        startRecord(QStringLiteral("Ali'nin Dükkanı"));
        QPushButton* tamam = button("Evet_Hayir_0");
        QPushButton* sil = button("cmdDelete");
        // Where the pointer rests after the first click the command bar's "Kayıt Sil" reappears.
        const QPoint at = sil->geometry().center();
        QVERIFY(tamam->geometry().contains(at));
        QCursor::setPos(tamam->parentWidget()->mapToGlobal(at));
        QTest::mouseClick(tamam, Qt::LeftButton, {}, tamam->mapFrom(tamam->parentWidget(), at));
        QCOMPARE(f->servis("SELECT count(*) FROM Servis WHERE Unvan = ?", {"Ali'nin Dükkanı"}).toInt(), 1);
        QVERIFY(sil->isVisible());
        QTest::mouseDClick(sil, Qt::LeftButton);
        QTest::mouseClick(sil, Qt::LeftButton);
        QVERIFY2(f->dialogs.texts().isEmpty(), qPrintable(f->dialogs.texts().join(u'|')));

        // Once the interval is over the button answers as usual.
        QTest::qWait(QApplication::doubleClickInterval() + 50);
        f->dialogs.answers << ui::Answer::No;
        QTest::mouseClick(sil, Qt::LeftButton);
        QCOMPARE(f->dialogs.texts().size(), 1);
    }

    void shortMessageBoxCutItsTitle() {
        ui::setDialogs(nullptr);
        int width = 0;
        QTimer::singleShot(0, [&width] {
            QWidget* box = QApplication::activeModalWidget();
            width = box ? box->width() : -1;
            if (box)
                box->close();
        });
        ui::MsgBox(nullptr, QStringLiteral("Başka kayıt yok."), ui::Icon::Information);
        QFont bold = QApplication::font();
        bold.setBold(true);
        QVERIFY2(width > QFontMetrics(bold).horizontalAdvance(ui::kProgramTitle) + 100,
                 qPrintable(QString::number(width)));
    }

    void escapeLeftCustomerListOnScreen() {
        f->addCustomer(QStringLiteral("Akdeniz Ltd"));
        f->open();
        f->click("cmdAdd");
        auto* list = f->child<QTableView>("CariList");
        QTest::mouseClick(f->child<QLabel>("Label1_1"), Qt::LeftButton);
        QVERIFY(list->isVisible());
        QTRY_VERIFY(list->hasFocus());
        QTest::keyClick(list, Qt::Key_Escape);
        QVERIFY(!list->isVisible());
        QTRY_VERIFY(f->child<QLineEdit>("Text1_0")->hasFocus());
        QCOMPARE(f->window().KayitModu, int(frmServis::kAdding));
    }
};

QTEST_MAIN(TestDesktop)
#include "tst_desktop.moc"
