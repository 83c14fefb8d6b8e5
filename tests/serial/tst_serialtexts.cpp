// The serial layer's failure descriptions in the program's language: each failure the real
// serial layer raises names a text of the string table whose English wording is exactly the
// layer's own description, and whose German wording carries the same values.
#include "Pty.h"
#include "QtSerialPort.h"
#include "modFormat.h"
#include "modGlobal.h"

#include <QTemporaryDir>
#include <QTest>

#include <functional>

using platform::Failure;
using platform::QtSerialPort;

namespace {

Failure failureOf(const std::function<void()> &action)
{
    try {
        action();
    } catch (const Failure &failure) {
        return failure;
    }
    return Failure(QStringLiteral("nothing failed"), 0);
}

} // namespace

class TestSerialTexts : public QObject {
    Q_OBJECT
private slots:
    void failuresSpeakTheProgramsLanguage_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<qint32>("number");
        QTest::addColumn<QString>("germanStart");
        QTest::newRow("port number") << "port" << 8002 << "Ungültige Schnittstellennummer 300";
        QTest::newRow("line settings") << "settings" << 8015 << "Ungültige Leitungseinstellungen \"9600,E,7,2\"";
        QTest::newRow("no device") << "missing" << 8010 << "Schnittstelle COM3 (";
        QTest::newRow("in use") << "busy" << 8005 << "Schnittstelle COM3 (";
        QTest::newRow("not open") << "closed" << 8012 << "Schnittstelle COM3 ist nicht geöffnet";
    }
    void failuresSpeakTheProgramsLanguage()
    {
        QFETCH(QString, kind);
        QFETCH(qint32, number);
        QFETCH(QString, germanStart);
        QTemporaryDir dir;
        Pty pty;
        QVERIFY(pty.isValid());
        const QString path = kind == QLatin1String("missing") ? dir.filePath(QStringLiteral("gone"))
                                                             : pty.slavePath();
        QtSerialPort port([path](int) { return path; });
        QtSerialPort holder([path](int) { return path; });
        port.setCommPort(3);
        if (kind == QLatin1String("busy"))
            holder.setPortOpen(true);
        const Failure failure = failureOf([&] {
            if (kind == QLatin1String("port"))
                port.setCommPort(300);
            else if (kind == QLatin1String("settings"))
                port.setSettings(QStringLiteral("9600,E,7,2"));
            else if (kind == QLatin1String("closed"))
                port.output(QStringLiteral("x"));
            else
                port.setPortOpen(true);
        });
        QCOMPARE(failure.number, number);
        QVERIFY(failure.textId != 0);

        g_bytLanguage = 1;
        QCOMPARE(failureDescription(failure), failure.description);
        g_bytLanguage = 0;
        const QString german = failureDescription(failure);
        QVERIFY2(german.startsWith(germanStart), qPrintable(german));
        QVERIFY(german != failure.description);
        QVERIFY(!german.contains(QStringLiteral("%%")));
        if (kind == QLatin1String("missing") || kind == QLatin1String("busy"))
            QVERIFY2(german.contains(path), qPrintable(german));
    }

    void aFailureWithoutTextKeepsItsDescription()
    {
        g_bytLanguage = 0;
        QCOMPARE(failureDescription(Failure(QStringLiteral("No such file or directory"), 2)),
                 QStringLiteral("No such file or directory"));
    }
};

QTEST_GUILESS_MAIN(TestSerialTexts)
#include "tst_serialtexts.moc"
