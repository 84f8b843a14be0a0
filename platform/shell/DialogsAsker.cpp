#include "DialogsAsker.h"

#include "ui/Dialogs.h"
#include "ui/ProgressWindow.h"

#include <QDir>
#include <QFileInfo>

namespace shell {

Reply DialogsAsker::replaceFile(const QString& target) {
    const QFileInfo info(target);
    const QString text = QStringLiteral("\"%1\" klasöründe \"%2\" adlı bir dosya zaten var.\n\n"
                                        "Var olan dosyayı bununla değiştirmek istiyor musunuz?")
                             .arg(QDir::toNativeSeparators(info.absolutePath()), info.fileName());
    const ui::QuestionInFront front;
    switch (ui::dialogs().message(parent_, QStringLiteral("Dosya Değiştirmeyi Onayla"), text,
                                  ui::Icon::Question, ui::Buttons::YesYesToAllNoCancel, ui::Answer::Yes)) {
    case ui::Answer::Yes:
    case ui::Answer::Ok:
        return Reply::Yes;
    case ui::Answer::YesToAll:
        return Reply::YesToAll;
    case ui::Answer::No:
        return Reply::No;
    case ui::Answer::Cancel:
        break;
    }
    return Reply::Cancel;
}

bool DialogsAsker::makeFolder(const QString& folder) {
    const QString text =
        QStringLiteral("\"%1\" klasörü yok.\n\nOluşturulsun mu?").arg(QDir::toNativeSeparators(folder));
    const ui::QuestionInFront front;
    return ui::dialogs().message(parent_, QStringLiteral("Klasör Oluşturmayı Onayla"), text,
                                 ui::Icon::Question, ui::Buttons::YesNo, ui::Answer::Yes) == ui::Answer::Yes;
}

bool DialogsAsker::deleteFiles(const QString& what, int count, bool toTrash) {
    const QString subject =
        count == 1 ? QStringLiteral("\"%1\" dosyasını").arg(what) : QStringLiteral("Bu %1 öğeyi").arg(count);
    const QString text =
        toTrash ? QStringLiteral("%1 Çöp Kutusu'na taşımak istediğinizden emin misiniz?").arg(subject)
                : QStringLiteral("%1 kalıcı olarak silmek istediğinizden emin misiniz?").arg(subject);
    const ui::QuestionInFront front;
    return ui::dialogs().message(parent_, QStringLiteral("Silmeyi Onayla"), text, ui::Icon::Question,
                                 ui::Buttons::YesNo, ui::Answer::Yes) == ui::Answer::Yes;
}

void DialogsAsker::failed(const QString& text) {
    const ui::QuestionInFront front;
    ui::dialogs().message(parent_, QStringLiteral("Dosya İşlemi"), text, ui::Icon::Critical, ui::Buttons::Ok,
                          ui::Answer::Ok);
}

} // namespace shell
