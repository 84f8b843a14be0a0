#pragma once

#include <QString>
#include <stdexcept>

// An error raised by CSHFileOp before the shell is reached, with the number callers quote.
class FileOpError : public std::runtime_error {
public:
    static constexpr qint32 kNoSourceFiles = -2147220504; // the user-defined error base + 1000

    FileOpError(qint32 number, const QString& description)
        : std::runtime_error(description.toStdString())
        , number_(number)
        , description_(description) {}

    qint32 number() const { return number_; }
    const QString& description() const { return description_; }

private:
    qint32 number_;
    QString description_;
};
