#include "Guard.h"

#include "Dialogs.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcHandler, "kts.handler")

namespace ui {

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
