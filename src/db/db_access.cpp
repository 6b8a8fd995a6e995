#include "db/db_access.h"

namespace mv {

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
        if (d.nativeError == 2006 || d.nativeError == 2013) return true;
    }
    return false;
}

} // namespace mv
