#pragma once

#include <QString>
#include <QVector>

class QWidget;

// A record that another desk (or program) saved while it was being changed here: the user sees
// both values of every field that differs and decides whose stand.
struct ConflictingField {
    QString label; // as the window names the field
    QString theirs;
    QString mine;
};

// The question, with `what` naming the record ("Bu kayıt", "Bu stok kartı").
QString conflictQuestion(const QString& what, const QVector<ConflictingField>& fields);
// True to save the user's values over the other's; false keeps the other's. No is the default:
// nothing is overwritten unless the user says so.
bool keepMine(QWidget* parent, const QString& what, const QVector<ConflictingField>& fields);
