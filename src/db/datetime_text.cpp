#include "db/datetime_text.h"

namespace mv {

std::optional<DateTimeParts> parseDateTimeText(std::string_view s) {
    size_t i = 0;
    auto number = [&](size_t digits, int& out) {
        if (i + digits > s.size()) return false;
        int v = 0;
        for (size_t k = 0; k < digits; ++k) {
            const char c = s[i + k];
            if (c < '0' || c > '9') return false;
            v = v * 10 + (c - '0');
        }
        out = v;
        i += digits;
        return true;
    };
    auto expect = [&](char c) {
        if (i < s.size() && s[i] == c) {
            ++i;
            return true;
        }
        return false;
    };
    while (i < s.size() && s[i] == ' ')
        ++i;
    DateTimeParts p;
    const size_t start = i;
    auto readTime = [&] {
        if (!number(2, p.hour) || !expect(':') || !number(2, p.minute)) return false;
        if (expect(':')) {
            if (!number(2, p.second)) return false;
            if (expect('.')) {
                quint32 nanos = 0;
                int digits = 0;
                while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
                    if (digits < 9) nanos = nanos * 10 + quint32(s[i] - '0'), ++digits;
                    ++i;
                }
                if (digits == 0) return false;
                for (; digits < 9; ++digits)
                    nanos *= 10;
                p.nanos = nanos;
            }
        }
        return true;
    };
    if (number(4, p.year) && expect('-')) {
        if (!number(2, p.month) || !expect('-') || !number(2, p.day)) return std::nullopt;
        if (i < s.size() && (s[i] == ' ' || s[i] == 'T')) {
            ++i;
            if (!readTime()) return std::nullopt;
        }
    } else {
        i = start;
        p = DateTimeParts{};
        if (!readTime()) return std::nullopt;
    }
    // A time zone suffix ("Z", "+02", "+02:00", "-05:30:15") or trailing blanks end the text.
    while (i < s.size() && s[i] == ' ')
        ++i;
    if (i < s.size() && (s[i] == 'Z' || s[i] == 'z')) {
        ++i;
    } else if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        ++i;
        int part = 0;
        if (!number(2, part)) return std::nullopt;
        while (expect(':'))
            if (!number(2, part)) return std::nullopt;
    }
    if (i != s.size()) return std::nullopt;
    return p;
}

} // namespace mv
