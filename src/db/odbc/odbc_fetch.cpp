#include "db/odbc/odbc_fetch.h"

#include "app/texts.h"
#include "db/recordset_builder.h"

#include <cstring>
#include <string_view>

#include <algorithm>

namespace mv::odbc {

namespace {

// Keep the bound buffers of one block below this many bytes.
constexpr SQLLEN BlockBufferBytes = 8 * 1024 * 1024;
// Row-by-row reading asks for a stop this often.
constexpr qint64 RowsBetweenStopChecks = 256;

bool isCharacterRead(ValueRead read) {
    return read == ValueRead::Text || read == ValueRead::Decimal || read == ValueRead::BoolText ||
           read == ValueRead::Guid || read == ValueRead::TimeText;
}

void appendTimeText(RecordsetBuilder& builder, int col, const FieldInfo& field, std::string_view text) {
    const QString value = QString::fromUtf8(text.data(), qsizetype(text.size()));
    if (const std::optional<DateTimeValue> t = cell::parseDateTime(value, ado::adDBTime)) {
        builder.appendDateTime(col, *t);
        return;
    }
    // A duration beyond a day (MariaDB allows 838 hours) is no time of day: say so rather than
    // show something else.
    throw DbError(DbError::Kind::Failed,
                  ui_text("Der Wert '%1' der Spalte \"%2\" ist keine Uhrzeit.",
                          "The value '%1' of column \"%2\" is no time of day.")
                      .arg(value, field.name));
}

void appendBoolText(RecordsetBuilder& builder, int col, std::string_view text) {
    const std::optional<bool> value =
        cell::parseBoolean(QString::fromUtf8(text.data(), qsizetype(text.size())));
    if (value)
        builder.appendInt(col, *value ? 1 : 0);
    else
        builder.appendNull(col);
}

// The bound buffers are not aligned for every type: values are copied out.
template <class T>
T readAs(const char* data) {
    T v;
    std::memcpy(&v, data, sizeof v);
    return v;
}

// Appends one value from its C representation at `data`, `length` bytes for variable types.
void appendValue(RecordsetBuilder& builder, int col, const ColumnPlan& plan, const char* data,
                 SQLLEN length) {
    switch (plan.read) {
    case ValueRead::Long:
        builder.appendInt(col, qint64(readAs<SQLINTEGER>(data)));
        return;
    case ValueRead::ULong:
        builder.appendInt(col, qint64(readAs<SQLUINTEGER>(data)));
        return;
    case ValueRead::Integer:
        builder.appendInt(col, qint64(readAs<SQLBIGINT>(data)));
        return;
    case ValueRead::Unsigned:
        builder.appendInt(col, qint64(readAs<SQLUBIGINT>(data)));
        return;
    case ValueRead::Bit:
        builder.appendInt(col, *reinterpret_cast<const unsigned char*>(data) ? 1 : 0);
        return;
    case ValueRead::Single:
        builder.appendReal(col, double(readAs<SQLREAL>(data)));
        return;
    case ValueRead::Double:
        if (plan.field.type == ado::adSingle)
            builder.appendReal(col, double(float(readAs<SQLDOUBLE>(data))));
        else
            builder.appendReal(col, readAs<SQLDOUBLE>(data));
        return;
    case ValueRead::Date: {
        const auto v = readAs<SQL_DATE_STRUCT>(data);
        builder.appendDateTime(col, v.year, v.month, v.day, 0, 0, 0, 0);
        return;
    }
    case ValueRead::Time: {
        const auto v = readAs<SQL_TIME_STRUCT>(data);
        if (auto t = DateTimeValue::fromTimeParts(v.hour, v.minute, v.second))
            builder.appendDateTime(col, *t);
        else
            builder.appendNull(col);
        return;
    }
    case ValueRead::Timestamp: {
        const auto v = readAs<SQL_TIMESTAMP_STRUCT>(data);
        builder.appendDateTime(col, v.year, v.month, v.day, v.hour, v.minute, v.second, quint32(v.fraction));
        return;
    }
    case ValueRead::Decimal:
        builder.appendDecimal(col, std::string_view(data, size_t(length)));
        return;
    case ValueRead::BoolText:
        appendBoolText(builder, col, std::string_view(data, size_t(length)));
        return;
    case ValueRead::TimeText:
        appendTimeText(builder, col, plan.field, std::string_view(data, size_t(length)));
        return;
    case ValueRead::Text:
    case ValueRead::Guid:
        builder.appendText(col, std::string_view(data, size_t(length)));
        return;
    case ValueRead::Binary:
        builder.appendBytes(col, QByteArrayView(data, qsizetype(length)));
        return;
    }
}

// One value by SQLGetData (the row-by-row path and the re-read of a cut value).
void readValue(Statement& statement, RecordsetBuilder& builder, int col, const ColumnPlan& plan) {
    const SQLUSMALLINT number = SQLUSMALLINT(col + 1);
    if (plan.mayTruncate()) {
        const std::optional<QByteArray> bytes = statement.getLong(
            number, plan.cType, plan.read == ValueRead::Text || plan.read == ValueRead::Binary ? 4096 : 256);
        if (!bytes)
            builder.appendNull(col);
        else
            appendValue(builder, col, plan, bytes->constData(), bytes->size());
        return;
    }
    alignas(8) char buffer[sizeof(SQL_TIMESTAMP_STRUCT) + 8] = {};
    SQLLEN indicator = 0;
    const SQLRETURN rc =
        SQLGetData(statement.handle(), number, plan.cType, buffer, sizeof buffer, &indicator);
    check(rc, SQL_HANDLE_STMT, statement.handle(), "SQLGetData", statement.connection().driverName());
    if (rc == SQL_NO_DATA || indicator == SQL_NULL_DATA)
        builder.appendNull(col);
    else
        appendValue(builder, col, plan, buffer, indicator);
}

struct BoundBuffer {
    std::vector<char> data;
    std::vector<SQLLEN> indicators;
};

class BlockReader {
  public:
    BlockReader(Statement& statement, DriverFamily family, std::vector<ColumnPlan> plans, SQLULEN rows)
        : m_statement(statement), m_family(family), m_plans(std::move(plans)), m_rows(rows),
          m_status(rows, SQL_ROW_NOROW) {
        m_statement.setAttr(SQL_ATTR_ROW_BIND_TYPE, SQL_BIND_BY_COLUMN);
        m_statement.setAttr(SQL_ATTR_ROW_ARRAY_SIZE, m_rows);
        m_statement.setAttrPointer(SQL_ATTR_ROWS_FETCHED_PTR, &m_fetched);
        m_statement.setAttrPointer(SQL_ATTR_ROW_STATUS_PTR, m_status.data());
        m_buffers.resize(m_plans.size());
        for (size_t c = 0; c < m_plans.size(); ++c) {
            BoundBuffer& b = m_buffers[c];
            b.data.resize(size_t(m_plans[c].elementBytes) * m_rows);
            b.indicators.resize(m_rows);
            check(SQLBindCol(m_statement.handle(), SQLUSMALLINT(c + 1), m_plans[c].cType, b.data.data(),
                             m_plans[c].elementBytes, b.indicators.data()),
                  SQL_HANDLE_STMT, m_statement.handle(), "SQLBindCol", m_statement.connection().driverName());
        }
    }

