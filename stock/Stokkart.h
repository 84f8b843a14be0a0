#pragma once

#include "engine/DataSource.h"

#include <QWidget>
#include <array>

class Form2;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The stock card: a new card or the stock list's current one, saved through the list's record
// set, and the groups and subgroups kept with the Enter key. Modal over the list.
class Stokkart : public QWidget {
    Q_OBJECT

public:
    explicit Stokkart(Form2* list);
    ~Stokkart() override;

    void Form_Load();

protected:
    bool event(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    // the card (Stokkart.cpp)
    void buildControls();
    void YeniRec_Click();
    void StokNew_GotFocus(int index);
    void StokNew_LostFocus(int index);
    void StokNewCmd_Click(int index);
    bool saveCard(const QString& group, const QString& subgroup,
                  engine::Recordset::OnConflict how = engine::Recordset::OnConflict::Refuse);
    void Form_QueryUnload();
    QString barcodeText() const;
    void showBarcodePlaceholder();

    // groups and subgroups (StokkartGroups.cpp)
    void DataGurup_Reposition();
    void fillSubgroups();
    void StokGrp_Click(int box, int index);
    void StokGrp_KeyDown(int box);
    void deleteEntry(int box);
    void addEntry(int box, const QString& text);
    void reportFailure(const QString& what, const QString& detail);
    // The text of a group or subgroup box as kept: "Gurup Yok" means none.
    QString keptText(int box) const;

    Form2* list_;
    std::array<QLabel*, 5> Label10{};
    std::array<QLineEdit*, 4> StokNew{};
    std::array<QComboBox*, 2> StokGrp{};
    std::array<QPushButton*, 2> StokNewCmd{};
    QPushButton* YeniRec = nullptr;

    engine::DataSource* dataGurup_;
    engine::DataSource* dataAltGrp_;

    int chosenIndex_ = 0;
    // An editable box leaving the focus reports its text as a choice when it names an entry;
    // only the user's own choice counts, so that report is ignored.
    bool leavingBox_ = false;
    bool firstActivation_ = false;
    bool barcodePlaceholder_ = true;
    // The card as it was shown, so that a save by another desk meanwhile is not overwritten
    // unasked; no key for a new card.
    qint64 shownKey_ = -1;
    QVector<QVariant> shownValues_;
};
