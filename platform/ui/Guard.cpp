#include "Guard.h"

#include "Dialogs.h"

#include <QApplication>
#include <QLoggingCategory>
#include <QWidget>

Q_LOGGING_CATEGORY(lcHandler, "kts.handler")

namespace ui {

void SwitchedOn::take() {
    const QWidgetList all = QApplication::allWidgets();
    widgets_.reserve(all.size());
    for (QWidget* w : all) {
        if (!w->testAttribute(Qt::WA_ForceDisabled))
            widgets_.append(w);
    }
}

void SwitchedOn::restore() const noexcept {
    try {
        for (const QPointer<QWidget>& w : widgets_) {
            if (w && w->testAttribute(Qt::WA_ForceDisabled))
                w->setEnabled(true);
        }
    } catch (...) {
        // Out of memory again: what could be switched on is.
    }
}

void reportFailure(QWidget* parent, const std::exception& e) {
    const QString reason = QString::fromUtf8(e.what());
    qCWarning(lcHandler) << "handler failed:" << reason;
    try {
        MsgBox(parent, QStringLiteral("İşlem yapılamadı.\n\n%1").arg(reason), Icon::Critical);
    } catch (...) {
        // Nothing more can be told; the handler still ends normally.
    }
}

} // namespace ui
