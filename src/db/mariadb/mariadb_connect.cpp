#include "db/mariadb/mariadb_connect.h"

#include "app/texts.h"
#include "db/connection_string.h"

#include <errmsg.h>
#include <mysql.h>

#include <mutex>

namespace mv::mariadb {

namespace {

bool isTrue(const QString& value) {
    const QString v = value.trimmed().toLower();
    return v == QLatin1String("1") || v == QLatin1String("yes") || v == QLatin1String("true") ||
           v == QLatin1String("on");
}

// The driver's TLSVERSION is a bit set (1: TLS 1.1, 2: TLS 1.2, 4: TLS 1.3) or already a list of names.
QByteArray tlsVersions(const QString& value) {
    bool number = false;
    const uint bits = value.trimmed().toUInt(&number);
    if (!number) return value.trimmed().toUtf8();
    QByteArrayList names;
    if (bits & 1) names << "TLSv1.1";
    if (bits & 2) names << "TLSv1.2";
    if (bits & 4) names << "TLSv1.3";
    return names.join(',');
}

// The driver's OPTION bits this engine honours.
constexpr quint64 OptionFoundRows = 2;
constexpr quint64 OptionMultiStatements = 67108864;

void setText(MYSQL* m, mysql_option option, const QByteArray& value) {
    if (!value.isEmpty()) mysql_optionsv(m, option, value.constData());
}

} // namespace

std::optional<ServerAddress> serverAddress(const QString& connectionString, QString* error) {
    const std::optional<ConnectionKeys> keys = parseConnectionKeys(connectionString, error);
    if (!keys) return std::nullopt;
    auto value = [&](std::initializer_list<const char*> names) {
        for (const char* n : names)
            if (const auto v = keys->find(QLatin1String(n)); v && !v->trimmed().isEmpty()) return v->trimmed();
        return QString();
    };
    auto seconds = [&](std::initializer_list<const char*> names, unsigned int fallback) {
        bool ok = false;
        const uint v = value(names).toUInt(&ok);
        return ok ? v : fallback;
    };
    ServerAddress a;
    a.host = value({"Server", "Host", "Servername"}).toUtf8();
    a.port = value({"Port"}).toUInt();
    a.socket = value({"Socket"}).toUtf8();
    a.database = value({"Database", "DB"}).toUtf8();
    a.user = value({"Uid", "User", "UserName"}).toUtf8();
    // A password may begin or end with blanks: taken as written.
    for (const char* n : {"Pwd", "Password"})
        if (const auto v = keys->find(QLatin1String(n)); v && !v->isEmpty()) {
            a.password = v->toUtf8();
            break;
        }
    a.connectTimeout = seconds({"Conn_Timeout", "ConnectTimeout", "LoginTimeout"}, 15);
    a.readTimeout = seconds({"Read_Timeout", "ReadTimeout"}, 0);
    a.writeTimeout = seconds({"Write_Timeout", "WriteTimeout"}, 0);
    a.initStatement = value({"InitStmt"}).toUtf8();
    a.sslKey = value({"SSLKey", "SSL_Key"}).toUtf8();
    a.sslCert = value({"SSLCert", "SSL_Cert"}).toUtf8();
    a.sslCa = value({"SSLCA", "SSL_CA"}).toUtf8();
    a.sslCaPath = value({"SSLCAPath", "SSL_CAPath"}).toUtf8();
    a.sslCipher = value({"SSLCipher", "SSL_Cipher"}).toUtf8();
    a.sslCrl = value({"SSLCRL"}).toUtf8();
    a.sslCrlPath = value({"SSLCRLPath"}).toUtf8();
    a.tlsVersion = tlsVersions(value({"TLSVersion"}));
    a.tlsPeerFingerprint = value({"TLSPeerFP"}).toUtf8();
    a.sslVerify = isTrue(value({"SSLVerify", "SSL_Verify"}));
    a.sslEnforce = isTrue(value({"ForceTLS"}));
    // The MySQL driver's SSLMODE: REQUIRED and the VERIFY modes insist on TLS.
    const QString mode = value({"SSLMode", "SSL_Mode"}).toUpper();
    if (mode == QLatin1String("REQUIRED") || mode.startsWith(QLatin1String("VERIFY"))) a.sslEnforce = true;
    if (mode == QLatin1String("VERIFY_IDENTITY")) a.sslVerify = true;
    if (a.sslVerify) a.sslEnforce = true;
    const quint64 options = value({"Option", "Options"}).toULongLong();
    a.foundRows = options & OptionFoundRows;
    a.multiStatements = options & OptionMultiStatements;
    return a;
}

MYSQL* connectTo(const ServerAddress& a) {
    // The library sets itself up on first use, which is not safe from two threads at once.
    static std::once_flag initialised;
    std::call_once(initialised, [] { mysql_library_init(0, nullptr, nullptr); });
    MYSQL* m = mysql_init(nullptr);
    if (!m)
        throw DbError(DbError::Kind::Failed, ui_text("Zu wenig Speicher für die Verbindung.", "Out of memory for the connection."));
    mysql_optionsv(m, MYSQL_SET_CHARSET_NAME, "utf8mb4");
    mysql_optionsv(m, MYSQL_OPT_CONNECT_TIMEOUT, &a.connectTimeout);
    if (a.readTimeout > 0) mysql_optionsv(m, MYSQL_OPT_READ_TIMEOUT, &a.readTimeout);
    if (a.writeTimeout > 0) mysql_optionsv(m, MYSQL_OPT_WRITE_TIMEOUT, &a.writeTimeout);
    setText(m, MYSQL_INIT_COMMAND, a.initStatement);
    setText(m, MYSQL_OPT_SSL_KEY, a.sslKey);
    setText(m, MYSQL_OPT_SSL_CERT, a.sslCert);
    setText(m, MYSQL_OPT_SSL_CA, a.sslCa);
    setText(m, MYSQL_OPT_SSL_CAPATH, a.sslCaPath);
    setText(m, MYSQL_OPT_SSL_CIPHER, a.sslCipher);
    setText(m, MYSQL_OPT_SSL_CRL, a.sslCrl);
    setText(m, MYSQL_OPT_SSL_CRLPATH, a.sslCrlPath);
    setText(m, MARIADB_OPT_TLS_VERSION, a.tlsVersion);
    setText(m, MARIADB_OPT_TLS_PEER_FP, a.tlsPeerFingerprint);
    const my_bool verify = a.sslVerify ? 1 : 0;
    mysql_optionsv(m, MYSQL_OPT_SSL_VERIFY_SERVER_CERT, &verify);
    if (a.sslEnforce) {
        const my_bool enforce = 1;
        mysql_optionsv(m, MYSQL_OPT_SSL_ENFORCE, &enforce);
    }
    // A lost connection is reported, never silently replaced (a transaction would be lost with it).
    const my_bool reconnect = 0;
    mysql_optionsv(m, MYSQL_OPT_RECONNECT, &reconnect);

    unsigned long flags = CLIENT_MULTI_RESULTS;
    if (a.foundRows) flags |= CLIENT_FOUND_ROWS;
    if (a.multiStatements) flags |= CLIENT_MULTI_STATEMENTS;
    auto text = [](const QByteArray& v) { return v.isEmpty() ? nullptr : v.constData(); };
    if (!mysql_real_connect(m, text(a.host), text(a.user), a.password.isNull() ? nullptr : a.password.constData(),
                            text(a.database), a.port, text(a.socket), flags)) {
        const DbError e = failureOf(m);
        mysql_close(m);
        throw e;
    }
    return m;
}

DbDiagnostic diagnosticOf(MYSQL* m) {
    DbDiagnostic d;
    const unsigned int code = mysql_errno(m);
    d.nativeError = long(code);
    d.sqlState = QString::fromLatin1(mysql_sqlstate(m));
    if (code == CR_SERVER_GONE_ERROR || code == CR_SERVER_LOST || code == CR_SERVER_LOST_EXTENDED ||
        code == CR_CONNECTION_ERROR || code == CR_CONN_HOST_ERROR)
        d.sqlState = QStringLiteral("08S01");
    d.source = QStringLiteral("[MariaDB]");
    d.message = d.source + QString::fromUtf8(mysql_error(m)).trimmed();
    return d;
}

DbError failureOf(MYSQL* m) {
    const DbDiagnostic d = diagnosticOf(m);
    return DbError(DbError::Kind::Failed, d.message, {d});
}

} // namespace mv::mariadb
