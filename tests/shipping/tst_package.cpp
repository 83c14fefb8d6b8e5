// The Debian package, unpacked into a throw-away root the way dpkg would install it: every file
// where the desktop looks for it, a valid desktop entry and AppStream record, and the control
// fields apt needs. The package is made from an install staged by this test, so nothing is
// built while other tests run; the installed program is never started (it would open COM1).
#include "TestFiles.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>

namespace {

const QString kBuildDir = QStringLiteral(TELLURIX_BUILD_DIR);
const QString kSourceDir = QStringLiteral(TELLURIX_SOURCE_DIR);
const QString kVersion = QStringLiteral("2006.1.0");
const QString kAppStreamId = QStringLiteral("io.github.tellurix.Tellurix");
const QString kDesktopEntry = QStringLiteral("usr/share/applications/tellurix.desktop");
const QString kMetainfo =
    QStringLiteral("usr/share/metainfo/") + kAppStreamId + QStringLiteral(".metainfo.xml");
const QString kPngIcon = QStringLiteral("usr/share/icons/hicolor/%1x%1/apps/tellurix.png");

struct Run {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

Run run(const QString &program, const QStringList &args)
{
    QProcess p;
    p.start(program, args);
    Run r;
    if (!p.waitForStarted(10000) || !p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished(5000);
        r.err = "did not start or finish: " + program.toUtf8();
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

// The keys of the [Desktop Entry] group, localised keys such as Comment[de] as they stand.
QMap<QString, QString> desktopEntry(const QString &path)
{
    QMap<QString, QString> keys;
    bool inGroup = false;
    const QStringList lines = QString::fromUtf8(readFile(path)).split(QLatin1Char('\n'));
    for (const QString &line : lines) {
        if (line.startsWith(QLatin1Char('['))) {
            inGroup = line.trimmed() == QLatin1String("[Desktop Entry]");
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (inGroup && eq > 0 && !line.startsWith(QLatin1Char('#')))
            keys.insert(line.left(eq).trimmed(), line.mid(eq + 1).trimmed());
    }
    return keys;
}

// The package names of a Depends field, versions and alternatives' separators dropped.
QStringList dependedPackages(const QString &depends)
{
    QStringList names;
    const QStringList parts = depends.split(QRegularExpression(QStringLiteral("[,|]")));
    for (const QString &part : parts) {
        const QString name =
            part.trimmed().section(QLatin1Char(' '), 0, 0).section(QLatin1Char(':'), 0, 0);
        if (!name.isEmpty())
            names << name;
    }
    return names;
}

} // namespace

class TestPackage : public QObject {
    Q_OBJECT
    QTemporaryDir work;
    QString deb;
    QString root; // where dpkg -x unpacked the package

    QString inRoot(const QString &relative) const { return root + QLatin1Char('/') + relative; }
    QMap<QString, QString> desktopKeys() const { return desktopEntry(inRoot(kDesktopEntry)); }

    QString controlField(const QString &field) const
    {
        const Run r = run(QStringLiteral("dpkg-deb"), {QStringLiteral("--field"), deb, field});
        return r.exitCode == 0 ? QString::fromUtf8(r.out).trimmed() : QString();
    }

    // Stages the Runtime component the way `cmake --install` puts it, then packs that tree with
    // the project's own CPack configuration.
    void makePackage()
    {
        const QString stage = work.filePath(QStringLiteral("stage"));
        const QString out = work.filePath(QStringLiteral("out"));
        const Run install =
            run(QStringLiteral(CMAKE_COMMAND_PATH),
                {QStringLiteral("--install"), kBuildDir, QStringLiteral("--prefix"), stage,
                 QStringLiteral("--component"), QStringLiteral("Runtime"),
                 QStringLiteral("--strip")});
        QVERIFY2(install.exitCode == 0, install.out + install.err);

        const QString config = work.filePath(QStringLiteral("CPackPackageTest.cmake"));
        QFile f(config);
        QVERIFY(f.open(QIODevice::WriteOnly));
        // The project's settings, with the staged tree in place of an install run by cpack: that
        // one would first build the whole project ("preinstall") while other tests run.
        f.write(QStringLiteral("include(\"%1/CPackConfig.cmake\")\n"
                               "set(CPACK_INSTALL_CMAKE_PROJECTS \"\")\n"
                               "set(CPACK_INSTALLED_DIRECTORIES\n"
                               "    \"%2;${CPACK_PACKAGING_INSTALL_PREFIX}\")\n"
                               "set(CPACK_PACKAGE_DIRECTORY \"%3\")\n")
                    .arg(kBuildDir, stage, out)
                    .toUtf8());
        f.close();
        const Run pack =
            run(QStringLiteral(CPACK_COMMAND_PATH), {QStringLiteral("--config"), config});
        QVERIFY2(pack.exitCode == 0, pack.out + pack.err);

        const QStringList debs = QDir(out).entryList({QStringLiteral("*.deb")}, QDir::Files);
        QCOMPARE(debs.size(), 1);
        deb = QDir(out).filePath(debs.first());
    }

private slots:
    void initTestCase()
    {
        QVERIFY(work.isValid());
        if (QStandardPaths::findExecutable(QStringLiteral("dpkg-deb")).isEmpty())
            QSKIP("dpkg-deb is missing (package dpkg)");
        QVERIFY2(QFile::exists(kBuildDir + QStringLiteral("/CPackConfig.cmake")),
                 "the build folder has no CPack configuration");
        makePackage();
        QVERIFY(!deb.isEmpty());
        root = work.filePath(QStringLiteral("root"));
        const Run unpack = run(QStringLiteral("dpkg"), {QStringLiteral("-x"), deb, root});
        QVERIFY2(unpack.exitCode == 0, unpack.err);
    }

    void fileNameFollowsDebianConvention()
    {
        const Run arch = run(QStringLiteral("dpkg"), {QStringLiteral("--print-architecture")});
        QCOMPARE(arch.exitCode, 0);
        const QString architecture = QString::fromUtf8(arch.out).trimmed();
        QCOMPARE(QFileInfo(deb).fileName(),
                 QStringLiteral("tellurix_%1_%2.deb").arg(kVersion, architecture));
    }

    void controlField_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("pattern");
        QTest::newRow("Package") << "Package" << "^tellurix$";
        QTest::newRow("Version") << "Version" << "^2006\\.1\\.0$";
        QTest::newRow("Section") << "Section" << "^electronics$";
        QTest::newRow("Priority") << "Priority" << "^optional$";
        QTest::newRow("Maintainer") << "Maintainer" << "^\\S.* <[^@ ]+@[^@ ]+>$";
        // A synopsis line, then an extended description of indented lines.
        QTest::newRow("Description") << "Description"
                                     << "^terminal for one serial line\\n( \\S.*\\n)* \\S.*$";
    }
    void controlField()
    {
        QFETCH(QString, field);
        QFETCH(QString, pattern);
        const QString value = controlField(field);
        QVERIFY2(QRegularExpression(pattern).match(value).hasMatch(),
                 qPrintable(field + QStringLiteral(": ") + value));
    }

    void dependsOnQtLibraries_data()
    {
        QTest::addColumn<QString>("package");
        QTest::newRow("core") << "libqt6core6";
        QTest::newRow("gui") << "libqt6gui6";
        QTest::newRow("widgets") << "libqt6widgets6";
        QTest::newRow("serial port") << "libqt6serialport6";
        QTest::newRow("window-system plugins") << "qt6-qpa-plugins";
        QTest::newRow("C library") << "libc6";
    }
    void dependsOnQtLibraries()
    {
        QFETCH(QString, package);
        const QString depends = controlField(QStringLiteral("Depends"));
        QVERIFY2(dependedPackages(depends).contains(package), qPrintable(depends));
    }

    // Exactly the program and its data: no simulator, tests or benchmarks.
    void holdsOnlyTheProgramAndItsData()
    {
        QStringList files;
        QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext())
            files << QDir(root).relativeFilePath(it.next());
        files.sort();
        const QString golden = QFINDTESTDATA("data/package-files.txt");
        QStringList expected =
            QString::fromUtf8(readFile(golden)).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        expected.sort();
        QVERIFY(!expected.isEmpty());
        QCOMPARE(files, expected);
    }

    void programIsAnExecutableWithItsLibraries()
    {
        const QString program = inRoot(QStringLiteral("usr/bin/tellurix"));
        const QFileInfo info(program);
        QVERIFY(info.isFile());
        QVERIFY(info.permissions() & QFile::ExeOther);
        QCOMPARE(readFile(program).left(4), QByteArray("\x7f" "ELF"));
        // Every library it links against is present on this machine; ldd only reads.
        const Run ldd = run(QStringLiteral("ldd"), {program});
        QCOMPARE(ldd.exitCode, 0);
        QVERIFY2(!ldd.out.contains("not found"), ldd.out);
    }

    void installedCopiesOfSources_data()
    {
        QTest::addColumn<QString>("installed");
        QTest::addColumn<QString>("source");
        QTest::newRow("desktop entry") << kDesktopEntry << "dist/linux/tellurix.desktop";
        QTest::newRow("metainfo") << kMetainfo << "dist/linux/" + kAppStreamId + ".metainfo.xml";
        QTest::newRow("scalable icon") << "usr/share/icons/hicolor/scalable/apps/tellurix.svg"
                                       << "ui/windows/resources/tellurix.svg";
        for (const int size : {16, 32, 48, 64, 128, 256})
            QTest::addRow("icon %d", size)
                << kPngIcon.arg(size) << QStringLiteral("ui/windows/resources/tellurix-%1.png").arg(size);
        QTest::newRow("licence") << "usr/share/doc/tellurix/copyright" << "LICENSE";
    }
    void installedCopiesOfSources()
    {
        QFETCH(QString, installed);
        QFETCH(QString, source);
        // A link would point into the build machine's source tree.
        QVERIFY2(!QFileInfo(inRoot(installed)).isSymLink(), qPrintable(installed));
        const QByteArray got = readFile(inRoot(installed));
        QVERIFY2(!got.isEmpty(), qPrintable(installed));
        QCOMPARE(got, readFile(kSourceDir + QLatin1Char('/') + source));
    }

    // The theme finds an icon by its folder's size: the picture must be that size.
    void iconSizeMatchesItsFolder_data()
    {
        QTest::addColumn<int>("size");
        for (const int size : {16, 32, 48, 64, 128, 256})
            QTest::addRow("%d", size) << size;
    }
    void iconSizeMatchesItsFolder()
    {
        QFETCH(int, size);
        QImageReader reader(inRoot(kPngIcon.arg(size)));
        QCOMPARE(reader.format(), QByteArray("png"));
        QCOMPARE(reader.size(), QSize(size, size));
    }

    void desktopEntryKey_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::newRow("Type") << "Type" << "Application";
        QTest::newRow("Name") << "Name" << "Tellurix";
        QTest::newRow("Exec") << "Exec" << "tellurix";
        QTest::newRow("Icon") << "Icon" << "tellurix";
        QTest::newRow("Terminal") << "Terminal" << "false";
        QTest::newRow("Categories") << "Categories" << "Development;Electronics;";
    }
    void desktopEntryKey()
    {
        QFETCH(QString, key);
        QFETCH(QString, value);
        const auto keys = desktopKeys();
        QCOMPARE(keys.value(key), value);
    }

