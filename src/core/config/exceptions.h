#pragma once
#include <QString>
#include <exception>

// The program's exception: a message text meant for the operator. Workflows
// raise it plainly; subsystems derive their own kinds (ESqliteException, ...).
class Exception : public std::exception {
public:
    explicit Exception(QString message) : fMessage(std::move(message)), fUtf8(fMessage.toUtf8()) {}
    const QString &Message() const { return fMessage; }
    const char *what() const noexcept override { return fUtf8.constData(); }

private:
    QString fMessage;
    QByteArray fUtf8;
};
