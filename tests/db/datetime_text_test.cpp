// Date and time texts as servers send them, taken apart: the common form is read on a short path,
// which must give exactly what the general reading gives.
#include "db/datetime_text.h"

#include <QRandomGenerator>
#include <gtest/gtest.h>

#include <string>
#include <tuple>

using namespace mv;

namespace {

using Parts = std::tuple<int, int, int, int, int, int, quint32>;

std::optional<Parts> parts(std::string_view text) {
    const std::optional<DateTimeParts> p = parseDateTimeText(text);
    if (!p) return std::nullopt;
    return Parts{p->year, p->month, p->day, p->hour, p->minute, p->second, p->nanos};
}

struct TextCase {
    const char* text;
    std::optional<Parts> expected;
};

TEST(DateTimeText, ReadsTheFormsServersSend) {
    const TextCase cases[] = {
        {"2020-01-01 00:00:01", Parts{2020, 1, 1, 0, 0, 1, 0}},
        {"1970-01-01 00:00:00", Parts{1970, 1, 1, 0, 0, 0, 0}},
        {"9999-12-31 23:59:59.999999", Parts{9999, 12, 31, 23, 59, 59, 999999000}},
        {"2024-02-29 12:34:56.5", Parts{2024, 2, 29, 12, 34, 56, 500000000}},
        {"2024-02-29 12:34:56.000001", Parts{2024, 2, 29, 12, 34, 56, 1000}},
        {"2024-02-29 12:34:56.123456789", Parts{2024, 2, 29, 12, 34, 56, 123456789}},
        // Ten digits of fraction: the tenth is dropped, as the general reading does.
        {"2024-02-29 12:34:56.1234567891", Parts{2024, 2, 29, 12, 34, 56, 123456789}},
        // The server's zero date comes apart; it has no value as a date (that is decided later).
        {"0000-00-00 00:00:00", Parts{0, 0, 0, 0, 0, 0, 0}},
        // Out of range parts are read as written and refused when the value is made.
        {"2023-13-45 25:61:61", Parts{2023, 13, 45, 25, 61, 61, 0}},
        {"2020-01-01T08:15:00", Parts{2020, 1, 1, 8, 15, 0, 0}},
        {"2020-01-01 08:15:00+02:00", Parts{2020, 1, 1, 8, 15, 0, 0}},
        {"2020-01-01 08:15:00Z", Parts{2020, 1, 1, 8, 15, 0, 0}},
        {"  2020-01-01 08:15:00  ", Parts{2020, 1, 1, 8, 15, 0, 0}},
        {"2020-01-01 08:15", Parts{2020, 1, 1, 8, 15, 0, 0}},
        {"2020-01-01", Parts{2020, 1, 1, 0, 0, 0, 0}},
        {"08:15:30.25", Parts{0, 0, 0, 8, 15, 30, 250000000}},
        {"2020-01-01 08:15:00.", std::nullopt},
        {"2020-01-01 08:15:0x", std::nullopt},
        {"2020-0a-01 08:15:00", std::nullopt},
        {"2020/01/01 08:15:00", std::nullopt},
        {"2020-01-01 08-15-00", std::nullopt},
        {"2020-01-01 08:15:00.12a", std::nullopt},
        {"20200-01-01 08:15:00", std::nullopt},
        {"infinity", std::nullopt},
        {"", std::nullopt},
    };
    for (const TextCase& c : cases)
        EXPECT_EQ(parts(c.text), c.expected) << '"' << c.text << '"';
}

// Random texts of the common shape, some with a character out of place: read as they are, and
// with a blank in front (which only the general reading takes), the parts are the same.
TEST(DateTimeText, ShortPathAgreesWithTheGeneralReading) {
    QRandomGenerator random(20261207);
    const std::string alphabet = "0123456789-: .T+Zx";
    for (int i = 0; i < 200000; ++i) {
        char text[40];
        std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", random.bounded(10000), random.bounded(14),
                      random.bounded(33), random.bounded(26), random.bounded(62), random.bounded(62));
        std::string s(text);
        const int fraction = random.bounded(12);
        if (fraction > 0) {
            s += '.';
            for (int d = 1; d < fraction; ++d)
                s += char('0' + random.bounded(10));
        }
        if (random.bounded(4) == 0) s[size_t(random.bounded(int(s.size())))] = alphabet[size_t(random.bounded(int(alphabet.size())))];
        ASSERT_EQ(parts(s), parts(" " + s)) << '"' << s << '"';
    }
}

} // namespace
