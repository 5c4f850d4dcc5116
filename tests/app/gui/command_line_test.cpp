// The program's command line: help and version answer without a window, a file name
// that looks like an option can still be opened, and files beyond the first are
// reported, not dropped without a word.

#include <QDir>
#include <filesystem>
#include <vector>
#include <QProcess>
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

    // The file is opened by the bytes the system gave for its name, which need not be
    // valid UTF-8 (a name from an older Latin-1 system, say).
    void opensTheFileByTheNameAsGiven_data() {
        QTest::addColumn<QByteArrayList>("arguments");
        QTest::addColumn<QByteArray>("file");
        const QByteArray here = QByteArray::fromStdString(std::filesystem::current_path().string()) + '/';
        QTest::newRow("Latin-1") << QByteArrayList{"pi\xE8" "ce.bmp"} << here + "pi\xE8" "ce.bmp";
        QTest::newRow("absolute") << QByteArrayList{"/p/\xFF.jpg", "b.d2o"} << QByteArray("/p/\xFF.jpg");
        QTest::newRow("after an option's end") << QByteArrayList{"--", "-\xE9.bmp"} << here + "-\xE9.bmp";
        QTest::newRow("UTF-8") << QByteArrayList{"\xC3\xA9t\xC3\xA9.jpg"} << here + "\xC3\xA9t\xC3\xA9.jpg";
        QTest::newRow("none") << QByteArrayList{} << QByteArray();
    }

    void opensTheFileByTheNameAsGiven() {
        QFETCH(QByteArrayList, arguments);
        QFETCH(QByteArray, file);
        arguments.prepend("velmora");
        std::vector<const char*> argv;
        QStringList decoded;
        for (const QByteArray& a : arguments) {
            argv.push_back(a.constData());
            decoded << QString::fromLocal8Bit(a);
        }
        const CommandLine line = ReadCommandLine(decoded);
        QCOMPARE(QByteArray::fromStdString(FileToOpen(line, static_cast<int>(argv.size()), argv.data())), file);
    }

    // Qt takes its own options out of the command line only when the application object
    // is made, which needs a display; the program's own reading before that leaves them
    // out, values and all.
    void leavesQtsOwnOptionsToQt() {
        const QStringList arguments{"velmora", "-platform", "offscreen", "--style=Fusion", "-reverse",
                                    "--display", ":1", "a.jpg", "-qwindowtitle", "My title", "--", "-reverse"};
        QCOMPARE(WithoutQtOptions(arguments), (QStringList{"velmora", "a.jpg", "--", "-reverse"}));
        const CommandLine line = ReadCommandLine(WithoutQtOptions(arguments));
        QCOMPARE(int(line.action), int(CommandLine::Action::Run));
        QCOMPARE(line.file, QDir::currentPath() + "/a.jpg");
    }

    // A wrong option is said on the terminal even where no window could open, with or
    // without Qt's own options beside it.
    void refusesAWrongOptionWithoutADisplay_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("alone") << QStringList{"--bogus"};
        QTest::newRow("behind Qt's options") << QStringList{"-platform", "xcb", "-style", "Fusion", "--bogus"};
    }

    void refusesAWrongOptionWithoutADisplay() {
        QFETCH(QStringList, arguments);
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
            environment.remove(QString::fromLatin1(name));
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(VELMORA_PROGRAM_DIR "/velmora"), arguments);
        QVERIFY(program.waitForFinished(30000));
        const QString errors = QString::fromLocal8Bit(program.readAllStandardError());
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 2);
        QVERIFY2(errors.contains("bogus") && errors.contains("--help"), qPrintable(errors));
    }
};

QTEST_MAIN(CommandLineTest)
#include "command_line_test.moc"
