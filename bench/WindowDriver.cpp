#include "WindowDriver.h"

#include "Report.h"

#include <QAbstractButton>
#include <QAbstractEventDispatcher>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QListView>
#include <QTableView>
#include <QTest>
#include <QTimer>

std::unique_ptr<frmServis> loadWindow() {
    auto window = std::make_unique<frmServis>();
    require(window->Form_Load(), QStringLiteral("the service window did not load"));
    return window;
}

// One pass is not enough: the repaint request is a low-priority event that a reaction posts
// during the pass, so passes go on until one finds nothing to do (bounded, against a source that
// never rests).
void settle() {
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    for (int pass = 0; pass < 100 && dispatcher->processEvents(QEventLoop::AllEvents); ++pass) {
    }
}

WindowDriver::WindowDriver(std::unique_ptr<frmServis> loaded)
    : window_(std::move(loaded)) {
    // Window shortcuts (F1, F3) and keyboard focus need the active window.
    window_->activateWindow();
    require(QTest::qWaitForWindowActive(window_.get()),
            QStringLiteral("the service window did not become active"));
    // A minute after it starts with no backup there yet, the program takes one by itself; it would
    // run beside whichever line is being measured then. The backup lines start theirs themselves.
    child<QTimer>(QStringLiteral("OtomatikYedekSaati"))->stop();
    settle();
}

WindowDriver::~WindowDriver() {
    window_.reset();
    settle();
}

void WindowDriver::missing(const QString& name) {
    throw std::runtime_error("the service window has no " + name.toStdString());
}

void WindowDriver::click(const QString& name) const {
    QTest::mouseClick(child<QAbstractButton>(name), Qt::LeftButton);
}

void WindowDriver::type(QWidget* target, const QString& text) const {
    target->setFocus();
    for (QChar c : text)
        QTest::sendKeyEvent(QTest::Click, target, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

void WindowDriver::chooseField(int index) const {
    auto* combo = child<QComboBox>(QStringLiteral("Combo1"));
    combo->setCurrentIndex(index);
    Q_EMIT combo->activated(index);
}

void WindowDriver::setListPanel(bool shown) const {
    auto* liste = child<QCheckBox>(QStringLiteral("Liste"));
    if (liste->isChecked() != shown)
        QTest::mouseClick(liste, Qt::LeftButton);
    settle();
}

void WindowDriver::pickFromList(int row) const {
    auto* list = child<QListView>(QStringLiteral("DBList1"));
    const QModelIndex index = list->model()->index(row, 0);
    list->scrollTo(index);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(index).center());
}

void WindowDriver::setFilterText(const QString& text) const {
    QLineEdit* edit = child<QComboBox>(QStringLiteral("DBCombo1"))->lineEdit();
    edit->clear();
    type(edit, text);
}

bool WindowDriver::filterOn() const {
    return child<QCheckBox>(QStringLiteral("Check1"))->isChecked();
}

QString WindowDriver::code() const {
    return child<QLineEdit>(QStringLiteral("MaskEdBox1"))->displayText();
}

QString WindowDriver::title() const {
    return window_->text1(0);
}

int WindowDriver::gridRows() const {
    return child<QTableView>(QStringLiteral("DBGrid1"))->model()->rowCount();
}
