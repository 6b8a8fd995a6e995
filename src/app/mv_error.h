#pragma once
// A run-time error with a number and a description, as the error reporters show them.
#include <QString>
#include <stdexcept>

namespace mv {

// Numbers the program relies on.
namespace err {
constexpr long InvalidProcedureCall = 5;
constexpr long OutOfMemory = 7;
constexpr long SubscriptOutOfRange = 9;
constexpr long TypeMismatch = 13;
constexpr long FileNotFound = 53;
constexpr long PathFileAccess = 75;
constexpr long ObjectDoesNotSupport = 438;
constexpr long KeyNotFound = 457;       // key not found in a keyed collection
constexpr long NotSupportedByProvider = 3251;
constexpr long UserError = 32755;
} // namespace err

class MvError : public std::runtime_error {
public:
    MvError(long number, const QString& description)
        : std::runtime_error(description.toStdString()), m_number(number), m_description(description) {}
    long number() const { return m_number; }
    const QString& description() const { return m_description; }

private:
    long m_number;
    QString m_description;
};

} // namespace mv
