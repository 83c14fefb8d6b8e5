#include "XSession.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QProcessEnvironment>

XSession::XSession()
{
    // -displayfd 1: the server picks a free display and writes its number to our pipe.
    m_server.start(QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1"),
                                            QStringLiteral("-screen"), QStringLiteral("0"),
                                            QStringLiteral("1280x1024x24"), QStringLiteral("-nolisten"),
                                            QStringLiteral("tcp")});
    if (!m_server.waitForStarted(5000))
        return;
    QByteArray out;
    const QDeadlineTimer deadline(10000);
    while (!out.contains('\n') && !deadline.hasExpired() && m_server.state() == QProcess::Running) {
        m_server.waitForReadyRead(int(deadline.remainingTime()));
        out += m_server.readAllStandardOutput();
    }
    const QByteArray number = out.trimmed();
    if (!number.isEmpty())
        m_display = QStringLiteral(":") + QString::fromLatin1(number);
}

XSession::~XSession()
{
    m_server.terminate();
    if (!m_server.waitForFinished(3000))
        m_server.kill();
    m_server.waitForFinished(3000);
}

std::optional<QString> XSession::xdotool(const QStringList &arguments, int timeoutMs) const
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), m_display);
    p.setProcessEnvironment(env);
    p.start(QStringLiteral("xdotool"), arguments);
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished(1000);
        return std::nullopt;
    }
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        qWarning("xdotool %s failed: %s", qPrintable(arguments.join(QLatin1Char(' '))),
                 p.readAllStandardError().constData());
        return std::nullopt;
    }
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

ProgramUnderTest::ProgramUnderTest(const QString &binary, const XSession &session)
    : m_binary(binary), m_session(session)
{
}

ProgramUnderTest::~ProgramUnderTest()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(3000);
    }
}

void ProgramUnderTest::writeFile(const QString &name, const QByteArray &bytes) const
{
    QFile f(m_folder.filePath(name));
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(bytes);
}

QByteArray ProgramUnderTest::readFile(const QString &name) const
{
    QFile f(m_folder.filePath(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool ProgramUnderTest::start()
{
    const QString copy = m_folder.filePath(QStringLiteral("tellurix"));
    if (!QFile::copy(m_binary, copy))
        return false;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.insert(QStringLiteral("DISPLAY"), m_session.display());
    m_process.setProcessEnvironment(env);
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.setWorkingDirectory(m_folder.path());
    m_process.start(copy, {});
    return m_process.waitForStarted(5000);
}

QString ProgramUnderTest::waitForMainWindow(int timeoutMs)
{
    const std::optional<QString> found = m_session.xdotool(
        {QStringLiteral("search"), QStringLiteral("--sync"), QStringLiteral("--onlyvisible"),
         QStringLiteral("--pid"), QString::number(m_process.processId()), QStringLiteral("--name"),
         QStringLiteral("^Tellurix$")},
        timeoutMs);
    m_window = found.value_or(QString()).section(QLatin1Char('\n'), 0, 0);
    return m_window;
}

bool ProgramUnderTest::pressKeys(const QStringList &keys)
{
    if (m_window.isEmpty())
        return false;
    if (!m_session.xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), m_window}))
        return false;
    QStringList args{QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("30")};
    args += keys;
    return m_session.xdotool(args).has_value();
}

bool ProgramUnderTest::typeText(const QString &text)
{
    if (m_window.isEmpty())
        return false;
    if (!m_session.xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), m_window}))
        return false;
    return m_session.xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("20"), text})
        .has_value();
}

bool ProgramUnderTest::clickAt(int x, int y)
{
    if (m_window.isEmpty())
        return false;
    return m_session
        .xdotool({QStringLiteral("mousemove"), QStringLiteral("--sync"), QStringLiteral("--window"), m_window,
                  QString::number(x), QString::number(y), QStringLiteral("click"), QStringLiteral("1")})
        .has_value();
}

bool ProgramUnderTest::waitForExit(int timeoutMs)
{
    return m_process.waitForFinished(timeoutMs) && m_process.exitStatus() == QProcess::NormalExit;
}
