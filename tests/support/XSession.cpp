#include "XSession.h"

#include "TestFiles.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QProcessEnvironment>
#include <QTest>

#include <algorithm>

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
    : ProgramUnderTest(binary, session, QString())
{
}

ProgramUnderTest::ProgramUnderTest(const QString &binary, const XSession &session, const QString &folder)
    : m_binary(binary), m_session(session), m_folderPath(folder.isEmpty() ? m_folder.path() : folder),
      m_env(QProcessEnvironment::systemEnvironment()), m_workingDirectory(m_folderPath)
{
    m_env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    m_env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    m_env.insert(QStringLiteral("DISPLAY"), m_session.display());
}

ProgramUnderTest::~ProgramUnderTest()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(3000);
    }
}

bool ProgramUnderTest::writeFile(const QString &name, const QByteArray &bytes) const
{
    return ::writeFile(filePath(name), bytes);
}

QByteArray ProgramUnderTest::readFile(const QString &name) const
{
    return ::readFile(filePath(name));
}

bool ProgramUnderTest::install()
{
    m_installed = m_installed || QFile::copy(m_binary, filePath(QStringLiteral("tellurix")));
    return m_installed;
}

bool ProgramUnderTest::start()
{
    if (!install())
        return false;
    m_process.setProcessEnvironment(m_env);
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.setWorkingDirectory(m_workingDirectory);
    if (m_childSetup)
        m_process.setChildProcessModifier(m_childSetup);
    m_process.start(filePath(QStringLiteral("tellurix")), {});
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

bool ProgramUnderTest::waitForPopup(int timeoutMs)
{
    const QStringList search{QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                             QStringLiteral("--pid"), QString::number(m_process.processId())};
    return QTest::qWaitFor(
        [&] {
            const QStringList windows = m_session.xdotool(search).value_or(QString()).split(
                QLatin1Char('\n'), Qt::SkipEmptyParts);
            return std::any_of(windows.cbegin(), windows.cend(),
                               [&](const QString &w) { return w.trimmed() != m_window; });
        },
        timeoutMs);
}

bool ProgramUnderTest::waitForExit(int timeoutMs)
{
    return m_process.waitForFinished(timeoutMs) && m_process.exitStatus() == QProcess::NormalExit;
}
