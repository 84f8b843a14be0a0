#pragma once

#include <QDialog>
#include <functional>

class QLabel;
class QLineEdit;
class QSpinBox;
class QTableWidget;

// "Otomatik Yedekler": the automatic backups, newest first, those of the second place too, with
// the commands to restore one, to take one now and to open the folder; and the second place and
// the interval, kept as settings the moment they change.
class frmYedekler : public QDialog {
    Q_OBJECT

public:
    struct Commands {
        std::function<void(const QString& backupFolder)> restore;
        std::function<void()> backupNow;
    };

    frmYedekler(QWidget* owner, Commands commands);

    // Reads the folders again; `note` is shown below the list (empty: none).
    void refresh(const QString& note);

private:
    void GeriAl_Click();
    void KlasoruAc_Click();
    void IkinciYerSec_Click();

    Commands commands_;
    QTableWidget* list_;
    QLabel* note_;
    QLineEdit* secondPlace_;
    QSpinBox* interval_;
};
