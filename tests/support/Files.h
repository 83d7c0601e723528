#pragma once

#include <QFile>
#include <QProcess>
#include <QtTest>

namespace testsupport {

inline QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

struct Run {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

// Runs the built glyphreel program (GLYPHREEL_BINARY) as a user would.
inline Run runGlyphreel(const QStringList &arguments, const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment())
{
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(qEnvironmentVariable("GLYPHREEL_BINARY"), arguments);
    if (!process.waitForFinished(60000))
        return {};
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2, process.readAllStandardOutput(),
            process.readAllStandardError()};
}

} // namespace testsupport
