#include "db/password_store.h"

#include "db/connection_string.h"

#include <QStringList>

namespace mv {
namespace {

class NoKeyring final : public PasswordStore {
public:
    bool available() override { return false; }
    std::optional<QString> find(const QString&, const QString&) override { return std::nullopt; }
    bool store(const QString&, const QString&, const QString&) override { return false; }
    bool remove(const QString&, const QString&) override { return true; }
};

PasswordStore* g_store = nullptr;

bool isLoginKey(const QString& key) {
    static const QStringList keys = {"uid", "user", "username", "user id", "pwd", "password"};
    return keys.contains(key.trimmed().toLower());
}

} // namespace

PasswordStore& passwordStore() {
    static NoKeyring none;
    return g_store ? *g_store : none;
}

void setPasswordStore(PasswordStore* store) { g_store = store; }

QString passwordConnectionKey(const QString& connectionString) {
    QStringList parts;
    for (const ConnectionPart& part : splitConnectionString(connectionString)) {
        if (isLoginKey(part.key)) continue;
        parts << part.trimmedKey().toLower() + u'=' + part.value.trimmed();
    }
    return parts.join(u';');
}

void rememberPassword(PasswordStore& store, const QString& connectionString, const QString& user,
                      const QString& password, bool remember) {
    if (!store.available() || user.isEmpty()) return;
    const QString connection = passwordConnectionKey(connectionString);
    if (remember && !password.isEmpty())
        store.store(connection, user, password);
    else
        store.remove(connection, user);
}

} // namespace mv
