// Replays the fuzz targets' seed corpus and every input that once broke a check (the folder
// regressions/<target>/) through the same checks, so a fault fuzzing found stays found in
// every build, with or without clang.
#include "FuzzChecks.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QStringList kTargets{QStringLiteral("profile"), QStringLiteral("tokens"),
                           QStringLiteral("format"), QStringLiteral("portlist")};
const QStringList kInputFolders{QStringLiteral("corpus"), QStringLiteral("regressions")};

QStringList inputFiles(const QString &folder, const QString &target)
{
    const QDir dir(QStringLiteral(FUZZ_DATA_DIR "/%1/fuzz_%2").arg(folder, target));
    QStringList paths;
    for (const QString &name : dir.entryList(QDir::Files | QDir::Hidden, QDir::Name))
        paths.append(dir.filePath(name));
    return paths;
}

QString runCheck(const QString &target, const QByteArray &input)
{
    if (target == QLatin1String("profile")) {
        const QTemporaryDir folder;
        return folder.isValid() ? fuzzcheck::checkProfileFile(input, folder.path())
                                : QStringLiteral("no temporary folder");
    }
    if (target == QLatin1String("tokens"))
        return fuzzcheck::checkTokens(input);
    if (target == QLatin1String("format"))
        return fuzzcheck::checkFormat(input);
    return fuzzcheck::checkPortLists(input);
}

} // namespace

class TestFuzzRegressions : public QObject {
    Q_OBJECT
private slots:
    void everyTargetHasSeeds_data();
    void everyTargetHasSeeds();
    void inputHoldsEveryPromise_data();
    void inputHoldsEveryPromise();
};

void TestFuzzRegressions::everyTargetHasSeeds_data()
{
    QTest::addColumn<QString>("target");
    for (const QString &target : kTargets)
        QTest::newRow(qPrintable(target)) << target;
}

// libFuzzer starts from the seeds; a target without any would start from nothing.
void TestFuzzRegressions::everyTargetHasSeeds()
{
    QFETCH(QString, target);
    QVERIFY(inputFiles(QStringLiteral("corpus"), target).size() >= 3);
}

void TestFuzzRegressions::inputHoldsEveryPromise_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("path");
    for (const QString &target : kTargets) {
        for (const QString &folder : kInputFolders) {
            for (const QString &path : inputFiles(folder, target)) {
                const QString row = folder + QLatin1Char('/') + target + QLatin1Char('/')
                                    + QFileInfo(path).fileName();
                QTest::newRow(qPrintable(row)) << target << path;
            }
        }
    }
}

void TestFuzzRegressions::inputHoldsEveryPromise()
{
    QFETCH(QString, target);
    QFETCH(QString, path);
    QFile file(path);
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(path));
    const QString broken = runCheck(target, file.readAll());
    QVERIFY2(broken.isEmpty(), qPrintable(broken));
}

QTEST_MAIN(TestFuzzRegressions)
#include "tst_fuzzregressions.moc"
