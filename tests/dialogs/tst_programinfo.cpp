// The program information dialog and the program's icon, offscreen, opened from the menu of
// the running program.
#include "MainProgram.h"
#include "TestProgram.h"
#include "TellurixIcon.h"
#include "frmMain.h"
#include "frmProgramInfo.h"
#include "modGlobal.h"

#include <QAction>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Mostly opaque and of more than a few colours: a picture, not an empty or blank square.
bool hasDrawing(const QImage &image)
{
    int opaque = 0;
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            opaque += qAlpha(p) > 0 ? 1 : 0;
            colours.insert(p);
        }
    }
    return opaque > image.width() * image.height() / 2 && colours.size() > 3;
}

} // namespace

class TestProgramInfo : public QObject {
    Q_OBJECT
    std::unique_ptr<TestProgram> p; // no port mapped: the menu works whether a port is open or not

    frmMain &form() { return p->form(); }

    void start(int language = 0)
    {
        QVERIFY(p->start({}, QStringLiteral("[SETTINGS]\r\nLanguage=%1\r\n").arg(language).toLatin1()));
    }

    QPointer<frmProgramInfo> openFromMenu()
    {
        form().mnuQuestionProgramInfo->trigger();
        for (frmProgramInfo *d : form().findChildren<frmProgramInfo *>()) {
            // Activation arrives from the window system after the dialog was shown.
            if (d->isVisible() && QTest::qWaitFor([d] { return QApplication::activeWindow() == d; }))
                return d;
        }
        return nullptr;
    }

private slots:
    void init()
    {
        p = std::make_unique<TestProgram>();
        QCoreApplication::setApplicationVersion(QString());
    }
    void cleanup()
    {
        p.reset();
        QCoreApplication::setApplicationVersion(QString());
    }

    void versionText_data()
    {
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("text");
        QTest::newRow("three parts") << QStringLiteral("2006.1.0") << QStringLiteral("V2006.1.0");
        QTest::newRow("file version, four parts") << QStringLiteral("2006.1.0.0") << QStringLiteral("V2006.1.0");
        QTest::newRow("leading zeros") << QStringLiteral("2006.01.007") << QStringLiteral("V2006.1.7");
        QTest::newRow("major only") << QStringLiteral("3") << QStringLiteral("V3.0.0");
        QTest::newRow("fourth part dropped") << QStringLiteral("7.8.9.10") << QStringLiteral("V7.8.9");
    }
    void versionText()
    {
        QFETCH(QString, version);
        QFETCH(QString, text);
        QCOMPARE(softwareVersionText(version), text);
    }

    void programVersionPrefersTheApplications()
    {
        QCOMPARE(programVersion(), QStringLiteral("2006.1.0")); // as built
        QCoreApplication::setApplicationVersion(QStringLiteral("2006.2.5"));
        QCOMPARE(programVersion(), QStringLiteral("2006.2.5"));
    }

