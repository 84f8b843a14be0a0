#pragma once

#include "RecordingSoundPlayer.h"
#include "ScriptedDialogs.h"
#include "TestDatabase.h"
#include "frmServis.h"

#include <QVariantMap>
#include <memory>

class QLineEdit;
class QLabel;

// A service window on a program directory of its own, with scripted message boxes and
// recorded sounds.
class ServisFixture {
public:
    ServisFixture();
    ~ServisFixture();

    // Rows laid down before the window opens.
    void addRecord(const QVariantMap& fields);
    void addUsedItem(const QString& code, const QString& name);
    void addCustomer(const QString& title, const QString& city = {});

    frmServis& open(); // builds the window and runs its load
    frmServis& window() { return *window_; }
    bool isOpen() const { return window_ != nullptr; }

    template <typename T> T* child(const QString& name) const { return window_->findChild<T*>(name); }
    QString caption() const;
    QString box(int index) const { return window_->text1(index); }
    QString code() const;
    QStringList gridItems() const;
    void click(const QString& buttonName);
    QStringList sounds() const;

    QVariant servis(const QString& query, const QVariantList& params = {}) const {
        return TestDatabase::scalar(db.servis(), query, params);
    }
    QVariant stok(const QString& query, const QVariantList& params = {}) const {
        return TestDatabase::scalar(db.stok(), query, params);
    }

    TestDatabase db;
    ScriptedDialogs dialogs;
    RecordingSoundPlayer player;

private:
    std::unique_ptr<frmServis> window_;
};

// A full record with every field set, for the code and title given.
QVariantMap record(const QString& code, const QString& title, int status = 0);
