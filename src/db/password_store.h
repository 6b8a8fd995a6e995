#pragma once
// Passwords the user asked us to remember, kept in the desktop's keyring (never in a file of ours).
// A password belongs to a connection (its string without user and password) and a user name.
#include <QString>
#include <optional>

namespace mv {

class PasswordStore {
public:
    virtual ~PasswordStore() = default;
    // False when the desktop offers no keyring: the program then never offers to remember.
    virtual bool available() = 0;
    virtual std::optional<QString> find(const QString& connection, const QString& user) = 0;
    virtual bool store(const QString& connection, const QString& user, const QString& password) = 0;
    // True when nothing is stored for them afterwards.
    virtual bool remove(const QString& connection, const QString& user) = 0;
};

// The store in use; one that is never available until the application installs the keyring's.
PasswordStore& passwordStore();
void setPasswordStore(PasswordStore* store);

// What identifies a connection in the keyring: its keys without user and password, in their order,
// keys in lower case and values as written ("driver={postgresql unicode};server=db;port=5432").
// The same string from a data link file and from the login dialog gives the same text.
QString passwordConnectionKey(const QString& connectionString);

// After a successful login: remember the password when asked to, or forget an earlier one when not.
void rememberPassword(PasswordStore& store, const QString& connectionString, const QString& user,
                      const QString& password, bool remember);

} // namespace mv
