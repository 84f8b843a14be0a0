#pragma once

#include "History.h"
#include "Notify.h"
#include "ServiceFormSource.h"
#include "StockHost.h"
#include "engine/DataSource.h"
#include "engine/RecordsetModel.h"

#include <QLoggingCategory>
#include <QMainWindow>
#include <QPointer>
#include <array>
#include <functional>

Q_DECLARE_LOGGING_CATEGORY(lcServis)

class QAction;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QFrame;
class QLabel;
class QLineEdit;
class QListView;
class QMenu;
class QModelIndex;
class QPlainTextEdit;
class QPushButton;
class QTableView;
class QTimeEdit;
class QTimer;
class QToolButton;
class Form2;
class Notifier;
class frmYedekler;
namespace autobackup {
struct Outcome;
class Runner;
} // namespace autobackup
class HistoryLink;

// The main window: the service records, one at a time, with the list panel, the command and
// confirm bars and the record navigator. Closing it ends the program.
class frmServis : public QMainWindow, public printing::ServiceFormSource, public StockHost {
    Q_OBJECT

public:
    static constexpr int kTextBoxes = 18;
    // Values of KayitModu; the last two occur only while "&Tamam" checks the entry.
    static constexpr int kBrowsing = 0;
    static constexpr int kAdding = 1;
    static constexpr int kChanging = 2;
    static constexpr int kNoCode = 3;
    static constexpr int kNoTitle = 4;
    // Key codes remembered in SonTus, as the old platform numbered them.
    static constexpr int kKeyBackspace = 8;
    static constexpr int kKeyEnter = 13;
    static constexpr int kKeyDelete = 46;
    // Text boxes: the long texts that keep Enter as a line break, and the e-mail box.
    static constexpr int kFirstLineBreakBox = 14;
    static constexpr int kLastLineBreakBox = 16;
    static constexpr int kEmailBox = 17;

    explicit frmServis(QWidget* parent = nullptr);
    ~frmServis() override;

    // Opens the window: controls, sound, databases, first record. False when a database file
    // cannot be opened; the user has been told which.
    bool Form_Load();

    // State shared with the stock list window and the handlers.
    int KayitModu = kBrowsing;
    std::array<QString, 21> AlanAdlari;
    QString AramaKriteri;
    int SonTus = 0;

    engine::DataSource* Data1() const { return data1_; }
    engine::DataSource* Data2() const { return data2_; }
    engine::DataSource* DataStkHar() const { return dataStkHar_; }

    QString text1(int index) const;
    void setText1(int index, const QString& text);
    // The record code box as it reads ("__-____-__" when empty), for the windows that use it.
    QString recordCodeText() const override;

