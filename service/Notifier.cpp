#include "Notifier.h"

#include "DrawServiceForm.h"
#include "PageRenderer.h"
#include "PrintLayout.h"
#include "StoredLayout.h"
#include "clock/Clock.h"
#include "engine/DataSource.h"
#include "engine/DbError.h"
#include "print/Printers.h"

#include <QDesktopServices>
#include <QDir>
#include <QLoggingCategory>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>

Q_LOGGING_CATEGORY(lcNotify, "kts.notify")

namespace {

// xdg-email's exit codes for "no program can take the link" and "the program failed".
constexpr int kXdgNoMethod = 3;
constexpr int kXdgFailed = 4;

QString mailFailure(int exitCode) {
    switch (exitCode) {
    case kXdgNoMethod:
        return QStringLiteral("Bu bilgisayarda e-posta programı bulunamadı; e-posta gönderilmedi.\n\n"
                              "Bir e-posta programı kurup varsayılan yapın.");
    case kXdgFailed:
        return QStringLiteral("E-posta programı mesajı açamadı; e-posta gönderilmedi.");
    default:
        return QStringLiteral(
                   "E-posta programına ulaşılamadı (xdg-email %1 koduyla bitti); e-posta gönderilmedi.")
            .arg(exitCode);
    }
}

} // namespace

Notifier::Notifier(engine::DataSource& servis, QObject* parent)
    : QObject(parent)
    , servis_(servis) {}

Notifier::~Notifier() = default;

QString Notifier::writeForm(const printing::ServiceFormSource& source, const QString& code,
                            QString* problem) {
    if (!forms_) {
        forms_ =
            std::make_unique<QTemporaryDir>(QDir::temp().filePath(QStringLiteral("kts-bildirim-XXXXXX")));
        if (!forms_->isValid()) {
            *problem =
                QStringLiteral("Servis formu için geçici klasör açılamadı.\n\n%1").arg(forms_->errorString());
            forms_.reset();
            return {};
        }
    }
    // The page the printer gets: the same layout, headings and field selection.
    printing::PrintLayout layout;
    printing::loadStoredLayout(layout);
    std::array<bool, printing::PrintLayout::kBoxes> selected = layout.selection();
    // Nobody has chosen fields yet: an empty page would tell the customer nothing.
    if (std::none_of(selected.begin(), selected.end(), [](bool on) { return on; })) {
        selected.fill(true);
        layout.setSelection(selected);
    }
    const printing::ServicePage page = printing::DrawServiceForm(layout, source);
    const QString path = forms_->filePath(QStringLiteral("Servis Formu %1.pdf").arg(code));
    *problem = print::writePdf(path, [&page](QPainter& p) { printing::PageRenderer::paint(p, page); });
    return problem->isEmpty() ? path : QString();
}

QString Notifier::sendEmail(const QString& address, const Message& message, const QString& pdf) {
    if (const QString problem = notify::checkEmail(address); !problem.isEmpty())
        return problem + QStringLiteral(" E-posta gönderilmedi.");
    const notify::Sent notice{wallclock::now(), notify::kByEmail, address.trimmed(), message.text};
    auto* mail = new QProcess(this);
    mail->setProcessChannelMode(QProcess::ForwardedOutputChannel);
    // The mail program may run in the foreground of xdg-email until it is closed: its outcome is
    // awaited, never waited for.
    connect(mail, &QProcess::finished, this,
            [this, mail, notice, code = message.code](int exitCode, QProcess::ExitStatus status) {
                mail->deleteLater();
                if (status != QProcess::NormalExit || exitCode != 0) {
                    qCWarning(lcNotify) << "xdg-email:" << exitCode << mail->readAllStandardError();
                    emit failed(mailFailure(status == QProcess::NormalExit ? exitCode : kXdgFailed));
                    return;
                }
                keep(code, notice);
            });
    connect(mail, &QProcess::errorOccurred, this, [this, mail](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return;
        mail->deleteLater();
        emit failed(QStringLiteral("E-posta programına ulaşılamadı: xdg-email çalıştırılamadı (xdg-utils "
                                   "paketi kurulu olmayabilir). E-posta gönderilmedi."));
    });
    // --utf8: the texts are UTF-8 whatever the locale says.
    mail->start(QStringLiteral("xdg-email"),
                {QStringLiteral("--utf8"), QStringLiteral("--subject"), message.subject,
                 QStringLiteral("--body"), message.text, QStringLiteral("--attach"), pdf, address.trimmed()});
    return {};
}

QString Notifier::sendWhatsApp(const QString& telephone, const Message& message) {
    const notify::Number number = notify::mobileNumber(telephone);
    if (!number.problem.isEmpty())
        return number.problem + QStringLiteral(" WhatsApp mesajı gönderilmedi.");
    if (!QDesktopServices::openUrl(notify::whatsappUrl(number.international, message.text)))
        return QStringLiteral(
            "Bağlantı açılamadı: bu bilgisayarda bağlantıları açacak bir program bulunamadı. "
            "WhatsApp mesajı gönderilmedi.");
    keep(message.code, {wallclock::now(), notify::kByWhatsApp, number.international, message.text});
    return {};
}

void Notifier::keep(const QString& code, const notify::Sent& notice) {
    try {
        servis_.openDatabase();
        notify::keep(*servis_.database(), code, notice);
    } catch (const engine::DbError& e) {
        emit failed(
            QStringLiteral("Mesaj iletildi, ancak gönderildiği kaydedilemedi.\n\n%1").arg(e.description()));
        return;
    }
    emit sent(code);
}
