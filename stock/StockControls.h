#pragma once

#include "ui/Twips.h"

#include <QApplication>
#include <QLineEdit>

// Small construction helpers the two stock windows share.
namespace stockui {

template <typename W> W* place(W* w, int left, int top, int width, int height, const QString& name) {
    w->setGeometry(ui::twipsRect(left, top, width, height));
    w->setObjectName(name);
    return w;
}

// A placeholder is written in grey (128, 128, 128); typed text in the window text colour.
inline void setGrey(QLineEdit* box, bool grey) {
    QPalette p = box->palette();
    p.setColor(QPalette::Text, grey ? QColor(128, 128, 128) : QApplication::palette().color(QPalette::Text));
    box->setPalette(p);
}

} // namespace stockui
