#include "results/exact_sum.h"

#include <algorithm>

namespace mv {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

void trimLeadingZeros(std::string& digits) {
    const size_t first = digits.find_first_not_of('0');
    digits.erase(0, first == std::string::npos ? digits.size() - 1 : first);
}

int compareMagnitude(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
    return a.compare(b) < 0 ? -1 : (a.compare(b) > 0 ? 1 : 0);
}

// a + b on digit strings of any length.
std::string addMagnitude(const std::string& a, const std::string& b) {
    std::string out;
    out.reserve(std::max(a.size(), b.size()) + 1);
    int carry = 0;
    for (size_t i = 0; i < a.size() || i < b.size() || carry; ++i) {
        int d = carry;
        if (i < a.size()) d += a[a.size() - 1 - i] - '0';
        if (i < b.size()) d += b[b.size() - 1 - i] - '0';
        out.push_back(char('0' + d % 10));
        carry = d / 10;
    }
    std::reverse(out.begin(), out.end());
    return out;
}

// a - b for a >= b.
std::string subtractMagnitude(const std::string& a, const std::string& b) {
    std::string out;
    out.reserve(a.size());
    int borrow = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        int d = (a[a.size() - 1 - i] - '0') - borrow - (i < b.size() ? b[b.size() - 1 - i] - '0' : 0);
        borrow = d < 0;
        out.push_back(char('0' + (d + 10) % 10));
    }
    std::reverse(out.begin(), out.end());
    trimLeadingZeros(out);
    return out;
}

} // namespace

void ExactSum::add(std::string_view s) {
    bool negative = false;
    if (!s.empty() && (s.front() == '-' || s.front() == '+')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    const size_t point = s.find('.');
    const std::string_view whole = s.substr(0, point);
    const std::string_view fraction = point == std::string_view::npos ? std::string_view() : s.substr(point + 1);
    if (whole.empty() && fraction.empty()) return spoil();
    if (!std::all_of(whole.begin(), whole.end(), isDigit) || !std::all_of(fraction.begin(), fraction.end(), isDigit))
        return spoil();
    std::string digits = std::string(whole) + std::string(fraction);
    int scale = int(fraction.size());
    // Both to the larger scale.
    if (scale < m_scale) digits.append(size_t(m_scale - scale), '0'), scale = m_scale;
    if (m_scale < scale) m_digits.append(size_t(scale - m_scale), '0'), m_scale = scale;
    trimLeadingZeros(digits);
    trimLeadingZeros(m_digits);
    if (negative == m_negative) {
        m_digits = addMagnitude(m_digits, digits);
    } else if (compareMagnitude(m_digits, digits) >= 0) {
        m_digits = subtractMagnitude(m_digits, digits);
    } else {
        m_digits = subtractMagnitude(digits, m_digits);
        m_negative = negative;
    }
    if (m_digits.find_first_not_of('0') == std::string::npos) m_negative = false;
    ++m_count;
}

void ExactSum::addInteger(qint64 value) { add(std::to_string(value)); }
void ExactSum::addUnsigned(quint64 value) { add(std::to_string(value)); }

void ExactSum::merge(const ExactSum& other) {
    if (!other.m_exact) m_exact = false;
    if (other.m_count == 0 || !m_exact) return;
    std::string text = other.m_digits;
    if (other.m_scale > 0) {
        if (text.size() <= size_t(other.m_scale)) text.insert(0, size_t(other.m_scale) + 1 - text.size(), '0');
        text.insert(text.size() - size_t(other.m_scale), 1, '.');
    }
    const qint64 count = m_count + other.m_count;
    add((other.m_negative ? "-" : "") + text);
    m_count = count;
}

QString ExactSum::text() const {
    std::string digits = m_digits;
    if (m_scale > 0) {
        if (digits.size() <= size_t(m_scale)) digits.insert(0, size_t(m_scale) + 1 - digits.size(), '0');
        digits.insert(digits.size() - size_t(m_scale), 1, '.');
    }
    return QString::fromLatin1((m_negative ? "-" : "") + digits);
}

} // namespace mv
