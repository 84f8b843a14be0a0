#include "Dialogs.h"

#include "ProgressWindow.h"

#include <QFileDialog>
#include <QGridLayout>
#include <QMessageBox>
#include <QPushButton>

namespace ui {

namespace {

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
        case Buttons::YesYesToAllNoCancel:
            add(QMessageBox::Yes, "&Evet");
            add(QMessageBox::YesToAll, "&Tümüne Evet");
            add(QMessageBox::No, "&Hayır");
            add(QMessageBox::Cancel, "Vazgeç");
            break;
        }
        box.setDefaultButton(toStandard(defaultButton));
        keepTitleWhole(box, title);
        switch (box.exec()) {
        case QMessageBox::Yes:
            return Answer::Yes;
        case QMessageBox::YesToAll:
            return Answer::YesToAll;
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

    QString fileName(QWidget* parent, const FileDialog& d) override {
        const QString start = d.fileName.isEmpty() ? d.initDir : QDir(d.initDir).filePath(d.fileName);
        // Replacing a file is asked by whoever writes it, in its own words: one question, not two.
        if (d.mode == FileDialog::Mode::Save)
            return QFileDialog::getSaveFileName(parent, d.title, start, qtFilter(d.filter), nullptr,
                                                QFileDialog::DontConfirmOverwrite);
        return QFileDialog::getOpenFileName(parent, d.title, start, qtFilter(d.filter));
    }

    std::unique_ptr<Progress> progress(QWidget* parent, const QString& title) override {
        return std::make_unique<ProgressWindow>(parent, title);
    }

private:
    // A short text makes a box narrower than its title, which the window manager then cuts; a
    // spacer as wide as the title with room for the frame's buttons keeps it whole.
    static void keepTitleWhole(QMessageBox& box, const QString& title) {
        auto* grid = qobject_cast<QGridLayout*>(box.layout());
        if (!grid)
            return;
        QFont font = box.font();
        font.setBold(true);
        const int width = QFontMetrics(font).horizontalAdvance(title) + kFrameButtons;
        grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed), grid->rowCount(),
                      0, 1, grid->columnCount());
    }

    // The window icon, the minimise and close buttons and the frame's margins.
    static constexpr int kFrameButtons = 140;

    // "Veri Dosyaları|*.mdb" becomes "Veri Dosyaları (*.mdb)"; several pairs are joined by ";;".
    static QString qtFilter(const QString& filter) {
        const QStringList parts = filter.split(u'|');
        QStringList out;
        for (int i = 0; i + 1 < parts.size(); i += 2)
            out << QStringLiteral("%1 (%2)").arg(parts[i], QString(parts[i + 1]).replace(u';', u' '));
        return out.join(QStringLiteral(";;"));
    }

    static QMessageBox::StandardButton toStandard(Answer a) {
        switch (a) {
        case Answer::Yes:
            return QMessageBox::Yes;
        case Answer::YesToAll:
            return QMessageBox::YesToAll;
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
