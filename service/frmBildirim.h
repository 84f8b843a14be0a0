#pragma once

#include "Notifier.h"

#include <QDialog>

class QLineEdit;
class QPlainTextEdit;
class QPushButton;
namespace printing {
class ServiceFormSource;
}

// "Müşteriye Haber Ver": the message for the record the service window shows, editable before it
// goes, and the workshop's name and telephone that the message ends with. The work is done by the
// notifier; this window only shows and asks.
class frmBildirim : public QDialog {
    Q_OBJECT

public:
    struct Recipient {
        notify::Facts facts;
        QString email;
        QString telephone;
    };

    frmBildirim(const Recipient& recipient, const printing::ServiceFormSource& form, Notifier& notifier,
                QWidget* parent);

private:
    void Workshop_Change();
    void Email_Click();
    void WhatsApp_Click();
    void keepWorkshop();
    notify::Workshop typedWorkshop() const;
    Notifier::Message message() const;
    // After a handover: the window's work is done. Otherwise the reason is shown and it stays.
    void finish(const QString& problem);

    Recipient recipient_;
    const printing::ServiceFormSource& form_;
    Notifier& notifier_;
    QString generated_; // the message as last filled in, to tell whether the user has changed it

    QLineEdit* FirmaAdi = nullptr;
    QLineEdit* FirmaTelefon = nullptr;
    QPlainTextEdit* Mesaj = nullptr;
    QPushButton* cmdEposta = nullptr;
    QPushButton* cmdWhatsApp = nullptr;
};
