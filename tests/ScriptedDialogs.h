#pragma once

#include "ui/Dialogs.h"

#include <QList>
#include <QStringList>

// Answers message boxes from a script and remembers what they said.
class ScriptedDialogs : public ui::Dialogs {
public:
    struct Shown {
        QString text;
        ui::Icon icon;
        ui::Buttons buttons;
        ui::Answer defaultButton;
    };

    ScriptedDialogs() { ui::setDialogs(this); }
    ~ScriptedDialogs() override { ui::setDialogs(nullptr); }

    ui::Answer message(QWidget*, const QString&, const QString& text, ui::Icon icon, ui::Buttons buttons,
                       ui::Answer defaultButton) override {
        shown << Shown{text, icon, buttons, defaultButton};
        return answers.isEmpty() ? defaultButton : answers.takeFirst();
    }

    QString saveFileName(QWidget*, const QString&, const QString& proposed, const QString&) override {
        proposedNames << proposed;
        return fileNames.isEmpty() ? QString() : fileNames.takeFirst();
    }

    QStringList texts() const {
        QStringList out;
        for (const Shown& s : shown)
            out << s.text;
        return out;
    }

    QList<ui::Answer> answers;
    QList<Shown> shown;
    QStringList fileNames;     // answers to save-file questions; "" (cancel) once they run out
    QStringList proposedNames; // what each save-file question proposed
};