    void desktopEntryDescribesInBothLanguages()
    {
        const auto keys = desktopKeys();
        QVERIFY(!keys.value(QStringLiteral("GenericName")).isEmpty());
        QVERIFY(!keys.value(QStringLiteral("Comment")).isEmpty());
        QVERIFY(!keys.value(QStringLiteral("Comment[de]")).isEmpty());
        QVERIFY(keys.value(QStringLiteral("Comment")) != keys.value(QStringLiteral("Comment[de]")));
    }

    // What the entry names must be in the package: the command on the path, the icon in the theme.
    void desktopEntryPointsIntoThePackage()
    {
        const auto keys = desktopKeys();
        const QString exec = QStringLiteral("usr/bin/") + keys.value(QStringLiteral("Exec"));
        const QString icon = QStringLiteral("usr/share/icons/hicolor/scalable/apps/")
                             + keys.value(QStringLiteral("Icon")) + QStringLiteral(".svg");
        QVERIFY2(QFileInfo(inRoot(exec)).isExecutable(), qPrintable(exec));
        QVERIFY2(QFile::exists(inRoot(icon)), qPrintable(icon));
    }

    void desktopEntryValidates()
    {
        const QString validator =
            QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
        if (validator.isEmpty())
            QSKIP("desktop-file-validate is missing (package desktop-file-utils)");
        const Run r = run(validator, {inRoot(kDesktopEntry)});
        QVERIFY2(r.exitCode == 0 && r.out.trimmed().isEmpty(), r.out + r.err);
    }

