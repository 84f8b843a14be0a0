#pragma once

#include "ui/Dialogs.h"

#include <QElapsedTimer>
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

    // The file dialogs answer from `fileNames` (empty: cancelled) and remember their settings.
    QString fileName(QWidget*, const ui::FileDialog& dialog) override {
        fileDialogs << dialog;
        if (whileFileDialog)
            whileFileDialog();
        return fileNames.isEmpty() ? QString() : fileNames.takeFirst();
    }

    // Progress windows remember their titles and texts; the window answers "Vazgeç" once it has
    // been asked `cancelAfterChecks` times (never when negative).
    class ScriptedProgress : public ui::Progress {
    public:
        explicit ScriptedProgress(ScriptedDialogs& owner)
            : owner_(owner) {
            sinceCheck_.start();
        }
        void setText(const QString& text) override { owner_.progressTexts << text; }
        void setProgress(qint64 done, qint64 total) override {
            owner_.progressSteps << qMakePair(done, total);
        }
        bool cancelled() override {
            owner_.longestCheckGapMs = std::max(owner_.longestCheckGapMs, sinceCheck_.elapsed());
            sinceCheck_.restart();
            if (owner_.stopWhen && !owner_.progressTexts.isEmpty() &&
                owner_.stopWhen(owner_.progressTexts.last()))
                return true;
            return owner_.cancelAfterChecks >= 0 && ++owner_.progressChecks > owner_.cancelAfterChecks;
        }

    private:
        ScriptedDialogs& owner_;
        QElapsedTimer sinceCheck_;
    };
    std::unique_ptr<ui::Progress> progress(QWidget*, const QString& title) override {
        progressTitles << title;
        return std::make_unique<ScriptedProgress>(*this);
    }

    QStringList texts() const {
        QStringList out;
        for (const Shown& s : shown)
            out << s.text;
        return out;
    }

    QList<ui::Answer> answers;
    QList<Shown> shown;
    QStringList fileNames;     // answers to the file dialogs, in turn; "" (cancel) once they run out
    QStringList proposedNames; // what each save-file question proposed
    std::function<void()> whileFileDialog; // looks at the window while the dialog is up
    QList<ui::FileDialog> fileDialogs;
    QStringList progressTitles;
    QStringList progressTexts;
    std::function<bool(const QString&)> stopWhen; // answers "Vazgeç" once a text meets it
    QList<QPair<qint64, qint64>> progressSteps;
    int cancelAfterChecks = -1;
    int progressChecks = 0;
    qint64 longestCheckGapMs = 0; // the longest time a progress window went unasked
};
