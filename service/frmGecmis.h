#pragma once

#include "History.h"

#include <QWidget>
#include <functional>

class QLabel;
class QTableWidget;

// "Cihaz Geçmişi" / "Müşteri Geçmişi": the records of one device or customer, newest first.
// Enter or a double click on a row asks the owner to show that record; the owner may refuse and
// say why, and the list then stays.
class frmGecmis : public QWidget {
    Q_OBJECT

public:
    // Shows the record of that key in the owner; empty when shown, otherwise why not.
    using Jump = std::function<QString(qint64 id)>;

    frmGecmis(QWidget* owner, history::Kind kind, const QString& text, const QVector<history::Entry>& entries,
              Jump jump);

    // A line under the list: why a row cannot be shown now, or that there is none.
    void setNote(const QString& note);

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    void showRow(int row);

    QTableWidget* list_;
    QLabel* note_;
    Jump jump_;
};