    void metainfoValidates()
    {
        const QString validator = QStandardPaths::findExecutable(QStringLiteral("appstreamcli"));
        if (validator.isEmpty())
            QSKIP("appstreamcli is missing (package appstream)");
        const Run r = run(validator, {QStringLiteral("validate"), QStringLiteral("--no-net"),
                                      inRoot(kMetainfo)});
        QVERIFY2(r.exitCode == 0, r.out + r.err);
    }

    // The AppStream record agrees with the package and the desktop entry it launches.
    void metainfoMatchesThePackage()
    {
        QXmlStreamReader xml(readFile(inRoot(kMetainfo)));
        QMap<QString, QString> found;
        while (!xml.atEnd()) {
            if (xml.readNext() != QXmlStreamReader::StartElement)
                continue;
            const QString name = xml.name().toString();
            if (name == QLatin1String("release"))
                found.insert(name, xml.attributes().value(QStringLiteral("version")).toString());
            else if (name == QLatin1String("id") || name == QLatin1String("launchable")
                     || name == QLatin1String("project_license")
                     || name == QLatin1String("metadata_license"))
                found.insert(name, xml.readElementText());
        }
        QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
        QCOMPARE(found.value(QStringLiteral("id")), kAppStreamId);
        QCOMPARE(found.value(QStringLiteral("release")), controlField(QStringLiteral("Version")));
        QCOMPARE(found.value(QStringLiteral("project_license")), QStringLiteral("MIT"));
        QCOMPARE(found.value(QStringLiteral("metadata_license")), QStringLiteral("CC0-1.0"));
        QVERIFY(QFile::exists(inRoot(QStringLiteral("usr/share/applications/")
                                     + found.value(QStringLiteral("launchable")))));
    }
};

QTEST_MAIN(TestPackage)
#include "TestFiles.h"
#include "tst_package.moc"
