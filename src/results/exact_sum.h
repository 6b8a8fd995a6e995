#pragma once
// The exact sum of integers and decimals of any length, as a footer total shows it: a double would
// round a sum of 64-bit integers beyond 2^53 or of 30-digit decimals.
#include <QString>

#include <string>
#include <string_view>

namespace mv {

class ExactSum {
  public:
    // Adds a decimal text ("-123.4500", "17"); anything else makes the sum inexact.
    void add(std::string_view decimal);
    void addInteger(qint64 value);
    void addUnsigned(quint64 value);
    void merge(const ExactSum& other);
    // Marks the sum as not exact (a value that is no integer or decimal took part).
    void spoil() { m_exact = false; }

    // True when every added value was an integer or decimal and at least one was added.
    bool exact() const { return m_exact && m_count > 0; }
    // The sum with as many places after the point as the most precise value had.
    QString text() const;

  private:
    bool m_exact = true;
    qint64 m_count = 0;
    bool m_negative = false;
    std::string m_digits = "0"; // magnitude, m_scale of them after the point
    int m_scale = 0;
};

} // namespace mv
