// GLib names a struct member "signals", which Qt defines as a keyword: GLib comes first.
#pragma push_macro("signals")
#undef signals
#include <libsecret/secret.h>
#pragma pop_macro("signals")

#include "db/secret_password_store.h"

#include <QByteArray>

namespace mv {
namespace {

const SecretSchema* schema() {
    static const SecretSchema s = {"org.morvenda.Morvenda.Password",
                                   SECRET_SCHEMA_NONE,
                                   {{"connection", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                    {"user", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                    {nullptr, SECRET_SCHEMA_ATTRIBUTE_STRING}},
                                   0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr};
    return &s;
}

// Frees a GError however the call ends.
struct ErrorSlot {
    GError* error = nullptr;
    ~ErrorSlot() {
        if (error) g_error_free(error);
    }
    bool failed() const { return error != nullptr; }
};

} // namespace

bool SecretPasswordStore::available() {
    if (!m_available) {
        ErrorSlot e;
        SecretService* service = secret_service_get_sync(SECRET_SERVICE_LOAD_COLLECTIONS, nullptr, &e.error);
        m_available = service && !e.failed();
        if (service) g_object_unref(service);
    }
    return *m_available;
}

std::optional<QString> SecretPasswordStore::find(const QString& connection, const QString& user) {
    if (!available()) return std::nullopt;
    const QByteArray c = connection.toUtf8(), u = user.toUtf8();
    ErrorSlot e;
    gchar* password = secret_password_lookup_sync(schema(), nullptr, &e.error, "connection", c.constData(), "user",
                                                  u.constData(), nullptr);
    if (!password) return std::nullopt;
    const QString result = QString::fromUtf8(password);
    secret_password_free(password);
    return result;
}

bool SecretPasswordStore::store(const QString& connection, const QString& user, const QString& password) {
    if (!available()) return false;
    const QByteArray c = connection.toUtf8(), u = user.toUtf8(), p = password.toUtf8();
    const QByteArray label = QStringLiteral("Morvenda: %1 (%2)").arg(user, connection).toUtf8();
    ErrorSlot e;
    const gboolean ok = secret_password_store_sync(schema(), SECRET_COLLECTION_DEFAULT, label.constData(), p.constData(),
                                                   nullptr, &e.error, "connection", c.constData(), "user",
                                                   u.constData(), nullptr);
    return ok && !e.failed();
}

bool SecretPasswordStore::remove(const QString& connection, const QString& user) {
    if (!available()) return true;
    const QByteArray c = connection.toUtf8(), u = user.toUtf8();
    ErrorSlot e;
    secret_password_clear_sync(schema(), nullptr, &e.error, "connection", c.constData(), "user", u.constData(),
                               nullptr);
    return !e.failed();
}

} // namespace mv
