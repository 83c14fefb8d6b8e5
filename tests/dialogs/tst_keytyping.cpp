// Typing on behalf of the user: key events per character, at the caret, over the selection.
#include "KeyTyping.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QSignalSpy>
#include <QtTest>

namespace {

// Notes every key event a widget receives, in order.
class KeyRecorder : public QObject {
public:
    struct Key {
        QEvent::Type type;
        int key;
        QString text;
    };
    QList<Key> keys;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
            const auto &k = static_cast<const QKeyEvent &>(*event);
            keys.append({event->type(), k.key(), k.text()});
        }
        return false;
    }
};

// Deletes the widget it watches when the first key is released.
class DeleteOnFirstRelease : public QObject {
public:
    int presses = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::KeyPress)
            ++presses;
        if (event->type() == QEvent::KeyRelease) {
            delete watched;
            return true;
        }
        return false;
    }
};

} // namespace

class TestKeyTyping : public QObject {
    Q_OBJECT
private slots:
    void insertsAtTheCaret_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<int>("caret");
        QTest::addColumn<int>("selectionLength");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("after");
        QTest::addColumn<int>("caretAfter");
        QTest::newRow("into empty") << QString() << 0 << 0 << QStringLiteral("<CR>")
                                    << QStringLiteral("<CR>") << 4;
        QTest::newRow("between letters") << QStringLiteral("ab") << 1 << 0 << QStringLiteral("<LF>")
                                         << QStringLiteral("a<LF>b") << 5;
        QTest::newRow("at the start") << QStringLiteral("ab") << 0 << 0 << QStringLiteral("x")
                                      << QStringLiteral("xab") << 1;
        QTest::newRow("over a selection") << QStringLiteral("0123456789") << 2 << 5
                                          << QStringLiteral("<STX>") << QStringLiteral("01<STX>789") << 7;
        QTest::newRow("over everything") << QStringLiteral("old") << 0 << 3 << QStringLiteral("new")
                                         << QStringLiteral("new") << 3;
        QTest::newRow("nothing typed keeps the selection text")
            << QStringLiteral("keep") << 1 << 2 << QString() << QStringLiteral("keep") << 3;
        QTest::newRow("umlaut and blank") << QStringLiteral("[]") << 1 << 0 << QStringLiteral("ä ö")
                                          << QStringLiteral("[ä ö]") << 4;
    }
    void insertsAtTheCaret()
    {
        QFETCH(QString, before);
        QFETCH(int, caret);
        QFETCH(int, selectionLength);
        QFETCH(QString, typed);
        QFETCH(QString, after);
        QFETCH(int, caretAfter);

        QLineEdit field(before);
        if (selectionLength > 0)
            field.setSelection(caret, selectionLength);
        else
            field.setCursorPosition(caret);
        typeText(&field, typed);
        QCOMPARE(field.text(), after);
        QCOMPARE(field.cursorPosition(), caretAfter);
    }

    void onePressAndOneReleasePerCharacter()
    {
        QLineEdit field;
        KeyRecorder recorder;
        field.installEventFilter(&recorder);
        QSignalSpy changes(&field, &QLineEdit::textChanged);

        typeText(&field, QStringLiteral("a<Z9"));

        const QList<int> keys{Qt::Key_A, Qt::Key_Less, Qt::Key_Z, Qt::Key_9};
        const QStringList texts{"a", "<", "Z", "9"};
        QCOMPARE(recorder.keys.size(), 8);
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(recorder.keys.at(2 * i).type, QEvent::KeyPress);
            QCOMPARE(recorder.keys.at(2 * i + 1).type, QEvent::KeyRelease);
            QCOMPARE(recorder.keys.at(2 * i).key, keys.at(i));
            QCOMPARE(recorder.keys.at(2 * i + 1).key, keys.at(i));
            QCOMPARE(recorder.keys.at(2 * i).text, texts.at(i));
        }
        // One change per key, as when typing; not one change for the whole text.
        QCOMPARE(changes.count(), 4);
        QCOMPARE(changes.last().at(0).toString(), QStringLiteral("a<Z9"));
    }

    void characterOutsideTheBasicPlaneIsOneKey()
    {
        QLineEdit field;
        KeyRecorder recorder;
        field.installEventFilter(&recorder);
        const QString smiley = QString::fromUcs4(U"\U0001F600");

        typeText(&field, smiley + QStringLiteral("!"));

        QCOMPARE(recorder.keys.size(), 4);
        QCOMPARE(recorder.keys.at(0).text, smiley);
        QCOMPARE(field.text(), smiley + QStringLiteral("!"));
    }

    void stopsWhenTheFieldGoesAway()
    {
        auto *field = new QLineEdit;
        QPointer<QLineEdit> watch(field);
        DeleteOnFirstRelease killer;
        field->installEventFilter(&killer);

        typeText(field, QStringLiteral("abc"));

        QVERIFY(watch.isNull());
        QCOMPARE(killer.presses, 1);
        typeText(nullptr, QStringLiteral("abc")); // nothing to type into: nothing happens
    }
};

QTEST_MAIN(TestKeyTyping)
#include "tst_keytyping.moc"
