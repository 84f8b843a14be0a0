#include "Dialogs.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>

namespace ui {

namespace {

// Repaints many times a second but not at every step, so that painting never slows the work.
class QtProgress : public Progress {
public:
    QtProgress(QWidget* parent, const QString& name)
        : window_(parent) {
        window_.setObjectName(name);
        window_.setWindowTitle(kProgramTitle);
        window_.setCancelButtonText(QStringLiteral("Vazgeç"));
        window_.setWindowModality(parent ? Qt::WindowModal : Qt::ApplicationModal);
        window_.setMinimumDuration(500);
        window_.setAutoClose(false);
        window_.setAutoReset(false);
        window_.setMinimumWidth(420);
        clock_.start();
    }

    bool update(const QString& text, qint64 done, qint64 total) override {
        if (text != text_ || done >= total || clock_.elapsed() >= 50) {
            if (text != text_)
                window_.setLabelText(text);
            text_ = text;
            window_.setMaximum(static_cast<int>(std::max<qint64>(total, 1)));
            window_.setValue(static_cast<int>(std::min(done, total)));
            QCoreApplication::processEvents();
            clock_.restart();
        }
        return !window_.wasCanceled();
    }

private:
    QProgressDialog window_;
    QElapsedTimer clock_;
    QString text_;
};

class QtDialogs : public Dialogs {
public:
    Answer message(QWidget* parent, const QString& title, const QString& text, Icon icon, Buttons buttons,
                   Answer defaultButton) override {
        QMessageBox box(parent);
        box.setWindowTitle(title);
        box.setText(text);
        switch (icon) {
        case Icon::None:
            break;
        case Icon::Critical:
            box.setIcon(QMessageBox::Critical);
            break;
        case Icon::Question:
            box.setIcon(QMessageBox::Question);
            break;
        case Icon::Exclamation:
            box.setIcon(QMessageBox::Warning);
            break;
        case Icon::Information:
            box.setIcon(QMessageBox::Information);
            break;
        }
        const auto add = [&](QMessageBox::StandardButton b, const char* caption) {
            box.addButton(b)->setText(QString::fromUtf8(caption));
        };
        switch (buttons) {
        case Buttons::Ok:
            add(QMessageBox::Ok, "Tamam");
            break;
        case Buttons::OkCancel:
            add(QMessageBox::Ok, "Tamam");
            add(QMessageBox::Cancel, "İptal");
            break;
        case Buttons::YesNo:
            add(QMessageBox::Yes, "&Evet");
            add(QMessageBox::No, "&Hayır");
            break;
        case Buttons::YesNoCancel:
            add(QMessageBox::Yes, "&Evet");
            add(QMessageBox::No, "&Hayır");
            add(QMessageBox::Cancel, "İptal");
            break;
        }
        box.setDefaultButton(toStandard(defaultButton));
        switch (box.exec()) {
        case QMessageBox::Yes:
            return Answer::Yes;
        case QMessageBox::No:
            return Answer::No;
        case QMessageBox::Cancel:
            return Answer::Cancel;
        default:
            return Answer::Ok;
        }
    }

    QString saveFileName(QWidget* parent, const QString& title, const QString& proposed,
                         const QString& filter) override {
        return QFileDialog::getSaveFileName(parent, title, proposed, filter);
    }

    std::unique_ptr<Progress> progress(QWidget* parent, const QString& name) override {
        return std::make_unique<QtProgress>(parent, name);
    }

private:
    static QMessageBox::StandardButton toStandard(Answer a) {
        switch (a) {
        case Answer::Yes:
            return QMessageBox::Yes;
        case Answer::No:
            return QMessageBox::No;
        case Answer::Cancel:
            return QMessageBox::Cancel;
        case Answer::Ok:
            break;
        }
        return QMessageBox::Ok;
    }
};

Dialogs& qtDialogs() {
    static QtDialogs qt;
    return qt;
}

Dialogs*& current() {
    static Dialogs* d = &qtDialogs();
    return d;
}

} // namespace

Dialogs& dialogs() {
    return *current();
}

void setDialogs(Dialogs* replacement) {
    current() = replacement ? replacement : &qtDialogs();
}

Answer MsgBox(QWidget* parent, const QString& text, Icon icon, Buttons buttons, Answer defaultButton) {
    return dialogs().message(parent, kProgramTitle, text, icon, buttons, defaultButton);
}

} // namespace ui
