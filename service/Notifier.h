#pragma once

#include "Notify.h"

#include <QObject>
#include <memory>

class QTemporaryDir;

namespace engine {
class DataSource;
}
namespace printing {
class ServiceFormSource;
}

// Hands a notification over to the desktop's own programs: the mail program through xdg-email with
// the service form attached as a PDF, WhatsApp through the desktop's link opener. Each
// notification handed over is kept in the Bildirim table of the service records' file. Lives as
// long as the program: the attached forms stay readable until it ends.
class Notifier : public QObject {
    Q_OBJECT

public:
    // `servis`: the data source whose file holds the notifications.
    Notifier(engine::DataSource& servis, QObject* parent);
    ~Notifier() override;

    struct Message {
        QString code;
        QString title;
        QString subject;
        QString text;
    };

    // Writes the service form of the record `source` shows as a PDF that lives until the program
    // ends; its path, or "" with `problem` set to a Turkish sentence.
    QString writeForm(const printing::ServiceFormSource& source, const QString& code, QString* problem);

    // Starts the mail program with the message and the form attached. "" when it was started; the
    // outcome comes later as sent() or failed(). Otherwise a Turkish sentence saying why not.
    QString sendEmail(const QString& address, const Message& message, const QString& pdf);
    // Opens the WhatsApp link. "" when the desktop took it (and sent() has been emitted),
    // otherwise a Turkish sentence saying why not.
    QString sendWhatsApp(const QString& telephone, const Message& message);

signals:
    // A notification was handed over and kept.
    void sent(const QString& code);
    // Handing over, or keeping what was handed over, failed; `text` says so in Turkish.
    void failed(const QString& text);

private:
    void keep(const QString& code, const notify::Sent& notice);

    engine::DataSource& servis_;
    std::unique_ptr<QTemporaryDir> forms_;
};
