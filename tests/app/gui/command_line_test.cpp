// The program's command line: help and version answer without a window, a file name
// that looks like an option can still be opened, and files beyond the first are
// reported, not dropped without a word.

#include <QDir>
#include <QtTest>

#include "app/gui/CommandLine.h"

using namespace velmora;

class CommandLineTest : public QObject {
    Q_OBJECT

private slots:
    void readsWhatTheUserAsked_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("action");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("inMessage");
        using A = CommandLine::Action;
        const QString here = QDir::currentPath() + QLatin1Char('/');
        QTest::newRow("nothing") << QStringList{} << int(A::Run) << QString() << QString();
        QTest::newRow("one file") << QStringList{"a.jpg"} << int(A::Run) << here + "a.jpg" << QString();
        QTest::newRow("help") << QStringList{"--help"} << int(A::Help) << QString() << "[file]";
        QTest::newRow("version") << QStringList{"--version"} << int(A::Version) << QString() << "Velmora 0.1.0";
        QTest::newRow("a file named like an option")
            << QStringList{"--", "--help"} << int(A::Run) << here + "--help" << QString();
        QTest::newRow("two files") << QStringList{"/p/a.bmp", "b.d2o"} << int(A::Run) << "/p/a.bmp" << "b.d2o";
        QTest::newRow("unknown option") << QStringList{"--bogus", "a.jpg"} << int(A::Mistake) << QString() << "bogus";
    }

    void readsWhatTheUserAsked() {
        QFETCH(QStringList, arguments);
        QFETCH(int, action);
        QFETCH(QString, file);
        QFETCH(QString, inMessage);
        const CommandLine line = ReadCommandLine(QStringList{"velmora"} + arguments);
        QCOMPARE(int(line.action), action);
        QCOMPARE(line.file, file);
        if (inMessage.isEmpty())
            QVERIFY2(line.message.isEmpty(), qPrintable(line.message));
        else
            QVERIFY2(line.message.contains(inMessage), qPrintable(line.message));
    }
};

QTEST_MAIN(CommandLineTest)
#include "command_line_test.moc"