    ~BlockReader() {
        // The buffers die with this object: the statement must not keep pointers to them.
        SQLFreeStmt(m_statement.handle(), SQL_UNBIND);
        m_statement.trySetAttr(SQL_ATTR_ROW_ARRAY_SIZE, 1);
        SQLSetStmtAttr(m_statement.handle(), SQL_ATTR_ROWS_FETCHED_PTR, nullptr, 0);
        SQLSetStmtAttr(m_statement.handle(), SQL_ATTR_ROW_STATUS_PTR, nullptr, 0);
    }

    // Fetches the next block and appends up to `room` rows (0: all). False at the end.
    bool next(RecordsetBuilder& builder, qint64 room, qint64& appended) {
        m_fetched = 0;
        const SQLRETURN rc = SQLFetch(m_statement.handle());
        check(rc, SQL_HANDLE_STMT, m_statement.handle(), "SQLFetch", m_statement.connection().driverName());
        if (rc == SQL_NO_DATA) return false;
        m_statement.collectInfo(rc);
        appended = 0;
        for (SQLULEN r = 0; r < m_fetched && r < m_rows; ++r) {
            if (m_status[r] == SQL_ROW_NOROW) continue;
            if (m_status[r] == SQL_ROW_ERROR)
                throw makeError(readDiagnostics(SQL_HANDLE_STMT, m_statement.handle(),
                                                m_statement.connection().driverName()),
                                "SQLFetch");
            appendRow(builder, r);
            builder.endRow();
            ++appended;
            if (room > 0 && appended >= room) break;
        }
        return true;
    }

  private:
    void appendRow(RecordsetBuilder& builder, SQLULEN r) {
        for (size_t c = 0; c < m_plans.size(); ++c) {
            const ColumnPlan& plan = m_plans[c];
            const BoundBuffer& b = m_buffers[c];
            const SQLLEN indicator = b.indicators[r];
            const int col = int(c);
            if (indicator == SQL_NULL_DATA) {
                builder.appendNull(col);
                continue;
            }
            const SQLLEN room = plan.elementBytes - (isCharacterRead(plan.read) ? 1 : 0);
            if (plan.mayTruncate() && (indicator == SQL_NO_TOTAL || indicator > room)) {
                reread(builder, r, col);
                continue;
            }
            appendValue(builder, col, plan, b.data.data() + size_t(plan.elementBytes) * r, indicator);
        }
    }

