#include "frmKaydaGit.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

frmKaydaGit::frmKaydaGit(QWidget* owner, Go go)
    : QWidget(owner, Qt::Window)
    , text_(new QLineEdit(this))
    , note_(new QLabel(this))
    , go_(std::move(go)) {
    setObjectName(QStringLiteral("frmKaydaGit"));
    setWindowTitle(QStringLiteral("Kayda Git"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::ApplicationModal);

    auto* prompt = new QLabel(QStringLiteral("Kayıt kodu ya da seri no:"), this);
    text_->setObjectName(QStringLiteral("KaydaGitMetin"));
    text_->setMaxLength(50);
    prompt->setBuddy(text_);
    note_->setObjectName(QStringLiteral("KaydaGitNot"));
    note_->setTextFormat(Qt::PlainText);
    note_->setWordWrap(true);
    // Room for the longest answer, so that the window never has to grow under the user's eyes.
    note_->setMinimumHeight(note_->fontMetrics().lineSpacing() * 4);
    note_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    connect(text_, &QLineEdit::returnPressed, this, &frmKaydaGit::go);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(prompt);
    layout->addWidget(text_);
    layout->addWidget(note_);
    resize(420, sizeHint().height());
    text_->setFocus();
}

void frmKaydaGit::go() {
    if (text_->text().trimmed().isEmpty())
        return;
    const QString problem = go_(text_->text());
    if (problem.isEmpty()) {
        close();
        return;
    }
    note_->setText(problem);
    text_->selectAll();
    text_->setFocus();
}

void frmKaydaGit::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(e);
}
