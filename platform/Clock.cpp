#include "Clock.h"

#include <QDateTime>

namespace platform {

SystemTime SystemClock::nowUtc() const
{
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const QDate d = now.date();
    const QTime t = now.time();
    SystemTime st;
    st.wYear = static_cast<quint16>(d.year());
    st.wMonth = static_cast<quint16>(d.month());
    st.wDayOfWeek = static_cast<quint16>(d.dayOfWeek() % 7); // Sunday is 0
    st.wDay = static_cast<quint16>(d.day());
    st.wHour = static_cast<quint16>(t.hour());
    st.wMinute = static_cast<quint16>(t.minute());
    st.wSecond = static_cast<quint16>(t.second());
    st.wMilliseconds = static_cast<quint16>(t.msec());
    return st;
}

} // namespace platform

namespace platform {

namespace {
const Clock *g_clockReplacement = nullptr;
}

const Clock &clock()
{
    static const SystemClock system;
    return g_clockReplacement ? *g_clockReplacement : system;
}

void setClock(const Clock *replacement)
{
    g_clockReplacement = replacement;
}

} // namespace platform
