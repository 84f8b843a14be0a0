#include "WriteConflict.h"

#include "ui/Dialogs.h"

namespace {

QString shown(const QString& value) {
    return value.isEmpty() ? QStringLiteral("(boş)") : QStringLiteral("\"%1\"").arg(value);
}

} // namespace

QString conflictQuestion(const QString& what, const QVector<ConflictingField>& fields) {
    QString text = QStringLiteral("%1 siz değiştirirken başka bir masada değiştirildi.\n").arg(what);
    for (const ConflictingField& f : fields)
        text += QStringLiteral("\n%1\n    Sizin yazdığınız: %2\n    Öbür masada kaydedilen: %3\n")
                    .arg(f.label, shown(f.mine), shown(f.theirs));
    return text +
           QStringLiteral("\nSizin yazdıklarınız kaydedilsin mi?\n"
                          "(Hayır: öbür masada kaydedilenler kalır, sizin değişiklikleriniz bırakılır.)");
}

bool keepMine(QWidget* parent, const QString& what, const QVector<ConflictingField>& fields) {
    return ui::MsgBox(parent, conflictQuestion(what, fields), ui::Icon::Exclamation, ui::Buttons::YesNo,
                      ui::Answer::No) == ui::Answer::Yes;
}