    void KayitGoster();
    void KayitYaz();
    void addCustomer();
    void DurumSifirla();

protected:
    bool event(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    // construction (frmServisLayout.cpp)
    void buildRecordPanel();
    void buildBars();
    void buildListPanel();
    void buildMenu();
    QLabel* addLabel(int index, const QString& caption, int left, int top, int width, int height = 315);

    // start-up, navigation, shutdown (frmServis.cpp)
    void Data1_Reposition();
    void showCurrentRecord();
    bool shownRecordIsCurrent();
    QString proposeFreeCode();
    void releaseReservedCode();
    void Form_Activate();
    void Liste_Click();
    void foldStep();
    void setPickersToNow();

    // entry, correction, deletion (frmServisEntry.cpp)
    void cmdAdd_Click();
    void cmdDuzeltme_Click();
    void cmdDelete_Click();
    void Tamam_Click();
    void saveEntry(engine::Recordset::OnConflict how);
    void Vazgec_Click();
    void Data1_Validate(engine::DataSource::Action action);
    void finishItemMoves();
    void clearPanel();
    void openPanel(int mode);
    void closePanel();
    void connectEntry();
    void limitLongText(int box, QPlainTextEdit* text);
    bool recordPanelFilter(QObject* watched, QEvent* e);

    // customer look-up (frmServisCustomer.cpp)
    void connectCustomerLookup();
    void copyCustomer(const engine::Recordset& cari, int fromBox);
    void CariList_Pick();
    void Text1_0_Change();
    bool customerFilter(QObject* watched, QEvent* e);

    // list panel (frmServisSearch.cpp)
    void Combo1_Click();
    void DBCombo1_Click();
    void DBList1_Click(const QModelIndex& index);
    void CmdSonraki_Click();
    void Check1_Click();
    void keepValueText();
    void connectListPanel();
    bool listPanelFilter(QObject* watched, QEvent* e);

    // record panel in this window's own words
    QLineEdit* MaskEdBox1 = nullptr;
    std::array<QWidget*, kTextBoxes> Text1{};
    std::array<QLabel*, 28> Label1{};
    QDateEdit* KayitTarih = nullptr;
    QTimeEdit* KayitSaat = nullptr;
    QDateEdit* TeslimTarih = nullptr;
    QTimeEdit* TeslimSaat = nullptr;
    QComboBox* Nerde = nullptr;
    QComboBox* Durumu = nullptr;
    QTableView* DBGrid1 = nullptr;
    QTableView* CariList = nullptr;
    QFrame* Frame1 = nullptr;
    QFrame* Frame2 = nullptr;
    QFrame* Picture1 = nullptr;
    QFrame* Picture2 = nullptr;
    QPushButton* cmdAdd = nullptr;
    QPushButton* cmdDelete = nullptr;
    QPushButton* cmdDuzeltme = nullptr;
    QPushButton* cmdYazici = nullptr;
    QPushButton* cmdClose = nullptr;
    std::array<QPushButton*, 2> Evet_Hayir{};
    QFrame* Data1Bar = nullptr;
    QLabel* Data1Caption = nullptr;
    std::array<QToolButton*, 4> Data1Arrows{};
    QCheckBox* Liste = nullptr;
    QLineEdit* Cursortxt = nullptr;

    // list panel
    QComboBox* Combo1 = nullptr;
    QComboBox* DBCombo1 = nullptr;
    QListView* DBList1 = nullptr;
    QLabel* Label2 = nullptr;
    QPushButton* CmdSonraki = nullptr;
    QCheckBox* Check1 = nullptr;
    QDateEdit* DTPicker1 = nullptr;
    QDateEdit* DTPicker2 = nullptr;

    // menu
    QAction* Yedekle = nullptr;
    QAction* Gerial = nullptr;
    QAction* StokKayit = nullptr;
    QAction* Kapat = nullptr;
    QMenu* Araclar = nullptr;
    QMenu* PoPMenu = nullptr;

    engine::DataSource* data1_;
    engine::DataSource* data2_;
    engine::DataSource* dataStkHar_;
    engine::RecordsetModel* stkHarModel_ = nullptr;
    engine::RecordsetModel* valueModel_ = nullptr;
    engine::RecordsetModel* cariModel_ = nullptr; // the chosen field of every service record

    bool firstActivation_ = false;
    bool closing_ = false; // folding towards the close
    bool folded_ = false;  // folded: the next close request ends the window
    bool foldingWidth_ = false;
    QTimer* foldTimer_ = nullptr;
    bool asking_ = false;
    // The key of the record the panel shows; -1 while it shows none. Deleting and changing act on
    // this record only, whatever moved Data1 in between.
    qint64 shownKey_ = -1;
    // What the user typed into or chose in the value combo; model changes never replace it.
    QString valueText_;
    // The keys of the used items handed to the record open in the panel: they follow the code the
    // record is saved under, or go when a new record is abandoned.
    QList<qint64> entryItems_;
    QString reservedCode_; // the proposed code this desk holds on a server until saved or abandoned

    // ---- telling the customer that the device is ready (frmServisNotify.cpp) ----
public:
    static constexpr int kStatusReady = 1; // "Tamam" in Durumu

private:
    void connectNotify();
    void showNotice();
    bool noticeKnown(const std::shared_ptr<engine::Database>& db, const QString& code) const;
    void setNotice(const std::shared_ptr<engine::Database>& db, const QString& code,
                   const std::optional<notify::Sent>& sent);
    void HaberVer_Click();
    void offerNotice(const QString& code, bool becameReady);
    Notifier* notifier_ = nullptr;
    QAction* HaberVer = nullptr;
    QLabel* Bildirim = nullptr;
    struct NoticeRead {
        std::weak_ptr<engine::Database> db;
        QString code;
        quint64 version = 0;
    } noticeRead_;

    // ---- printing: the record's values for the print layout window (frmServisPrint.cpp) ----
public:
    QString formText(int box) const override;
    QString formCaption(int box) const override;
    void setSwitchedOff(bool off) override;

private:
    void connectPrint();
    void cmdYazici_Click();

    // ---- the device label (frmServisLabel.cpp) ----
public:
    QAction* EtiketYazdir = nullptr;

private:
    void connectLabel();
    void EtiketYazdir_Click();

    // ---- materials and the stock list (frmServisMaterials.cpp) ----
public:
    int stockRecordMode() const override { return KayitModu; }
    engine::DataSource* stockUsedItems() const override { return dataStkHar_; }
    QString recordTitleText() const override { return text1(0); }
    void stockItemAdded(qint64 key) override;
    // The stock list over this window: blocking it (menu "Stoklar") or beside it (the link).
    void openStockList(bool blocking);

private:
    void connectMaterials();
    bool materialsFilter(QObject* watched, QEvent* e);
    void PopMnu_Click();
    QPointer<Form2> stockList_;

    // backup and restore of the database files (frmServisBackup.cpp)
    void Yedekle_Click();
    void Gerial_Click();
    void connectBackup();
    bool backUpInto(const QString& folder);
    bool restoreFrom(const QString& chosen);
    bool restoreOntoServer(const QString& chosen);
    // The restore with its check mark on, from the path `choose` gives ("" for none).
    void restoreMarked(const std::function<QString()>& choose);
    bool reopenLive();
    QString backupInitDir_; // the backup's start folder; the last backup folder once there is one

    // ---- automatic backups (frmServisAutoBackup.cpp) ----
    void connectAutoBackup();
    void startAutoBackup(bool evenUnchanged);
    void autoBackupDue();
    void autoBackupFinished(const autobackup::Outcome& outcome);
    bool waitForAutoBackup();
    void finishAutoBackups();
    void OtomatikYedekler_Click();
    autobackup::Runner* autoBackup_ = nullptr;
    QTimer* autoBackupTimer_ = nullptr;
    QAction* OtomatikYedekler = nullptr;
    QPointer<frmYedekler> yedekler_;
    bool toldBackupDamage_ = false;
    bool toldBackupFailure_ = false;
    QString backupNote_; // what the backups' window says about the second place

    // ---- the history of the device and the customer, "Kayda Git" (frmServisHistory.cpp) ----
public:
    // Shows the record with this key the way a move of the navigator does; empty when shown,
    // otherwise why not (a record is being entered or changed, or it is gone).
    QString goToRecord(qint64 id);

private:
    void connectHistory();
    QString historyText(history::Kind kind, const QString& boxText) const;
    qint64 historyExcept() const;
    history::Counter::Texts historyTexts(history::Kind kind, const QString& boxText) const;
    void readRecordNotes(const std::function<void()>& alongside);
    void refreshHistoryLinks();
    void openHistory(history::Kind kind, const QString& text, qint64 except);
    void KaydaGit_Click();
    QString kaydaGit(const QString& text);
    HistoryLink* seriNoLink_ = nullptr;
    HistoryLink* unvanLink_ = nullptr;
    history::Counter historyCounter_;
    QAction* KaydaGit = nullptr;
};
