#include "Flood.h"

#include "Cp1252.h"
#include "TrafficLine.h"
#include "TrafficLineDelegate.h"
#include "TrafficListModel.h"
#include "TrafficListView.h"
#include "frmMain.h"

#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <functional>
#include <poll.h>
#include <unistd.h>

namespace faults {

namespace {

constexpr qsizetype kWriteChunk = 64 * 1024;
constexpr int kPollMs = 20;
constexpr qsizetype kDataColumn = 21; // "HH:MM:SS.mmm" and a nine-character marker

// Runs `tick` every intervalMs on a thread of its own until quit().
class PacedThread : public QThread {
public:
    PacedThread(int intervalMs, std::function<void()> tick)
        : m_intervalMs(intervalMs), m_tick(std::move(tick))
    {
    }

protected:
    void run() override
    {
        QTimer timer;
        timer.setTimerType(Qt::PreciseTimer);
        timer.setInterval(m_intervalMs);
        QObject::connect(&timer, &QTimer::timeout, [this] { m_tick(); });
        timer.start();
        exec();
    }

private:
    const int m_intervalMs;
    const std::function<void()> m_tick;
};

struct KeyStep {
    char letter = 0;              // a letter typed into the field, or
    Qt::Key key = Qt::Key_unknown; // a key that sends a line
};

// Three letters, a preset, Enter sending the letters, another preset.
const KeyStep kCycle[] = {{'a', {}}, {'b', {}}, {'c', {}}, {0, Qt::Key_F1}, {0, Qt::Key_Return}, {0, Qt::Key_F2}};
constexpr int kCycleLength = int(std::size(kCycle));

} // namespace

QString TrafficLineData(const QString &line)
{
    return line.mid(kDataColumn);
}

FloodingDevice::FloodingDevice(qint64 total) : m_total(total) {}

FloodingDevice::~FloodingDevice()
{
    stop();
}

void FloodingDevice::start()
{
    m_thread.reset(QThread::create([this] { run(); }));
    m_thread->start();
}

void FloodingDevice::stop()
{
    if (!m_thread)
        return;
    m_stop = true;
    m_thread->wait();
    m_thread.reset();
}

QByteArray FloodingDevice::received() const
{
    const QMutexLocker locker(&m_lock);
    return m_received;
}

void FloodingDevice::run()
{
    while (!m_stop.load()) {
        const bool more = m_sent.load() < m_total;
        pollfd p{m_pty.masterFd(), short(POLLIN | (more ? POLLOUT : 0)), 0};
        if (::poll(&p, 1, kPollMs) <= 0)
            continue;
        if (p.revents & POLLIN)
            receive();
        if (p.revents & POLLOUT)
            sendSome();
    }
}

void FloodingDevice::receive()
{
    char chunk[4096];
    const ssize_t got = ::read(m_pty.masterFd(), chunk, sizeof chunk);
    if (got <= 0)
        return;
    const QMutexLocker locker(&m_lock);
    m_received.append(chunk, got);
}

void FloodingDevice::sendSome()
{
    // The pty takes a few kilobytes at a time: the pattern is made a chunk ahead.
    if (m_pending.isEmpty()) {
        const qint64 offset = m_sent.load();
        m_pending = streampattern::bytes(offset, std::min(kWriteChunk, m_total - offset));
    }
    const qsizetype taken = m_pty.writeSomeMaster(m_pending);
    if (taken <= 0)
        return;
    m_pending.remove(0, taken);
    m_sent += taken;
}

TrafficStreamCheck::TrafficStreamCheck(TrafficListModel &model, qint64 expectedBytes)
    : m_model(model), m_expected(expectedBytes)
{
    connect(&model, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex &, int first, int last) { onRowsInserted(first, last); });
}

