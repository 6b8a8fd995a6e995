#pragma once
// Date and time texts as SQLite keeps them and PostgreSQL sends them, taken apart.
#include <QtGlobal>

#include <optional>
#include <string_view>

namespace mv {

// "YYYY-MM-DD", "YYYY-MM-DD HH:MM[:SS[.fraction]]" (also with T), "HH:MM[:SS[.fraction]]", each
// optionally followed by a time zone ("Z", "+02", "-05:30"), which is left out: the value is read
// as the clock shows it. Nothing for other texts (years beyond four digits, BC dates, infinity).
struct DateTimeParts {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    quint32 nanos = 0;
};
std::optional<DateTimeParts> parseDateTimeText(std::string_view text);

} // namespace mv
