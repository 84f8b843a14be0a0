#pragma once

#include "ServisFixture.h"

#include <QPointer>

class Form2;
class QComboBox;
class QLineEdit;
class QTableView;
class Stokkart;

// The service window with its stock list open over it, on cards laid down beforehand.
class StockFixture : public ServisFixture {
public:
    void addCard(const QString& code, const QString& name, const QString& barcode = {},
                 const QString& serial = {}, const QString& group = {}, const QString& subgroup = {});
    void addGroup(const QString& group, const QStringList& subgroups = {});

    Form2* openList(); // from the materials link's way: not blocking
    Form2* list() const { return list_; }
    Stokkart* openCard(); // "Stok Kayıt" over the list
    void closeAndWait(QWidget* w);

    QTableView* grid() const;
    QLineEdit* search() const;
    QComboBox* groupFilter() const;
    QComboBox* subgroupFilter() const;
    QString currentCode() const; // the list's current card
    QStringList codes() const;   // every card the list shows, in order
    void typeInto(QWidget* w, const QString& text);
    void key(QWidget* w, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);

private:
    static bool becomesActive(QWidget* w);
    QPointer<Form2> list_;
};
