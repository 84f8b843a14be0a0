#pragma once

#include "ui/Dialogs.h"

#include <QList>
#include <QStringList>
#include <functional>

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

    // Records every update of a progress window; stops the work once `stopWhen` says so.
    struct ScriptedProgress : ui::Progress {
        ScriptedDialogs& owner;
        explicit ScriptedProgress(ScriptedDialogs& o)
            : owner(o) {}
        bool update(const QString& text, qint64 done, qint64 total) override {
            owner.progressTexts << text;
            Q_UNUSED(done);
            Q_UNUSED(total);
            return !(owner.stopWhen && owner.stopWhen(text));
        }
    };
    std::unique_ptr<ui::Progress> progress(QWidget*, const QString&) override {
        return std::make_unique<ScriptedProgress>(*this);
    }
    QStringList progressTexts;
    std::function<bool(const QString&)> stopWhen;

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