    // A value longer than its buffer: position on its row and read it whole.
    void reread(RecordsetBuilder& builder, SQLULEN r, int col) {
        if (m_family != DriverFamily::PostgreSQL)
            throw DbError(DbError::Kind::Failed,
                          ui_text("Ein Wert der Spalte \"%1\" ist länger, als der Treiber angibt; "
                                  "er wurde nicht gekürzt übernommen.",
                                  "A value of column \"%1\" is longer than the driver declares; it was not "
                                  "taken cut short.")
                              .arg(m_plans[size_t(col)].field.name));
        check(SQLSetPos(m_statement.handle(), SQLSETPOSIROW(r + 1), SQL_POSITION, SQL_LOCK_NO_CHANGE),
              SQL_HANDLE_STMT, m_statement.handle(), "SQLSetPos", m_statement.connection().driverName());
        readValue(m_statement, builder, col, m_plans[size_t(col)]);
    }

    Statement& m_statement;
    DriverFamily m_family;
    std::vector<ColumnPlan> m_plans;
    SQLULEN m_rows;
    SQLULEN m_fetched = 0;
    std::vector<SQLUSMALLINT> m_status;
    std::vector<BoundBuffer> m_buffers;
};

SQLULEN blockRows(const std::vector<ColumnPlan>& plans, qint64 maxRecords) {
    SQLLEN rowBytes = 0;
    for (const ColumnPlan& p : plans)
        rowBytes += p.elementBytes + SQLLEN(sizeof(SQLLEN));
    SQLULEN rows = SQLULEN(
        std::clamp<SQLLEN>(BlockBufferBytes / std::max<SQLLEN>(rowBytes, 1), 16, SQLLEN(MaxBlockRows)));
    if (maxRecords > 0 && SQLULEN(maxRecords) < rows) rows = SQLULEN(maxRecords);
    return rows;
}

} // namespace

FetchOutcome fetchResult(Statement& statement, DriverFamily family, qint64 maxRecords,
                         const std::function<bool()>& stopRequested, RowBlockSink* blocks) {
    std::vector<ColumnPlan> plans;
    QList<FieldInfo> fields;
    bool allBound = true;
    for (const ColumnDescription& column : statement.describeAll()) {
        plans.push_back(planColumn(column, family));
        fields.push_back(plans.back().field);
        allBound = allBound && plans.back().bound();
    }
    // MDBTools refuses row arrays (the driver manager reports HY092): its rows come one by one.
    if (family == DriverFamily::MDBTools) allBound = false;
    RecordsetBuilder builder(fields);
    builder.streamTo(blocks);
    FetchOutcome outcome;
    qint64 total = 0;
    auto stopNow = [&] { return stopRequested && stopRequested(); };
    auto finishWith = [&](FetchEnd end) {
        if (end != FetchEnd::Complete) statement.closeCursor();
        // A stopped result is not complete: its rest is no last block.
        if (end == FetchEnd::Stopped) builder.streamTo(nullptr);
        outcome.end = end;
        outcome.rows = builder.finish();
        return std::move(outcome);
    };

    if (allBound && !plans.empty()) {
        BlockReader reader(statement, family, plans, blockRows(plans, maxRecords));
        for (;;) {
            if (stopNow()) return finishWith(FetchEnd::Stopped);
            qint64 appended = 0;
            const qint64 room = maxRecords > 0 ? maxRecords - total : 0;
            if (!reader.next(builder, room, appended)) break;
            total += appended;
            if (maxRecords > 0 && total >= maxRecords) return finishWith(FetchEnd::LimitReached);
        }
        return finishWith(FetchEnd::Complete);
    }

    for (;;) {
        if (total % RowsBetweenStopChecks == 0 && stopNow()) return finishWith(FetchEnd::Stopped);
        if (maxRecords > 0 && total >= maxRecords) return finishWith(FetchEnd::LimitReached);
        const SQLRETURN rc = SQLFetch(statement.handle());
        check(rc, SQL_HANDLE_STMT, statement.handle(), "SQLFetch", statement.connection().driverName());
        if (rc == SQL_NO_DATA) break;
        statement.collectInfo(rc);
        for (int c = 0; c < int(plans.size()); ++c)
            readValue(statement, builder, c, plans[size_t(c)]);
        builder.endRow();
        ++total;
    }
    return finishWith(FetchEnd::Complete);
}

} // namespace mv::odbc
