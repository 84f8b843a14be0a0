#pragma once

#include "Asker.h"

class QWidget;

namespace shell {

// Asks in Turkish through the program's message boxes, so tests answer them from a script.
class DialogsAsker : public Asker {
public:
    explicit DialogsAsker(QWidget* parent)
        : parent_(parent) {}

    Reply replaceFile(const QString& target) override;
    bool makeFolder(const QString& folder) override;
    bool deleteFiles(const QString& what, int count, bool toTrash) override;
    void failed(const QString& text) override;

private:
    QWidget* parent_;
};

} // namespace shell
