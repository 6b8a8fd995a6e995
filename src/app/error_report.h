#pragma once
// The two error reporters and one way for a procedure to trap its errors at its boundary.
#include "app/mv_error.h"

#include <QString>
#include <exception>
#include <new>
#include <optional>

namespace mv {

// Shows the warning box with "in Module {..}" / "in Function {..}" lines (German in German) and
// resets the wait cursor. True when the box was shown.
bool DispErrorMsg(const QString& message, std::optional<long> number, const QString& procedure,
                  const QString& module);
// The same box, English name lines in angle brackets, cursor untouched.
bool DispMsg(const QString& message, std::optional<long> number = std::nullopt, const QString& procedure = {},
             const QString& module = {});

// The texts the two reporters show (also used by tests).
QString errorMessageText(const QString& message, std::optional<long> number, const QString& procedure,
                         const QString& module);
QString plainMessageText(const QString& message, std::optional<long> number, const QString& procedure,
                         const QString& module);

enum class Reporter { ErrorMsg, Msg };

// Number and description of the exception being handled.
struct CaughtError {
    long number;
    QString description;
};
CaughtError describeCurrentException();

void report(Reporter reporter, const CaughtError& error, const char* procedure, const char* module);

// Runs body; any error it throws is reported with the procedure and module name and the failure
// value is returned instead. No error passes to the caller.
template <class R, class F>
R guarded(Reporter reporter, const char* procedure, const char* module, R failure, F&& body) {
    try {
        return body();
    } catch (...) {
        report(reporter, describeCurrentException(), procedure, module);
        return failure;
    }
}

template <class F>
bool guardedVoid(Reporter reporter, const char* procedure, const char* module, F&& body) {
    try {
        body();
        return true;
    } catch (...) {
        report(reporter, describeCurrentException(), procedure, module);
        return false;
    }
}

} // namespace mv
