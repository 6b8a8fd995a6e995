#include "db/datetime_text.h"

namespace mv {

namespace {

// The form servers send a date and time in, "YYYY-MM-DD HH:MM:SS" with up to nine digits of
// fraction, read without the general path's steps: a fetch reads one per row and column. Nothing
// for any other text, which the general path then reads.
std::optional<DateTimeParts> canonicalDateTime(std::string_view s) {
    const size_t n = s.size();
    if (n < 19 || n == 20 || n > 29) return std::nullopt;
    const char* c = s.data();
    if (c[4] != '-' || c[7] != '-' || c[10] != ' ' || c[13] != ':' || c[16] != ':') return std::nullopt;
    if (n > 19 && c[19] != '.') return std::nullopt;
    auto digit = [&](size_t i) { return unsigned(c[i] - '0') <= 9u; };
    for (size_t i : {0, 1, 2, 3, 5, 6, 8, 9, 11, 12, 14, 15, 17, 18})
        if (!digit(i)) return std::nullopt;
    auto two = [&](size_t i) { return (c[i] - '0') * 10 + (c[i + 1] - '0'); };
    DateTimeParts p;
    p.year = two(0) * 100 + two(2);
    p.month = two(5);
    p.day = two(8);
    p.hour = two(11);
    p.minute = two(14);
    p.second = two(17);
    if (n > 19) {
        quint32 nanos = 0;
        for (size_t i = 20; i < n; ++i) {
            if (!digit(i)) return std::nullopt;
            nanos = nanos * 10 + quint32(c[i] - '0');
        }
        for (size_t digits = n - 20; digits < 9; ++digits)
            nanos *= 10;
        p.nanos = nanos;
    }
    return p;
}

} // namespace

std::optional<DateTimeParts> parseDateTimeText(std::string_view s) {
    if (const std::optional<DateTimeParts> p = canonicalDateTime(s)) return p;
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
