#include "frmBildirim.h"

#include "ui/Dialogs.h"
#include "ui/Guard.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

frmBildirim::frmBildirim(const Recipient& recipient, const printing::ServiceFormSource& form,
                         Notifier& notifier, QWidget* parent)
    : QDialog(parent)
    , recipient_(recipient)
    , form_(form)
    , notifier_(notifier) {
    setObjectName(QStringLiteral("frmBildirim"));
    setWindowTitle(QStringLiteral("Müşteriye Haber Ver"));
    setAttribute(Qt::WA_DeleteOnClose);

    const auto shown = [](const QString& text) {
        auto* l = new QLabel(text.trimmed().isEmpty() ? QStringLiteral("(yok)") : text.trimmed());
        l->setTextInteractionFlags(Qt::TextSelectableByMouse);
        return l;
    };
    auto* form_layout = new QFormLayout;
    form_layout->addRow(QStringLiteral("Kayıt No:"), shown(recipient.facts.code));
    form_layout->addRow(QStringLiteral("Ünvan:"), shown(recipient.facts.title));
    form_layout->addRow(QStringLiteral("E-posta:"), shown(recipient.email));
    form_layout->addRow(QStringLiteral("Telefon:"), shown(recipient.telephone));
    const notify::Workshop workshop = notify::workshop();
    FirmaAdi = new QLineEdit(workshop.name);
    FirmaAdi->setObjectName(QStringLiteral("FirmaAdi"));
    FirmaTelefon = new QLineEdit(workshop.phone);
    FirmaTelefon->setObjectName(QStringLiteral("FirmaTelefon"));
    form_layout->addRow(QStringLiteral("&Firma Adı:"), FirmaAdi);
    form_layout->addRow(QStringLiteral("Firma &Telefonu:"), FirmaTelefon);

    Mesaj = new QPlainTextEdit;
    Mesaj->setObjectName(QStringLiteral("Mesaj"));
    Mesaj->setTabChangesFocus(true);
    generated_ = notify::messageText(recipient.facts, workshop);
    Mesaj->setPlainText(generated_);
    auto* mesajLabel = new QLabel(QStringLiteral("&Mesaj:"));
    mesajLabel->setBuddy(Mesaj);

    auto* buttons = new QDialogButtonBox;
    cmdEposta = buttons->addButton(QStringLiteral("&E-posta"), QDialogButtonBox::ActionRole);
    cmdEposta->setObjectName(QStringLiteral("cmdEposta"));
    cmdWhatsApp = buttons->addButton(QStringLiteral("&WhatsApp"), QDialogButtonBox::ActionRole);
    cmdWhatsApp->setObjectName(QStringLiteral("cmdWhatsApp"));
    for (QPushButton* b : {cmdEposta, cmdWhatsApp})
        b->setAutoDefault(false);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form_layout);
    layout->addWidget(mesajLabel);
    layout->addWidget(Mesaj, 1);
    layout->addWidget(buttons);
    resize(480, 420);

    connect(FirmaAdi, &QLineEdit::textEdited, this, ui::handler(this, &frmBildirim::Workshop_Change));
    connect(FirmaTelefon, &QLineEdit::textEdited, this, ui::handler(this, &frmBildirim::Workshop_Change));
    connect(FirmaAdi, &QLineEdit::editingFinished, this, ui::handler(this, &frmBildirim::keepWorkshop));
    connect(FirmaTelefon, &QLineEdit::editingFinished, this, ui::handler(this, &frmBildirim::keepWorkshop));
    connect(cmdEposta, &QPushButton::clicked, this, ui::handler(this, &frmBildirim::Email_Click));
    connect(cmdWhatsApp, &QPushButton::clicked, this, ui::handler(this, &frmBildirim::WhatsApp_Click));
}

notify::Workshop frmBildirim::typedWorkshop() const {
    return {FirmaAdi->text().trimmed(), FirmaTelefon->text().trimmed()};
}

// The message follows the workshop's name and telephone until the user changes the message.
void frmBildirim::Workshop_Change() {
    if (Mesaj->toPlainText() != generated_)
        return;
    generated_ = notify::messageText(recipient_.facts, typedWorkshop());
    Mesaj->setPlainText(generated_);
}

void frmBildirim::keepWorkshop() {
    notify::setWorkshop(typedWorkshop());
}

Notifier::Message frmBildirim::message() const {
    return {recipient_.facts.code, recipient_.facts.title, notify::subject(recipient_.facts),
            Mesaj->toPlainText().trimmed()};
}

void frmBildirim::finish(const QString& problem) {
    if (!problem.isEmpty()) {
        ui::MsgBox(this, problem, ui::Icon::Exclamation);
        return;
    }
    close();
}

void frmBildirim::Email_Click() {
    keepWorkshop();
    if (message().text.isEmpty())
        return finish(QStringLiteral("Mesaj boş; e-posta gönderilmedi."));
    if (const QString problem = notify::checkEmail(recipient_.email); !problem.isEmpty())
        return finish(problem + QStringLiteral(" E-posta gönderilmedi."));
    QString problem;
    const QString pdf = notifier_.writeForm(form_, recipient_.facts.code, &problem);
    if (pdf.isEmpty())
        return finish(problem + QStringLiteral("\n\nE-posta gönderilmedi."));
    finish(notifier_.sendEmail(recipient_.email, message(), pdf));
}

void frmBildirim::WhatsApp_Click() {
    keepWorkshop();
    if (message().text.isEmpty())
        return finish(QStringLiteral("Mesaj boş; WhatsApp mesajı gönderilmedi."));
    finish(notifier_.sendWhatsApp(recipient_.telephone, message()));
}
