#pragma once
#include <QObject>
#include <QString>
#include <QStringList>

class QLocalServer;
class QLocalSocket;

// One window per library: a start that is given settings files while a
// window already has the library open hands the files to that window and
// ends. The window listens on a local socket named after its library in the
// user's private runtime folder; only the holder of the library's lock
// listens there.
class TWindowHandover : public QObject {
    Q_OBJECT
public:
    // The window's side. The caller holds the library's lock (TLibraryLock),
    // so a socket already there was left by a window that ended and is
    // replaced. Listening() tells whether it worked; a window that cannot
    // listen still runs, it only takes no files from other starts.
    explicit TWindowHandover(const QString &dbFileName, QObject *parent = nullptr);
    ~TWindowHandover() override;
    bool Listening() const;

    // The second start's side: hands files (made absolute against the
    // current folder) to the window that has dbFileName open, and returns
    // once that window has taken them. False when no window takes them:
    // none holds the library, or the one that does (still starting, or one
    // that takes no files) did not answer before the deadline.
    static bool HandOver(const QString &dbFileName, const QStringList &files, int timeoutMs = 10000);

    // The socket of the window on dbFileName.
    static QString ServerName(const QString &dbFileName);

Q_SIGNALS:
    // Absolute names, in the order the other start was given them.
    void FilesHanded(const QStringList &files);

private:
    void Receive(QLocalSocket &socket, QStringList &files);

    QLocalServer *fServer;
};
