#pragma once
#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <functional>
#include <optional>

class TDM;

// One operator action on a controller, as the register keeps it.
struct TActionRecord {
    qint64 Id = 0;
    QDateTime When;  // UTC
    QString Source;  // "window" or "cli"
    QString User;    // the operating-system user
    QString Port;
    QString Serial;  // the controller's serial number; empty when it was not known
    QString Board;
    QString Firmware;
    QString Action;  // see THistoryRegister's action names
    QString Options;
    QString Outcome; // "done", or the error text
    bool HasConfig = false;
    QByteArray Config; // settings-file text of an upload or a download (read only by Action(id))
};

// The register of actions in the library database. Its tables are made with
// the library, or in an older file on its first write, next to the library's
// own four tables, which it never alters; a database without the library's
// tables is refused rather than written to. Its text is kept exactly (UTF-8).
// Reads of a database that has no register yet find nothing.
class THistoryRegister {
public:
    explicit THistoryRegister(TDM &dm);

    static constexpr const char *Identify = "identify";
    static constexpr const char *Upload = "upload";
    static constexpr const char *Download = "download";
    static constexpr const char *Override = "override";
    static constexpr const char *Events = "events";

    // Creates the register's tables where they are missing; called inside the
    // write transaction that needs them.
    void EnsureTables();
    // Adds the action (its Id is ignored) and returns its id.
    qint64 Add(const TActionRecord &action);
    // Replaces the outcome of a recorded action: what failed after it was written.
    void SetOutcome(qint64 id, const QString &outcome);
    // Actions oldest first, of one controller when serial is not empty, from
    // since on when it is valid; without their configuration text.
    QList<TActionRecord> Actions(const QString &serial = {}, const QDateTime &since = {}) const;
    // The same actions handed to take one at a time, as they are read, so
    // that a long history is never held whole.
    void ForEachAction(const QString &serial, const QDateTime &since,
                       const std::function<void(const TActionRecord &)> &take) const;
    // At most limit actions, newest first, of one controller when serial is
    // not empty, older than the action beforeId (0: from the newest); without
    // their configuration text. For lists that fetch as they scroll.
    QList<TActionRecord> Page(const QString &serial, qint64 beforeId, int limit) const;
    // The serial numbers of the controllers the register has actions of.
    QStringList Controllers() const;
    // One action with its configuration text.
    std::optional<TActionRecord> Action(qint64 id) const;

    bool Exists() const;

private:
    TDM &fDM;
};

// Raises refusal, naming the database, unless it holds the library's own
// tables: the register and the fleet are kept only beside them.
void RequireLibraryTables(TDM &dm, const char *refusal);
