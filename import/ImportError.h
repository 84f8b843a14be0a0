#pragma once

#include <QString>
#include <stdexcept>

namespace jet {

// A conversion that cannot go on; the text is the Turkish sentence shown to the user.
class ImportError : public std::runtime_error {
public:
    explicit ImportError(const QString& text, bool cancelled = false)
        : std::runtime_error(text.toStdString())
        , text_(text)
        , cancelled_(cancelled) {}

    const QString& text() const { return text_; }
    bool cancelled() const { return cancelled_; } // the user stopped it ("Vazgeç")

private:
    QString text_;
    bool cancelled_;
};

} // namespace jet
