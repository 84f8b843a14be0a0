#pragma once

#include "ui/Dialogs.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QList>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QStringList>
#include <QTimer>
#include <functional>

// Answers message boxes from a script and remembers what they said.
class ScriptedDialogs : public ui::Dialogs {
public:
    struct Shown {
        QString text;
        ui::Icon icon;
        ui::Buttons buttons;
        ui::Answer defaultButton;
        QString title;
    };

    ScriptedDialogs()
        : qt_(ui::dialogs()) {
        ui::setDialogs(this);
    }
    ~ScriptedDialogs() override { ui::setDialogs(nullptr); }

    ui::Answer message(QWidget* parent, const QString& title, const QString& text, ui::Icon icon,
                       ui::Buttons buttons, ui::Answer defaultButton) override {
        shown << Shown{text, icon, buttons, defaultButton, title};
        if (realQuestions)
            return qt_.message(parent, title, text, icon, buttons, defaultButton);
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
        ScriptedProgress(ScriptedDialogs& owner, const QString& title)
            : owner_(owner)
            , title_(title) {
            sinceCheck_.start();
        }
        void setText(const QString& text) override { owner_.progressTexts << text; }
        void setProgress(qint64 done, qint64 total) override {
            owner_.progressSteps << qMakePair(done, total);
        }
        bool cancelled() override {
            owner_.longestCheckGapMs = std::max(owner_.longestCheckGapMs, sinceCheck_.elapsed());
            sinceCheck_.restart();
            if (title_ == owner_.cancelInTitled)
                return true;
            if (owner_.stopWhen && !owner_.progressTexts.isEmpty() &&
                owner_.stopWhen(owner_.progressTexts.last()))
                return true;
            return owner_.cancelAfterChecks >= 0 && ++owner_.progressChecks > owner_.cancelAfterChecks;
        }

    private:
        ScriptedDialogs& owner_;
        QString title_;
        QElapsedTimer sinceCheck_;
    };
    std::unique_ptr<ui::Progress> progress(QWidget* parent, const QString& title) override {
        progressTitles << title;
        if (realQuestions)
            return qt_.progress(parent, title);
        return std::make_unique<ScriptedProgress>(*this, title);
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
    QString cancelInTitled;       // the progress window with this title answers "Vazgeç" at once
    bool realQuestions = false;   // message boxes and progress windows are Qt's own, for a person to answer

private:
    ui::Dialogs& qt_;
};

// Answers Qt's message boxes as a person would who takes `delayMs` to read each one, pressing
// its default button; meanwhile it notes whether the box was in front of every other window.
class LateAnswerer : public QObject {
public:
    struct Seen {
        QString title;
        bool inFront;         // the top modal window, the one the keyboard reaches
        bool progressInSight; // a progress window was showing over or beside it
    };

    explicit LateAnswerer(int delayMs)
        : delayMs_(delayMs) {
        connect(&tick_, &QTimer::timeout, this, &LateAnswerer::look);
        tick_.start(20);
    }

    QList<Seen> seen;

private:
    void look() {
        QMessageBox* box = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* b = qobject_cast<QMessageBox*>(w); b && b->isVisible())
                box = b;
        if (box != current_) {
            current_ = box;
            since_.start();
        }
        if (!box || since_.elapsed() < delayMs_)
            return;
        bool progress = false;
        for (QWidget* w : QApplication::topLevelWidgets())
            progress = progress || (qobject_cast<QProgressDialog*>(w) && w->isVisible());
        seen << Seen{box->windowTitle(), QApplication::activeModalWidget() == box, progress};
        current_ = nullptr;
        box->defaultButton()->click();
    }

    int delayMs_;
    QTimer tick_;
    QMessageBox* current_ = nullptr;
    QElapsedTimer since_;
};
