#include "db/db_access.h"
#include "app/texts.h"

namespace mv {

QString cancelledByUserText() {
    return ui_text("Der Vorgang wurde vom Benutzer abgebrochen.", "The operation was cancelled by the user.");
}

QString queryTimedOutText() {
    return ui_text("Zeitüberschreitung der Abfrage.", "Query timeout expired.");
}

DbError::DbError(Kind kind, const QString& description, std::vector<DbDiagnostic> diagnostics)
    : MvError(numberOf(kind), description), m_kind(kind), m_diagnostics(std::move(diagnostics)) {}

long DbError::numberOf(Kind kind) {
    switch (kind) {
    case Kind::NotSupported:
        return err::NotSupportedByProvider;
    case Kind::Cancelled:
        return dberr::Cancelled;
    case Kind::TimedOut:
        return dberr::TimedOut;
    case Kind::NotOpen:
        return dberr::NotOpen;
    case Kind::Failed:
        break;
    }
    return dberr::ProviderError;
}

bool DbError::connectionBroken() const {
    for (const DbDiagnostic& d : m_diagnostics) {
        // Class 08: connection exceptions. MariaDB reports a lost server as HY000 with 2006 / 2013.
        if (d.sqlState.startsWith(QLatin1String("08"))) return true;
        // PostgreSQL: the server ended the session (administrator, crash, idle transaction time-out).
        for (const char* state : {"57P01", "57P02", "25P03"})
            if (d.sqlState == QLatin1String(state)) return true;
        if (d.nativeError == 2006 || d.nativeError == 2013 || d.nativeError == 2055) return true;
        // MariaDB: the session was killed (KILL CONNECTION).
        if (d.nativeError == 1927) return true;
    }
    return false;
}

} // namespace mv
