#pragma once

#include <QDate>
#include <QDateTime>

// "Today" and "now" for the whole system; tests set a fixed moment.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
    QDate today() const { return now().date(); }

    static Clock& instance();
    static void install(Clock* clock);
};

// A clock that always answers the same moment.
class FixedClock final : public Clock
{
public:
    explicit FixedClock(QDateTime moment) : m_moment(std::move(moment)) {}
    QDateTime now() const override { return m_moment; }
    void set(QDateTime moment) { m_moment = std::move(moment); }

private:
    QDateTime m_moment;
};
