#pragma once

#include <QLockFile>
#include <QObject>

class QLocalServer;

// One copy of the program per program directory: two copies on the same files would each keep
// their own view of the customers and race each other's saves. The first start holds a lock file
// in the directory and listens; a later start asks it to come to the front and ends. A lock left
// by a copy that crashed is recognised as stale.
class SingleInstance : public QObject {
    Q_OBJECT

public:
    enum class Start { First, AskedToShow, AlreadyRunning };

    explicit SingleInstance(const QString& directory, QObject* parent = nullptr);
    ~SingleInstance() override;

    Start start();

Q_SIGNALS:
    void showRequested();

private:
    QString serverName_;
    QLockFile lock_;
    QLocalServer* server_ = nullptr;
};
