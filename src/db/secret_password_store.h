#pragma once
// The desktop keyring through libsecret (the Secret Service of GNOME Keyring, KWallet and others).
#include "db/password_store.h"

namespace mv {

class SecretPasswordStore final : public PasswordStore {
public:
    // Asks the session bus once, at the first question, whether a keyring answers.
    bool available() override;
    std::optional<QString> find(const QString& connection, const QString& user) override;
    bool store(const QString& connection, const QString& user, const QString& password) override;
    bool remove(const QString& connection, const QString& user) override;

private:
    std::optional<bool> m_available;
};

} // namespace mv
