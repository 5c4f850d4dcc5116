#pragma once
// Runs a copy of the test program on a screen scaled by a factor: for what one process
// cannot show, as Qt sets its screen scale once, when the application starts.

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

namespace velmora::test {

// Starts this program again with QT_SCALE_FACTOR set to `scale` and the environment
// variable `variable` naming a file, and returns what the copy wrote into that file;
// nothing when the copy failed. The copy's main() sees the variable, writes the file
// and runs no test.
inline QByteArray WrittenByScaledCopy(const char* variable, const char* scale) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("copy.raw"));
    QProcess copy;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(variable), file);
    env.insert(QStringLiteral("QT_SCALE_FACTOR"), QString::fromLatin1(scale));
    copy.setProcessEnvironment(env);
    copy.start(QCoreApplication::applicationFilePath(), {});
    if (!copy.waitForFinished(60000) || copy.exitStatus() != QProcess::NormalExit || copy.exitCode() != 0) return {};
    QFile written(file);
    return written.open(QIODevice::ReadOnly) ? written.readAll() : QByteArray();
}

}  // namespace velmora::test
