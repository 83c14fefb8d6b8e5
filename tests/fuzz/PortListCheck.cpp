#include "FuzzChecks.h"
#include "FuzzInput.h"

#include "PortDiscovery.h"
#include "frmSettings.h"

#include <QComboBox>
#include <QStringList>

#include <algorithm>
#include <optional>
#include <utility>

// The settings dialog's two lists must describe the same ports, entry for entry, and list
// only ports the serial layer can open, whatever port discovery hands over. The expected
// entries are worked out here from the list's fields with QString::split.

namespace fuzzcheck {

namespace {

constexpr int kFixedPorts = 14;
constexpr int kMaxListed = 127;

using Entry = std::pair<int, QString>; // companion number, visible text

QString numbersOnly(const QString &field)
{
    QString kept;
    for (const QChar c : field) {
        if ((c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('.')
            || c == QLatin1Char('-'))
            kept.append(c);
    }
    return kept;
}

std::optional<int> openablePort(const QString &numberField)
{
    const QString text = numbersOnly(numberField);
    if (text.isEmpty() || text.size() > 3
        || !std::all_of(text.begin(), text.end(), [](QChar c) { return c.isDigit(); }))
        return std::nullopt;
    const int number = text.toInt();
    if (number < 1 || number > 256)
        return std::nullopt;
    return number;
}

QString portName(int number)
{
    return QStringLiteral("COM") + QString::number(number);
}

// The entries in the order the list holds them, before sorting; nothing for the fixed ports.
std::optional<QList<Entry>> discoveredEntries(const QString &portList)
{
    const QStringList fields = portList.split(kPortListSeparator, Qt::KeepEmptyParts);
    const int count = portCountFromText(numbersOnly(fields.front())).value_or(0);
    if (count <= 0)
        return std::nullopt;
    QList<Entry> entries;
    for (int k = 1; k <= std::min(count, kMaxListed) && 2 * k + 1 <= fields.size(); ++k) {
        if (const std::optional<int> number = openablePort(fields.at(2 * k - 1)))
            entries.append({*number - 1, portName(*number) + QStringLiteral("  -  ") + fields.at(2 * k)});
    }
    return entries;
}

QList<Entry> fixedEntries()
{
    QList<Entry> entries;
    for (int n = 1; n <= kFixedPorts; ++n)
        entries.append({n - 1, portName(n)});
    return entries;
}

// A companion entry is the decimal text of a port index 0..255, nothing else.
std::optional<int> companionNumber(const QString &text)
{
    bool ok = false;
    const int number = text.toInt(&ok);
    if (!ok || number < 0 || number > 255 || QString::number(number) != text)
        return std::nullopt;
    return number;
}

int expectedSelection(const QList<Entry> &listed, quint8 currentIndex)
{
    for (int i = 0; i < listed.size(); ++i) {
        if (listed[i].first == currentIndex)
            return i;
    }
    for (int i = 1; i < listed.size(); ++i) {
        if (listed[i].first > 0)
            return i;
    }
    return -1;
}

QString shown(const QString &text)
{
    return QString::fromLatin1(text.toUtf8().toPercentEncoding(" "));
}

} // namespace

QString checkPortLists(QByteArrayView input)
{
    const quint8 currentIndex = fuzzinput::takeByte(input);
    const QString portList = QString::fromLatin1(input);
    QComboBox visible;
    QComboBox companion;
    frmSettings::FillPortLists(portList, &visible, &companion, currentIndex);

    if (visible.count() != companion.count())
        return QStringLiteral("%1 visible entries but %2 companion entries")
            .arg(visible.count())
            .arg(companion.count());
    QList<Entry> listed;
    for (int i = 0; i < companion.count(); ++i) {
        const std::optional<int> number = companionNumber(companion.itemText(i));
        if (!number)
            return QStringLiteral("companion entry \"%1\" is no port index").arg(shown(companion.itemText(i)));
        listed.append({*number, visible.itemText(i)});
    }

    const std::optional<QList<Entry>> discovered = discoveredEntries(portList);
    if (!discovered) {
        if (listed != fixedEntries())
            return QStringLiteral("a list without ports did not give COM1 to COM14");
    } else {
        if (listed.size() > kMaxListed)
            return QStringLiteral("%1 ports listed").arg(listed.size());
        if (listed.size() != discovered->size())
            return QStringLiteral("%1 ports listed, %2 valid pairs in the list")
                .arg(listed.size())
                .arg(discovered->size());
        if (!listed.isEmpty()) {
            if (listed.front() != discovered->front())
                return QStringLiteral("the first port discovery reported lost its place");
            QList<Entry> rest = listed.mid(1);
            if (!std::is_sorted(rest.begin(), rest.end(),
                                [](const Entry &a, const Entry &b) { return a.first < b.first; }))
                return QStringLiteral("the ports after the first are not in ascending order");
            QList<Entry> expectedRest = discovered->mid(1);
            std::sort(rest.begin(), rest.end());
            std::sort(expectedRest.begin(), expectedRest.end());
            if (rest != expectedRest)
                return QStringLiteral("the listed ports are not the valid pairs of the list");
        }
    }
    const int selected = expectedSelection(listed, currentIndex);
    if (visible.currentIndex() != selected)
        return QStringLiteral("position %1 selected instead of %2")
            .arg(visible.currentIndex())
            .arg(selected);
    return {};
}

} // namespace fuzzcheck