void TrafficStreamCheck::onRowsInserted(int first, int last)
{
    for (int row = first; row <= last; ++row) {
        const QString line = m_model.lineAt(row);
        const QString data = TrafficLineData(line);
        if (line.mid(12, kMarkerIn.size()) == kMarkerIn) {
            m_checker.consume(platform::encodeCp1252(data));
            ++m_inboundLines;
        } else {
            m_sent << data;
        }
    }
    if (ended() && !m_endSignalled) {
        m_endSignalled = true;
        emit streamEnded();
    }
}

bool TrafficStreamCheck::ended() const
{
    return bytesLost() > 0 || (m_expected > 0 && m_checker.bytesSeen() >= m_expected);
}

KeyPressProbe::KeyPressProbe(frmMain &form, TrafficListModel &model, int intervalMs)
    : m_form(form), m_model(model), m_intervalMs(intervalMs)
{
    m_clock.start();
}

KeyPressProbe::~KeyPressProbe()
{
    stop();
}

void KeyPressProbe::start()
{
    m_thread = std::make_unique<PacedThread>(m_intervalMs, [this] { queueNext(); });
    m_thread->start();
}

void KeyPressProbe::stop()
{
    if (!m_thread)
        return;
    m_thread->quit();
    m_thread->wait();
    m_thread.reset();
}

// On the pacing thread.
void KeyPressProbe::queueNext()
{
    const int index = m_queued.fetch_add(1);
    const qint64 queuedAt = m_clock.elapsed();
    QMetaObject::invokeMethod(
        this, [this, index, queuedAt] { press(index, queuedAt); }, Qt::QueuedConnection);
}

void KeyPressProbe::press(int index, qint64 queuedAtMs)
{
    QLineEdit *field = m_form.txtSend;
    const KeyStep &step = kCycle[index % kCycleLength];
    const QString textBefore = field->text();
    const int rowsBefore = m_model.rowCount();
    if (step.letter != 0)
        QTest::keyClick(field, step.letter);
    else
        QTest::keyClick(field, step.key);
    m_latenciesMs.push_back(m_clock.elapsed() - queuedAtMs);
    ++m_handled;

    const bool tookEffect =
        step.letter != 0
            ? field->text() == textBefore + QLatin1Char(step.letter)
            : m_model.rowCount() > rowsBefore
                  && m_model.lineAt(m_model.rowCount() - 1).mid(12, kMarkerOut.size()) == kMarkerOut;
    if (!tookEffect) {
        ++m_withoutEffect;
        // What the press met, for the one reading a failed run.
        qWarning("press %d (%s) without effect: %d rows before, %d after, last line \"%s\", field %lld characters",
                 index, step.letter != 0 ? "letter" : "key", rowsBefore, m_model.rowCount(),
                 qPrintable(m_model.rowCount() > 0 ? m_model.lineAt(m_model.rowCount() - 1).left(40) : QString()),
                 qlonglong(field->text().size()));
    }
}

QByteArray KeyPressProbe::ProbePresets()
{
    return "[SETTINGS]\r\nParam1=" + kPresetF1 + "\r\nParam2=" + kPresetF2 + "\r\n";
}

QByteArray KeyPressProbe::expectedBytes() const
{
    QByteArray expected;
    QByteArray typed;
    for (int i = 0; i < m_queued.load(); ++i) {
        const KeyStep &step = kCycle[i % kCycleLength];
        if (step.letter != 0)
            typed += step.letter;
        else if (step.key == Qt::Key_Return)
            expected += std::exchange(typed, QByteArray());
        else
            expected += step.key == Qt::Key_F1 ? kPresetF1 : kPresetF2;
    }
    return expected;
}

qint64 KeyPressProbe::maxLatencyMs() const
{
    return m_latenciesMs.empty() ? -1 : *std::max_element(m_latenciesMs.begin(), m_latenciesMs.end());
}

qint64 KeyPressProbe::medianLatencyMs() const
{
    if (m_latenciesMs.empty())
        return -1;
    std::vector<qint64> sorted = m_latenciesMs;
    std::nth_element(sorted.begin(), sorted.begin() + qsizetype(sorted.size() / 2), sorted.end());
    return sorted[sorted.size() / 2];
}

} // namespace faults