    void captions_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<QStringList>("captions"); // window, program, version, date, engineer, OK
        QTest::newRow("German") << 0
                                << QStringList{"Programm Info", "Programm:", "Software Version:",
                                               "Datum:", "Entwickler:", "OK"};
        QTest::newRow("English") << 1
                                 << QStringList{"Program Info", "Program:", "Software version:",
                                                "Date:", "Engineer:", "OK"};
    }
    void captions()
    {
        QFETCH(int, language);
        QFETCH(QStringList, captions);
        start(language);
        QPointer<frmProgramInfo> dialog = openFromMenu();
        QVERIFY(dialog);
        QCOMPARE(dialog->windowTitle(), captions.at(0));
        QCOMPARE(dialog->labProgramVersion->text(), captions.at(1));
        QCOMPARE(dialog->labSoftwareVersion->text(), captions.at(2));
        QCOMPARE(dialog->labDate->text(), captions.at(3));
        QCOMPARE(dialog->labEngineer->text(), captions.at(4));
        QCOMPARE(dialog->cmdOk->text(), captions.at(5));
        // The values are the same in every language.
        QCOMPARE(dialog->fraInfo->title(), QStringLiteral("Information"));
        QCOMPARE(dialog->labProgramVersionValue->text(), QStringLiteral("Tellurix"));
        QCOMPARE(dialog->labSoftwareVersionValue->text(), QStringLiteral("V2006.1.0"));
        QCOMPARE(dialog->labDateValue->text(), QStringLiteral("12.07.2006"));
        QCOMPARE(dialog->labEngineerValue->text(), QStringLiteral("Tellurix Team"));
        // Whatever the font, each text shows whole, captions clear of their values.
        const QList<QLabel *> captionLabels{dialog->labProgramVersion, dialog->labSoftwareVersion,
                                            dialog->labDate, dialog->labEngineer};
        const QList<QLabel *> valueLabels{dialog->labProgramVersionValue, dialog->labSoftwareVersionValue,
                                          dialog->labDateValue, dialog->labEngineerValue};
        for (QLabel *label : captionLabels + valueLabels)
            QVERIFY2(label->width() >= label->sizeHint().width(), qPrintable(label->objectName()));
        for (QLabel *label : captionLabels)
            QVERIFY2(label->geometry().right() < dialog->labDateValue->x(), qPrintable(label->objectName()));
        for (QLabel *label : valueLabels)
            QVERIFY2(label->geometry().right() < dialog->fraInfo->width(), qPrintable(label->objectName()));
    }

    void showsTheApplicationsVersion()
    {
        QCoreApplication::setApplicationVersion(QStringLiteral("2006.1.0.0"));
        start();
        QPointer<frmProgramInfo> dialog = openFromMenu();
        QVERIFY(dialog);
        QCOMPARE(dialog->labSoftwareVersionValue->text(), QStringLiteral("V2006.1.0"));
    }

    void opensModalWithOkFocused()
    {
        start();
        QPointer<frmProgramInfo> dialog = openFromMenu();
        QVERIFY(dialog);
        QCOMPARE(dialog->windowModality(), Qt::ApplicationModal);
        QCOMPARE(QApplication::activeModalWidget(), dialog.data());
        QTRY_COMPARE(QApplication::focusWidget(), dialog->cmdOk);
    }

    void escapeDoesNotClose()
    {
        start();
        QPointer<frmProgramInfo> dialog = openFromMenu();
        QVERIFY(dialog);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QTest::keyClick(dialog.data(), Qt::Key_Escape);
        QTest::qWait(50);
        QVERIFY(dialog);
        QVERIFY(dialog->isVisible());
        QVERIFY(form().isVisible());
    }

    void closesAndGoesAway_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("OK clicked") << QStringLiteral("click");
        QTest::newRow("Enter") << QStringLiteral("enter");
        QTest::newRow("Space") << QStringLiteral("space");
        QTest::newRow("close box") << QStringLiteral("close");
    }
    void closesAndGoesAway()
    {
        QFETCH(QString, how);
        start();
        QPointer<frmProgramInfo> dialog = openFromMenu();
        QVERIFY(dialog);
        QTRY_COMPARE(QApplication::focusWidget(), dialog->cmdOk);
        if (how == QLatin1String("click"))
            QTest::mouseClick(dialog->cmdOk, Qt::LeftButton);
        else if (how == QLatin1String("enter"))
            QTest::keyClick(dialog->cmdOk, Qt::Key_Return);
        else if (how == QLatin1String("space"))
            QTest::keyClick(dialog->cmdOk, Qt::Key_Space);
        else
            QVERIFY(dialog->close());
        QTRY_VERIFY(dialog.isNull());
        QVERIFY(form().isVisible());

        // The next opening is a new dialog.
        QPointer<frmProgramInfo> again = openFromMenu();
        QVERIFY(again);
    }

    void layout()
    {
        start();
        QPointer<frmProgramInfo> dialog = openFromMenu();
        QVERIFY(dialog);
        QCOMPARE(dialog->size(), QSize(331, 129));
        QCOMPARE(dialog->minimumSize(), dialog->maximumSize());
        QCOMPARE(twipsGeometry(dialog->fraInfo), QRect(120, 120, 3735, 1695));
        QCOMPARE(dialog->labEngineerValue->parentWidget(), dialog->fraInfo);
        // Labels keep their place and grow from their design size only as far as their text needs.
        const QList<std::pair<QLabel *, QRect>> labels{
            {dialog->labProgramVersion, QRect(300, 360, 750, 195)},
            {dialog->labProgramVersionValue, QRect(2160, 360, 1005, 195)},
            {dialog->labSoftwareVersion, QRect(300, 660, 1245, 195)},
            {dialog->labSoftwareVersionValue, QRect(2160, 660, 870, 195)},
            {dialog->labDate, QRect(300, 960, 510, 195)},
            {dialog->labDateValue, QRect(2160, 960, 810, 195)},
            {dialog->labEngineer, QRect(300, 1230, 780, 195)},
            {dialog->labEngineerValue, QRect(2160, 1230, 1065, 195)}};
        for (const auto &[label, design] : labels) {
            const QRect actual = twipsGeometry(label);
            QCOMPARE(actual.topLeft(), design.topLeft());
            QCOMPARE(actual.width(), std::max(design.width(), label->sizeHint().width() * kTwipsPerPixel));
            QVERIFY(actual.height() >= design.height());
        }
        QCOMPARE(twipsGeometry(dialog->cmdOk), QRect(3960, 1440, 915, 375));
        QCOMPARE(twipsGeometry(dialog->Image1), QRect(3960, 210, 915, 1005));
    }

    void pictureFitsItsBox()
    {
        start();
        QPointer<frmProgramInfo> dialog = openFromMenu();
        QVERIFY(dialog);
        const QPixmap picture = dialog->Image1->pixmap();
        QVERIFY(!picture.isNull());
        // The square icon as wide as the box, its height kept equal.
        QCOMPARE(picture.size(), QSize(61, 61));
        QVERIFY(hasDrawing(picture.toImage()));
    }

    void iconAtEverySize()
    {
        const QIcon icon = tellurixIcon();
        QVERIFY(!icon.isNull());
        for (const int size : {16, 32, 48, 64, 128, 256}) {
            QVERIFY2(icon.availableSizes().contains(QSize(size, size)), qPrintable(QString::number(size)));
            const QImage image = icon.pixmap(QSize(size, size)).toImage();
            QCOMPARE(image.size(), QSize(size, size));
            QVERIFY2(hasDrawing(image), qPrintable(QString::number(size)));
        }
    }
};

QTEST_MAIN(TestProgramInfo)
#include "tst_programinfo.moc"
