#include "ProgramStyle.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLibraryInfo>
#include <QLocale>
#include <QMouseEvent>
#include <QProxyStyle>
#include <QPushButton>
#include <QStyleFactory>
#include <QTranslator>

namespace {

// Watches one push button: when it is shown or enabled under the pointer, the clicks of the
// next double-click interval are not its.
class AppearGuard : public QObject {
public:
    explicit AppearGuard(QPushButton* button)
        : QObject(button)
        , button_(button) {}

    bool eventFilter(QObject*, QEvent* e) override {
        switch (e->type()) {
        case QEvent::Show:
        case QEvent::EnabledChange:
            if (button_->isVisible() && button_->isEnabled() &&
                button_->rect().contains(button_->mapFromGlobal(QCursor::pos())))
                appeared_.start();
            else
                appeared_.invalidate();
            return false;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseButtonRelease:
            return appeared_.isValid() && appeared_.elapsed() < QApplication::doubleClickInterval();
        default:
            return false;
        }
    }

private:
    QPushButton* button_;
    QElapsedTimer appeared_;
};

class ProgramStyle : public QProxyStyle {
public:
    ProgramStyle()
        : QProxyStyle(QStyleFactory::create(QStringLiteral("Windows"))) {}

    void polish(QWidget* widget) override {
        QProxyStyle::polish(widget);
        auto* button = qobject_cast<QPushButton*>(widget);
        if (!button || button->property(kGuarded).toBool())
            return;
        button->setProperty(kGuarded, true);
        // A push button clicks on Enter only when it is an automatic default.
        button->setAutoDefault(true);
        button->installEventFilter(new AppearGuard(button));
    }

    using QProxyStyle::polish;

private:
    static constexpr const char* kGuarded = "ktsGuarded";
};

void useTurkish() {
    QLocale::setDefault(QLocale(QLocale::Turkish, QLocale::Turkey));
    static QTranslator qt;
    if (qt.load(QLocale(QLocale::Turkish, QLocale::Turkey), QStringLiteral("qtbase"), QStringLiteral("_"),
                QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&qt);
}

} // namespace

void applyProgramStyle() {
    QApplication::setStyle(new ProgramStyle);
    useTurkish();
}
