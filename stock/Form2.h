#pragma once

#include "engine/DataSource.h"
#include "engine/RecordsetModel.h"

#include <QPointer>
#include <QSize>
#include <QWidget>
#include <array>

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTableView;
class StockHost;
class Stokkart;

// The stock list: every stock card, narrowed by group and subgroup, found as the user types and
// sorted by any column. A card picked while the host enters a record is handed to that record.
class Form2 : public QWidget {
    Q_OBJECT

public:
    static constexpr int kColumns = 4;

    // Owned by `owner`; released when it closes.
    Form2(StockHost* host, QWidget* owner);
    ~Form2() override;

    // Opens Stok.mdb of the program directory and fills the list. False when the file cannot
    // be opened; the user has been told.
    bool Form_Load();

    engine::DataSource* Data1() const { return data1_; }
    QString groupFilterText() const;
    QString subgroupFilterText() const;
    // Fills the group filter with these groups and "Gurup Yok", and shows every card.
    void showAllGroups(const QStringList& groups);

    // A wheel turn at a screen point: over the grid it moves the current card one row.
    bool MouseWheel(int mouseKeys, int rotation, int xpos, int ypos);

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    // construction and loading (Form2.cpp)
    void buildControls();
    void Combo1_Click();
    void Combo2_Click();
    void ApplyStockFilter();
    void Text1_Change(const QString& text);
    void Text1_GotFocus();
    void Text1_LostFocus();
    bool windowKey(QKeyEvent* key);
    void step(bool forward);

    // the grid (Form2Grid.cpp)
    void SortByColumn(int column);
    void LoadGridLayout();
    void columnResized(int column);
    void SaveGridLayout();
    void recaption(int column);
    void applyColumns();
    int fitGridToColumns();
    bool findExact();
    void StokSil_Click();
    void Data1_Validate(engine::DataSource::Action action);
    void StokKayit_Click();
    void handBack();
    void reportFailure(const QString& what, const QString& detail);

    StockHost* host_;

    std::array<QLabel*, 2> Label1{};
    QComboBox* Combo1 = nullptr;
    QComboBox* Combo2 = nullptr;
    QTableView* StokList = nullptr;
    QLineEdit* Text1 = nullptr;
    QPushButton* Command1 = nullptr;
    QMenu* mnuPopUp = nullptr;

    engine::DataSource* data1_;
    engine::DataSource* dataGurup_;
    engine::DataSource* dataAltGrp_;
    engine::RecordsetModel* model_ = nullptr;
    QPointer<Stokkart> card_;

    std::array<QString, kColumns> designedCaptions_;
    std::array<int, kColumns> widthsTwips_{};
    std::array<bool, kColumns> hidden_{};
    bool sortAscending_ = true;
    bool searchFound_ = false;
    bool restoringLayout_ = false;
    // Columns resized by a drag still going on: the layout is kept once, when the drag ends.
    std::array<bool, kColumns> resized_{};
};
